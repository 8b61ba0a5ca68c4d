// Registry files against the registry editor of Wine: each file is imported with "regedit /S"
// into a private prefix, and RegFacts.exe prints what it left below a test key (keys, value
// names, types and data bytes). The same file goes through importRegistryFile into a real store,
// and both sets of facts must be the same. Where they differ, our report must carry a warning on
// one of the case's lines: those are the places where the reader is kinder than the editor (and
// says so), counted and printed. Then our export of everything read goes back through regedit,
// which must give the facts we hold.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <sstream>

#include "store/RegistryFile.h"
#include "store/sqlite/SqliteSettingsStore.h"
#include "support/TempDir.h"
#include "support/WineRunner.h"
#include "texts/TextEncoding.h"

namespace pw {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using namespace std::string_literals;

// The test key, one for each test program run: the tests of a parallel run share the prefix.
std::string testRoot = "Software\\Orvalis\\PadWarden\\Diff";
std::string testKey() {
    return "HKEY_LOCAL_MACHINE\\" + testRoot;
}

std::string hex(std::string_view s) {
    const std::string digits = test::hexOf(s);
    return digits.empty() ? "-" : digits;
}

using test::unhex;

std::string shown(std::string_view s) {
    return test::shown(s, 300);
}

std::string utf16(std::string_view utf8) {
    return utf8ToUtf16(utf8, false);
}

std::string fromUtf16(std::string_view bytes) {
    bool lossless = true;
    return utf16ToUtf8(bytes, false, lossless);
}

// One fact a line: "K path" for a key, "V path name type data" for a value, path relative to the
// test key (names and data in hex, so nothing hides). Sorted, so that the order of enumeration
// does not matter.
using Facts = std::set<std::string>;

std::string caseOf(const std::string& fact) {
    const std::size_t start = fact.find(' ') + 1;
    const std::size_t end = fact.find_first_of("\\ ", start);
    std::string name = fact.substr(start, end - start);
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    return name;
}

// The facts below the test key in our store, as the registry holds them: strings as UTF-16LE
// with their NUL.
void ourFacts(SettingsStore& store, const std::string& path, const std::string& relative, Facts& facts) {
    if (!relative.empty()) {
        facts.insert("K " + relative);
    }
    for (const std::string& name : store.valueNames(path)) {
        const std::optional<RegistryValue> value = store.readValue(path, name);
        std::string data = value->data;
        if (value->type == static_cast<std::uint32_t>(ValueType::String)) {
            data = utf16(data) + "\0\0"s;
        }
        facts.insert("V " + relative + " " + hex(name) + " " + std::to_string(value->type) + " " + hex(data));
    }
    for (const std::string& child : store.subkeys(path)) {
        ourFacts(store, path + "\\" + child, relative.empty() ? child : relative + "\\" + child, facts);
    }
}

Facts ourFacts(SettingsStore& store) {
    Facts facts;
    if (store.keyExists(testRoot)) {
        ourFacts(store, testRoot, "", facts);
    }
    return facts;
}

// One part of a file: its case name (the key below the test key it writes) and its lines.
struct Case {
    std::string name;       // e.g. "Case0001"; every key of the case lies below it
    std::string what;       // what the case shows
    std::size_t firstLine;  // line numbers of the file, counted from 1
    std::size_t lastLine;
};

struct RegFile {
    std::string bytes;
    std::vector<Case> cases;
};

// Builds a file line by line, in single bytes (Windows-1252) or UTF-16LE with its mark.
class FileBuilder {
public:
    FileBuilder(bool wide, std::string_view header) : wide_(wide) {
        if (wide_) {
            file_.bytes = "\xFF\xFE";
        }
        line(header);
        line("");
    }

    // A line in UTF-8 with its end (CR LF unless told).
    void line(std::string_view utf8, std::string_view end = "\r\n") {
        const std::string text = std::string(utf8) + std::string(end);
        if (wide_) {
            file_.bytes += utf16(text);
        } else {
            const std::optional<std::string> single = utf8ToWindows1252(text);
            file_.bytes += single ? *single : text;
        }
        ++lines_;
    }

    void begin(std::string name, std::string what) {
        file_.cases.push_back({std::move(name), std::move(what), lines_ + 1, 0});
    }
    void end() { file_.cases.back().lastLine = lines_; }

