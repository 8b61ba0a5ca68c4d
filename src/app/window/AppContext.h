#pragma once

#include <QString>
#include <filesystem>
#include <functional>

namespace pw {

class AutoActivation;
class ControllerRegistry;
class GameActivation;
class GameLists;
class Joystick;
class KeyOutput;
class LoopHost;
class Pauser;
class PollingLoop;
class SettingsStore;
class TextVariables;
class UserDialogs;
struct MappingState;

// Everything the main window owns for the whole run and its pages use. The desktop program makes
// one from its real parts; tests make one from a temporary store, a fake or virtual controller,
// a recording key output and scripted dialogs.
struct AppContext {
    SettingsStore& store;
    TextVariables& texts;
    UserDialogs& dialogs;
    std::filesystem::path programDirectory;  // Profiles and language tables live here
    MappingState& state;                     // slots, ActiveGame, NoMapping, CaptureMode, mainWindowShown
    ControllerRegistry& controllers;         // currentController, lastActivatedController
    GameActivation& activation;              // commandos_wechsel
    AutoActivation& autoActivation;          // the lookup list and LaunchPending
    Joystick& joystick;
    KeyOutput& keys;  // key output and beeps
    Pauser& pauser;
    PollingLoop& loop;  // the assignment editor hangs its capture step here
    LoopHost& timer;    // the polling timer (DXTimer1)
    GameLists& lists;
    // Hides the main window (the launcher gets out of the game's way).
    std::function<void()> hideMainWindow = [] {};
    // Has the system take up a rewritten joystick configuration and re-opens the joystick.
    std::function<void()> inputErneuern = [] {};

    // A text variable of the interface group, as a QString.
    QString text(const char* germanDefault) const;
};

}  // namespace pw
