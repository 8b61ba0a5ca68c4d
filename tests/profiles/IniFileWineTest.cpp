// The INI rules against the Windows private-profile functions as Wine implements them: the same
// files and the same calls (GetPrivateProfileStringA, GetPrivateProfileSectionNamesA,
// GetPrivateProfileSectionA, WritePrivateProfileStringA with deletes through NULL) go through
// ProfileOps.exe under Wine and through IniFile, and every result and the final file must agree,
// but for the differences listed below, which are counted and printed.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iostream>
#include <map>
#include <random>
#include <sstream>

#include "profiles/IniFile.h"
#include "support/TempDir.h"
#include "support/WineRunner.h"
#include "texts/TextEncoding.h"

namespace pw {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using namespace std::string_literals;

// Where IniFile differs from Windows on purpose; each case that meets one is counted, not failed.
//  - refused: a write whose name could not be read back as written ("=" in a key name, an empty
//    key name, a key line that reads as a header, a line break): Windows writes a line that loses
//    the command; IniFile refuses with a message and leaves the file alone.
//  - case: names compare without case for the letters beyond ASCII (Ä and ä are one name), as
//    they do on Windows; Wine folds only A to Z.
//  - a UTF-8 file whose last non-ASCII line a call removed is an ASCII file, which later writes
//    fill in Windows-1252, as into any ASCII file; the calls of a case were put in UTF-8 for Wine
//    when the case was made, so Wine writes UTF-8 there.
//  - a header "[]" is kept: Windows leaves it out when it rewrites the file, which moves the keys
//    below it into the section above.

struct Op {
    char type = 'S';  // S read, N sections, L section lines, W write
    std::optional<std::string> a, b, c;
};

struct Case {
    std::string name;
    std::string bytes;
    std::vector<Op> ops;
    bool nonAsciiCase = false;  // the case uses two names that differ only in the case of Ä ... Þ
};

// How strings travel between the file and the A functions: a file that is UTF-8 without a mark is
// an ANSI file for Windows, whose bytes come back as they are; the others hand out Windows-1252.
bool rawUtf8(std::string_view bytes) {
    const bool nonAscii =
        std::any_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    return nonAscii && !bytes.starts_with("\xEF\xBB\xBF") && !bytes.starts_with("\xFF\xFE") &&
           !bytes.starts_with("\xFE\xFF") && isValidUtf8(bytes);
}

using test::unhex;

std::string hex(std::string_view s) {
    return test::hexOf(s);
}

std::string shown(std::string_view s) {
    return test::shown(s, 160, true);
}

std::string argument(const std::optional<std::string>& s) {
    return s ? ":" + hex(*s) : "-";
}

std::string describe(const Op& op) {
    const auto arg = [](const std::optional<std::string>& s) { return s ? "\"" + shown(*s) + "\"" : "NULL"; };
    switch (op.type) {
        case 'S':
            return "GetPrivateProfileString(" + arg(op.a) + ", " + arg(op.b) + ", " + arg(op.c) + ")";
        case 'N':
            return "GetPrivateProfileSectionNames()";
        case 'L':
            return "GetPrivateProfileSection(" + arg(op.a) + ")";
        default:
            return "WritePrivateProfileString(" + arg(op.a) + ", " + arg(op.b) + ", " + arg(op.c) + ")";
    }
}

std::string joined(const std::vector<std::string>& items) {
    std::string out = "[";
    for (const std::string& item : items) {
        out += (out.size() > 1 ? "|" : "") + shown(item);
    }
    return out + "]";
}

// A list as the Windows buffer holds it: names each ended by a NUL, up to an empty one.
std::vector<std::string> namesIn(std::string_view buffer) {
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start < buffer.size()) {
        const std::size_t stop = buffer.find('\0', start);
        const std::string_view name = buffer.substr(start, stop - start);
        if (name.empty()) {
            break;
        }
        names.emplace_back(name);
        if (stop == std::string_view::npos) {
            break;
        }
        start = stop + 1;
    }
    return names;
}

