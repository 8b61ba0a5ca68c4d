#include "profiles/IniFile.h"

#include <algorithm>
#include <optional>
#include <system_error>

#include "texts/AtomicFile.h"
#include "texts/Blanks.h"
#include "texts/TextEncoding.h"

namespace pw {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";
constexpr std::string_view kNewLineEnd = "\r\n";

// The blanks the Windows functions drop around lines, names and values: the C white space and
// Ctrl+Z, the old end-of-file mark. A no-break space is no blank.
bool isProfileBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r') || c == '\x1A';
}

std::string_view trimProfile(std::string_view s) {
    return trimRight(trimLeft(s, isProfileBlank), isProfileBlank);
}

// A name or value ends at a NUL, as the C strings of the Windows functions do.
std::string_view upToNul(std::string_view s) {
    return s.substr(0, s.find('\0'));
}

// A name cut by a NUL loses the blanks before it too, so that a read, which drops the blanks
// around the name it is given, still finds it.
std::string_view nameUpToNul(std::string_view s) {
    return trimRight(upToNul(s), isProfileBlank);
}

bool isContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Characters as the Windows program counted them: one per character, not per UTF-8 byte.
std::size_t characters(std::string_view s) {
    return static_cast<std::size_t>(
        std::count_if(s.begin(), s.end(), [](char c) { return !isContinuationByte(c); }));
}

// The first `count` characters; a character is never split.
std::string_view firstCharacters(std::string_view s, std::size_t count) {
    std::size_t seen = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (!isContinuationByte(s[i]) && seen++ == count) {
            return s.substr(0, i);
        }
    }
    return s;
}

std::string_view withoutLastCharacter(std::string_view s) {
    while (!s.empty()) {
        const char last = s.back();
        s.remove_suffix(1);
        if (!isContinuationByte(last)) {
            break;
        }
    }
    return s;
}

// What a list of names leaves in a Windows buffer of `buffer` characters: each name followed by a
// NUL, the list by one more. When they do not all fit, Windows fills buffer - 2 places and cuts the
// last name there; a cut name is left out here instead, as it names nothing in the file.
std::vector<std::string> fitInBuffer(std::vector<std::string> names, std::size_t buffer) {
    const std::size_t room = buffer - 2;
    std::size_t used = 0;
    std::size_t kept = 0;
    for (; kept < names.size(); ++kept) {
        const std::size_t length = characters(names[kept]);
        if (used + length > room) {
            break;
        }
        used += length + 1;
    }
    names.resize(kept);
    return names;
}

struct Line {
    std::string text;  // without its line end, in UTF-8
    std::string end;   // "\r\n", "\n", "\r", or empty for a last line without one
};

std::vector<Line> splitLines(std::string_view text) {
    std::vector<Line> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t stop = text.find_first_of("\r\n", start);
        if (stop == std::string_view::npos) {
            lines.push_back({std::string(text.substr(start)), {}});
            break;
        }
        const std::size_t endLength = text.compare(stop, 2, "\r\n") == 0 ? 2 : 1;
        lines.push_back(
            {std::string(text.substr(start, stop - start)), std::string(text.substr(stop, endLength))});
        start = stop + endLength;
    }
    return lines;
}

enum class Kind { Blank, Header, Key };

struct Parsed {
    Kind kind = Kind::Blank;
    std::string_view name;
    std::optional<std::string_view> value;  // none for a key line without "="
    std::size_t nameEnd = 0;                // where the name ends in the line
    std::size_t valueStart = 0;             // where the value begins in the line
    bool bare = false;                      // the line starts with "=": no name, not even a NUL
};

Parsed parse(std::string_view line) {
    const std::string_view rest = trimProfile(line);
    if (rest.empty()) {
        return {};
    }
    const std::size_t offset = static_cast<std::size_t>(rest.data() - line.data());
    if (rest.front() == '[') {
        // The name ends at the last "]", so "[a]b]" is the section "a]b".
        if (const std::size_t close = rest.rfind(']'); close != std::string_view::npos && close > 0) {
            return {Kind::Header, nameUpToNul(trimProfile(rest.substr(1, close - 1))), {}, 0, 0};
        }
    }
    const std::size_t equals = rest.find('=');
    if (equals == std::string_view::npos) {
        return {Kind::Key, nameUpToNul(rest), std::nullopt, offset + rest.size(), 0};
    }
    const std::string_view name = trimRight(rest.substr(0, equals), isProfileBlank);
    const std::string_view value = trimLeft(rest.substr(equals + 1), isProfileBlank);
    const std::size_t valueStart = offset + static_cast<std::size_t>(value.data() - rest.data());
    return {Kind::Key, nameUpToNul(name), upToNul(value), offset + name.size(), valueStart, name.empty()};
}

