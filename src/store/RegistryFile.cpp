#include "store/RegistryFile.h"

#include <cstdint>
#include <optional>
#include <utility>

#include "texts/Blanks.h"
#include "texts/TextEncoding.h"

namespace pw {
namespace {

constexpr std::string_view kVersion5Header = "Windows Registry Editor Version 5.00";
constexpr std::string_view kRegedit4Header = "REGEDIT4";
constexpr std::string_view kHive = "HKEY_LOCAL_MACHINE";

constexpr auto kStringType = static_cast<std::uint32_t>(ValueType::String);
constexpr auto kExpandStringType = static_cast<std::uint32_t>(ValueType::ExpandString);
constexpr auto kBinaryType = static_cast<std::uint32_t>(ValueType::Binary);
constexpr auto kDWordType = static_cast<std::uint32_t>(ValueType::DWord);
constexpr auto kMultiStringType = static_cast<std::uint32_t>(ValueType::MultiString);

// ---- text ---------------------------------------------------------------------------------------

bool startsWithAsciiNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && equalsAsciiNoCase(s.substr(0, prefix.size()), prefix);
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// 1 to 8 hexadecimal digits as a number.
std::optional<std::uint32_t> parseHexNumber(std::string_view digits) {
    if (digits.empty() || digits.size() > 8) {
        return std::nullopt;
    }
    std::uint32_t n = 0;
    for (const char c : digits) {
        const int d = hexDigit(c);
        if (d < 0) {
            return std::nullopt;
        }
        n = (n << 4) | static_cast<std::uint32_t>(d);
    }
    return n;
}

// Text of the file shown in a reason, cut at a character boundary so that a long line stays
// readable.
std::string shown(std::string_view text) {
    constexpr std::size_t kMost = 40;
    if (text.size() <= kMost) {
        return std::string(text);
    }
    std::size_t end = kMost;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    return std::string(text.substr(0, end)) + "...";
}

// The store keeps strings as UTF-8; bytes that are not (which the store should never hold) are
// read as Windows-1252, as the program reads every other text of unknown encoding.
std::string asText(std::string_view bytes) {
    return isValidUtf8(bytes) ? std::string(bytes) : windows1252ToUtf8(bytes);
}

void appendUtf16Unit(std::string& out, char32_t unit) {
    out += static_cast<char>(unit & 0xFF);
    out += static_cast<char>((unit >> 8) & 0xFF);
}

// Well-formed UTF-8 (see asText) as UTF-16LE bytes.
std::string utf8ToUtf16le(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size() * 2);
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        std::size_t length = 1;
        char32_t c = lead;
        if (lead >= 0xF0) {
            length = 4, c = lead & 0x07u;
        } else if (lead >= 0xE0) {
            length = 3, c = lead & 0x0Fu;
        } else if (lead >= 0xC0) {
            length = 2, c = lead & 0x1Fu;
        }
        for (std::size_t k = 1; k < length && i + k < utf8.size(); ++k) {
            c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3Fu);
        }
        i += length;
        if (c >= 0x10000) {
            appendUtf16Unit(out, 0xD800 + ((c - 0x10000) >> 10));
            appendUtf16Unit(out, 0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            appendUtf16Unit(out, c);
        }
    }
    return out;
}

// UTF-16LE bytes as UTF-8; NUL characters are kept. nullopt for an odd byte count or a surrogate
// without its partner.
std::optional<std::string> utf16leToUtf8(std::string_view bytes) {
    if (bytes.size() % 2 != 0) {
        return std::nullopt;
    }
    const auto unitAt = [&](std::size_t i) {
        return static_cast<char32_t>(static_cast<unsigned char>(bytes[i]) |
                                     (static_cast<unsigned char>(bytes[i + 1]) << 8));
    };
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        char32_t c = unitAt(i);
        if (c >= 0xDC00 && c <= 0xDFFF) {
            return std::nullopt;
        }
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 3 >= bytes.size()) {
                return std::nullopt;
            }
            const char32_t low = unitAt(i + 2);
            if (low < 0xDC00 || low > 0xDFFF) {
                return std::nullopt;
            }
            c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
            i += 2;
        }
        appendUtf8(out, c);
    }
    return out;
}

