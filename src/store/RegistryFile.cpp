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
//
// The reader follows the Windows registry editor line by line, so that a file means here what it
// means there. Where the editor loses data (a key line it skips, a line swallowed by a broken hex
// continuation, "HKLM" or "HEX:" it does not know) the reader is kinder, and says so in a warning
// with the line, so that the user knows the file would not import the same way on Windows.

// The longest key name and value name the registry takes, in UTF-16 units.
constexpr std::size_t kLongestKeyName = 256;
constexpr std::size_t kLongestValueName = 16383;

struct Operation {
    enum class Kind { CreateKey, DeleteKey, WriteValue, DeleteValue };
    Kind kind;
    std::string path;
    std::string name;
    RegistryValue value;
};

// The file's lines without their ends: CR LF, LF and a lone CR each end a line.
std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return lines;
}

bool isAscii(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

bool isHexDigit(char c) {
    return hexDigit(c) >= 0;
}

// Reads a number as the C library's wcstoul(s, &end, 16) does: blanks first, a sign, an optional
// "0x", then hexadecimal digits. `used` is 0 when no digit was read; a number beyond 32 bits
// reads as 0xFFFFFFFF, as the Windows library's unsigned long does.
std::uint32_t readHexNumber(std::string_view s, std::size_t& used) {
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || (s[i] >= '\t' && s[i] <= '\r'))) {
        ++i;
    }
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    if (i + 2 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X') && isHexDigit(s[i + 2])) {
        i += 2;
    }
    std::uint64_t n = 0;
    bool over = false;
    const std::size_t first = i;
    for (; i < s.size() && isHexDigit(s[i]); ++i) {
        n = (n << 4) | static_cast<std::uint64_t>(hexDigit(s[i]));
        if (n > 0xFFFFFFFFu) {
            over = true;
            n &= 0xFFFFFFFFu;
        }
    }
    if (i == first) {
        used = 0;
        return 0;
    }
    used = i;
    if (over) {
        return 0xFFFFFFFFu;
    }
    const auto value = static_cast<std::uint32_t>(n);
    return negative ? static_cast<std::uint32_t>(0u - value) : value;
}

// After data: nothing, or blanks and a ";" comment.
bool onlyComment(std::string_view rest) {
    rest = trimLeft(rest);
    return rest.empty() || rest.front() == ';';
}

class RegistryFileReader {
public:
    RegistryFileReader(const std::vector<std::string_view>& lines, bool wideFile)
        : wideFile_(wideFile), lines_(lines) {}

    // Reads every line after the header, which is at `headerIndex`.
    void read(std::size_t headerIndex) {
        for (next_ = headerIndex + 1; next_ < lines_.size();) {
            const std::size_t number = next_ + 1;
            readLine(number, trimLeft(lines_[next_++]));
        }
        closeSkippedKey();
    }

    std::vector<Operation> operations;
    std::vector<RegistryFileIssue> issues;
    std::vector<RegistryFileIssue> warnings;
    std::size_t skippedValueLines = 0;  // value lines of skipped keys, which have no issue of their own

private:
    enum class Where { Nowhere, InKey, SkippedKey, AfterDeletion };

    void issue(std::size_t line, std::string reason) { issues.push_back({line, std::move(reason)}); }
    void warn(std::size_t line, std::string reason) { warnings.push_back({line, std::move(reason)}); }

    void readLine(std::size_t number, std::string_view line) {
        if (line.empty() || line.front() == ';') {
            return;
        }
        if (line.front() == '[') {
            keyLine(number, line.substr(1));
        } else if (line.front() == '"' || line.front() == '@') {
            valueLine(number, line);
        } else {
            issue(number, "not a key, value or comment line: '" + shown(trimRight(line)) + "'");
        }
    }

