#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "controllers/ControllerRegistry.h"
#include "input/PollingLoop.h"
#include "store/SettingsStore.h"
#include "texts/TextVariables.h"

namespace pw {

// Copies a game's 28 KeySequences from the store into the live table; only the sequences change,
// never held or counter. A missing value stores the empty text, a value that is no text "-1".
void loadLiveTable(SettingsStore& store, std::string_view group, std::string_view game, LiveTable& table);

// Makes one library game's assignments drive the polling loop, and switches in its controller
// when it is played with another one than the one in use.
class GameActivation {
public:
    // inputErneuern makes the system take up a rewritten joystick configuration and opens the
    // joystick anew.
    GameActivation(SettingsStore& store, const TextVariables& texts, ControllerRegistry& controllers,
                   MappingState& state, std::function<void()> inputErneuern,
                   std::string windowCaption = "PadWarden");

    // announce: the user started the game from the library (an information box announces a
    // controller switch) rather than the process watcher finding it (the countdown window does).
    void commandos_wechsel(std::string_view group, std::string_view game, bool announce);

    // Whether a game's "controller" and "profil" values mean that no key may be sent.
    bool noMappingFor(std::string_view controller, std::string_view profil) const;

private:
    SettingsStore& store_;
    const TextVariables& texts_;
    ControllerRegistry& controllers_;
    MappingState& state_;
    std::function<void()> inputErneuern_;
    std::string windowCaption_;
};

}  // namespace pw