    RegFile take() { return std::move(file_); }

private:
    bool wide_;
    std::size_t lines_ = 0;
    RegFile file_;
};

// Warnings about lines that read as the editor reads them: they excuse no difference.
bool sameFacts(const RegistryFileIssue& warning) {
    return warning.reason.starts_with("unknown escape") || warning.reason.starts_with("text after the key's");
}

struct Tally {
    std::size_t cases = 0;
    std::size_t agreed = 0;
    std::map<std::string, std::size_t> forgiven;  // by the first word of the warning
    std::vector<std::string> differences;
};

class WineRegistry : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        if (auto found = test::findWineFor(PW_REG_FACTS_EXE, PW_SOURCE_DIR, PW_WINE_PREFIX_DIR, why)) {
            wine_ = *found;
            testRoot =
                "Software\\Orvalis\\PadWarden\\Diff" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()).substr(0, 4);
            return;
        }
        if (test::inCi()) {
            FAIL() << why;
        }
        GTEST_SKIP() << why;
    }

    // Imports each file with regedit, one Wine start for all; the facts after each file.
    std::vector<Facts> wineFacts(const std::vector<std::string>& files) {
        std::ostringstream script;
        script << "R " << testRoot << "\n";
        for (std::size_t i = 0; i < files.size(); ++i) {
            const fs::path file =
                dir_.write("wine" + std::to_string(runs_) + "-" + std::to_string(i) + ".reg", files[i]);
            script << "I " << test::windowsPath(file) << "\n";
        }
        const fs::path scriptFile = dir_.write("script" + std::to_string(runs_) + ".txt", script.str());
        const fs::path outputFile = dir_.path() / ("facts" + std::to_string(runs_++) + ".txt");
        std::string output;
        const int status = test::runWine(
            wine_, {PW_REG_FACTS_EXE, test::windowsPath(scriptFile), test::windowsPath(outputFile)}, output);
        EXPECT_EQ(status, 0) << output;
        std::vector<Facts> all;
        std::ifstream in(outputFile, std::ios::binary);
        std::string line;
        std::string key;
        while (std::getline(in, line)) {
            if (line == "F") {
                all.emplace_back();
            } else if (line.starts_with("K ")) {
                key = fromUtf16(unhex(line.substr(2)));
                if (!key.empty()) {
                    all.back().insert("K " + key);
                }
            } else if (line.starts_with("V ")) {
                std::istringstream fields(line.substr(2));
                std::string name, type, data;
                fields >> name >> type >> data;
                all.back().insert("V " + key + " " + hex(fromUtf16(unhex(name))) + " " + type + " " + data);
            }
        }
        EXPECT_EQ(all.size(), files.size()) << "RegFacts.exe stopped early:\n" << output;
        all.resize(files.size());
        return all;
    }

    // Compares every case of every file, imported into `store` here and by regedit there.
    Tally compare(const std::vector<RegFile>& files, SettingsStore& store) {
        std::vector<std::string> bytes;
        for (const RegFile& f : files) {
            bytes.push_back(f.bytes);
        }
        const std::vector<Facts> wine = wineFacts(bytes);
        std::set<std::string> allCases;
        for (const RegFile& f : files) {
            for (const Case& c : f.cases) {
                std::string name = c.name;
                std::transform(name.begin(), name.end(), name.begin(),
                               [](unsigned char ch) { return std::tolower(ch); });
                allCases.insert(name);
            }
        }
        // The store keeps every file's facts, for the round trip; each case has a key of its own.
        Tally tally;
        for (std::size_t i = 0; i < files.size(); ++i) {
            const RegistryImportReport report = importRegistryFile(store, files[i].bytes);
            const Facts ours = ourFacts(store);
            std::map<std::string, std::pair<Facts, Facts>> byCase;  // ours, Wine's
            for (const std::string& fact : ours) {
                byCase[caseOf(fact)].first.insert(fact);
            }
            for (const std::string& fact : wine[i]) {
                byCase[caseOf(fact)].second.insert(fact);
            }
            for (const Case& c : files[i].cases) {
                std::string name = c.name;
                std::transform(name.begin(), name.end(), name.begin(),
                               [](unsigned char ch) { return std::tolower(ch); });
                const auto [mine, theirs] = byCase[name];
                byCase.erase(name);
                ++tally.cases;
                if (mine == theirs) {
                    ++tally.agreed;
                    continue;
                }
                const auto warning = std::find_if(
                    report.warnings.begin(), report.warnings.end(),
                    [&](auto& w) { return w.line >= c.firstLine && w.line <= c.lastLine && !sameFacts(w); });
                if (warning != report.warnings.end()) {
                    ++tally.forgiven[warning->reason.substr(0, 48)];
                    continue;
                }
                tally.differences.push_back(describe(c, files[i].bytes, mine, theirs, report));
            }
            for (const auto& [name, facts] : byCase) {
                if (facts.first != facts.second && (!allCases.contains(name) || !facts.second.empty())) {
                    tally.differences.push_back(describe({name, "facts outside the file's cases", 1, 0},
                                                         files[i].bytes, facts.first, facts.second, report));
                }
            }
        }
        return tally;
    }

    static std::string describe(const Case& c, std::string_view bytes, const Facts& ours, const Facts& wine,
                                const RegistryImportReport& report) {
        std::string out = c.name + " (" + c.what + "), lines " + std::to_string(c.firstLine) + "-" +
                          std::to_string(c.lastLine) + " of " + shown(bytes.substr(0, 600)) +
                          "\n  only ours:";
        for (const std::string& f : ours) {
            out += wine.contains(f) ? "" : "\n    " + shown(f);
        }
        out += "\n  only Wine's:";
        for (const std::string& f : wine) {
            out += ours.contains(f) ? "" : "\n    " + shown(f);
        }
        for (const RegistryFileIssue& issue : report.skipped) {
            if (issue.line >= c.firstLine && issue.line <= c.lastLine) {
                out += "\n  skipped " + std::to_string(issue.line) + ": " + issue.reason;
            }
        }
        return out;
    }

    // Our export of everything the store holds, imported by regedit, gives the facts we hold.
    void roundTrip(SettingsStore& store, const std::string& what) {
        const Facts ours = ourFacts(store);
        const RegistryExport out = exportRegistry(store);
        EXPECT_TRUE(out.leftOut.empty()) << out.leftOut.front();
        const std::vector<Facts> wine = wineFacts({out.bytes});
        std::size_t same = 0;
        std::string differences;
        for (const std::string& f : ours) {
            if (wine[0].contains(f)) {
                ++same;
            } else if (differences.size() < 4000) {
                differences += "\n  only ours: " + shown(f);
            }
        }
        for (const std::string& f : wine[0]) {
            if (!ours.contains(f) && differences.size() < 4000) {
                differences += "\n  only Wine's: " + shown(f);
            }
        }
        std::cout << what << " round trip: " << same << " of " << ours.size()
                  << " facts of our export come back from regedit"
                  << (wine[0].size() > same ? ", and " + std::to_string(wine[0].size() - same) + " others"
                                            : "")
                  << "\n";
        EXPECT_TRUE(differences.empty()) << differences;
    }

    static void print(const std::string& what, const Tally& tally) {
        std::size_t forgiven = 0;
        std::string reasons;
        for (const auto& [reason, count] : tally.forgiven) {
            forgiven += count;
            reasons += "\n    " + std::to_string(count) + "x " + reason + "...";
        }
        std::cout << what << ": " << tally.agreed << " of " << tally.cases << " agree with regedit, "
                  << forgiven << " differ with a warning" << reasons << "\n";
        for (std::size_t i = 0; i < tally.differences.size() && i < 20; ++i) {
            ADD_FAILURE() << tally.differences[i];
        }
        EXPECT_TRUE(tally.differences.empty())
            << tally.differences.size() << " cases differ without a warning";
    }

    std::unique_ptr<SqliteSettingsStore> newStore(const std::string& name) {
        return SqliteSettingsStore::open(dir_.file(name));
    }

    TempDir dir_;
    test::Wine wine_;
    int runs_ = 0;
};

