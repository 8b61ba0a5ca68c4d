#pragma once

#include <QString>

namespace pw {

// How a start went. FileNotFound is the shell's "file not found" (2): the caller tells the user.
enum class LaunchResult {
    Started,
    FileNotFound = 2,
    WineMissing,  // a Windows program, and no wine to run it
    Failed,       // the program or the desktop's opener could not be started
};

// Starts a file as the desktop's shell does with "open": a program of this system (an executable
// file: a binary or a script) directly, a Windows program through wine, any other file with the
// desktop's opener. `parameters` are split into arguments as a shell splits them; the program
// runs in `directory` and outlives us. A Windows path ("C:\\Games\\x.exe") is given to wine as it
// is, in the Wine prefix of the environment (else ~/.wine). `pid`, when given, receives the id of
// the process started for the program itself (0 when the desktop's opener took the file).
LaunchResult launchFile(const QString& file, const QString& parameters, const QString& directory,
                        qint64* pid = nullptr);

}  // namespace pw