// How many UTF-16 units the text takes: the registry editor measures its lines in those.
std::size_t utf16Length(std::string_view utf8) {
    std::size_t n = 0;
    for (const char ch : utf8) {
        const auto b = static_cast<unsigned char>(ch);
        if ((b & 0xC0) != 0x80) {
            n += b >= 0xF0 ? 2 : 1;
        }
    }
    return n;
}

std::string joinPath(const std::vector<std::string_view>& names) {
    std::string path;
    for (const std::string_view name : names) {
        if (!path.empty()) {
            path += '\\';
        }
        path += name;
    }
    return path;
}

// True when the path is one of the roots or lies below one.
bool insideRegistryFileRoots(const std::vector<std::string_view>& names) {
    for (const std::string_view root : kRegistryFileRoots) {
        const std::vector<std::string_view> rootNames = splitKeyPath(root);
        if (names.size() < rootNames.size()) {
            continue;
        }
        bool same = true;
        for (std::size_t i = 0; i < rootNames.size() && same; ++i) {
            same = foldKeyName(names[i]) == foldKeyName(rootNames[i]);
        }
        if (same) {
            return true;
        }
    }
    return false;
}

// ---- import -------------------------------------------------------------------------------------

enum class Format { Version5, Regedit4 };

struct Operation {
    enum class Kind { CreateKey, DeleteKey, WriteValue, DeleteValue };
    Kind kind;
    std::string path;
    std::string name;
    RegistryValue value;
};

// One piece of a value's data: the text of one line of the file, continuation lines included.
struct DataPiece {
    std::size_t line;
    std::string_view text;
};

// A value line's data, or why it cannot be used (and on which line).
struct ParsedData {
    bool remove = false;  // "name"=-
    RegistryValue value;
    std::optional<RegistryFileIssue> problem;
};

// The file's lines without their CR LF or LF.
std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(start, end - start);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

class RegistryFileReader {
public:
    RegistryFileReader(const std::vector<std::string_view>& lines, Format format)
        : format_(format), lines_(lines) {}

    // Reads every line after the header, which is at `headerIndex`.
    void read(std::size_t headerIndex) {
        for (next_ = headerIndex + 1; next_ < lines_.size();) {
            const std::size_t number = next_ + 1;
            const std::string_view line = trimLeft(lines_[next_++]);
            if (line.empty() || line.front() == ';') {
                continue;
            }
            if (line.front() == '[') {
                keyLine(number, line);
            } else if (line.front() == '"' || line.front() == '@') {
                valueLine(number, line);
            } else {
                issue(number, "not a key, value or comment line: '" + shown(trimRight(line)) + "'");
            }
        }
        closeSkippedKey();
    }

    std::vector<Operation> operations;
    std::vector<RegistryFileIssue> issues;
    std::size_t skippedValueLines = 0;  // value lines of skipped keys, which have no issue of their own

private:
    enum class Where { Nowhere, InKey, SkippedKey, AfterDeletion };

    void issue(std::size_t line, std::string reason) { issues.push_back({line, std::move(reason)}); }