// ---- hand cases ---------------------------------------------------------------------------------

struct HandCase {
    std::string what;
    std::string body;    // lines after the case's key line, LF for CR LF; "$K" is the case key
    bool agrees = true;  // false: we read more than regedit and warn
};

std::string expand(std::string text, const std::string& key) {
    for (std::size_t at = text.find("$K"); at != std::string::npos; at = text.find("$K", at + key.size())) {
        text.replace(at, 2, key);
    }
    return text;
}

void addLines(FileBuilder& file, const std::string& text) {
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        file.line(text.substr(start, end - start));
        start = end == std::string::npos ? text.size() : end + 1;
    }
}

// Cases that share one file, each below its own key; none can reach into the next.
const std::vector<HandCase> kSharedCases = {
    {"unknown escapes drop the backslash", "\"a\"=\"C:\\Games\\x\"\n\"b\"=\"\\t\\q\"\n"},
    {"\\n and \\r in strings and names", "\"a\"=\"l1\\nl2\\r\"\n\"n\\nm\"=\"1\"\n"},
    {"escaped quotes and backslashes", "\"a\\\"b\"=\"q\\\"\\\\\"\n\"c\"=\"\\\\\\\\srv\\\\x\"\n"},
    {"a comment after a value",
     "\"a\"=\"v\" ; c\n\"b\"=dword:00000001 ;c\n\"c\"=hex:01,02 ; c\n\"d\"=\"v\";c\n\"e\"=dword:1;c\n"
     "\"f\"=- ;c\n\"g\"=dword:;c\n"},
    {"text after data loses the value", "\"a\"=\"v\" x\n\"b\"=dword:1 x\n\"c\"=hex:01 x\n\"d\"=-x\n"},
    {"HEX: and DWORD: in other case",
     "\"a\"=HEX:01\n\"b\"=DWORD:00000002\n\"c\"=Hex(2):41,00\n\"d\"=hex(A):01\n", false},
    {"hex(N) numbers",
     "\"a\"=hex(0):01\n\"b\"=hex(b):01\n\"c\"=hex():02\n\"d\"=hex(100000000):01\n"
     "\"e\"=hex(0x1):01\n\"f\"=hex( 1):41,00\n"},
    {"hex items as the C library reads them",
     "\"a\"=hex:1\n\"b\"=hex:001\n\"c\"=hex: 01,02\n\"d\"=hex:01 , 02\n\"e\"=hex:01,\n\"f\"=hex:,\n"
     "\"g\"=hex:01,,02\n\"h\"=hex:AB,cd\n\"i\"=hex:100\n\"j\"=hex:0x1f\n\"k\"=hex:+1,-0\n"},
    {"a hex continuation over a blank line and a comment",
     "\"a\"=hex:01,\\\n\n  02,\\\n; c\n  03\n\"b\"=\"after\"\n"},
    {"a hex continuation with text after the backslash",
     "\"a\"=hex:01,\\ x\n  02\n\"b\"=hex:01,\\ ;c\n  02\n"},
    {"a hex continuation needs a comma before it", "\"a\"=hex:01\\\n  02\n\"b\"=\"after\"\n"},
    {"dwords",
     "\"a\"=dword:\n\"b\"=dword:123456789\n\"c\"=dword: 1\n\"d\"=dword:0x1\n\"e\"=dword:ffffffff\n"
     "\"f\"=dword:1,\n\"g\"=dword:-1\n"},
    {"blanks around the name and '='", "  \"a\" = \"v\"\n\t\"b\"\t=\t\"w\"\t\n@ = \"d\"\n"},
    {"deletions",
     "\"a\"=\"1\"\n\"b\"=\"2\"\n\"a\"=-\n\"b\"= - \n[-$K\\X]\n[$K\\Y]\n\"y\"=\"1\"\n[-$K\\Y]\n"
     "\"z\"=\"lost\"\n"},
    {"text after ']'",
     "\"a\"=\"1\"\n[$K\\S] junk\n\"b\"=\"2\"\n[$K\\T]]\n\"c\"=\"3\"\n[$K\\U];x\n\"d\"=\"4\"\n"},
    {"key paths with doubled and trailing backslashes and blanks",
     "[$K\\A\\\\B]\n\"b\"=\"1\"\n[$K\\C\\]\n\"c\"=\"1\"\n[$K\\ E ]\n\"e\"=\"1\"\n  [$K\\G]\n\"g\"=\"1\"\n"},
    {"key names of 256 and 257 characters",
     "[$K\\" + std::string(256, 'k') + "]\n\"a\"=\"1\"\n[$K\\" + std::string(257, 'm') + "]\n\"b\"=\"2\"\n"},
    {"value names of 16383 and 16384 characters",
     "\"" + std::string(16383, 'v') + "\"=\"1\"\n\"" + std::string(16384, 'w') + "\"=\"2\"\n"},
    {"the hive in small letters",
     "[hkey_local_machine\\Software\\Orvalis\\PadWarden\\Diff\\$N\\L]\n\"a\"=\"1\"\n"},
    {"[HKLM\\...]", "[HKLM\\Software\\Orvalis\\PadWarden\\Diff\\$N\\H]\n\"a\"=\"1\"\n", false},
    {"a blank after '['", "[ $K\\B]\n\"a\"=\"1\"\n", false},
    {"a key line without ']'", "\"x\"=\"0\"\n[$K\\B\n\"a\"=\"1\"\n", false},
    {"names that differ in case", "\"Name\"=\"1\"\n\"NAME\"=\"2\"\n[$K\\Sub]\n[$K\\SUB]\n\"v\"=\"3\"\n"},
    {"empty and unusual data",
     "\"a\"=\"\"\n\"b\"=hex:\n\"c\"=hex(2):\n\"d\"=hex(0):\n@=\"default\"\n\"\"=\"also\"\n"},
    {"lines that mean nothing", "some text\n=\"x\"\n\"a\"\n\"b\"=\n\"c\"=str:\"x\"\n\"d\"=\"ok\"\n"},
    {"a broken hex continuation before a value line", "\"a\"=hex:01,\\\n\"b\"=\"after\"\n", false},
    {"a broken hex continuation before a key line", "\"a\"=hex:01,\\\n[$K\\S]\n\"b\"=\"after\"\n", false},
};