bool isComment(std::string_view name) {
    return name.starts_with(';');
}

// The lines of one appearance of a section: the lines above the first header are the section "".
struct Part {
    std::string_view name;
    std::optional<std::size_t> header;
    std::size_t begin;  // the first line below the header
    std::size_t end;
};

std::vector<Part> partsOf(const std::vector<Line>& lines) {
    std::vector<Part> parts{{{}, std::nullopt, 0, lines.size()}};
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Parsed p = parse(lines[i].text);
        if (p.kind == Kind::Header) {
            parts.back().end = i;
            parts.push_back({p.name, i, i + 1, lines.size()});
        }
    }
    return parts;
}

// Windows reads and writes only the first part of a section named more than once.
std::optional<Part> firstPart(const std::vector<Line>& lines, std::string_view section, bool trimmed = true) {
    const std::string folded = iniFoldName(trimmed ? trimProfile(section) : section);
    for (const Part& part : partsOf(lines)) {
        if (iniFoldName(part.name) == folded) {
            return part;
        }
    }
    return std::nullopt;
}

// Windows keeps no line that starts with "=" right after a key whose name is empty ("=b" below
// "=a", below "\0", or below "\0x=1", whose name a NUL ends at once): such a line is not there for
// any read. A name that a NUL ends is empty, but it is a name: the line after it is kept.
bool hiddenEmptyName(const Parsed& p, bool& previousEmpty) {
    if (p.kind != Kind::Key) {
        return false;
    }
    const bool hidden = p.bare && previousEmpty;
    previousEmpty = p.name.empty();
    return hidden;
}

// The first line of the key in the section's first part: a line without "=" and a comment line
// name keys too.
std::optional<std::size_t> keyLine(const std::vector<Line>& lines, const Part& part, std::string_view key,
                                   bool trimmed = true) {
    const std::string folded = iniFoldName(trimmed ? trimProfile(key) : key);
    bool previousEmpty = false;
    for (std::size_t i = part.begin; i < part.end; ++i) {
        const Parsed p = parse(lines[i].text);
        if (hiddenEmptyName(p, previousEmpty)) {
            continue;
        }
        if (p.kind == Kind::Key && iniFoldName(p.name) == folded) {
            return i;
        }
    }
    return std::nullopt;
}

enum class FileState { Missing, Text, Unreadable, Lossy };

enum class Encoding { Windows1252, Utf8, Utf8Marked, Utf16Le, Utf16Be };

struct Document {
    FileState state = FileState::Missing;
    Encoding encoding = Encoding::Windows1252;
    std::string bytes;
    std::vector<Line> lines;
};

