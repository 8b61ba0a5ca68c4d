#pragma once

// Blanks around names and values: the spaces and tabs that the readers of INI-like files (Profiles,
// registry files, language tables) drop.

#include <cstddef>
#include <string_view>

namespace pw {

inline bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

template <typename IsBlank>
std::string_view trimLeft(std::string_view s, IsBlank isBlankChar) {
    while (!s.empty() && isBlankChar(s.front())) {
        s.remove_prefix(1);
    }
    return s;
}

template <typename IsBlank>
std::string_view trimRight(std::string_view s, IsBlank isBlankChar) {
    while (!s.empty() && isBlankChar(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

inline std::string_view trimLeft(std::string_view s) {
    return trimLeft(s, isBlank);
}

inline std::string_view trimRight(std::string_view s) {
    return trimRight(s, isBlank);
}

inline std::string_view trim(std::string_view s) {
    return trimRight(trimLeft(s));
}

// Letters A-Z folded to a-z; every other byte stays (Windows compares file and key names so).
inline char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline bool equalsAsciiNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace pw