RegFile sharedFile(const std::vector<HandCase>& cases, bool wide, std::string_view header, int first,
                   std::vector<bool>& agrees) {
    FileBuilder file(wide, header);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const std::string name = "Case" + std::to_string(first + static_cast<int>(i));
        file.begin(name, cases[i].what);
        const std::string key = testKey() + "\\" + name;
        file.line("[" + key + "]");
        std::string body = cases[i].body;
        for (std::size_t at = body.find("$N"); at != std::string::npos; at = body.find("$N")) {
            body.replace(at, 2, name);
        }
        for (std::size_t at = body.find("PadWarden\\Diff\\"); at != std::string::npos;
             at = body.find("PadWarden\\Diff\\", at + testRoot.size())) {
            body.replace(at, 15, testRoot.substr(testRoot.find("PadWarden")) + "\\");
        }
        addLines(file, expand(body, key));
        // A line no continuation can take, so that a broken one never reaches the next case.
        file.line("zz end of " + name);
        file.line("");
        file.end();
        agrees.push_back(cases[i].agrees);
    }
    return file.take();
}

// Cases that need a file of their own: the header, the encoding, the line ends.
struct OwnCase {
    std::string what;
    std::string bytes;  // "$K" is the case's key
    bool agrees = true;
};

std::string wideFile(const std::string& utf8) {
    return "\xFF\xFE" + utf16(utf8);
}

