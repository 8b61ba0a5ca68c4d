#pragma once

#include <string>
#include <string_view>

namespace pw {

// Windows paths of programs run by Wine and the files they name on this system.
//
// A Wine prefix maps drive letters to folders through the links in its "dosdevices" folder
// ("c:" -> "../drive_c", "z:" -> "/"); Z: is "/" where the prefix has no link for it. Windows
// compares names without case, so a path is looked up folder by folder, a name that does not
// exist as written taking the first entry that differs from it only in case.

// The prefix of an environment: its WINEPREFIX, else "~/.wine" under its HOME. `environment` is a
// process's environment as /proc/PID/environ gives it (NUL-separated entries).
std::string winePrefixOf(std::string_view environment);
// The prefix of this program's own environment.
std::string defaultWinePrefix();

// The file that the Windows path `path` ("C:\Games\x.exe", "z:/home/u/x.exe") names in `prefix`,
// every link resolved; empty when it names no existing file.
std::string windowsToLinux(std::string_view path, const std::string& prefix);

// The file as stored in a library line, resolved: a Windows path through the prefix of this
// program's environment, any other path as it is. Empty when it names no existing file.
std::string resolveProgramFile(const std::string& file);

}  // namespace pw