// Wine's result of one call, in the same words as ours.
std::string wineResult(const Op& op, std::size_t count, const std::string& buffer, bool& cut) {
    switch (op.type) {
        case 'S':
            if (op.b) {
                return "value " + shown(buffer);
            }
            if (count > 0 && buffer.back() != '\0') {
                return "default " + shown(buffer);
            }
            [[fallthrough]];
        case 'N': {
            std::vector<std::string> names = namesIn(buffer);
            if (count == 8190 && !names.empty()) {
                names.pop_back();  // Windows cut the last name; IniFile leaves it out
                cut = true;
            }
            if (op.type == 'S' && names.empty()) {
                return "default " + shown(op.c.value_or(""));
            }
            return "names " + joined(names);
        }
        case 'L':
            return "lines " + joined(namesIn(buffer));
        default:
            return count != 0 ? "written" : "not written";
    }
}

// The file as Wine writes it back: lines without blanks, blank lines left out, "[name]" and
// "name=value" without blanks inside, names and values ending at a NUL, no header for a section
// named "". Comparing this form of both files leaves out only what Wine's rewrite drops anyway.
std::string rewritten(const std::string& bytes, bool* emptyHeader = nullptr) {
    std::string mark;
    std::string text;
    bool lossless = true;
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
        mark = bytes.substr(0, 2);
        text = utf16ToUtf8(std::string_view(bytes).substr(2), bytes[0] == '\xFE', lossless);
    } else if (bytes.starts_with("\xEF\xBB\xBF")) {
        mark = bytes.substr(0, 3);
        text = bytes.substr(3);
    } else {
        text = bytes;
    }
    const auto blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r') || c == '\x1A'; };
    const auto trimmed = [&](std::string_view s) {
        while (!s.empty() && blank(s.front())) {
            s.remove_prefix(1);
        }
        while (!s.empty() && blank(s.back())) {
            s.remove_suffix(1);
        }
        return s;
    };
    const auto nul = [](std::string_view s) { return s.substr(0, s.find('\0')); };
    std::string out = hex(mark) + "\n";
    bool previousEmpty = false;  // Wine keeps no "=x" right after an empty name
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t stop = text.find_first_of("\r\n", start);
        if (stop == std::string::npos) {
            stop = text.size();
        }
        const std::string_view line = trimmed(std::string_view(text).substr(start, stop - start));
        start = stop + (text.compare(stop, 2, "\r\n") == 0 ? 2 : 1);
        if (line.empty()) {
            continue;
        }
        if (line.front() == '[' && line.rfind(']') != std::string_view::npos && line.rfind(']') > 0) {
            const std::string_view name = nul(trimmed(line.substr(1, line.rfind(']') - 1)));
            if (!name.empty()) {
                out += "[" + std::string(name) + "]\n";
            } else if (emptyHeader != nullptr) {
                *emptyHeader = true;
            }
            previousEmpty = false;
            continue;
        }
        const std::size_t equals = line.find('=');
        const bool empty = nul(trimmed(line.substr(0, equals))).empty();
        if (equals == 0 && previousEmpty) {
            continue;
        }
        previousEmpty = empty;
        if (equals == std::string_view::npos) {
            out += nul(line).empty() ? "" : std::string(nul(line)) + "\n";
        } else {
            out += std::string(nul(trimmed(line.substr(0, equals)))) + "=" +
                   std::string(nul(trimmed(line.substr(equals + 1)))) + "\n";
        }
    }
    return out;
}

std::string readBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Tally {
    int cases = 0;
    int agreed = 0;
    std::map<std::string, int> excepted;
    std::vector<std::string> differences;
};

// Our side of one call, in the words of wineResult. Throws ProfileWriteError for a refused write.
std::string ourResult(const fs::path& file, const Op& op, bool raw) {
    const auto in = [&](const std::optional<std::string>& s) -> std::optional<std::string> {
        if (!s) {
            return std::nullopt;
        }
        return raw ? *s : windows1252ToUtf8(*s);
    };
    const auto out = [&](const std::string& s) {
        if (raw) {
            return s;
        }
        return utf8ToWindows1252(s).value_or("<outside Windows-1252: " + s + ">");
    };
    const auto outAll = [&](std::vector<std::string> items) {
        for (std::string& item : items) {
            item = out(item);
        }
        return items;
    };
    switch (op.type) {
        case 'S':
            if (op.b) {
                return "value " + shown(out(iniReadString(file, *in(op.a), *in(op.b), *in(op.c))));
            } else {
                const std::vector<std::string> keys = iniReadKeys(file, *in(op.a));
                if (keys.empty()) {
                    return "default " + shown(op.c.value_or(""));
                }
                return "names " + joined(outAll(keys));
            }
        case 'N':
            return "names " + joined(outAll(iniReadSections(file)));
        case 'L':
            return "lines " + joined(outAll(iniReadSectionLines(file, *in(op.a))));
        default:
            if (!op.b) {
                iniEraseSection(file, *in(op.a));
            } else if (!op.c) {
                iniDeleteKey(file, *in(op.a), *in(op.b));
            } else {
                iniWriteString(file, *in(op.a), *in(op.b), *in(op.c));
            }
            return "written";
    }
}

