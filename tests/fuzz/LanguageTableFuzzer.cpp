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
    const bool utf16 = bytes.starts_with("\xFF\xFE");
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

// The lines tile the decoded text: each is followed by LF, CR LF, a CR at the end, or the end.
void checkLines(const LanguageTable& table, const std::optional<std::string>& decoded) {
    if (!decoded) {
        check(table.lines.empty(), "a binary file gives no lines");
        return;
    }
    std::string_view rest = *decoded;
    for (const std::string& line : table.lines) {
        check(!rest.empty() && rest.starts_with(line), "each line is the next piece of the text");
        check(line.find('\n') == std::string::npos, "a line holds no line feed");
        rest.remove_prefix(line.size());
        if (rest.starts_with("\r\n")) {
            rest.remove_prefix(2);
        } else if (rest.starts_with('\n') || rest == "\r") {
            rest.remove_prefix(1);
        } else {
            check(rest.empty(), "a line ends at a line end or at the end of the file");
        }
    }
    check(rest.empty(), "every byte of the text belongs to a line");
}

// Unknown lines are reported in order, as they stand, and have no effect on any text.
void checkUnknownLines(const LanguageTable& table, G group, const TextVariables& loaded,
                       TextVariables& scratch) {
    const std::vector<UnknownLine> unknown = unknownLines(table, group);
    LanguageTable known{table.file, {}, {}};
    std::size_t next = 0;
    for (std::size_t i = 0; i < table.lines.size(); ++i) {
        const std::string& line = table.lines[i];
        const int number = static_cast<int>(i) + 1;
        if (next < unknown.size() && unknown[next].number == number) {
            check(unknown[next].text == line && unknown[next].file == table.file,
                  "an unknown line is reported as it stands, with its file");
            ++next;
            continue;
        }
        const bool blank = line.find_first_not_of(" \t") == std::string::npos;
        check(blank || line.find(":=") != std::string::npos, "a line without \":=\" is unknown");
        known.lines.push_back(line);
    }
    check(next == unknown.size(), "every unknown line is a line of the table");

    for (std::string_view d : TextVariables::defaults(group)) {
        variable_zuweisen(known, scratch, group, d);
        check(scratch.text(group, d) == loaded.text(group, d), "dropping the unknown lines changes no text");
    }
}

// What textsAsTables writes reads back as the same texts. A text that ends in CR loses that CR:
// in the table it stands before the LF and is taken as part of the line end.
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
        std::string_view expected = v.text;
        if (v.group != G::FixedKeyName && expected.ends_with('\r')) {
            expected.remove_suffix(1);
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

    scratch.resetToDefaults();
    for (G group : kReplaceable) {
        const LanguageTable& table = tableOf(tables, group);
        check(table.lines == tables.interfaceTexts.lines, "one file gives the same lines in every table");
        checkLines(table, decoded);
        checkUnknownLines(table, group, texts, scratch);
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
