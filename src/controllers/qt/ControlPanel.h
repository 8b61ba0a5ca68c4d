#pragma once

#include <QString>
#include <functional>

#include "input/Joystick.h"
#include "input/KeyOutput.h"
#include "input/Pause.h"

namespace pw {

// The game controller control panel. On Linux it is our own program "padwarden-joycpl"; it reads
// the environment variable below: set to "1", it starts without showing its window, so that the
// program can refresh the configuration without the user seeing the panel flash up. It takes its
// instructions on its command line: "Close" applies the configuration and ends, "Kali" opens the
// calibration of joystick 1. No key is ever typed to drive it: keys go to whatever program has the
// focus, and on a slow machine that is not yet (or no longer) the panel.
inline constexpr const char* kControlPanelCommand = "padwarden-joycpl";
inline constexpr const char* kControlPanelHiddenVariable = "PADWARDEN_CONTROL_PANEL_HIDDEN";
inline constexpr const char* kControlPanelClose = "Close";
inline constexpr const char* kControlPanelCalibrate = "Kali";
// How long a refresh waits for the panel to end: long enough for a loaded or emulated machine,
// short enough that a hanging panel does not hold the game's activation up.
inline constexpr int kCloseWaitMilliseconds = 10000;

// The control panel's command line: the program beside our own executable when it is there (a
// build tree, a private install), else its name, looked up on PATH.
QString controlPanelCommand();

// The language id of the system's locale (see languageIdFromLocaleName).
int systemLanguageId();

// Starts the command line (split as a shell splits it) with our environment and working directory.
// showState 0 starts it hidden (kControlPanelHiddenVariable is set; otherwise it is taken out of
// the environment). Modes:
//   "Kali"   passes "Kali" as its last argument, waits for it to end and returns its exit code.
//   "Close"  runToClose with kCloseWaitMilliseconds.
//   other    waits for it to end and returns its exit code.
// Nothing is typed, in any mode: keys, pauser and languageId are no longer used. Returns -1 when
// the program cannot be started, and -1 when it crashed.
int runAndDrive(const QString& commandLine, int showState, const QString& mode, KeyOutput& keys,
                Pauser& pauser, int languageId);

// Starts the command line with "Close" as its last argument, on its own (it is not our child, so
// it never lingers as our zombie and may outlive us), and waits at most waitMilliseconds for it to
// end. Returns 0, or -1 when it cannot be started.
int runToClose(const QString& commandLine, int showState, int waitMilliseconds);

// Lets the control panel apply the configuration (started hidden with "Close"), then
// re-opens the joystick with the standard settings. A missing control panel is no error: the
// joystick is re-opened all the same. busy (optional) is told true before and false after, for the
// desktop program's hourglass cursor.
void input_erneuern(Joystick& joystick, KeyOutput& keys, Pauser& pauser, int languageId,
                    const std::function<void(bool busy)>& busy = {});

}  // namespace pw
