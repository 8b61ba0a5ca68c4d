#include "texts/TextEncoding.h"

#include <array>
#include <cstdint>

namespace pw {
namespace {

// Code points of the bytes 0x80 ... 0x9F in Windows-1252; the rest of the page equals Latin-1.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// Decodes one UTF-8 sequence at i; false on a malformed, overlong or surrogate sequence.
bool nextCodePoint(std::string_view s, std::size_t& i, char32_t& c) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char lead = b(i);
    std::size_t length = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        c = lead;
        ++i;
        return true;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, c = lead & 0x1Fu, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, c = lead & 0x0Fu, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, c = lead & 0x07u, minimum = 0x10000;
    } else {
        return false;
    }
    if (i + length > s.size()) {
        return false;
    }
    for (std::size_t k = 1; k < length; ++k) {
        if ((b(i + k) & 0xC0) != 0x80) {
            return false;
        }
        c = (c << 6) | (b(i + k) & 0x3Fu);
    }
    if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        return false;
    }
    i += length;
    return true;
}

}  // namespace

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool isValidUtf8(std::string_view bytes) {
    std::size_t i = 0;
    char32_t c = 0;
    while (i < bytes.size()) {
        if (!nextCodePoint(bytes, i, c)) {
            return false;
        }
    }
    return true;
}

std::string windows1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (const char ch : bytes) {
        const auto byte = static_cast<unsigned char>(ch);
        appendUtf8(out, byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : char32_t{byte});
    }
    return out;
}

std::optional<std::string> utf8ToWindows1252(std::string_view utf8) {
    std::string out;
    std::size_t i = 0;
    char32_t c = 0;
    while (i < utf8.size()) {
        if (!nextCodePoint(utf8, i, c)) {
            return std::nullopt;
        }
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            out += static_cast<char>(c);
            continue;
        }
        bool found = false;
        for (std::size_t k = 0; k < kHighControls.size() && !found; ++k) {
            if (kHighControls[k] == c) {
                out += static_cast<char>(0x80 + k);
                found = true;
            }
        }
        if (!found) {
            return std::nullopt;
        }
    }
    return out;
}

namespace {

char32_t unitAt(std::string_view bytes, std::size_t i, bool bigEndian) {
    const auto b0 = static_cast<unsigned char>(bytes[i]);
    const auto b1 = static_cast<unsigned char>(bytes[i + 1]);
    return bigEndian ? (char32_t{b0} << 8) | b1 : (char32_t{b1} << 8) | b0;
}

void appendUnit(std::string& out, char32_t unit, bool bigEndian) {
    const auto high = static_cast<char>(unit >> 8);
    const auto low = static_cast<char>(unit & 0xFF);
    out += bigEndian ? high : low;
    out += bigEndian ? low : high;
}

}  // namespace

std::string utf16ToUtf8(std::string_view bytes, bool bigEndian, bool& lossless) {
    std::string out;
    out.reserve(bytes.size());
    lossless = bytes.size() % 2 == 0;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        char32_t unit = unitAt(bytes, i, bigEndian);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < bytes.size()) {
            const char32_t low = unitAt(bytes, i + 2, bigEndian);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        if (unit >= 0xD800 && unit <= 0xDFFF) {
            unit = 0xFFFD;
            lossless = false;
        }
        appendUtf8(out, unit);
    }
    if (!lossless && bytes.size() % 2 != 0) {
        appendUtf8(out, 0xFFFD);
    }
    return out;
}

std::string utf8ToUtf16(std::string_view utf8, bool bigEndian) {
    std::string out;
    out.reserve(utf8.size() * 2);
    std::size_t i = 0;
    char32_t c = 0;
    while (i < utf8.size()) {
        if (!nextCodePoint(utf8, i, c)) {
            c = 0xFFFD;
            ++i;
        }
        if (c >= 0x10000) {
            appendUnit(out, 0xD800 + ((c - 0x10000) >> 10), bigEndian);
            appendUnit(out, 0xDC00 + ((c - 0x10000) & 0x3FF), bigEndian);
        } else {
            appendUnit(out, c, bigEndian);
        }
    }
    return out;
}

std::string escapeControls(std::string_view utf8) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(utf8.size());
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            out += "\\x";
            out += kDigits[byte >> 4];
            out += kDigits[byte & 15];
        } else {
            out += c;
        }
    }
    return out;
}

std::optional<std::string> decodeTextFile(std::string_view bytes) {
    if (bytes.size() >= 2 && (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF"))) {
        bool lossless = true;
        // An odd last byte is no character; it is left out.
        std::string text =
            utf16ToUtf8(bytes.substr(2, (bytes.size() - 2) & ~std::size_t{1}), bytes[0] == '\xFE', lossless);
        if (!lossless || text.find('\0') != std::string::npos) {
            return std::nullopt;
        }
        return text;
    }
    if (bytes.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        bytes.remove_prefix(3);
    }
    if (isValidUtf8(bytes)) {
        return std::string(bytes);
    }
    return windows1252ToUtf8(bytes);
}

}  // namespace pw