class WineProfiles : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        if (auto found = test::findWineFor(PW_PROFILE_OPS_EXE, PW_SOURCE_DIR, PW_WINE_PREFIX_DIR, why)) {
            wine_ = *found;
            return;
        }
        if (test::inCi()) {
            FAIL() << why;
        }
        GTEST_SKIP() << why;
    }

    // Runs all cases: one Wine start for the lot.
    Tally run(const std::vector<Case>& cases) {
        const fs::path wineDir = dir_.path() / "wine";
        const fs::path ourDir = dir_.path() / "ours";
        fs::create_directories(wineDir);
        fs::create_directories(ourDir);
        std::ostringstream script;
        for (std::size_t i = 0; i < cases.size(); ++i) {
            const std::string name = "case" + std::to_string(i) + ".ini";
            dir_.write("wine/" + name, cases[i].bytes);
            dir_.write("ours/" + name, cases[i].bytes);
            script << "F " << argument(test::windowsPath(wineDir / name)) << "\n";
            for (const Op& op : cases[i].ops) {
                script << op.type << " " << argument(op.a) << " " << argument(op.b) << " " << argument(op.c)
                       << "\n";
            }
        }
        const fs::path scriptFile = dir_.write("script.txt", script.str());
        const fs::path outputFile = dir_.path() / "output.txt";
        std::string output;
        const int status = test::runWine(
            wine_, {PW_PROFILE_OPS_EXE, test::windowsPath(scriptFile), test::windowsPath(outputFile)},
            output);
        EXPECT_EQ(status, 0) << output;

        std::ifstream results(outputFile, std::ios::binary);
        Tally tally;
        for (std::size_t i = 0; i < cases.size(); ++i) {
            const Case& c = cases[i];
            const std::string name = "case" + std::to_string(i) + ".ini";
            const bool raw = rawUtf8(c.bytes);
            std::vector<std::string> differences;
            std::string refused;
            bool cut = false;
            for (const Op& op : c.ops) {
                std::string line;
                std::getline(results, line);
                const std::size_t space = line.find(' ');
                const std::size_t count = std::stoul(line.substr(0, space));
                const std::string wine = wineResult(op, count, unhex(line.substr(space + 1)), cut);
                if (!refused.empty()) {
                    continue;
                }
                std::string ours;
                try {
                    ours = ourResult(ourDir / name, op, raw);
                } catch (const ProfileWriteError& error) {
                    refused = error.what();
                    continue;
                }
                if (ours != wine) {
                    differences.push_back(describe(op) + "\n      ours: " + ours + "\n      Wine: " + wine);
                }
            }
            ++tally.cases;
            if (!refused.empty()) {
                ++tally.excepted["refused names"];
                continue;
            }
            const std::string ourFile = rewritten(readBytes(ourDir / name));
            const std::string wineFile = rewritten(readBytes(wineDir / name));
            if (ourFile != wineFile) {
                differences.push_back("the file\n      ours: " + shown(ourFile) +
                                      "\n      Wine: " + shown(wineFile));
            }
            if (differences.empty()) {
                ++tally.agreed;
                if (cut) {
                    ++tally.excepted["cut names left out (agreed)"];
                }
            } else if (raw && !rawUtf8(readBytes(ourDir / name))) {
                // The calls went to Wine in UTF-8, fixed when the case was made; a file whose
                // last non-ASCII line went is an ASCII file here, which takes Windows-1252.
                ++tally.excepted["UTF-8 file turned ASCII"];
            } else if (c.nonAsciiCase) {
                ++tally.excepted["non-ASCII case"];
            } else if (bool emptyHeader = false; (rewritten(c.bytes, &emptyHeader), emptyHeader) &&
                                                 readBytes(wineDir / name) != c.bytes) {
                ++tally.excepted["a header [] kept"];
            } else {
                std::string report = c.name + " (" + shown(c.bytes) + "):";
                for (const std::string& d : differences) {
                    report += "\n    " + d;
                }
                tally.differences.push_back(report);
            }
        }
        return tally;
    }

    static void print(const std::string& what, const Tally& tally) {
        std::string excepted;
        for (const auto& [reason, count] : tally.excepted) {
            excepted += (excepted.empty() ? "" : ", ") + reason + ": " + std::to_string(count);
        }
        std::cout << what << ": " << tally.agreed << " of " << tally.cases << " agree with Wine"
                  << (excepted.empty() ? "" : "; excepted " + excepted) << "\n";
        for (std::size_t i = 0; i < tally.differences.size() && i < 25; ++i) {
            ADD_FAILURE() << tally.differences[i];
        }
        EXPECT_TRUE(tally.differences.empty()) << tally.differences.size() << " cases differ";
    }

    TempDir dir_;
    test::Wine wine_;
};

