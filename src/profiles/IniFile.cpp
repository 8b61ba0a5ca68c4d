#include "profiles/IniFile.h"

#include <algorithm>
#include <optional>
#include <system_error>
#include <unordered_set>

#include "texts/AtomicFile.h"
#include "texts/TextEncoding.h"

namespace pw {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kNewLineEnd = "\r\n";

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trimLeft(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) {
        s.remove_prefix(1);
    }
    return s;
}

std::string_view trim(std::string_view s) {
    s = trimLeft(s);
    while (!s.empty() && isBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
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
    std::string text;  // without its line end
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

enum class Kind { Other, Header, Key };

struct Parsed {
    Kind kind = Kind::Other;
    std::string_view name;
    std::string_view value;
    std::size_t valueStart = 0;  // where the value begins in the line, after "=" and its blanks
};

Parsed parse(std::string_view line) {
    const std::string_view rest = trimLeft(line);
    if (rest.starts_with('[')) {
        if (const std::size_t close = rest.find(']'); close != std::string_view::npos) {
            return {Kind::Header, trim(rest.substr(1, close - 1)), {}, 0};
        }
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
        return {};
    }
    const std::string_view afterEquals = line.substr(equals + 1);
    const std::string_view value = trimLeft(afterEquals);
    return {Kind::Key, trim(line.substr(0, equals)), trim(value), line.size() - value.size()};
}

// The lines of one appearance of a section: its header and the lines up to the next header.
struct Part {
    std::size_t header;
    std::size_t end;
};

std::vector<Part> partsOf(const std::vector<Line>& lines, std::string_view section) {
    const std::string folded = iniFoldName(trim(section));
    std::vector<Part> parts;
    bool inside = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Parsed p = parse(lines[i].text);
        if (p.kind != Kind::Header) {
            continue;
        }
        if (inside) {
            parts.back().end = i;
        }
        inside = iniFoldName(p.name) == folded;
        if (inside) {
            parts.push_back({i, lines.size()});
        }
    }
    return parts;
}

enum class FileState { Missing, Text, Unreadable, Binary };

struct Document {
    FileState state = FileState::Missing;
    std::string bytes;
    std::vector<Line> lines;
    bool byteOrderMark = false;
};

Document load(const fs::path& file) {
    Document doc;
    std::error_code error;
    std::optional<std::string> bytes = readWholeFile(file, error);
    if (!bytes) {
        doc.state = error ? FileState::Unreadable : FileState::Missing;
        return doc;
    }
    const std::optional<std::string> text = decodeTextFile(*bytes);
    if (!text) {
        doc.state = FileState::Binary;
        return doc;
    }
    doc.state = FileState::Text;
    doc.byteOrderMark = bytes->starts_with(kByteOrderMark);
    doc.lines = splitLines(*text);
    doc.bytes = std::move(*bytes);
    return doc;
}

// Windows-1252 when every character fits and the bytes read back as the same text (they may not:
// "Ã¤" in Windows-1252 is the UTF-8 of "ä"), else UTF-8.
std::string encode(const std::vector<Line>& lines, bool byteOrderMark) {
    std::string text;
    for (const Line& line : lines) {
        text += line.text;
        text += line.end;
    }
    if (std::optional<std::string> page = utf8ToWindows1252(text); page && decodeTextFile(*page) == text) {
        return *page;
    }
    // A text that starts with the mark's own character needs a mark before it, or reading drops it.
    if (byteOrderMark || text.starts_with(kByteOrderMark)) {
        text.insert(0, kByteOrderMark);
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
    if (doc.state == FileState::Binary) {
        throw ProfileWriteError(file, "sie ist keine Textdatei");
    }
    if (!change(doc.lines)) {
        return;
    }
    const std::string bytes = encode(doc.lines, doc.byteOrderMark);
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

void checkSection(const fs::path& file, std::string_view section) {
    checkText(file, section);
    if (section.find(']') != std::string_view::npos) {
        throw ProfileWriteError(file, "ein Gruppenname darf kein „]“ enthalten");
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
    std::unordered_set<std::string> seen;
    for (const Line& line : doc.lines) {
        const Parsed p = parse(line.text);
        if (p.kind != Kind::Header || p.name.empty()) {
            continue;
        }
        if (seen.insert(iniFoldName(p.name)).second) {
            names.emplace_back(p.name);
        }
    }
    return fitInBuffer(std::move(names), kSectionListBuffer);
}

namespace {

std::vector<std::string> keysOf(const std::vector<Line>& lines, std::string_view section) {
    std::vector<std::string> names;
    std::unordered_set<std::string> seen;
    for (const Part& part : partsOf(lines, section)) {
        for (std::size_t i = part.header + 1; i < part.end; ++i) {
            const Parsed p = parse(lines[i].text);
            if (p.kind != Kind::Key || p.name.empty()) {
                continue;
            }
            if (seen.insert(iniFoldName(p.name)).second) {
                names.emplace_back(p.name);
            }
        }
    }
    return fitInBuffer(std::move(names), kKeyListBuffer);
}

std::optional<std::string> readValue(const std::vector<Line>& lines, std::string_view section,
                                     std::string_view key) {
    const std::string folded = iniFoldName(trim(key));
    for (const Part& part : partsOf(lines, section)) {
        for (std::size_t i = part.header + 1; i < part.end; ++i) {
            const Parsed p = parse(lines[i].text);
            if (p.kind == Kind::Key && iniFoldName(p.name) == folded) {
                return std::string(firstCharacters(p.value, kValueBuffer - 1));
            }
        }
    }
    return std::nullopt;
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

std::vector<std::string> iniReadKeys(const fs::path& file, std::string_view section) {
    return keysOf(load(file).lines, section);
}

std::string iniReadString(const fs::path& file, std::string_view section, std::string_view key,
                          std::string_view defaultValue) {
    return readValue(load(file).lines, section, key).value_or(std::string(defaultValue));
}

void iniWriteString(const fs::path& file, std::string_view section, std::string_view key,
                    std::string_view value) {
    section = trim(section);
    key = trim(key);
    value = trim(value);
    checkSection(file, section);
    checkText(file, key);
    checkText(file, value);
    if (key.find('=') != std::string_view::npos) {
        throw ProfileWriteError(file, "ein Befehlsname darf kein „=“ enthalten");
    }
    if (characters(value) >= kValueBuffer) {
        throw ProfileWriteError(file, "ein Wert darf höchstens 1023 Zeichen lang sein");
    }
    const std::string newLine = std::string(key) + "=" + std::string(value);
    checkKeyLine(file, newLine, key, value);

    changeFile(file, [&](std::vector<Line>& lines) {
        const std::vector<Part> parts = partsOf(lines, section);
        if (parts.empty()) {
            insertLine(lines, lines.size(), "[" + std::string(section) + "]");
            insertLine(lines, lines.size(), newLine);
            return true;
        }
        const std::string folded = iniFoldName(key);
        for (const Part& part : parts) {
            for (std::size_t i = part.header + 1; i < part.end; ++i) {
                const Parsed p = parse(lines[i].text);
                if (p.kind != Kind::Key || iniFoldName(p.name) != folded) {
                    continue;
                }
                if (p.value == value) {
                    return false;
                }
                std::string replaced = lines[i].text.substr(0, p.valueStart) + std::string(value);
                checkKeyLine(file, replaced, key, value);
                lines[i].text = std::move(replaced);
                return true;
            }
        }
        const Part& last = parts.back();
        std::size_t at = last.header + 1;
        for (std::size_t i = at; i < last.end; ++i) {
            if (parse(lines[i].text).kind == Kind::Key) {
                at = i + 1;
            }
        }
        insertLine(lines, at, newLine);
        return true;
    });
}

void iniDeleteKey(const fs::path& file, std::string_view section, std::string_view key) {
    changeFile(file, [&](std::vector<Line>& lines) {
        const std::string folded = iniFoldName(trim(key));
        const std::vector<Part> parts = partsOf(lines, section);
        bool changed = false;
        for (auto part = parts.rbegin(); part != parts.rend(); ++part) {
            for (std::size_t i = part->end; i-- > part->header + 1;) {
                const Parsed p = parse(lines[i].text);
                if (p.kind == Kind::Key && iniFoldName(p.name) == folded) {
                    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(i));
                    changed = true;
                }
            }
        }
        return changed;
    });
}

void iniEraseSection(const fs::path& file, std::string_view section) {
    changeFile(file, [&](std::vector<Line>& lines) {
        const std::vector<Part> parts = partsOf(lines, section);
        for (auto part = parts.rbegin(); part != parts.rend(); ++part) {
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(part->header),
                        lines.begin() + static_cast<std::ptrdiff_t>(part->end));
        }
        return !parts.empty();
    });
}

void iniAddSection(const fs::path& file, std::string_view section) {
    section = trim(section);
    checkSection(file, section);
    changeFile(file, [&](std::vector<Line>& lines) {
        if (!partsOf(lines, section).empty()) {
            return false;
        }
        insertLine(lines, lines.size(), "[" + std::string(section) + "]");
        return true;
    });
}

}  // namespace pw
