// src/profiles: Profile files and INI rules, game assignments, command lists, activation, the editors.
#pragma once

// The Profile files of the program directory: "<name>.ini", one per Profile, each group of commands
// a section, each command a key whose value is its display text, ";", and its key sequence.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pw {

// The file names (extension kept) of the regular files in `directory` whose names end in ".ini" in
// any case, sorted without regard to case. Hidden files (a name starting with ".") are left out:
// their display name would be empty. A missing or unreadable folder lists nothing.
std::vector<std::string> listProfiles(const std::filesystem::path& directory);

// The order of every list of names the user sees: without case, a letter with a mark beside its
// plain letter ("Ärger" between "Anflug" and "Auto", ß as ss), then the spelling decides.
bool alphabeticLess(std::string_view a, std::string_view b);

// The name a Profile is shown by: the file name up to its first "." ("a.b.ini" gives "a").
std::string profileDisplayName(std::string_view fileName);

// Adds the group as a bare "[group]" header at the end of the file when the Profile has no such
// group yet. Throws ProfileWriteError.
void createGroup(const std::filesystem::path& file, std::string_view group);

// Creates an empty Profile, or empties an existing one (ask the user first). Throws
// ProfileWriteError.
void createProfile(const std::filesystem::path& file);

// Copies `from` byte for byte over `to`, replacing it atomically; does nothing when `from` does
// not exist. Throws ProfileWriteError when `from` cannot be read or `to` cannot be written.
void copyProfile(const std::filesystem::path& from, const std::filesystem::path& to);

// Removes the Profile; a missing one is no error. Throws ProfileWriteError when it stays.
void deleteProfile(const std::filesystem::path& file);

// Why a Profile name typed by the user cannot be used, in one short line for the user; nullopt
// when it can. Refused: an empty name, one with a path separator or a dot (which could leave the
// program directory, and since a Profile's shown name ends at the first dot), control characters
// and NUL, the characters Windows does not allow in file names, and names too long for a file.
std::optional<std::string> profileNameProblem(std::string_view name);

}  // namespace pw
