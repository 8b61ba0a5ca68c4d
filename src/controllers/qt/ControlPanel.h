#pragma once

#include <QString>
#include <functional>

#include "input/Joystick.h"
#include "input/KeyOutput.h"
#include "input/Pause.h"

namespace pw {

// The game controller control panel. On Linux it is our own program "padwarden-joycpl"; it reads
// the environment variable below: set to "1", it starts without showing its window, so that the
// program can refresh the configuration without the user seeing the panel flash up.
inline constexpr const char* kControlPanelCommand = "padwarden-joycpl";
inline constexpr const char* kControlPanelHiddenVariable = "PADWARDEN_CONTROL_PANEL_HIDDEN";

// The control panel's command line: the program beside our own executable when it is there (a
// build tree, a private install), else its name, looked up on PATH.
QString controlPanelCommand();

// The language id of the system's locale (see languageIdFromLocaleName).
int systemLanguageId();

// Starts the command line (split as a shell splits it) with our environment and working directory
// and drives the started program by keys. showState 0 starts it hidden (kControlPanelHiddenVariable
// is set; otherwise it is taken out of the environment). Modes:
//   "Kali"   gives it 450 ms to come up, types Alt+first letter and Alt+second letter of the
//            language (controlPanelLetters), then waits for it to end and returns its exit code.
//   "Close"  starts it on its own (it is not our child, so it never lingers as our zombie and
//            outlives us), gives it 450 ms, pauses 450 units, presses Enter and returns 0 at once.
//   other    waits for it to end and returns its exit code.
// Keys go only to a program that is still running: one that ended in the meantime gets none, as
// they would reach whatever window has the focus instead. Returns -1, with no key sent, when the
// program cannot be started, and -1 when it crashed.
int runAndDrive(const QString& commandLine, int showState, const QString& mode, KeyOutput& keys,
                Pauser& pauser, int languageId);

// Lets the control panel apply the configuration (started hidden and closed with Enter), then
// re-opens the joystick with the standard settings. A missing control panel is no error: the
// joystick is re-opened all the same. busy (optional) is told true before and false after, for the
// desktop program's hourglass cursor.
void input_erneuern(Joystick& joystick, KeyOutput& keys, Pauser& pauser, int languageId,
                    const std::function<void(bool busy)>& busy = {});

}  // namespace pw