bool hasNonAscii(std::string_view s) {
    return std::any_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

Document load(const fs::path& file) {
    Document doc;
    std::error_code error;
    std::optional<std::string> bytes = readWholeFile(file, error);
    if (!bytes) {
        doc.state = error ? FileState::Unreadable : FileState::Missing;
        return doc;
    }
    doc.state = FileState::Text;
    const std::string_view raw = *bytes;
    std::string text;
    if (raw.starts_with(kUtf16LeMark) || raw.starts_with(kUtf16BeMark)) {
        doc.encoding = raw.starts_with(kUtf16LeMark) ? Encoding::Utf16Le : Encoding::Utf16Be;
        bool lossless = true;
        text = utf16ToUtf8(raw.substr(2), doc.encoding == Encoding::Utf16Be, lossless);
        if (!lossless) {
            doc.state = FileState::Lossy;
        }
    } else if (raw.starts_with(kUtf8Mark)) {
        doc.encoding = Encoding::Utf8Marked;
        text = raw.substr(kUtf8Mark.size());
        if (!isValidUtf8(text)) {
            doc.encoding = Encoding::Windows1252;
            text = windows1252ToUtf8(raw);
        }
    } else if (hasNonAscii(raw) && isValidUtf8(raw)) {
        doc.encoding = Encoding::Utf8;
        text = raw;
    } else {
        text = windows1252ToUtf8(raw);
    }
    doc.lines = splitLines(text);
    doc.bytes = std::move(*bytes);
    return doc;
}

bool startsWithAMark(std::string_view bytes) {
    return bytes.starts_with(kUtf8Mark) || bytes.starts_with(kUtf16LeMark) || bytes.starts_with(kUtf16BeMark);
}

// The lines in the file's own encoding, so that every line a write did not change keeps its
// bytes. A Windows-1252 file takes a character outside its code page, text whose bytes would read
// back as UTF-8, or a first line whose bytes would read as a byte-order mark ("ÿþ" is the UTF-16
// one), only by becoming UTF-8 as a whole.
std::string encode(const std::vector<Line>& lines, Encoding encoding) {
    std::string text;
    for (const Line& line : lines) {
        text += line.text;
        text += line.end;
    }
    switch (encoding) {
        case Encoding::Utf16Le:
            return std::string(kUtf16LeMark) + utf8ToUtf16(text, false);
        case Encoding::Utf16Be:
            return std::string(kUtf16BeMark) + utf8ToUtf16(text, true);
        case Encoding::Utf8Marked:
            return std::string(kUtf8Mark) + text;
        case Encoding::Utf8:
            break;
        case Encoding::Windows1252:
            if (std::optional<std::string> page = utf8ToWindows1252(text);
                page && !startsWithAMark(*page) && (!hasNonAscii(*page) || !isValidUtf8(*page))) {
                return *page;
            }
            break;
    }
    // UTF-8: a text that starts with the mark's own character (U+FEFF) needs a mark before it, or
    // reading drops it.
    if (text.starts_with(kUtf8Mark)) {
        text.insert(0, kUtf8Mark);
    }
    return text;
}

// Runs one change on the file's lines and writes the result, unless nothing changed.
template <typename Change>
void changeFile(const fs::path& file, Change&& change) {
    Document doc = load(file);
    if (doc.state == FileState::Unreadable) {
        throw ProfileWriteError(file, "sie kann nicht gelesen werden");
    }
    if (doc.state == FileState::Lossy) {
        throw ProfileWriteError(file, "sie enthält ungültige UTF-16-Zeichen");
    }
    if (!change(doc.lines)) {
        return;
    }
    const std::string bytes = encode(doc.lines, doc.encoding);
    if (doc.state == FileState::Text && bytes == doc.bytes) {
        return;
    }
    try {
        replaceFileAtomically(file, bytes);
    } catch (const fs::filesystem_error&) {
        throw ProfileWriteError(file);
    }
}

void insertLine(std::vector<Line>& lines, std::size_t at, std::string text) {
    if (at > 0 && lines[at - 1].end.empty()) {
        lines[at - 1].end = kNewLineEnd;
    }
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at),
                 Line{std::move(text), std::string(kNewLineEnd)});
}

void checkText(const fs::path& file, std::string_view text) {
    if (text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos) {
        throw ProfileWriteError(file, "ein Name oder Wert enthält einen Zeilenumbruch oder ein NUL-Zeichen");
    }
    if (!isValidUtf8(text)) {
        throw ProfileWriteError(file, "ein Name oder Wert ist kein gültiger UTF-8-Text");
    }
}

// The key line must read back as the same key with the same value.
void checkKeyLine(const fs::path& file, std::string_view line, std::string_view key, std::string_view value) {
    const Parsed p = parse(line);
    if (p.kind == Kind::Header) {
        throw ProfileWriteError(file, "die Zeile „" + std::string(line) + "“ würde als Gruppe gelesen");
    }
    if (p.kind != Kind::Key || iniFoldName(p.name) != iniFoldName(key) || p.value != value) {
        throw ProfileWriteError(file, "die Zeile „" + std::string(line) + "“ würde anders gelesen");
    }
}

// The header line must read back as the same section.
void checkHeader(const fs::path& file, std::string_view section) {
    const std::string line = "[" + std::string(section) + "]";
    const Parsed header = parse(line);
    if (section.empty() || header.kind != Kind::Header || header.name != section) {
        throw ProfileWriteError(file, "der Gruppenname „" + std::string(section) + "“ würde anders gelesen");
    }
}

// A value as Windows copies it into a buffer of kValueBuffer characters: one pair of matching
// quotes around it is dropped, and it is cut to fit. The closing quote is dropped from the cut
// text too, as Windows does when the value only just fits.
std::string bufferedValue(std::string_view value) {
    bool quoted = false;
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        quoted = true;
        value.remove_prefix(1);
    }
    std::string_view copied = firstCharacters(value, kValueBuffer - 1);
    if (quoted && characters(value) <= kValueBuffer) {
        copied = withoutLastCharacter(copied);
    }
    return std::string(copied);
}

