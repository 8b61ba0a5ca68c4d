#include "games/CommandLine.h"

#include <array>

namespace pw {
namespace {

std::string foldAsciiUpper(std::string_view text) {
    std::string folded(text);
    for (char& c : folded) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return folded;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

// The end of the first word of a command line as a shell reads it (quotes and escapes included),
// after leading blanks; npos when there is no word.
std::size_t firstWordEnd(std::string_view text, std::size_t& begin) {
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i])) {
        ++i;
    }
    begin = i;
    if (i == text.size()) {
        return std::string_view::npos;
    }
    char quote = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (quote == '\'') {
            if (c == '\'') {
                quote = 0;
            }
        } else if (quote == '"') {
            if (c == '\\' && i + 1 < text.size()) {
                ++i;
            } else if (c == '"') {
                quote = 0;
            }
        } else if (c == '\\') {
            if (i + 1 < text.size()) {
                ++i;
            }
        } else if (c == '\'' || c == '"') {
            quote = c;
        } else if (isBlank(c)) {
            break;
        }
    }
    return i;
}

}  // namespace

CommandLineParts splitCommandLine(std::string_view text) {
    CommandLineParts parts{std::string(text), {}};
    const std::string folded = foldAsciiUpper(text);
    for (const std::string_view extension : {".EXE", ".BAT", ".COM"}) {
        const std::size_t p = folded.find(extension);
        if (p != std::string::npos) {
            parts.file = std::string(text.substr(0, p + extension.size()));
            parts.parameters = std::string(text.substr(p + extension.size()));
        }
    }
    return parts;
}

CommandLineParts resolveCommandLine(std::string_view text,
                                    const std::function<bool(const std::string&)>& exists) {
    CommandLineParts byRule = splitCommandLine(text);
    if (exists(byRule.file)) {
        return byRule;
    }
    CommandLineParts whole{std::string(text), {}};
    if (!whole.file.empty() && exists(whole.file)) {
        return whole;
    }
    // An unquoted path with blanks, then parameters ("/games/My Game/run -window"): the longest
    // leading part up to a blank that names an existing file.
    for (std::size_t blank = text.find_last_of(" \t"); blank != std::string_view::npos && blank > 0;
         blank = text.find_last_of(" \t", blank - 1)) {
        const std::string_view head = text.substr(0, blank);
        if (head.find_first_of("\"'") != std::string_view::npos) {
            continue;  // quoted: the shell's reading below takes it
        }
        std::string file(head);
        while (!file.empty() && (file.back() == ' ' || file.back() == '\t')) {
            file.pop_back();
        }
        if (!file.empty() && exists(file)) {
            return {file, std::string(text.substr(file.size()))};
        }
    }
    std::size_t begin = 0;
    const std::size_t end = firstWordEnd(text, begin);
    if (end != std::string_view::npos) {
        const std::vector<std::string> word = splitArguments(text.substr(begin, end - begin));
        if (word.size() == 1 && !word.front().empty() && exists(word.front())) {
            return {word.front(), std::string(text.substr(end))};
        }
    }
    return byRule;
}

std::vector<std::string> splitArguments(std::string_view parameters) {
    std::vector<std::string> arguments;
    std::string word;
    bool inWord = false;  // a word has begun, even an empty one such as ''
    char quote = 0;
    for (std::size_t i = 0; i < parameters.size(); ++i) {
        const char c = parameters[i];
        if (quote == '\'') {
            if (c == '\'') {
                quote = 0;
            } else {
                word += c;
            }
        } else if (quote == '"') {
            if (c == '"') {
                quote = 0;
            } else if (c == '\\' && i + 1 < parameters.size()) {
                const char next = parameters[i + 1];
                if (next == '"' || next == '\\' || next == '$' || next == '`') {
                    word += next;
                    ++i;
                } else if (next == '\n') {
                    ++i;
                } else {
                    word += c;
                }
            } else {
                word += c;
            }
        } else if (c == '\\') {
            if (i + 1 < parameters.size()) {
                if (parameters[i + 1] != '\n') {
                    word += parameters[i + 1];
                    inWord = true;
                }
                ++i;
            }
        } else if (c == '\'' || c == '"') {
            quote = c;
            inWord = true;
        } else if (isBlank(c)) {
            if (inWord) {
                arguments.push_back(std::move(word));
                word.clear();
                inWord = false;
            }
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) {
        arguments.push_back(std::move(word));
    }
    return arguments;
}

std::string folderOf(std::string_view path) {
    const std::size_t p = path.find_last_of("\\:/");
    return p == std::string_view::npos ? std::string() : std::string(path.substr(0, p + 1));
}

std::string cutToCharacters(std::string_view text, std::size_t limit) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        // A continuation byte belongs to the character before it.
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            if (characters == limit) {
                return std::string(text.substr(0, i));
            }
            ++characters;
        }
    }
    return std::string(text);
}

std::string proposedGameName(std::string_view path) {
    const std::size_t slash = path.find_last_of("\\/");
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    return std::string(name.substr(0, name.find('.')));
}

bool acceptableKeyName(std::string_view name) {
    return name.find_first_of(std::string_view("\\\r\n\0", 4)) == std::string_view::npos;
}

bool isWindowsPath(std::string_view path) {
    return path.size() >= 3 && ((path[0] >= 'a' && path[0] <= 'z') || (path[0] >= 'A' && path[0] <= 'Z')) &&
           path[1] == ':' && (path[2] == '\\' || path[2] == '/');
}

std::string foldWindowsPath(std::string_view path) {
    std::string folded = foldAsciiUpper(path);
    for (char& c : folded) {
        if (c == '/') {
            c = '\\';
        }
    }
    return folded;
}

bool isWindowsProgramName(std::string_view file) {
    if (file.size() < 4) {
        return false;
    }
    const std::string tail = foldAsciiUpper(file.substr(file.size() - 4));
    return tail == ".EXE" || tail == ".BAT" || tail == ".COM";
}

int groupPictureIndex(std::string_view group) {
    static constexpr std::array<std::string_view, 5> kNames = {"Action", "Adventure", "Simulation", "Sport",
                                                               "Strategie"};
    for (std::size_t i = 0; i < kNames.size(); ++i) {
        if (group == kNames[i]) {
            return static_cast<int>(i);
        }
    }
    return 5;
}

}  // namespace pw
