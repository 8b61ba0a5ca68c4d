// Any bytes at all may sit in the program directory as a language table: a user's own table, one
// written on Windows, a file saved by the wrong editor. This feeds arbitrary bytes to the
// table reader as all three tables at once and stops at the first rule that does not hold; the
// sanitizers stop it at the first bad memory access or undefined behaviour.

#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "input/ControllerAction.h"
#include "input/KeyNames.h"
#include "texts/LanguageTables.h"
#include "texts/TextEncoding.h"
#include "texts/TextVariables.h"

namespace pw {
namespace {

using G = TextGroup;

constexpr G kReplaceable[] = {G::KeyName, G::ControllerActionName, G::Interface};

void check(bool holds, const char* rule) {
    if (!holds) {
        std::fprintf(stderr, "language table fuzzer: broken: %s\n", rule);
        __builtin_trap();
    }
}

void writeFile(const std::filesystem::path& file, std::string_view bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    check(static_cast<bool>(out), "the fuzzer could write its table file");
}

// Two private folders under the temporary folder, made once and removed when the run ends:
// "in" holds the input as language.gam with the other two tables linked to it, "out" the
// tables written back from the loaded texts.
class Folders {
public:
    Folders() {
        std::string pattern = (std::filesystem::temp_directory_path() / "padwarden-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("language table fuzzer: mkdtemp");
            std::abort();
        }
        root_ = pattern;
        std::filesystem::create_directory(in());
        std::filesystem::create_directory(out());
        writeFile(in() / kInterfaceTable, {});
        std::filesystem::create_symlink(kInterfaceTable, in() / kKeyNameTable);
        std::filesystem::create_symlink(kInterfaceTable, in() / kActionNameTable);
    }
    ~Folders() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    Folders(const Folders&) = delete;
    Folders& operator=(const Folders&) = delete;