Op read(std::string section, std::optional<std::string> key, std::string def = "?") {
    return {'S', std::move(section), std::move(key), std::move(def)};
}
Op sections() {
    return {'N', std::nullopt, std::nullopt, std::nullopt};
}
Op lines(std::string section) {
    return {'L', std::move(section), std::nullopt, std::nullopt};
}
Op write(std::optional<std::string> section, std::optional<std::string> key,
         std::optional<std::string> value) {
    return {'W', std::move(section), std::move(key), std::move(value)};
}

// Reads of every section and key a case names, after its own calls.
std::vector<Op> survey(std::vector<Op> ops, const std::vector<std::string>& names) {
    ops.push_back(sections());
    for (const std::string& section : names) {
        ops.push_back(lines(section));
        ops.push_back(read(section, std::nullopt, "none  "));
    }
    return ops;
}

std::string page(std::string_view utf8) {
    return utf8ToWindows1252(utf8).value();
}

std::vector<Case> handCases() {
    const std::string longValue(1024, 'v');
    std::string manySections;
    for (int i = 0; i < 800; ++i) {
        manySections += "[Gruppe" + std::to_string(1000 + i) + "]\r\n";
    }
    std::string manyKeys = "[S]\r\n";
    for (int i = 0; i < 700; ++i) {
        manyKeys += "Befehl" + std::to_string(1000 + i) + "=x\r\n";
    }
    std::vector<Case> c = {
        {"quotes",
         "[S]\r\na=\"x\"\r\nb='y'\r\nc=\"\r\nd=\"\"\r\ne=\"x'\r\nf= \"a\"b\" \r\n",
         {read("S", "a"), read("S", "b"), read("S", "c"), read("S", "d"), read("S", "e"), read("S", "f"),
          lines("S")}},
        {"quoted long values",
         "[S]\r\nq=\"" + std::string(1022, 'a') + "\"\r\nr=\"" + std::string(1023, 'b') + "\"\r\ns=\"" +
             std::string(1030, 'c') + "\"\r\n",
         {read("S", "q"), read("S", "r"), read("S", "s")}},
        {"comments",
         "[S]\r\n;c=1\r\n; note\r\nk=1\r\n",
         {read("S", std::nullopt), lines("S"), read("S", ";c")}},
        {"comment only section",
         "[S]\r\n;only\r\n[T]\r\n",
         {read("S", std::nullopt, "d"), read("T", std::nullopt, "d"), write("T", "a", "1"),
          write("S", "b", "2")}},
        {"a section twice",
         "[S]\r\nk=1\r\n[T]\r\nk=2\r\n[s]\r\nk=3\r\nj=4\r\n",
         {sections(), read("S", "k"), read("s", "j"), lines("s"), write("S", "n", "new"), read("s", "n")}},
        {"erasing a section twice",
         "[S]\r\nk=1\r\n[T]\r\nk=2\r\n[s]\r\nk=3\r\n",
         {write("s", std::nullopt, std::nullopt), sections(), read("S", "k")}},
        {"a key twice",
         "[S]\r\nk=1\r\nK=2\r\nk=3\r\n",
         {read("S", std::nullopt), read("S", "k"), write("S", "K", std::nullopt), read("S", "k"),
          lines("S")}},
        {"a key without =",
         "[S]\r\nd\r\nd=2\r\n",
         {read("S", "d"), read("S", std::nullopt), lines("S"), write("S", "d", "filled"), read("S", "d")}},
        {"deleting a key without =", "[S]\r\nk\r\n", {write("S", "k", std::nullopt), lines("S")}},
        // "=x" right after an empty name is not there; a name that a NUL ends is empty, but a name.
        {"an empty name hides the next",
         "[S]\r\n=a\r\n\r\n=b\r\n=b2\r\nk=1\r\n=c\r\n",
         {read("S", ""), lines("S"), write("S", "", std::nullopt), read("S", ""), lines("S"),
          write("S", "", std::nullopt), read("S", "")}},
        {"a NUL name below an empty name",
         "[S]\r\n=a\r\n\0x=1\r\n\0=z\r\n=c\r\n"s,
         {read("S", ""), lines("S"), read("S", std::nullopt)}},
        {"a NUL line hides the next",
         "[S]\r\nk=1\r\n\0\r\n=c\r\nj=2\r\n"s,
         {read("S", ""), lines("S"), read("S", std::nullopt), write("S", "", std::nullopt), read("S", ""),
          lines("S")}},
        {"deleting a NUL name above the first header",
         "\0\r\n\0k\0=v\r\n[S]\r\n"s,
         {write("", "", std::nullopt)}},
        {"=x ends the key list",
         "[S]\r\na=1\r\n=x\r\nb=2\r\n",
         {read("S", std::nullopt), lines("S"), read("S", "")}},
        {"=x first", "[S]\r\n=x\r\nb=2\r\n", {read("S", std::nullopt, "d")}},
        {"bracket inside",
         "[a]b]\r\ng=6\r\n[c] tail\r\nh=7\r\n",
         {sections(), read("a]b", "g"), read("c", "h"), write("x]y", "k", "1"), sections()}},
        {"no closing bracket", "[abc\r\nq=4\r\n", {sections(), lines(""), read("", "[abc"), read("", "q")}},
        {"lines above the first header",
         "k0=top\r\n[S]\r\nk=1\r\n",
         {read("", "k0"), lines(""), write("", "x", "2"), write("S", "j", "3")}},
        {"a key for the top of a file without one", "[S]\r\nk=1", {write("", "x", "2")}},
        {"an empty header",
         "[S]\r\nk=1\r\n[]\r\nr=5\r\n",
         {sections(), read("", "r"), lines(""), read("S", "r")}},
        {"blanks",
         "  [ S ]  \r\n\tk\t=\tv\t\r\n\x0Bj\x0B=\x0Bw\r\n\x1An=2\x1A\r\n\xA0p=3\xA0\r\n",
         {sections(), lines("S"), read(" S ", " k "), read("S", "j"), read("S", "n"), read("S", "\xA0p"),
          read("S", "p"), lines(" S ")}},
        {"blanks in writes",
         "[S]\r\nk= v \r\n",
         {write(" S ", " k ", "  v  "), write("S", " j ", " lead trail ")}},
        {"no-break space in a value", "[S]\r\nk=1\r\n", {write("S", "k", "\xA0z"), read("S", "k")}},
        {"line ends",
         "[S]\rk=1\r[T]\nj=2\r\n[U]\r\r\nm=3",
         {sections(), lines("S"), lines("T"), lines("U"), write("T", "j", "3"), write("U", "n", "4")}},
        {"NUL bytes",
         "[S]\r\na=k\0x=1\r\nb\0c=2\r\n[T\0U]\r\nc=3\r\n"s,
         {sections(), lines("S"), read("S", "a"), read("S", "b"), read("T", "c")}},
        {"NUL bytes and a write", "[S]\r\na=k\0x=1\r\nb\0c=2\r\n"s, {write("S", "z", "1")}},
        {"1024 characters", "[S]\r\n", {write("S", "l", longValue), read("S", "l"), lines("S")}},
        {"1023 characters", "[S]\r\nl=" + longValue + "\r\n", {read("S", "l")}},
        {"default with spaces",
         "",
         {read("S", "k", "  d  "), read("S", "k", "   "), read("S", std::nullopt, " x ")}},
        {"same value again", "[S]\nk=1", {write("S", "k", "1")}},
        {"empty value", "[S]\r\nk=1\r\n", {write("S", "k", "")}},
        {"a new file", "", {write("S", "k", "1"), write("T", "j", "2")}},
        {"a new key goes to the end of the first part",
         "[S]\r\na=1\r\n\r\n; about T\r\n[T]\r\nb=2\r\n",
         {write("S", "c", "3"), write("T", "d", "4")}},
        {"a new key in an empty section", "[S]\r\n[T]\r\n", {write("S", "a", "1"), write("T", "b", "2")}},
        {"Windows-1252",
         page("[Straße]\r\nÄrger=ä€\r\n"),
         {read(page("Straße"), page("Ärger")), write(page("Straße"), page("Öl"), page("ü"))}},
        {"UTF-8 without a mark",
         "[Straße]\r\nÄrger=ä€\r\n",
         {read("Straße", "Ärger"), write("Straße", "Öl", "ü"), write("Neu", "k", "ß")}},
        {"UTF-8 with a mark", "\xEF\xBB\xBF[S]\r\nk=\xC3\xA4\r\n", {read("S", "k"), write("S", "j", "\xE4")}},
        {"UTF-16LE",
         std::string("\xFF\xFE[\0S\0]\0\r\0\n\0k\0=\0\xE4\0\r\0\n\0", 22),
         {read("S", "k"), write("S", "j", "\xE4"), write("T", "x", "1")}},
        {"UTF-16BE",
         std::string("\xFE\xFF\0[\0S\0]\0\r\0\n\0k\0=\0\xE4\0\r\0\n", 22),
         {read("S", "k"), write("S", "j", "x")}},
        {"many sections", manySections, {sections()}},
        {"many keys", manyKeys, {read("S", std::nullopt)}},
        {"refused: = in a key name", "[S]\r\n", {write("S", "a=b", "1")}},
        {"refused: a key that reads as a header", "[S]\r\n", {write("S", "[x]", "1")}},
        {"refused: an empty key name", "[S]\r\nk=1\r\n", {write("S", "", "1")}},
    };
    for (Case& one : c) {
        one.ops = survey(std::move(one.ops), {"S", "s", "T", ""});
    }
    Case umlauts{"umlauts without case",
                 page("[Ärger]\r\nÄ=1\r\n"),
                 {read(page("ärger"), page("ä")), write(page("ÄRGER"), page("ä"), "2")},
                 true};
    c.push_back(std::move(umlauts));
    return c;
}