    // `line` follows the '['. The key ends at the last ']' of the line; what follows it is ignored.
    void keyLine(std::size_t number, std::string_view line) {
        closeSkippedKey();
        const std::size_t close = line.rfind(']');
        if (close == std::string_view::npos) {
            const bool keyBefore = where_ == Where::InKey;
            skipKey(number, "key line without closing ']'");
            if (keyBefore) {
                warn(number,
                     "the Windows registry editor ignores this key line and writes the values below it "
                     "into the key before");
            }
            return;
        }
        if (!onlyComment(line.substr(close + 1))) {
            warn(number, "text after the key's closing ']' is ignored: '" +
                             shown(trim(line.substr(close + 1))) + "'");
        }
        std::string_view key = line.substr(0, close);
        if (!key.empty() && isBlank(key.front())) {
            warn(number,
                 "a blank after '[': the key is read, but the Windows registry editor ignores this line "
                 "and writes the values below it into the key before");
            key = trimLeft(key);
        }
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
        const bool shortHive = equalsAsciiNoCase(hive, "HKLM");
        const bool ourHive = equalsAsciiNoCase(hive, kHive) || shortHive;
        if (!ourHive || !insideRegistryFileRoots(names)) {
            if (deletion) {
                issue(number, "key deletion outside PadWarden's tree: " + std::string(key));
                where_ = Where::AfterDeletion;
            } else {
                skipKey(number, "key outside PadWarden's tree: " + std::string(key));
            }
            return;
        }
        if (shortHive) {
            warn(number, deletion ? "'HKLM' is read as HKEY_LOCAL_MACHINE; the Windows registry editor knows "
                                    "only the long name and stops the import at this line"
                                  : "'HKLM' is read as HKEY_LOCAL_MACHINE; the Windows registry editor knows "
                                    "only the long name and skips this key");
        }
        for (const std::string_view name : names) {
            if (utf16Length(name) > kLongestKeyName) {
                if (deletion) {
                    issue(number, "a key name is longer than " + std::to_string(kLongestKeyName) +
                                      " characters, so no such key exists: '" + shown(name) + "'");
                    where_ = Where::AfterDeletion;
                } else {
                    skipKey(number, "key name longer than " + std::to_string(kLongestKeyName) +
                                        " characters: '" + shown(name) + "'");
                }
                return;
            }
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

    // A quoted text from just after its opening '"' up to the closing one, with the editor's
    // escapes: \n, \r, \0, \\ and \". Any other backslash is dropped and the character after it
    // kept, as the editor does ("C:\Games" reads "C:Games"), with a warning. `rest` is what
    // follows the closing quote; false when there is none.
    bool unescape(std::size_t number, std::string_view text, std::string& out, std::string_view& rest) {
        std::string unknown;
        for (std::size_t i = 0; i < text.size(); ++i) {
            char c = text[i];
            if (c == '"') {
                rest = text.substr(i + 1);
                if (!unknown.empty()) {
                    warn(number, "unknown escape " + unknown +
                                     " in a quoted text: the backslash is dropped, as the Windows "
                                     "registry editor drops it; write \\\\ for a backslash");
                }
                return true;
            }
            if (c == '\\') {
                if (++i == text.size()) {
                    return false;
                }
                c = text[i];
                if (c == 'n') {
                    c = '\n';
                } else if (c == 'r') {
                    c = '\r';
                } else if (c == '0') {
                    c = '\0';
                } else if (c != '\\' && c != '"') {
                    if (unknown.find(std::string("'\\") + c + "'") == std::string::npos) {
                        unknown += (unknown.empty() ? "" : ", ") + std::string("'\\") + c + "'";
                    }
                }
            }
            out += c;
        }
        return false;
    }

    void valueLine(std::size_t number, std::string_view line) {
        std::string name;
        std::optional<std::string> problem;
        std::string_view rest;
        if (line.front() == '@') {
            rest = line.substr(1);
        } else if (!unescape(number, line.substr(1), name, rest)) {
            problem = "value name without closing quote";
        } else if (name.find('\0') != std::string::npos) {
            problem = "a value name holds \\0, which the Windows registry editor refuses";
            warn(number, "the Windows registry editor stops reading the file at this \\0");
        } else if (utf16Length(name) > kLongestValueName) {
            problem = "value name longer than " + std::to_string(kLongestValueName) + " characters";
        }
        std::optional<ParsedValue> data;
        if (!problem) {
            rest = trimLeft(rest);
            if (!rest.starts_with('=')) {
                problem = "'=' missing after the value name";
            } else {
                data = parseData(number, trimRight(trimLeft(rest.substr(1))));
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

    // A value line's data, or why it cannot be used (and on which line).
    struct ParsedValue {
        bool remove = false;  // "name"=-
        RegistryValue value;
        std::optional<RegistryFileIssue> problem;
    };

    // `tag` at the start of the data, in the editor's spelling or (with a warning) in another case.
    bool dataTag(std::size_t number, std::string_view data, std::string_view tag) {
        if (data.starts_with(tag)) {
            return true;
        }
        if (!startsWithAsciiNoCase(data, tag)) {
            return false;
        }
        warn(number, "'" + std::string(data.substr(0, tag.size())) + "' is read as '" + std::string(tag) +
                         "'; the Windows registry editor knows only the small letters and skips this value");
        return true;
    }

    // The data after "=", without the blanks around it.
    ParsedValue parseData(std::size_t number, std::string_view data) {
        ParsedValue parsed;
        const auto fail = [&](std::size_t line, std::string reason) {
            parsed.problem = RegistryFileIssue{line, std::move(reason)};
            return parsed;
        };
        if (data.starts_with('-')) {
            if (!onlyComment(data.substr(1))) {
                return fail(number, "text after '-': '" + shown(data) + "'");
            }
            parsed.remove = true;
            return parsed;
        }
        if (data.starts_with('"')) {
            std::string text;
            std::string_view rest;
            if (!unescape(number, data.substr(1), text, rest)) {
                return fail(number, "string without closing quote");
            }
            if (!onlyComment(rest)) {
                return fail(number, "text after the closing quote: '" + shown(trim(rest)) + "'");
            }
            if (text.find('\0') != std::string::npos) {
                warn(number, "the Windows registry editor stops reading the file at this \\0");
                return fail(number,
                            "a string holds \\0, which the Windows registry editor refuses; "
                            "write it as hex(1) data");
            }
            parsed.value = RegistryValue::string(std::move(text));
            return parsed;
        }
        if (dataTag(number, data, "dword:")) {
            const std::string_view digits = trimLeft(data.substr(6));
            std::size_t count = 0;
            while (count < digits.size() && isHexDigit(digits[count])) {
                ++count;
            }
            if (digits.empty() || count > 8 || !onlyComment(digits.substr(count))) {
                return fail(number, "dword value '" + shown(digits) + "' is not 1 to 8 hexadecimal digits");
            }
            const std::uint32_t n = count == 0 ? 0 : *parseHexNumber(digits.substr(0, count));
            std::string bytes;
            for (int shift = 0; shift < 32; shift += 8) {
                bytes += static_cast<char>((n >> shift) & 0xFF);
            }
            parsed.value = {kDWordType, std::move(bytes)};
            return parsed;
        }
        std::uint32_t type = kBinaryType;
        std::string_view rest;
        if (dataTag(number, data, "hex:")) {
            rest = data.substr(4);
        } else if (dataTag(number, data, "hex(")) {
            rest = data.substr(4);
            std::size_t used = 0;
            const std::uint32_t n = rest.empty() || (rest.size() > 1 && (rest[1] == 'x' || rest[1] == 'X'))
                                        ? 0xFFFFFFFFu
                                        : readHexNumber(rest, used);
            if (n == 0xFFFFFFFFu || !rest.substr(used).starts_with("):")) {
                const std::size_t close = data.find(')');
                return fail(number,
                            "value type '" +
                                shown(close == std::string_view::npos ? data : data.substr(0, close + 1)) +
                                "' is not hex(N) with a hexadecimal type number");
            }
            type = n;
            rest = rest.substr(used + 2);
        } else {
            return fail(number, "value data '" + shown(data) + "' is not understood");
        }
        return hexData(number, type, rest);
    }

    // The bytes of one line of hex data: "01,02,ff", each number as the editor reads it, a
    // comma after each but the last. True when the line is good; `more` tells that it ends with
    // "\" after a comma, and the data goes on in the next line.
    static bool hexLine(std::string_view s, std::string& bytes, bool& more, std::string_view& after) {
        more = false;
        while (!s.empty()) {
            std::size_t used = 0;
            const std::uint32_t n = readHexNumber(s, used);
            if (n > 0xFF) {
                return false;
            }
            if (used == 0) {
                const std::string_view rest = trimLeft(s);
                if (rest.starts_with('\\')) {
                    more = true;
                    after = rest.substr(1);
                    return true;
                }
                return rest.starts_with(';');
            }
            bytes += static_cast<char>(n);
            if (used < s.size() && s[used] != ',') {
                return onlyComment(s.substr(used));
            }
            s = s.substr(used < s.size() ? used + 1 : used);
        }
        return true;
    }

    // The bytes after "hex:" or "hex(N):", continued over the following lines while a line ends
    // with "\". Blank and comment lines inside a continuation are passed over; a line that does not
    // start with a hexadecimal digit ends it, and the value is lost, as in the editor. That line
    // is still read here (the editor loses it too, so this gets a warning).
    ParsedValue hexData(std::size_t number, std::uint32_t type, std::string_view first) {
        ParsedValue parsed;
        std::string bytes;
        const bool empty = trim(first).empty();
        std::string_view text = first;
        std::size_t at = number;
        for (;;) {
            bool more = false;
            std::string_view after;
            if (!hexLine(text, bytes, more, after)) {
                parsed.problem =
                    RegistryFileIssue{at, "hex data '" + shown(trim(text)) + "' is not understood"};
                return parsed;
            }
            if (!more) {
                break;
            }
            if (!onlyComment(after)) {
                parsed.problem =
                    RegistryFileIssue{at, "text after the '\\' of hex data: '" + shown(trim(after)) + "'"};
                return parsed;
            }
            while (next_ < lines_.size() && onlyComment(lines_[next_])) {
                ++next_;
            }
            if (next_ >= lines_.size()) {
                break;
            }
            const std::string_view line = trimLeft(lines_[next_]);
            if (!isHexDigit(line.front())) {
                parsed.problem =
                    RegistryFileIssue{at, "hex data ends with '\\' but line " + std::to_string(next_ + 1) +
                                              " does not go on with hex data; the value is left out"};
                warn(next_ + 1,
                     "read as a line of its own; the Windows registry editor loses this line "
                     "with the hex data before it");
                return parsed;
            }
            at = ++next_;
            text = line;
        }
        return valueFromHex(number, type, std::move(bytes), empty);
    }

    ParsedValue valueFromHex(std::size_t number, std::uint32_t type, std::string bytes, bool empty) {
        ParsedValue parsed;
        const bool text = type == kStringType || type == kExpandStringType || type == kMultiStringType;
        if (text && !empty) {
            // The editor ends text data with a NUL when it lacks one; single bytes of a file
            // without a byte-order mark are Windows-1252 characters and are widened.
            if (wideFile_) {
                if (bytes.size() % 2 != 0) {
                    warn(number, "hex(" + std::to_string(type) +
                                     ") data of an odd number of bytes in a UTF-16 file: one NUL byte is "
                                     "added; the Windows registry editor reads such data unreliably");
                    bytes += '\0';
                }
                if (bytes.size() < 2 ||
                    bytes.compare(bytes.size() - 2, 2, std::string_view("\0\0", 2)) != 0) {
                    bytes.append(2, '\0');
                }
            } else {
                if (bytes.empty() || bytes.back() != '\0') {
                    bytes += '\0';
                }
                bytes = utf8ToUtf16le(windows1252ToUtf8(bytes));
            }
        }
        if (type == kStringType) {
            // The store keeps strings as UTF-8 text, whichever way the file wrote them.
            if (empty) {
                warn(number,
                     "hex(1) data without bytes is read as an empty string; the Windows registry "
                     "editor stores a string of no bytes at all");
            } else {
                bytes.resize(bytes.size() - 2);
            }
            std::optional<std::string> utf8 = utf16leToUtf8(bytes);
            if (!utf8) {
                parsed.problem = RegistryFileIssue{number, "hex(1) data is not UTF-16 text"};
                return parsed;
            }
            parsed.value = RegistryValue::string(std::move(*utf8));
            return parsed;
        }
        parsed.value = {type, std::move(bytes)};
        return parsed;
    }

    bool wideFile_;
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

// A quoted text with the escapes the registry editor reads back: \\, \", \n and \r.
std::string escaped(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    for (const char c : text) {
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else {
            if (c == '\\' || c == '"') {
                out += '\\';
            }
            out += c;
        }
    }
    return out;
}

// A key name cannot hold a line break, and no name a NUL: the registry editor refuses "\0".
bool unwritableKeyName(std::string_view name) {
    return name.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool unwritableValueName(std::string_view name) {
    return name.find('\0') != std::string_view::npos;
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
            if (unwritableValueName(name)) {
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
            if (unwritableKeyName(child)) {
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
    // The editor reads UTF-16LE after its byte-order mark, and everything else as single bytes of
    // the Windows code page. Other marks are read here too, with a warning.
    std::string text;
    bool wideFile = false;
    std::optional<std::string> markWarning;
    bool lossless = true;
    if (fileBytes.starts_with("\xFF\xFE") || fileBytes.starts_with("\xFE\xFF")) {
        wideFile = true;
        const bool bigEndian = fileBytes[0] == '\xFE';
        text = utf16ToUtf8(fileBytes.substr(2), bigEndian, lossless);
        if (bigEndian) {
            markWarning =
                "a UTF-16 big-endian file: read, but the Windows registry editor reads only "
                "little-endian UTF-16 and skips the whole file";
        }
    } else if (fileBytes.find('\0') != std::string_view::npos) {
        report.notRegistryFile = "the file holds binary data, not text";
        return report;
    } else if (fileBytes.starts_with("\xEF\xBB\xBF")) {
        text = fileBytes.substr(3);
        lossless = isValidUtf8(text);
        if (!lossless) {
            text = windows1252ToUtf8(fileBytes.substr(3));
        }
        markWarning =
            "a UTF-8 file with a byte-order mark: read as UTF-8, but the Windows registry "
            "editor skips the whole file; save it as UTF-16 (Unicode)";
    } else {
        text = windows1252ToUtf8(fileBytes);
    }
    const std::vector<std::string_view> lines = splitLines(text);
    std::string_view header;
    std::size_t headerIndex = 0;
    for (; headerIndex < lines.size(); ++headerIndex) {
        header = trim(lines[headerIndex]);
        if (!header.empty()) {
            break;
        }
    }
    if (header != kRegedit4Header && header != kVersion5Header) {
        report.notRegistryFile = "its first line is neither \"" + std::string(kVersion5Header) + "\" nor \"" +
                                 std::string(kRegedit4Header) + "\"";
        return report;
    }
    report.registryFile = true;
    if (markWarning) {
        report.warnings.push_back({1, *markWarning});
    }
    if (!lossless) {
        report.warnings.push_back({1,
                                   "the file is not UTF-16 (or UTF-8) throughout: characters that are not "
                                   "were read as U+FFFD (or as Windows-1252)"});
    }
    if (headerIndex > 0) {
        report.warnings.push_back(
            {headerIndex + 1,
             "blank lines before the header: read, but the Windows registry editor skips a "
             "file whose first line is not its header"});
    }
    if (trimLeft(lines[headerIndex]).size() != header.size()) {
        report.warnings.push_back(
            {headerIndex + 1,
             "blanks after the header: read, but the Windows registry editor skips a file "
             "whose header line has them"});
    }
    if (!wideFile && !markWarning && isValidUtf8(fileBytes)) {
        // Without a mark the editor reads single bytes, so a file saved as UTF-8 reads as
        // Windows-1252 there, and so it does here; the user learns where the first such line is.
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (!isAscii(lines[i])) {
                report.warnings.push_back(
                    {i + 1,
                     "read as Windows-1252, as the Windows registry editor reads a file without a "
                     "byte-order mark; if the file was saved as UTF-8, save it as UTF-16 (Unicode)"});
                break;
            }
        }
    }

    RegistryFileReader reader(lines, wideFile);
    reader.read(headerIndex);
    report.skipped = std::move(reader.issues);
    report.skippedLines = report.skipped.size() + reader.skippedValueLines;
    report.warnings.insert(report.warnings.end(), reader.warnings.begin(), reader.warnings.end());

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