    void keyLine(std::size_t number, std::string_view line) {
        closeSkippedKey();
        const std::size_t close = line.rfind(']');
        if (close == std::string_view::npos) {
            skipKey(number, "key line without closing ']'");
            return;
        }
        if (!trim(line.substr(close + 1)).empty()) {
            skipKey(number,
                    "text after the key's closing ']': '" + shown(trim(line.substr(close + 1))) + "'");
            return;
        }
        std::string_view key = line.substr(1, close - 1);
        const bool deletion = key.starts_with('-');
        if (deletion) {
            key.remove_prefix(1);
        }
        const std::size_t slash = key.find('\\');
        const std::string_view hive = key.substr(0, slash);
        std::vector<std::string_view> names;
        if (slash != std::string_view::npos) {
            names = splitKeyPath(key.substr(slash + 1));
        }
        const bool ourHive = equalsAsciiNoCase(hive, kHive) || equalsAsciiNoCase(hive, "HKLM");
        if (!ourHive || !insideRegistryFileRoots(names)) {
            if (deletion) {
                issue(number, "key deletion outside PadWarden's tree: " + std::string(key));
                where_ = Where::AfterDeletion;
            } else {
                skipKey(number, "key outside PadWarden's tree: " + std::string(key));
            }
            return;
        }
        if (deletion) {
            operations.push_back({Operation::Kind::DeleteKey, joinPath(names), {}, {}});
            where_ = Where::AfterDeletion;
            return;
        }
        key_ = joinPath(names);
        operations.push_back({Operation::Kind::CreateKey, key_, {}, {}});
        where_ = Where::InKey;
    }

    // The key's value lines are skipped with it and counted in its issue.
    void skipKey(std::size_t number, std::string reason) {
        issue(number, std::move(reason));
        where_ = Where::SkippedKey;
        skippedKeyIssue_ = issues.size() - 1;
        skippedValues_ = 0;
    }

    void closeSkippedKey() {
        if (where_ == Where::SkippedKey && skippedValues_ > 0) {
            issues[skippedKeyIssue_].reason += " (" + std::to_string(skippedValues_) +
                                               (skippedValues_ == 1 ? " value line" : " value lines") +
                                               " skipped)";
        }
        skippedValues_ = 0;
    }

    void valueLine(std::size_t number, std::string_view line) {
        std::string name;
        std::size_t pos = 0;
        std::optional<std::string> problem;
        std::optional<ParsedData> data;
        if (line.front() == '@') {
            pos = 1;
        } else if (!readQuoted(line, pos, name)) {
            problem = "value name without closing quote";
        }
        if (!problem) {
            const std::string_view rest = trimLeft(line.substr(pos));
            if (!rest.starts_with('=')) {
                problem = "'=' missing after the value name";
            } else {
                data = parseData(number, trimLeft(rest.substr(1)));
            }
        }
        switch (where_) {
            case Where::SkippedKey:
                ++skippedValues_;
                ++skippedValueLines;
                return;
            case Where::Nowhere:
                issue(number, "a value line outside any key");
                return;
            case Where::AfterDeletion:
                issue(number, "a value line after a key deletion belongs to no key");
                return;
            case Where::InKey:
                break;
        }
        if (problem) {
            issue(number, *problem);
        } else if (data->problem) {
            issues.push_back(*data->problem);
        } else if (data->remove) {
            operations.push_back({Operation::Kind::DeleteValue, key_, std::move(name), {}});
        } else {
            operations.push_back(
                {Operation::Kind::WriteValue, key_, std::move(name), std::move(data->value)});
        }
    }

    // Reads a quoted text starting at line[pos] == '"', with the escapes \\ and \". Any other
    // backslash stands for itself, so that a hand-written "C:\Games" means what it says.
    static bool readQuoted(std::string_view line, std::size_t& pos, std::string& out) {
        for (std::size_t i = pos + 1; i < line.size(); ++i) {
            const char c = line[i];
            if (c == '"') {
                pos = i + 1;
                return true;
            }
            if (c == '\\' && i + 1 < line.size() && (line[i + 1] == '\\' || line[i + 1] == '"')) {
                out += line[++i];
            } else {
                out += c;
            }
        }
        return false;
    }