    std::filesystem::path in() const { return root_ / "in"; }
    std::filesystem::path out() const { return root_ / "out"; }

private:
    std::filesystem::path root_;
};

const LanguageTable& tableOf(const LoadedTables& tables, G group) {
    switch (group) {
        case G::KeyName:
            return tables.keyNames;
        case G::ControllerActionName:
            return tables.actionNames;
        case G::Interface:
        case G::FixedKeyName:
            break;
    }
    return tables.interfaceTexts;
}

void checkEncodings(std::string_view bytes, const std::optional<std::string>& decoded) {
    check(utf8ToWindows1252(windows1252ToUtf8(bytes)) == std::string(bytes),
          "Windows-1252 text survives the way to UTF-8 and back");
    const bool utf8 = isValidUtf8(bytes);
    if (utf8) {
        if (const auto page = utf8ToWindows1252(bytes)) {
            check(windows1252ToUtf8(*page) == bytes,
                  "UTF-8 text that fits Windows-1252 survives the way back");
        }
    }
    const bool hasNul = bytes.find('\0') != std::string_view::npos;
    const bool utf16 = bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF");
    if (!utf16 && !hasNul) {
        check(decoded.has_value(), "a file without NUL bytes is text");
    }
    if (utf8 && !hasNul) {
        std::string_view rest = bytes;
        if (rest.starts_with("\xEF\xBB\xBF")) {
            rest.remove_prefix(3);
        }
        check(decoded == std::string(rest), "valid UTF-8 is read as it is, less its byte-order mark");
    }
    if (decoded) {
        check(isValidUtf8(*decoded), "a decoded table is valid UTF-8");
        check(decoded->find('\0') == std::string::npos, "a decoded table has no NUL");
    }
}

std::size_t characters(std::string_view s) {
    std::size_t count = 0;
    for (const char c : s) {
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    }
    return count;
}

// The pieces of a text between its line ends: CR LF, LF or a lone CR.
std::vector<std::string_view> piecesOf(std::string_view text) {
    std::vector<std::string_view> pieces;
    while (!text.empty()) {
        const std::size_t stop = text.find_first_of("\r\n");
        pieces.push_back(text.substr(0, stop));
        if (stop == std::string_view::npos) {
            break;
        }
        text.remove_prefix(stop + (text.compare(stop, 2, "\r\n") == 0 ? 2 : 1));
    }
    return pieces;
}

// One line per piece of the file between its line ends; each line is valid UTF-8, its text after
// "=" at most 1023 characters, a cut one noted; a line that is valid UTF-8 and short stands as it is.
void checkLines(std::string_view bytes, const std::vector<std::string>& lines, const LanguageTable& table,
                const std::optional<std::string>& decoded) {
    const bool utf16 = bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF");
    check(table.lineCount == lines.size(), "the table counts every line");
    if (!decoded) {
        check(lines.empty(), "a binary file gives no lines");
        check(table.texts.empty(), "a binary file gives no texts");
        return;
    }
    std::string_view text = bytes;
    if (utf16) {
        text = *decoded;
    } else if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    const std::vector<std::string_view> pieces = piecesOf(text);
    check(lines.size() == pieces.size(), "every piece between line ends is a line");
    std::size_t cut = 0;
    for (std::size_t i = 0; i < lines.size() && i < pieces.size(); ++i) {
        const std::string& line = lines[i];
        check(isValidUtf8(line), "a line is valid UTF-8");
        check(line.find_first_of("\r\n") == std::string::npos, "a line holds no line end");
        const std::size_t eq = line.find('=');
        const bool shortened = eq != std::string::npos &&
                               characters(line.substr(eq + 1)) == kTableTextLimit &&
                               line.size() < pieces[i].size();
        check(eq == std::string::npos || characters(line.substr(eq + 1)) <= kTableTextLimit,
              "a text is at most 1023 characters");
        if (isValidUtf8(pieces[i]) && !shortened) {
            check(line == pieces[i], "a valid UTF-8 line stands as it is");
        }
        cut += shortened ? 1 : 0;
    }
    check(table.notes.size() >= cut && table.notes.size() <= lines.size(), "a cut text is noted");
}

// The line as the lookup compares it: its first character in upper case when it is a to z.
bool namesText(std::string_view line, std::string_view text) {
    if (text.empty() || line.size() < text.size() + 2) {
        return false;
    }
    char first = line.front();
    if (first >= 'a' && first <= 'z') {
        first = static_cast<char>(first - 'a' + 'A');
    }
    return first == text.front() && line.substr(1, text.size() - 1) == text.substr(1) &&
           line.substr(text.size(), 2) == ":=";
}

// What the table keeps is what the first line naming each text says, line by line.
void checkKeptTexts(const std::vector<std::string>& lines, const LanguageTable& table, G group) {
    std::size_t named = 0;
    for (std::string_view d : TextVariables::defaults(group)) {
        std::optional<std::string> first;
        for (const std::string& line : lines) {
            if (namesText(line, d)) {
                first = line.substr(line.find('=') + 1);
                break;
            }
        }
        named += first ? 1 : 0;
        check(tableText(table, d) == first, "the kept text is that of the first line naming it");
    }
    check(table.texts.size() == named, "the table keeps nothing but the texts asked for");
}

// Unknown lines are reported in order, as they stand, and have no effect on any text.
void checkUnknownLines(const std::vector<std::string>& lines, const LanguageTable& table, G group,
                       const TextVariables& loaded, TextVariables& scratch, const Folders& folders) {
    std::vector<UnknownLine> unknown;
    forEachUnknownLine(table.file, group, [&](const UnknownLine& line) { unknown.push_back(line); });
    std::string known;
    std::size_t next = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        const int number = static_cast<int>(i) + 1;
        if (next < unknown.size() && unknown[next].number == number) {
            check(unknown[next].text == line && unknown[next].file == table.file,
                  "an unknown line is reported as it stands, with its file");
            ++next;
            continue;
        }
        const bool blank = line.find_first_not_of(" \t") == std::string::npos;
        check(blank || line.find(":=") != std::string::npos, "a line without \":=\" is unknown");
        known += line;
        known += '\n';
    }
    check(next == unknown.size(), "every unknown line is a line of the table");