// Windows drops the spaces (not tabs) at the end of a default, but keeps its first character.
std::string_view defaultAsRead(std::string_view defaultValue) {
    while (defaultValue.size() > 1 && defaultValue.back() == ' ') {
        defaultValue.remove_suffix(1);
    }
    return defaultValue;
}

}  // namespace

ProfileWriteError::ProfileWriteError(const fs::path& file)
    : std::runtime_error("nach " + file.string() + " kann nicht geschrieben werden") {}

ProfileWriteError::ProfileWriteError(const fs::path& file, std::string_view reason)
    : std::runtime_error("nach " + file.string() + " kann nicht geschrieben werden: " + std::string(reason)) {
}

std::string iniFoldName(std::string_view name) {
    std::string folded(name);
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(folded[i]); };
    for (std::size_t i = 0; i < folded.size(); ++i) {
        const unsigned char c = byte(i);
        if (c >= 'A' && c <= 'Z') {
            folded[i] = static_cast<char>(c + ('a' - 'A'));
        } else if ((c == 0xC3 || c == 0xC5) && i + 1 < folded.size() && isContinuationByte(folded[i + 1])) {
            const unsigned char next = byte(++i);
            if (c == 0xC3 && next >= 0x80 && next <= 0x9E && next != 0x97) {
                folded[i] = static_cast<char>(next + 0x20);  // À ... Þ except ×
            } else if (c == 0xC5 && (next == 0x92 || next == 0xA0 || next == 0xBD)) {
                folded[i] = static_cast<char>(next + 1);  // Œ, Š, Ž
            } else if (c == 0xC5 && next == 0xB8) {
                folded[i - 1] = '\xC3';  // Ÿ is U+0178, its small form ÿ U+00FF
                folded[i] = '\xBF';
            }
        }
    }
    return folded;
}

std::vector<std::string> iniReadSections(const fs::path& file) {
    const Document doc = load(file);
    std::vector<std::string> names;
    for (const Part& part : partsOf(doc.lines)) {
        if (!part.name.empty()) {
            names.emplace_back(part.name);
        }
    }
    return fitInBuffer(std::move(names), kSectionListBuffer);
}

namespace {

std::vector<std::string> keysOf(const std::vector<Line>& lines, std::string_view section) {
    std::vector<std::string> names;
    // Listing takes the section's name as it is, blanks included, as Windows does.
    const std::optional<Part> part = firstPart(lines, section, false);
    if (!part) {
        return names;
    }
    bool previousEmpty = false;
    for (std::size_t i = part->begin; i < part->end; ++i) {
        const Parsed p = parse(lines[i].text);
        if (hiddenEmptyName(p, previousEmpty) || p.kind != Kind::Key || !p.value || isComment(p.name)) {
            continue;
        }
        if (p.name.empty()) {
            break;  // "=x" leaves an empty name, which ends the Windows list
        }
        names.emplace_back(p.name);
    }
    return fitInBuffer(std::move(names), kKeyListBuffer);
}

std::optional<std::string> readValue(const std::vector<Line>& lines, std::string_view section,
                                     std::string_view key) {
    const std::optional<Part> part = firstPart(lines, section);
    if (!part) {
        return std::nullopt;
    }
    const std::optional<std::size_t> at = keyLine(lines, *part, key);
    if (!at) {
        return std::nullopt;
    }
    const Parsed p = parse(lines[*at].text);
    if (!p.value) {
        return std::nullopt;
    }
    return bufferedValue(*p.value);
}

}  // namespace

std::vector<std::pair<std::string, std::string>> iniReadSection(const fs::path& file,
                                                                std::string_view section) {
    const Document doc = load(file);
    std::vector<std::pair<std::string, std::string>> entries;
    for (std::string& key : keysOf(doc.lines, section)) {
        std::string value = readValue(doc.lines, section, key).value_or(std::string());
        entries.emplace_back(std::move(key), std::move(value));
    }
    return entries;
}

