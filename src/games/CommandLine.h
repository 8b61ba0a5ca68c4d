#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace pw {

// A stored command line taken apart: the program file and what follows it.
struct CommandLineParts {
    std::string file;
    std::string parameters;  // keeps its leading blank

    friend bool operator==(const CommandLineParts&, const CommandLineParts&) = default;
};

// The library's rule: the text up to and including the first ".EXE" (any case) is the file, the
// rest the parameters; then the same for ".BAT" and ".COM", a later extension that occurs
// overriding an earlier one. Without any of them the whole text is the file.
CommandLineParts splitCommandLine(std::string_view text);

// What the launcher and the save step take as the file of a command line. Programs here mostly
// have no extension, so when the library's rule names no existing file, the whole text is tried,
// then the longest leading part up to a blank that names an existing file ("/games/My Game/run
// -window", unquoted), and then the first word as a shell reads it ("'/g/My Game/run' -x" or
// "/games/run.sh -window"). When nothing exists the
// library's rule stands, so the caller reports the file it names.
CommandLineParts resolveCommandLine(std::string_view text,
                                    const std::function<bool(const std::string&)>& exists);

// The parameters as a POSIX shell splits them into arguments: blanks and tabs separate words,
// '...' keeps everything literally, "..." keeps all but \" \\ \$ \` and a line continuation,
// a backslash outside quotes takes the next character literally. Nothing is expanded. A quote
// left open at the end closes there.
std::vector<std::string> splitArguments(std::string_view parameters);

// The folder part of a path: everything up to and including its last "\", ":" or "/"; empty
// when it has none.
std::string folderOf(std::string_view path);

// The longest text the shell start takes: 199 characters.
inline constexpr std::size_t kShellTextLimit = 199;

// The text cut to at most `limit` characters; a UTF-8 sequence is never cut in half.
std::string cutToCharacters(std::string_view text, std::size_t limit = kShellTextLimit);

// The name a browsed program proposes for its game: the file name without its folder, cut
// before its first ".".
std::string proposedGameName(std::string_view path);

// Whether the user may give a group or game this name: it becomes a key of the store, so it
// may not hold the key separator "\" (it would land in another place), a line break or a NUL.
bool acceptableKeyName(std::string_view name);

// Whether the text is an absolute Windows path: a drive letter, ":" and "\" or "/".
bool isWindowsPath(std::string_view path);

// A Windows path as Windows compares it: letters a to z in upper case, every "/" a "\".
std::string foldWindowsPath(std::string_view path);

// Whether the file names a Windows program (".exe", ".bat" or ".com" in any case).
bool isWindowsProgramName(std::string_view file);

// The built-in group picture of a group: 0 "Action", 1 "Adventure", 2 "Simulation", 3 "Sport",
// 4 "Strategie" (exact names), 5 any other group.
int groupPictureIndex(std::string_view group);
inline constexpr int kGroupPictureCount = 6;

}  // namespace pw