    writeFile(folders.out() / "known.gam", known);
    const LanguageTable knownTable = loadLanguageTable(folders.out() / "known.gam", group);
    for (std::string_view d : TextVariables::defaults(group)) {
        variable_zuweisen(knownTable, scratch, group, d);
        check(scratch.text(group, d) == loaded.text(group, d), "dropping the unknown lines changes no text");
    }
}

// What textsAsTables writes reads back as the same texts, control characters as they are shown
// (\xNN), cut after 1023 characters.
void checkWrittenTablesReadBack(const TextVariables& loaded, const Folders& folders, TextVariables& reread) {
    const std::string all = textsAsTables(loaded);
    std::string parts[3];
    int current = -1;
    std::string_view rest = all;
    while (!rest.empty()) {
        const auto nl = rest.find('\n');
        check(nl != std::string_view::npos, "textsAsTables ends every line");
        const std::string_view line = rest.substr(0, nl + 1);
        rest.remove_prefix(nl + 1);
        if (line == std::string(kKeyNameTable) + "\n") {
            current = 0;
        } else if (line == std::string(kActionNameTable) + "\n") {
            current = 1;
        } else if (line == std::string(kInterfaceTable) + "\n") {
            current = 2;
        } else {
            check(current >= 0, "textsAsTables names a table before its lines");
            parts[current] += line;
        }
    }
    writeFile(folders.out() / kKeyNameTable, parts[0]);
    writeFile(folders.out() / kActionNameTable, parts[1]);
    writeFile(folders.out() / kInterfaceTable, parts[2]);

    zuweisen(reread, folders.out());
    for (const TextVariable& v : loaded.variables()) {
        std::string expected = v.group == G::FixedKeyName ? v.text : escapeControls(v.text);
        std::size_t seen = 0;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            if ((static_cast<unsigned char>(expected[i]) & 0xC0) != 0x80 && seen++ == kTableTextLimit) {
                expected.resize(i);
                break;
            }
        }
        check(reread.text(v.group, v.germanDefault) == expected,
              "a written table reads back as the same texts");
    }
}

void checkShownTexts(const TextVariables& texts) {
    for (const TextVariable& v : texts.variables()) {
        check(isValidUtf8(v.text), "every text is valid UTF-8");
        if (v.group == G::FixedKeyName) {
            check(v.text == v.germanDefault, "fixed key names are never replaced");
        }
    }
    for (std::uint16_t code = 0; code < 300; ++code) {
        check(isValidUtf8(keyName(code, texts)), "every key name is valid UTF-8");
    }
    for (ControllerAction a : kAllActions) {
        check(isValidUtf8(displayName(a, texts)), "every action name is valid UTF-8");
    }
    check(programFileFilter(texts).find(" (*.exe;*.com;*.bat)|*.exe;*.com;*.bat|") != std::string::npos,
          "the program filter keeps its patterns");
    check(pictureFileFilter(texts).ends_with("|*.ico;*.bmp;*.emf;*.wmf|"),
          "the picture filter keeps its patterns");
}

void fuzzOne(std::string_view bytes) {
    static const Folders folders;
    // Made once: zuweisen and resetToDefaults start every run from the defaults.
    static TextVariables texts;
    static TextVariables scratch;
    writeFile(folders.in() / kInterfaceTable, bytes);

    const std::optional<std::string> decoded = decodeTextFile(bytes);
    checkEncodings(bytes, decoded);

    std::vector<int> progress;
    const LoadedTables tables = zuweisen(texts, folders.in(), [&](int value) { progress.push_back(value); });
    check(progress == std::vector<int>{20, 30, 35, 39, 50, 60, 70, 80},
          "progress takes the same steps for any table");

    std::vector<std::string> lines;
    const bool read =
        readTableLines(folders.in() / kInterfaceTable, [&](int number, std::string_view text, bool) {
            check(static_cast<std::size_t>(number) == lines.size() + 1, "lines are numbered from 1 in order");
            lines.emplace_back(text);
        });
    check(read == decoded.has_value(), "a table has lines exactly when it is text");
    scratch.resetToDefaults();
    for (G group : kReplaceable) {
        const LanguageTable& table = tableOf(tables, group);
        check(table.lineCount == tables.interfaceTexts.lineCount &&
                  table.notes.size() == tables.interfaceTexts.notes.size(),
              "one file gives the same lines in every table");
        checkLines(bytes, lines, table, decoded);
        checkKeptTexts(lines, table, group);
        checkUnknownLines(lines, table, group, texts, scratch, folders);
    }
    checkShownTexts(texts);
    checkWrittenTablesReadBack(texts, folders, scratch);
}

}  // namespace
}  // namespace pw

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pw::fuzzOne(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