    ParsedData parseData(std::size_t number, std::string_view data) {
        ParsedData parsed;
        const auto fail = [&](std::size_t line, std::string reason) {
            parsed.problem = RegistryFileIssue{line, std::move(reason)};
            return parsed;
        };
        if (trimRight(data) == "-") {
            parsed.remove = true;
            return parsed;
        }
        if (data.starts_with('"')) {
            std::string text;
            std::size_t pos = 0;
            if (!readQuoted(data, pos, text)) {
                return fail(number, "string without closing quote");
            }
            if (!trim(data.substr(pos)).empty()) {
                return fail(number, "text after the closing quote: '" + shown(trim(data.substr(pos))) + "'");
            }
            parsed.value = RegistryValue::string(std::move(text));
            return parsed;
        }
        if (startsWithAsciiNoCase(data, "dword:")) {
            const std::string_view digits = trim(data.substr(6));
            const std::optional<std::uint32_t> n = parseHexNumber(digits);
            if (!n) {
                return fail(number, "dword value '" + shown(digits) + "' is not 1 to 8 hexadecimal digits");
            }
            std::string bytes;
            for (int shift = 0; shift < 32; shift += 8) {
                bytes += static_cast<char>((*n >> shift) & 0xFF);
            }
            parsed.value = {kDWordType, std::move(bytes)};
            return parsed;
        }
        if (startsWithAsciiNoCase(data, "hex")) {
            std::uint32_t type = kBinaryType;
            std::string_view rest = data.substr(3);
            if (rest.starts_with('(')) {
                const std::size_t close = rest.find(')');
                const std::optional<std::uint32_t> n = close == std::string_view::npos
                                                           ? std::nullopt
                                                           : parseHexNumber(rest.substr(1, close - 1));
                if (!n) {
                    const std::string_view written =
                        close == std::string_view::npos ? data : data.substr(0, close + 4);
                    return fail(number, "value type '" + shown(trimRight(written)) +
                                            "' is not hex(N) with a hexadecimal type number");
                }
                type = *n;
                rest = rest.substr(close + 1);
            }
            if (!rest.starts_with(':')) {
                return fail(number, "value data '" + shown(trimRight(data)) + "' is not understood");
            }
            return hexData(number, type, rest.substr(1));
        }
        return fail(number, "value data '" + shown(trimRight(data)) + "' is not understood");
    }

    // The bytes after "hex:" or "hex(N):", continued over the following lines while a line ends
    // with "\". A continuation stops early at a blank line or at a line that starts a key or a
    // value, so that a stray "\" costs this value only; comment lines in between are passed over.
    ParsedData hexData(std::size_t number, std::uint32_t type, std::string_view first) {
        std::vector<DataPiece> pieces{{number, trimRight(first)}};
        while (pieces.back().text.ends_with('\\')) {
            pieces.back().text = trimRight(pieces.back().text.substr(0, pieces.back().text.size() - 1));
            while (next_ < lines_.size() && trimLeft(lines_[next_]).starts_with(';')) {
                ++next_;
            }
            if (next_ >= lines_.size()) {
                break;
            }
            const std::string_view more = trim(lines_[next_]);
            if (more.empty() || more.front() == '[' || more.front() == '"' || more.front() == '@') {
                break;
            }
            pieces.push_back({++next_, more});
        }

        ParsedData parsed;
        std::string bytes;
        for (const DataPiece& piece : pieces) {
            std::size_t start = 0;
            while (start <= piece.text.size()) {
                std::size_t comma = piece.text.find(',', start);
                const bool last = comma == std::string_view::npos;
                if (last) {
                    comma = piece.text.size();
                }
                const std::string_view item = trim(piece.text.substr(start, comma - start));
                start = comma + 1;
                if (item.empty()) {
                    if (last) {
                        break;  // a line ending in a comma, or a line of no data
                    }
                    parsed.problem =
                        RegistryFileIssue{piece.line, "hex data has an empty place between commas"};
                    return parsed;
                }
                if (item.find_first_not_of("0123456789abcdefABCDEF") != std::string_view::npos) {
                    parsed.problem =
                        RegistryFileIssue{piece.line, "hex data '" + shown(item) + "' is not hexadecimal"};
                    return parsed;
                }
                if (item.size() > 2) {
                    parsed.problem =
                        RegistryFileIssue{piece.line, "hex data '" + shown(item) + "' is more than one byte"};
                    return parsed;
                }
                bytes += static_cast<char>(*parseHexNumber(item));
            }
        }
        return valueFromHex(number, type, std::move(bytes));
    }

