// Any bytes may sit in the program directory as a Profile: one written on Windows, one saved by the
// wrong editor, a half-copied file. This feeds arbitrary bytes to the INI reader as a Profile and
// runs writes on it with a group, a command and a value taken from the input, and stops at the
// first rule that does not hold; the sanitizers stop it at the first bad memory access or undefined
// behaviour.
//
// The input is the file, optionally followed by "@@@" and the group, "@@@" and the command, "@@@"
// and the value to write; whatever is missing is taken from the file itself.

#include <stdlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "profiles/IniFile.h"
#include "texts/TextEncoding.h"

namespace pw {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kArgumentMark = "@@@";
// No value that a file can hold: it has a line break.
constexpr std::string_view kAbsent = "\n(absent)\n";
// How many of the file's commands are checked after each change; more only slow the run.
constexpr std::size_t kWatched = 40;

void check(bool holds, const char* rule) {
    if (!holds) {
        std::fprintf(stderr, "INI fuzzer: broken: %s\n", rule);
        __builtin_trap();
    }
}

void writeFile(const fs::path& file, std::string_view bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    check(static_cast<bool>(out), "the fuzzer could write its Profile");
}

std::string readFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A private folder under the temporary folder, made once and removed when the run ends.
class Folder {
public:
    Folder() {
        std::string pattern = (fs::temp_directory_path() / "padwarden-ini-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("INI fuzzer: mkdtemp");
            std::abort();
        }
        root_ = pattern;
    }
    ~Folder() {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    fs::path profile() const { return root_ / "Profil.ini"; }
    bool holdsOnlyTheProfile() const {
        std::size_t count = 0;
        for (const fs::directory_entry& entry : fs::directory_iterator(root_)) {
            count += entry.path().filename() == "Profil.ini" ? 1 : 100;
        }
        return count <= 1;
    }

private:
    fs::path root_;
};

// The blanks the Windows functions drop: the C white space and Ctrl+Z.
bool isBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r') || c == '\x1A';
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && isBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

std::size_t characters(std::string_view s) {
    std::size_t count = 0;
    for (const char c : s) {
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    }
    return count;
}

// What a read of the value written returns: one pair of matching quotes dropped, cut to fit the
// Windows buffer (the closing quote goes too when the value only just fits).
std::string asRead(std::string_view value) {
    value = trim(value);
    bool quoted = false;
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        quoted = true;
        value.remove_prefix(1);
    }
    std::string out;
    std::size_t count = 0;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if ((static_cast<unsigned char>(value[i]) & 0xC0) != 0x80 && count++ == kValueBuffer - 1) {
            break;
        }
        out += value[i];
    }
    if (quoted && characters(value) <= kValueBuffer) {
        while (!out.empty()) {
            const char last = out.back();
            out.pop_back();
            if ((static_cast<unsigned char>(last) & 0xC0) != 0x80) {
                break;
            }
        }
    }
    return out;
}

bool sameName(std::string_view a, std::string_view b) {
    return iniFoldName(trim(a)) == iniFoldName(trim(b));
}

struct Command {
    std::string section;
    std::string key;
    std::string value;
};

void checkNames(const std::vector<std::string>& names, std::size_t buffer) {
    std::size_t used = 0;
    for (const std::string& name : names) {
        // A NUL may end a name right after a blank, as it does for Windows: "Fe\f\0x=1" names "Fe\f".
        check(!name.empty(), "a listed name is not empty");
        check(isValidUtf8(name), "a listed name is valid UTF-8");
        check(name.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos,
              "a listed name holds no line break or NUL");
        used += characters(name) + 1;
    }
    check(used <= buffer - 1, "a list fits the Windows buffer");
}

// Everything the file holds, read through every reading function, and checked on the way.
std::vector<Command> readAll(const fs::path& file) {
    const std::vector<std::string> sections = iniReadSections(file);
    checkNames(sections, kSectionListBuffer);
    std::vector<Command> commands;
    for (const std::string& section : sections) {
        const std::vector<std::string> keys = iniReadKeys(file, section);
        checkNames(keys, kKeyListBuffer);
        const auto entries = iniReadSection(file, section);
        check(entries.size() == keys.size(), "a section lists the keys that iniReadKeys lists");
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const auto& [key, value] = entries[i];
            check(key == keys[i], "a section lists its keys in the same order");
            // A line without "=" above a key's line hides it: listed, but read as missing.
            check(i >= kWatched || iniReadString(file, section, key, kAbsent) == value ||
                      (value.empty() && iniReadString(file, section, key, kAbsent) == kAbsent),
                  "a listed key reads as its listed value");
            check(isValidUtf8(value), "a value is valid UTF-8");
            check(value.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos,
                  "a value holds no line break or NUL");
            check(characters(value) < kValueBuffer, "a value fits the Windows buffer");
            commands.push_back({section, key, value});
        }
    }
    return commands;
}