std::vector<OwnCase> ownCases() {
    const std::string body = "\r\n[$K]\r\n\"a\"=\"1\"\r\n";
    return {
        {"blanks after the header", "REGEDIT4  " + body, false},
        {"a tab after the header", "Windows Registry Editor Version 5.00\t" + body, false},
        {"blanks before the header", "  REGEDIT4" + body},
        {"a blank line before the header", "\r\nREGEDIT4" + body, false},
        {"REGEDIT 4 is no header", "REGEDIT 4" + body},
        {"a UTF-8 file without a mark", "REGEDIT4\r\n\r\n[$K\\Ä]\r\n\"ä\"=\"ö€\"\r\n"},
        {"a UTF-8 file with a mark", "\xEF\xBB\xBFREGEDIT4\r\n\r\n[$K\\Ä]\r\n\"ä\"=\"ö€\"\r\n", false},
        {"a Windows-1252 file",
         "REGEDIT4\r\n\r\n[$K\\\xC4]\r\n\"\xE4\"=\"\xF6\x80\x81\"\r\n"
         "\"b\"=hex(2):41,c4,80,00\r\n\"c\"=hex(7):41,00,42\r\n\"d\"=hex(1):41,e4\r\n"},
        {"version 5 in single bytes widens hex(2)",
         "Windows Registry Editor Version "
         "5.00\r\n\r\n[$K]\r\n\"b\"=hex(2):41,00,00,00\r\n\"c\"=hex(1):41,00\r\n"},
        {"hex(2) under REGEDIT4 in a UTF-16 file",
         wideFile("REGEDIT4\r\n\r\n[$K]\r\n\"a\"=hex(2):41,00,c4,00,00,00\r\n\"b\"=hex(7):41,00,00,00\r\n"
                  "\"c\"=hex(1):41,00\r\n\"d\"=\"Ä中\"\r\n\"e\"=hex(2):41,00\r\n")},
        {"a UTF-16 file", wideFile("Windows Registry Editor Version 5.00\r\n\r\n[$K\\Ä中]\r\n\"ä\"=\"€𝄞\"\r\n"
                                   "\"b\"=hex(1):41,00,00,00,00,00\r\n\"c\"=hex(7):61,00,00,00,62,00\r\n")},
        {"a UTF-16 big-endian file", "\xFE\xFF" + utf8ToUtf16("REGEDIT4" + body, true), false},
        {"UTF-16 without a mark", utf16("REGEDIT4" + body)},
        {"LF line ends", "REGEDIT4\n\n[$K]\n\"a\"=\"1\"\n"},
        {"lone CR line ends", "REGEDIT4\r[$K]\r\"a\"=\"1\"\r\"b\"=hex:01,\\\r  02\r"},
        {"\\0 in a string or a name",
         "REGEDIT4\r\n\r\n[$K]\r\n\"a\"=\"x\\0y\"\r\n\"b\\0\"=\"1\"\r\n\"c\"=\"ok\"\r\n", false},
        {"a NUL byte", "REGEDIT4\r\n\r\n[$K]\r\n\"a\"=\"x\0y\"\r\n\"b\"=\"2\"\r\n"s, false},
    };
}