    ParsedData valueFromHex(std::size_t number, std::uint32_t type, std::string bytes) const {
        ParsedData parsed;
        if (type == kStringType) {
            // The store keeps strings as UTF-8 text, whichever way the file wrote them.
            std::optional<std::string> text;
            if (format_ == Format::Regedit4) {
                if (bytes.ends_with('\0')) {
                    bytes.pop_back();
                }
                text = windows1252ToUtf8(bytes);
            } else {
                if (bytes.size() % 2 == 0 && bytes.ends_with(std::string_view("\0\0", 2))) {
                    bytes.resize(bytes.size() - 2);
                }
                text = utf16leToUtf8(bytes);
            }
            if (!text) {
                parsed.problem = RegistryFileIssue{number, "hex(1) data is not UTF-16 text"};
                return parsed;
            }
            parsed.value = RegistryValue::string(std::move(*text));
            return parsed;
        }
        if (format_ == Format::Regedit4 && (type == kExpandStringType || type == kMultiStringType)) {
            bytes = utf8ToUtf16le(windows1252ToUtf8(bytes));
        }
        parsed.value = {type, std::move(bytes)};
        return parsed;
    }

    Format format_;
    const std::vector<std::string_view>& lines_;
    std::size_t next_ = 0;
    Where where_ = Where::Nowhere;
    std::string key_;
    std::size_t skippedKeyIssue_ = 0;
    std::size_t skippedValues_ = 0;
};

// ---- export -------------------------------------------------------------------------------------

// The registry editor breaks hex data after the comma that brings a line to 77 characters or more
// and goes on after two blanks, so no line is longer than 80 characters with its "\".
constexpr std::size_t kHexLineBreak = 77;

std::string escaped(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    for (const char c : text) {
        if (c == '\\' || c == '"') {
            out += '\\';
        }
        out += c;
    }
    return out;
}

bool unwritableName(std::string_view name) {
    return name.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

void appendHex(std::string& out, std::size_t lineLength, std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        out += kDigits[b >> 4];
        out += kDigits[b & 0x0F];
        if (i + 1 == bytes.size()) {
            break;
        }
        out += ',';
        lineLength += 3;
        if (lineLength >= kHexLineBreak) {
            out += "\\\r\n  ";
            lineLength = 2;
        }
    }
}

std::string valueLine(std::string_view name, const RegistryValue& value) {
    std::string line = name.empty() ? std::string("@=") : "\"" + escaped(asText(name)) + "\"=";
    std::string_view hexBytes = value.data;
    std::string utf16;
    if (value.type == kStringType) {
        const std::string text = asText(value.data);
        if (text.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos) {
            return line + "\"" + escaped(text) + "\"\r\n";
        }
        utf16 = utf8ToUtf16le(text) + std::string(2, '\0');
        hexBytes = utf16;
    } else if (value.type == kDWordType && value.data.size() == 4) {
        std::uint32_t n = 0;
        for (int i = 3; i >= 0; --i) {
            n = (n << 8) | static_cast<unsigned char>(value.data[static_cast<std::size_t>(i)]);
        }
        static constexpr char kDigits[] = "0123456789abcdef";
        line += "dword:";
        for (int shift = 28; shift >= 0; shift -= 4) {
            line += kDigits[(n >> shift) & 0xF];
        }
        return line + "\r\n";
    }
    if (value.type == kBinaryType) {
        line += "hex:";
    } else {
        static constexpr char kDigits[] = "0123456789abcdef";
        std::string number;
        std::uint32_t n = value.type;
        do {
            number.insert(number.begin(), kDigits[n & 0xF]);
            n >>= 4;
        } while (n != 0);
        line += "hex(" + number + "):";
    }
    appendHex(line, utf16Length(line), hexBytes);
    return line + "\r\n";
}

class Exporter {
public:
    explicit Exporter(SettingsStore& store) : store_(store) {}