std::vector<std::string> iniReadSectionLines(const fs::path& file, std::string_view section) {
    const Document doc = load(file);
    std::vector<std::string> entries;
    // Unlike the other reads, this one takes the section's name as it is, blanks included.
    const std::optional<Part> part = firstPart(doc.lines, section, false);
    if (!part) {
        return entries;
    }
    bool previousEmpty = false;
    for (std::size_t i = part->begin; i < part->end; ++i) {
        const Parsed p = parse(doc.lines[i].text);
        if (hiddenEmptyName(p, previousEmpty) || p.kind != Kind::Key || (p.name.empty() && !p.value) ||
            isComment(p.name)) {
            continue;
        }
        std::string entry(p.name);
        if (p.value) {
            entry += "=";
            entry += *p.value;
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::vector<std::string> iniReadKeys(const fs::path& file, std::string_view section) {
    return keysOf(load(file).lines, section);
}

std::string iniReadString(const fs::path& file, std::string_view section, std::string_view key,
                          std::string_view defaultValue) {
    return readValue(load(file).lines, section, key).value_or(std::string(defaultAsRead(defaultValue)));
}

void iniWriteString(const fs::path& file, std::string_view section, std::string_view key,
                    std::string_view value) {
    section = trimProfile(section);
    key = trimProfile(key);
    value = trimProfile(value);
    checkText(file, section);
    checkText(file, key);
    checkText(file, value);
    if (key.empty()) {
        throw ProfileWriteError(file, "ein Befehl braucht einen Namen");
    }
    if (key.find('=') != std::string_view::npos) {
        throw ProfileWriteError(file, "ein Befehlsname darf kein „=“ enthalten");
    }
    const std::string newLine = std::string(key) + "=" + std::string(value);
    checkKeyLine(file, newLine, key, value);
    if (!section.empty()) {
        checkHeader(file, section);
    }

    changeFile(file, [&](std::vector<Line>& lines) {
        const std::optional<Part> part = firstPart(lines, section);
        if (!part) {
            insertLine(lines, lines.size(), "[" + std::string(section) + "]");
            insertLine(lines, lines.size(), newLine);
            return true;
        }
        if (const std::optional<std::size_t> at = keyLine(lines, *part, key)) {
            Line& line = lines[*at];
            const Parsed p = parse(line.text);
            if (p.value == value) {
                return false;
            }
            // A line without "=" gets one; the name keeps its spelling and place.
            std::string replaced = p.value ? line.text.substr(0, p.valueStart) + std::string(value)
                                           : line.text.substr(0, p.nameEnd) + "=" + std::string(value);
            checkKeyLine(file, replaced, key, value);
            line.text = std::move(replaced);
            return true;
        }
        // Below the part's last line that is not blank: Windows keeps no blank lines, so that is
        // where its reader finds the key too.
        std::size_t at = part->begin;
        for (std::size_t i = part->begin; i < part->end; ++i) {
            if (parse(lines[i].text).kind != Kind::Blank) {
                at = i + 1;
            }
        }
        insertLine(lines, at, newLine);
        return true;
    });
}

// Deleting and erasing take the names as they are, blanks included, as Windows does.
void iniDeleteKey(const fs::path& file, std::string_view section, std::string_view key) {
    changeFile(file, [&](std::vector<Line>& lines) {
        const std::optional<Part> part = firstPart(lines, section, false);
        if (!part) {
            return false;
        }
        const std::optional<std::size_t> at = keyLine(lines, *part, key, false);
        if (!at) {
            return false;
        }
        // The lines an empty name hid go with it: no read saw them, and Windows, which drops them
        // as it reads the file, leaves the key without a value then.
        std::vector<std::size_t> gone{*at};
        if (parse(lines[*at].text).name.empty()) {
            for (std::size_t i = *at + 1; i < part->end; ++i) {
                const Parsed p = parse(lines[i].text);
                if (p.kind == Kind::Key && !p.bare) {
                    break;
                }
                if (p.kind == Kind::Key) {
                    gone.push_back(i);
                }
            }
        }
        for (auto line = gone.rbegin(); line != gone.rend(); ++line) {
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(*line));
        }
        return true;
    });
}

void iniEraseSection(const fs::path& file, std::string_view section) {
    changeFile(file, [&](std::vector<Line>& lines) {
        const std::optional<Part> part = firstPart(lines, section, false);
        if (!part || (!part->header && part->begin == part->end)) {
            return false;
        }
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(part->header.value_or(part->begin)),
                    lines.begin() + static_cast<std::ptrdiff_t>(part->end));
        return true;
    });
}

void iniAddSection(const fs::path& file, std::string_view section) {
    section = trimProfile(section);
    checkText(file, section);
    checkHeader(file, section);
    changeFile(file, [&](std::vector<Line>& lines) {
        if (firstPart(lines, section)) {
            return false;
        }
        insertLine(lines, lines.size(), "[" + std::string(section) + "]");
        return true;
    });
}

}  // namespace pw