TEST_F(WineProfiles, HandCasesReadAndWriteAsWindowsDoes) {
    print("hand cases", run(handCases()));
}

// ---- random cases ---------------------------------------------------------------------------

// The names and values random files and calls are made of (in UTF-8), rich in what goes wrong:
// case, blanks, quotes, comments, brackets, umlauts, long values. Names differing only in the case
// of an umlaut are left to the hand cases, as Wine does not fold them.
const std::vector<std::string> kSections = {"S",     "s",   "Waffen", "WAFFEN", " Fahrwerk ", "fahrwerk",
                                            "Ärger", "a]b", "",       "Straße", "x y"};
const std::vector<std::string> kKeys = {"k", "K",  "Feuer", "feuer", ";c", "[x",
                                        "Ä", "Öl", "a b",   " sp ",  "1",  "Bremse"};
const std::vector<std::string> kValues = {"1",    "\"q\"",           "'q'", "\"",       "a=b",  "", "  pad  ",
                                          "G;71", "Strg_F12;17_123", "ä€",  "\u00A0nb", "x\x1A"};

class Generator {
public:
    explicit Generator(std::uint32_t seed) : random_(seed) {}

    Case next(int number) {
        Case c;
        c.name = "random case " + std::to_string(number);
        const int encoding = pick(10);  // 0-5 Windows-1252, 6-7 UTF-8, 8 with mark, 9 UTF-16
        std::string text;
        const int lineCount = pick(12);
        for (int i = 0; i < lineCount; ++i) {
            text += line() + lineEnd();
        }
        if (pick(4) == 0 && !text.empty()) {
            text.erase(text.find_last_not_of("\r\n") + 1);  // a last line without its end
        }
        const bool raw = encoding == 6 || encoding == 7;
        if (raw) {
            c.bytes = text;
        } else if (encoding == 8) {
            c.bytes = "\xEF\xBB\xBF" + text;
        } else if (encoding == 9) {
            const bool big = pick(2) == 0;
            c.bytes = (big ? "\xFE\xFF" : "\xFF\xFE") + utf8ToUtf16(text, big);
        } else {
            c.bytes = page(text);
        }
        const bool rawStrings = rawUtf8(c.bytes);
        const auto arg = [&](std::string s) { return rawStrings ? s : page(s); };
        const int opCount = 1 + pick(6);
        for (int i = 0; i < opCount; ++i) {
            const int kind = pick(10);
            const std::string section = name(kSections);
            if (kind < 3) {
                c.ops.push_back(read(arg(section), arg(name(kKeys)), arg(pick(3) == 0 ? "d  " : "?")));
            } else if (kind == 3) {
                c.ops.push_back(read(arg(section), std::nullopt, "d"));
            } else if (kind == 4) {
                c.ops.push_back(sections());
            } else if (kind == 5) {
                c.ops.push_back(lines(arg(section)));
            } else if (kind < 9) {
                c.ops.push_back(write(arg(section), arg(name(kKeys)), arg(value())));
            } else if (pick(3) == 0) {
                c.ops.push_back(write(arg(section), std::nullopt, std::nullopt));
            } else {
                c.ops.push_back(write(arg(section), arg(name(kKeys)), std::nullopt));
            }
        }
        std::vector<std::string> surveyed;
        for (const std::string& s :
             {std::string("S"), std::string("Waffen"), std::string("Ärger"), std::string("")}) {
            surveyed.push_back(arg(s));
        }
        c.ops = survey(std::move(c.ops), surveyed);
        return c;
    }

private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }

    std::string name(const std::vector<std::string>& pool) {
        return pool[static_cast<std::size_t>(pick(static_cast<int>(pool.size())))];
    }

    std::string value() {
        if (pick(12) == 0) {
            const int length = 1020 + pick(8);
            return pick(2) == 0 ? std::string(static_cast<std::size_t>(length), 'v')
                                : "\"" + std::string(static_cast<std::size_t>(length - 2), 'w') + "\"";
        }
        return name(kValues);
    }

    std::string lineEnd() {
        switch (pick(8)) {
            case 0:
                return "\n";
            case 1:
                return "\r";
            default:
                return "\r\n";
        }
    }

    std::string blanks() {
        switch (pick(8)) {
            case 0:
                return " ";
            case 1:
                return "\t";
            case 2:
                return "  ";
            default:
                return "";
        }
    }

    std::string line() {
        switch (pick(14)) {
            case 0:
            case 1:
            case 2:
                return blanks() + "[" + blanks() + name(kSections) + blanks() + "]" +
                       (pick(6) == 0 ? " tail" : "");
            case 3:
                return "";
            case 4:
                return "; " + name(kKeys);
            case 5:
                return blanks() + name(kKeys);
            case 6:
                return "=" + name(kValues);
            case 7:
                return pick(4) == 0 ? "[]" : "[noclose";
            case 8:
                return pick(3) == 0 ? std::string("a=b\0c", 5) : "\x1Az=\x1A";
            default:
                return blanks() + name(kKeys) + blanks() + "=" + blanks() + value() + blanks();
        }
    }

    std::mt19937 random_;
};

TEST_F(WineProfiles, RandomCasesReadAndWriteAsWindowsDoes) {
    const char* seedText = std::getenv("PADWARDEN_WINE_SEED");
    const std::uint32_t seed = seedText != nullptr ? static_cast<std::uint32_t>(std::stoul(seedText)) : 16;
    const char* countText = std::getenv("PADWARDEN_WINE_CASES");
    const int count = countText != nullptr ? std::stoi(countText) : 2500;
    Generator generator(seed);
    std::vector<Case> cases;
    for (int i = 0; i < count; ++i) {
        cases.push_back(generator.next(i));
    }
    print("random cases (seed " + std::to_string(seed) + ")", run(cases));
}

}  // namespace
}  // namespace pw
