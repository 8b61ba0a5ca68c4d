#pragma once

#include <filesystem>
#include <functional>

namespace pw {

class MainWindow;
class Pauser;
class SplashWindow;
class TextVariables;

// What closing the start-up splash does: the program goes into the tray with its window hidden.
// Where the desktop has no tray, the window is shown instead, so the program is not left without
// any way back to it.
void startIntoTray(MainWindow& window);

// The start-up after the main window was made: the splash with its progress while the language
// tables are loaded and put on the controls, a short pause at 95, then the splash closes, which
// puts the program into the tray. The window is never shown on the way. progressSeen (optional)
// hears every progress value as the splash gets it.
void runStartUp(MainWindow& window, SplashWindow& splash, TextVariables& texts, Pauser& pauser,
                const std::filesystem::path& programDirectory,
                const std::function<void(int)>& progressSeen = {});

}  // namespace pw
