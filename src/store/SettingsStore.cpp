#include "store/SettingsStore.h"

#include <cstddef>
#include <cstdint>

#include "texts/TextEncoding.h"

namespace pw {
namespace {

// One decoded character: its code point and how many bytes it took. `length` is 0 when the bytes
// at the position are not well-formed UTF-8 (a stray continuation byte, a cut-off sequence, an
// overlong form, a surrogate or a value beyond U+10FFFF).
struct Decoded {
    char32_t code = 0;
    std::size_t length = 0;
};

bool isContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

Decoded decode(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = 0;
    char32_t code = 0;
    char32_t smallest = 0;
    if (lead < 0x80) {
        return {lead, 1};
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2;
        code = lead & 0x1F;
        smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        code = lead & 0x0F;
        smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        code = lead & 0x07;
        smallest = 0x10000;
    } else {
        return {};
    }
    if (text.size() - at < length) {
        return {};
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[at + i]);
        if (!isContinuation(byte)) {
            return {};
        }
        code = (code << 6) | (byte & 0x3F);
    }
    if (code < smallest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return {};
    }
    return {code, length};
}

// Latin Extended-A pairs its letters upper then lower, except for two runs where the lower comes
// at the odd place. İ (U+0130) and ı (U+0131) are not a pair: each stays as it is, as in
// Unicode's simple case folding; ĸ, ŉ and ſ have no capital.
char32_t foldLatinExtendedA(char32_t c) {
    if (c == 0x0130 || c == 0x0131 || c == 0x0138 || c == 0x0149 || c == 0x017F) {
        return c;
    }
    if (c == 0x0178) {  // Ÿ pairs with ÿ in Latin-1
        return 0x00FF;
    }
    const bool upperIsOdd = (c >= 0x0139 && c <= 0x0148) || (c >= 0x0179 && c <= 0x017E);
    const bool isOdd = (c & 1) != 0;
    return isOdd == upperIsOdd ? c + 1 : c;
}

char32_t fold(char32_t c) {
    if (c >= U'A' && c <= U'Z') {
        return c + 0x20;
    }
    if (c >= 0x00C0 && c <= 0x00DE && c != 0x00D7) {  // À ... Þ without ×
        return c + 0x20;
    }
    if (c >= 0x0100 && c <= 0x017F) {
        return foldLatinExtendedA(c);
    }
    if (c >= 0x0391 && c <= 0x03A9 && c != 0x03A2) {  // Α ... Ω; U+03A2 is unassigned
        return c + 0x20;
    }
    if (c >= 0x0400 && c <= 0x040F) {  // Ѐ ... Џ
        return c + 0x50;
    }
    if (c >= 0x0410 && c <= 0x042F) {  // А ... Я
        return c + 0x20;
    }
    return c;
}

}  // namespace

std::string foldKeyName(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    std::size_t at = 0;
    while (at < name.size()) {
        const char byte = name[at];
        if (static_cast<unsigned char>(byte) < 0x80) {  // most names are plain ASCII
            out += byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte + ('a' - 'A')) : byte;
            ++at;
            continue;
        }
        const Decoded d = decode(name, at);
        if (d.length == 0) {
            // A byte that starts no well-formed character is kept as it is: decoded leniently, an
            // overlong "A" would fold to the same as "a".
            out += name[at];
            ++at;
            continue;
        }
        const char32_t folded = fold(d.code);
        if (folded == d.code) {
            out.append(name, at, d.length);
        } else {
            appendUtf8(out, folded);
        }
        at += d.length;
    }
    return out;
}

std::vector<std::string_view> splitKeyPath(std::string_view path) {
    std::vector<std::string_view> names;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('\\', start);
        if (end == std::string_view::npos) {
            end = path.size();
        }
        if (end > start) {
            names.push_back(path.substr(start, end - start));
        }
        start = end + 1;
    }
    return names;
}

}  // namespace pw

namespace pw {

std::string fillIn(std::string_view text, const std::vector<std::string>& arguments) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
            const auto n = static_cast<std::size_t>(text[i + 1] - '1');
            if (n < arguments.size()) {
                out += arguments[n];
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

StoreError::StoreError(std::string_view germanDefault, std::vector<std::string> arguments)
    : std::runtime_error(fillIn(germanDefault, arguments)),
      germanDefault_(germanDefault),
      arguments_(std::move(arguments)) {}

std::string storeMessage(const StoreError& error, const TextVariables& texts) {
    if (error.germanDefault().empty() || !texts.isVariable(TextGroup::Interface, error.germanDefault())) {
        return error.what();
    }
    return fillIn(texts.text(TextGroup::Interface, error.germanDefault()), error.arguments());
}

}  // namespace pw