TEST_F(WineRegistry, HandWrittenFilesReadAsRegeditReadsThem) {
    std::vector<RegFile> files;
    std::vector<bool> agrees;
    files.push_back(sharedFile(kSharedCases, false, "REGEDIT4", 1, agrees));
    files.push_back(sharedFile(kSharedCases, true, "Windows Registry Editor Version 5.00", 101, agrees));
    int number = 201;
    for (const OwnCase& c : ownCases()) {
        const std::string name = "Case" + std::to_string(number++);
        std::string bytes = c.bytes;
        const std::string key = testKey() + "\\" + name;
        if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF") || bytes[1] == '\0') {
            // The key in the file's own UTF-16.
            const bool big = bytes.starts_with("\xFE\xFF");
            const std::string from = utf8ToUtf16("$K", big);
            const std::string to = utf8ToUtf16(key, big);
            for (std::size_t at = bytes.find(from); at != std::string::npos;
                 at = bytes.find(from, at + to.size())) {
                bytes.replace(at, from.size(), to);
            }
        } else {
            bytes = expand(bytes, key);
        }
        files.push_back({bytes, {{name, c.what, 1, 1000}}});
        agrees.push_back(c.agrees);
    }
    auto store = newStore("hand.sqlite");
    std::vector<std::string> bytes;
    for (const RegFile& f : files) {
        bytes.push_back(f.bytes);
    }
    const std::vector<Facts> wine = wineFacts(bytes);

    // Every case must agree exactly, or differ with a warning where we say it does; the facts of
    // all cases stay in one store for the round trip.
    Tally tally;
    std::size_t at = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const RegistryImportReport report = importRegistryFile(*store, files[i].bytes);
        Facts ours;
        if (store->keyExists(testRoot)) {
            ourFacts(*store, testRoot, "", ours);
        }
        for (const Case& c : files[i].cases) {
            const bool expectAgree = agrees[at++];
            std::string lower = c.name;
            std::transform(lower.begin(), lower.end(), lower.begin(),
                           [](unsigned char ch) { return std::tolower(ch); });
            Facts mine, theirs;
            for (const std::string& f : ours) {
                if (caseOf(f) == lower)
                    mine.insert(f);
            }
            for (const std::string& f : wine[i]) {
                if (caseOf(f) == lower)
                    theirs.insert(f);
            }
            ++tally.cases;
            const bool warned = std::any_of(report.warnings.begin(), report.warnings.end(), [&](auto& w) {
                return w.line >= c.firstLine && w.line <= c.lastLine && !sameFacts(w);
            });
            if (mine == theirs) {
                ++tally.agreed;
                EXPECT_TRUE(expectAgree)
                    << c.name << " (" << c.what << ") agrees with regedit, but is listed as "
                    << "differing";
            } else if (warned && !expectAgree) {
                ++tally.forgiven[c.what];
            } else if (!report.registryFile && !expectAgree) {
                // Refused whole, with its reason: a NUL byte makes a binary file here, where the
                // editor reads up to it.
                ++tally.forgiven["refused: " + report.notRegistryFile];
            } else {
                tally.differences.push_back(describe(c, files[i].bytes, mine, theirs, report) +
                                            (warned ? "\n  (warned, but listed as agreeing)" : ""));
            }
        }
    }
    print("registry hand cases", tally);
    roundTrip(*store, "registry hand cases");
}