// The other commands keep their values through a change to `changed`.
void checkOthersKept(const fs::path& file, const std::vector<Command>& before, const Command& changed,
                     bool wholeSection) {
    for (std::size_t i = 0; i < before.size() && i < kWatched; ++i) {
        const Command& c = before[i];
        if (sameName(c.section, changed.section) && (wholeSection || sameName(c.key, changed.key))) {
            continue;
        }
        const std::string now = iniReadString(file, c.section, c.key, kAbsent);
        check(now == c.value || (c.value.empty() && now == kAbsent), "a change leaves other commands alone");
    }
}

// Whether iniWriteString must refuse the command (or the file), so that it would not read back.
bool mustRefuse(const Command& c, bool text) {
    const std::string_view section = trim(c.section);
    const std::string_view key = trim(c.key);
    const std::string_view value = trim(c.value);
    for (std::string_view s : {section, key, value}) {
        if (s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos || !isValidUtf8(s)) {
            return true;
        }
    }
    const std::string line = std::string(key) + "=" + std::string(value);
    return !text || key.empty() || key.find('=') != std::string_view::npos ||
           (key.starts_with('[') && line.find(']') != std::string::npos);
}

Command commandFrom(std::string_view arguments, const std::vector<Command>& commands) {
    Command c = commands.empty() ? Command{"Neue Gruppe", "Befehl", "G;71"} : commands.front();
    std::string* fields[] = {&c.section, &c.key, &c.value};
    for (std::string* field : fields) {
        if (arguments.empty()) {
            break;
        }
        const std::size_t mark = arguments.find(kArgumentMark);
        *field = std::string(arguments.substr(0, mark));
        arguments = mark == std::string_view::npos ? std::string_view()
                                                   : arguments.substr(mark + kArgumentMark.size());
    }
    return c;
}

void checkWrite(const Folder& folder, std::string_view bytes, bool text, const std::vector<Command>& before,
                const Command& c) {
    const fs::path file = folder.profile();
    writeFile(file, bytes);
    try {
        iniWriteString(file, c.section, c.key, c.value);
    } catch (const ProfileWriteError&) {
        check(mustRefuse(c, text), "only a write that would not read back is refused");
        check(readFile(file) == bytes, "a refused write leaves the file as it was");
        check(folder.holdsOnlyTheProfile(), "a refused write leaves no temporary file");
        return;
    }
    check(!mustRefuse(c, text), "a write that would not read back is refused");
    check(folder.holdsOnlyTheProfile(), "a write leaves no temporary file");
    const std::string written = readFile(file);
    check(iniReadString(file, c.section, c.key, kAbsent) == asRead(c.value), "a written value reads back");
    checkOthersKept(file, before, c, false);
    readAll(file);

    iniWriteString(file, c.section, c.key, c.value);
    check(readFile(file) == written, "writing the same value again leaves the file alone");
}

void checkDelete(const Folder& folder, std::string_view bytes, const std::vector<Command>& before,
                 const Command& c) {
    const fs::path file = folder.profile();
    writeFile(file, bytes);
    std::size_t lines = 0;
    for (const std::string& line : iniReadSectionLines(file, trim(c.section))) {
        lines += sameName(std::string_view(line).substr(0, line.find('=')), c.key) ? 1 : 0;
    }
    // An empty name without "=" ("\0") is no listed line, yet it is the key "": when the key reads
    // as missing although a line "=x" is listed, that line is its second.
    if (lines == 1 && trim(c.key).empty() && iniReadString(file, c.section, c.key, kAbsent) == kAbsent) {
        ++lines;
    }
    iniDeleteKey(file, c.section, c.key);
    // A key named twice reads as its next line once the first is gone.
    // Deleting takes the names as they are: with blanks at their ends they name nothing.
    check(lines > 1 || trim(c.key).starts_with(';') || trim(c.section) != c.section || trim(c.key) != c.key ||
              iniReadString(file, c.section, c.key, kAbsent) == kAbsent,
          "a deleted key is gone");
    checkOthersKept(file, before, c, false);
}