    void root(std::string_view path) {
        // The key as the store spells it, which need not be the spelling of our constant.
        std::string spelled;
        for (const std::string_view name : splitKeyPath(path)) {
            std::optional<std::string> found;
            for (const std::string& child : store_.subkeys(spelled)) {
                if (foldKeyName(child) == foldKeyName(name)) {
                    found = child;
                    break;
                }
            }
            if (!found) {
                return;
            }
            spelled += (spelled.empty() ? "" : "\\") + *found;
        }
        key(spelled);
    }

    void key(const std::string& path) {
        out_.text += "[" + std::string(kHive) + "\\" + asText(path) + "]\r\n";
        ++out_.keys;
        for (const std::string& name : store_.valueNames(path)) {
            if (unwritableName(name)) {
                out_.leftOut.push_back(asText(path) + ": " + asText(name));
                continue;
            }
            const std::optional<RegistryValue> value = store_.readValue(path, name);
            if (value) {
                out_.text += valueLine(name, *value);
                ++out_.values;
            }
        }
        out_.text += "\r\n";
        for (const std::string& child : store_.subkeys(path)) {
            if (unwritableName(child)) {
                out_.leftOut.push_back(asText(path + "\\" + child));
                continue;
            }
            key(path + "\\" + child);
        }
    }

    struct Result {
        std::string text;
        std::size_t keys = 0;
        std::size_t values = 0;
        std::vector<std::string> leftOut;
    };
    Result& result() { return out_; }

private:
    SettingsStore& store_;
    Result out_;
};

}  // namespace

RegistryImportReport importRegistryFile(SettingsStore& store, std::string_view fileBytes) {
    RegistryImportReport report;
    const std::optional<std::string> text = decodeTextFile(fileBytes);
    if (!text) {
        report.notRegistryFile = "the file holds binary data, not text";
        return report;
    }
    // The header tells the format; blank lines before it are tolerated.
    const std::vector<std::string_view> lines = splitLines(*text);
    std::string_view header;
    std::size_t headerIndex = 0;
    for (; headerIndex < lines.size(); ++headerIndex) {
        header = trim(lines[headerIndex]);
        if (!header.empty()) {
            break;
        }
    }
    Format format = Format::Version5;
    if (header == kRegedit4Header) {
        format = Format::Regedit4;
    } else if (header != kVersion5Header) {
        report.notRegistryFile = "its first line is neither \"" + std::string(kVersion5Header) + "\" nor \"" +
                                 std::string(kRegedit4Header) + "\"";
        return report;
    }
    report.registryFile = true;

    RegistryFileReader reader(lines, format);
    reader.read(headerIndex);
    report.skipped = std::move(reader.issues);
    report.skippedLines = report.skipped.size() + reader.skippedValueLines;

    store.batch([&] {
        for (const Operation& op : reader.operations) {
            switch (op.kind) {
                case Operation::Kind::CreateKey:
                    store.createKey(op.path);
                    ++report.keys;
                    break;
                case Operation::Kind::DeleteKey:
                    report.deletedKeys += store.deleteKey(op.path) ? 1 : 0;
                    break;
                case Operation::Kind::WriteValue:
                    store.writeValue(op.path, op.name, op.value);
                    ++report.values;
                    break;
                case Operation::Kind::DeleteValue:
                    report.deletedValues += store.deleteValue(op.path, op.name) ? 1 : 0;
                    break;
            }
        }
    });
    return report;
}

RegistryExport exportRegistry(SettingsStore& store) {
    Exporter exporter(store);
    for (const std::string_view root : kRegistryFileRoots) {
        exporter.root(root);
    }
    Exporter::Result& result = exporter.result();
    const std::string text = std::string(kVersion5Header) + "\r\n\r\n" + result.text;
    RegistryExport out;
    out.bytes = "\xFF\xFE" + utf8ToUtf16le(text);
    out.keys = result.keys;
    out.values = result.values;
    out.leftOut = std::move(result.leftOut);
    return out;
}

std::string exportRegistryFile(SettingsStore& store) {
    return exportRegistry(store).bytes;
}

}  // namespace pw