// ---- random cases -------------------------------------------------------------------------------

class RandomCases {
public:
    explicit RandomCases(std::uint32_t seed) : random_(seed) {}

    RegFile file(bool wide, int first, int count) {
        FileBuilder out(wide, pick(2) == 0 ? "REGEDIT4" : "Windows Registry Editor Version 5.00");
        wide_ = wide;
        for (int i = 0; i < count; ++i) {
            const std::string name = "Case" + std::to_string(first + i);
            out.begin(name, "random");
            key_ = testKey() + "\\" + name;
            out.line("[" + key_ + "]");
            const int lines = 1 + pick(9);
            for (int k = 0; k < lines; ++k) {
                for (const std::string& line : randomLines()) {
                    const int end = pick(40);
                    out.line(line, end == 0 ? "\n" : end == 1 ? "\r" : "\r\n");
                }
            }
            out.line("zz end of " + name);
            out.line("");
            out.end();
        }
        return out.take();
    }

private:
    int pick(int n) { return static_cast<int>(random_() % static_cast<std::uint32_t>(n)); }

    template <typename T>
    const T& any(const std::vector<T>& pool) {
        return pool[static_cast<std::size_t>(pick(static_cast<int>(pool.size())))];
    }

    std::string text() {
        static const std::vector<std::string> pieces = {
            "a",    "B", "x y", "C:\\\\Games", "C:\\Games", "\\\"", "\\n", "\\r",  "\\t",
            "\\\\", "ä", "Ä",   "€",           "ß",         ";",    "=",   "[",    "]",
            "@",    ",", " ",   "\t",          "ö\\x",      "\\G",  "-",   "hex:", "'"};
        static const std::vector<std::string> wide = {"中", "𝄞", "Ω"};
        std::string out;
        const int n = pick(5);
        for (int i = 0; i < n; ++i) {
            out += wide_ && pick(8) == 0 ? any(wide) : any(pieces);
        }
        return out;
    }

    std::string valueName() {
        switch (pick(12)) {
            case 0:
                return "@";
            case 1:
                return "\"\"";
            case 2:
                return "\"" + text() + "\"";
            case 3:
                return "\"Name\"";
            case 4:
                return "\"NAME\"";
            case 5:
                return pick(20) == 0 ? "\"" + std::string(16383 + pick(2), 'n') + "\"" : "\"v\"";
            case 6:
                return " \"w\" ";
            default:
                return "\"v" + std::to_string(pick(6)) + "\"";
        }
    }

    std::string hexItems(int count, bool textBytes) {
        static const std::vector<std::string> odd = {"1",  "001", " 0a", "0x1f", "+2",
                                                     "FF", "100", "",    "zz",   "-0"};
        std::string out;
        for (int i = 0; i < count; ++i) {
            if (i > 0) {
                out += pick(30) == 0 ? " , " : ",";
            }
            if (pick(25) == 0 && !textBytes) {
                out += any(odd);
            } else {
                static constexpr char kDigits[] = "0123456789abcdef";
                const int b = textBytes && i % 2 == 1 ? 0 : pick(256);
                out += kDigits[b >> 4];
                out += kDigits[b & 15];
            }
        }
        return out;
    }