void checkErase(const Folder& folder, std::string_view bytes, const std::vector<Command>& before,
                const Command& c) {
    const fs::path file = folder.profile();
    writeFile(file, bytes);
    const std::vector<std::string> sections = iniReadSections(file);
    const bool once = std::count_if(sections.begin(), sections.end(),
                                    [&](const std::string& s) { return sameName(s, c.section); }) == 1 &&
                      sections.size() < 100 && trim(c.section) == c.section;
    iniEraseSection(file, c.section);
    // Only the first part of a section named twice goes; the next part is the section then.
    check(!once || iniReadKeys(file, trim(c.section)).empty(), "an erased section has no keys");
    for (std::size_t i = 0; i < before.size() && i < kWatched; ++i) {
        const Command& other = before[i];
        if (once && sameName(other.section, c.section)) {
            check(iniReadString(file, other.section, other.key, kAbsent) == kAbsent,
                  "an erased section's commands are gone");
        }
    }
    checkOthersKept(file, before, c, true);
    // The list loses the erased section and may gain sections that did not fit before.
    std::vector<std::string> kept;
    // "" is the lines above the first header, not listed; a name with blanks at its ends names nothing.
    bool erased = trim(c.section).empty() || trim(c.section) != c.section;
    for (const std::string& s : sections) {
        if (!erased && sameName(s, c.section)) {
            erased = true;
        } else {
            kept.push_back(s);
        }
    }
    const std::vector<std::string> after = iniReadSections(file);
    check(after.size() >= kept.size() && std::equal(kept.begin(), kept.end(), after.begin()),
          "erasing a section keeps the others in their order");
}

void checkAddSection(const Folder& folder, std::string_view bytes, bool text,
                     const std::vector<Command>& before, const Command& c) {
    const fs::path file = folder.profile();
    writeFile(file, bytes);
    try {
        iniAddSection(file, c.section);
    } catch (const ProfileWriteError&) {
        check(readFile(file) == bytes, "a refused new section leaves the file as it was");
        Command header{c.section, "k", "v"};
        // "" is the lines above the first header, which no header line can name.
        check(mustRefuse(header, text) || trim(c.section).empty(),
              "only a section that would not read back is refused");
        return;
    }
    const std::string written = readFile(file);
    checkOthersKept(file, before, c, false);
    iniAddSection(file, c.section);
    check(readFile(file) == written, "adding a section that is there leaves the file alone");
}

void fuzzOne(std::string_view input) {
    static const Folder folder;
    const std::size_t mark = input.find(kArgumentMark);
    const std::string_view bytes = input.substr(0, mark);
    const std::string_view arguments =
        mark == std::string_view::npos ? std::string_view() : input.substr(mark + kArgumentMark.size());
    const fs::path file = folder.profile();
    writeFile(file, bytes);

    // Only a UTF-16 file with broken characters is never written; NUL bytes are text.
    bool text = true;
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
        utf16ToUtf8(bytes.substr(2), bytes[0] == '\xFE', text);
    }
    const std::vector<Command> commands = readAll(file);

    // Writing back what was read changes no byte, where the read gave the value as it stands.
    for (std::size_t i = 0; i < commands.size() && i < kWatched && text; ++i) {
        const Command& c = commands[i];
        if (c.key.empty() || c.key.find('=') != std::string::npos || c.key.starts_with('[')) {
            continue;
        }
        bool asWritten = false;
        for (const std::string& line : iniReadSectionLines(file, c.section)) {
            if (sameName(std::string_view(line).substr(0, line.find('=')), c.key)) {
                asWritten = line == c.key + "=" + c.value && asRead(c.value) == c.value;
                break;
            }
        }
        if (asWritten) {
            iniWriteString(file, c.section, c.key, c.value);
        }
    }
    check(readFile(file) == bytes, "writing back what was read changes no byte");

    const Command c = commandFrom(arguments, commands);
    checkWrite(folder, bytes, text, commands, c);
    if (text) {
        checkDelete(folder, bytes, commands, c);
        checkErase(folder, bytes, commands, c);
    }
    checkAddSection(folder, bytes, text, commands, c);
}

}  // namespace
}  // namespace pw

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pw::fuzzOne(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