    // hex data, sometimes over several lines, with blank and comment lines between.
    std::vector<std::string> hexValue(const std::string& head, bool textBytes) {
        std::vector<std::string> lines{head};
        int parts = pick(4) == 0 ? 2 + pick(3) : 1;
        for (int p = 0; p < parts; ++p) {
            int count = 1 + pick(12);
            if (textBytes && wide_) {
                count = 2 * (1 + pick(6));  // odd UTF-16 text data is read unreliably by regedit
            }
            lines.back() += hexItems(count, textBytes);
            if (p + 1 < parts) {
                lines.back() += pick(10) == 0 ? ",\\ ;c" : ",\\";
                if (pick(4) == 0) {
                    lines.push_back(pick(2) == 0 ? "" : "; between");
                }
                lines.push_back("  ");
            }
        }
        if (pick(10) == 0) {
            lines.back() += pick(2) == 0 ? " ;c" : ",";
        }
        return lines;
    }

    std::vector<std::string> data(const std::string& name) {
        const std::string lead = name + (pick(10) == 0 ? " = " : "=");
        switch (pick(14)) {
            case 0:
            case 1:
            case 2:
                return {lead + "\"" + text() + "\"" + (pick(6) == 0 ? " ;c" : pick(20) == 0 ? "x" : "")};
            case 3: {
                static const std::vector<std::string> dwords = {
                    "00000001", "ffffffff", "1", "123456789", " 2", "0x1", "", "0000000A", "1 ;c", ";c"};
                return {lead + (pick(10) == 0 ? "DWORD:" : "dword:") + any(dwords)};
            }
            case 4:
            case 5:
                return hexValue(lead + (pick(12) == 0 ? "HEX:" : "hex:"), false);
            case 6: {
                static const std::vector<std::string> types = {"0", "3", "4", "b", "A", "0B", "100000000"};
                return hexValue(lead + "hex(" + any(types) + "):", false);
            }
            case 7:
            case 8: {
                static const std::vector<std::string> types = {"1", "2", "7"};
                return hexValue(lead + "hex(" + any(types) + "):", true);
            }
            case 9:
                return {lead + (pick(3) == 0 ? "- ;c" : "-")};
            default:
                return {lead + "\"" + text() + "\""};
        }
    }

    std::vector<std::string> randomLines() {
        switch (pick(20)) {
            case 0:
                return {"; a comment"};
            case 1:
                return {""};
            case 2:
                return {
                    "[" + key_ + "\\" +
                    any(std::vector<std::string>{"Sub", "SUB", "sub\\\\deeper", "Ä", "x]y", " a ", "Sub\\"}) +
                    "]" + (pick(5) == 0 ? " text" : "")};
            case 3:
                return {"[-" + key_ + "\\Sub]"};
            case 4:
                return {pick(2) == 0 ? "[" + key_ + "\\" + std::string(255 + pick(3), 'k') + "]"
                                     : "junk line"};
            default:
                return data(valueName());
        }
    }

    std::mt19937 random_;
    bool wide_ = false;
    std::string key_;
};

TEST_F(WineRegistry, RandomFilesReadAsRegeditReadsThem) {
    const char* seedText = std::getenv("PW_REGISTRY_SEED");
    const std::uint32_t seed = seedText != nullptr ? static_cast<std::uint32_t>(std::stoul(seedText)) : 16;
    RandomCases random(seed);
    std::vector<RegFile> files;
    constexpr int kFiles = 20;
    constexpr int kPerFile = 100;
    for (int i = 0; i < kFiles; ++i) {
        files.push_back(random.file(i % 2 == 1, 1 + i * kPerFile, kPerFile));
    }
    auto store = newStore("random.sqlite");
    const Tally tally = compare(files, *store);
    print("registry random cases (seed " + std::to_string(seed) + ")", tally);
    EXPECT_GE(tally.cases, 2000u);
    roundTrip(*store, "registry random cases");
}

}  // namespace
}  // namespace pw
