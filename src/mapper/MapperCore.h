// src/mapper: the mapper without windows: wiring, tick timer, exit guard, --headless, --simulate.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "controllers/ControllerRegistry.h"
#include "games/AutoActivation.h"
#include "games/qt/ProcessNotify.h"
#include "input/Joystick.h"
#include "input/KeyEmitter.h"
#include "input/KeyOutput.h"
#include "input/Pause.h"
#include "input/PollingLoop.h"
#include "input/sdl/SdlJoystickDevice.h"
#include "input/sdl/SdlVirtualJoystick.h"
#include "mapper/TickTimer.h"
#include "profiles/Activation.h"
#include "texts/TextVariables.h"

namespace pw {

class SettingsStore;

// Whether one of the program's own windows has the focus: the joystick's foreground check while
// ActiveOnly is set (installing or calibrating in the control panel). True for a program without
// windows.
bool programIsInFront();

// The mapper as the desktop program and `padwarden --headless` both run it: the controller, the
// 1 ms polling loop with its emitter, game activation with the controller switch, the lookup list
// and the process watcher that feeds it. The store, the texts, the announcer and the key output
// belong to the caller and outlive the core.
class MapperCore {
public:
    // pad: a virtual controller to use instead of an attached one (may be null).
    MapperCore(SettingsStore& store, const TextVariables& texts, Announcer& announcer, KeyOutput& keys,
               SdlVirtualJoystick* pad = nullptr);
    ~MapperCore();
    MapperCore(const MapperCore&) = delete;
    MapperCore& operator=(const MapperCore&) = delete;

    // Lines worth telling a headless user ("game Action\Doom started ..."); none by default.
    void setLog(std::function<void(const std::string&)> log) { log_ = std::move(log); }
    // Told true before and false after the control panel refreshes the configuration.
    void setBusyHandler(std::function<void(bool)> busy) { busy_ = std::move(busy); }

    // Opens the controller (joystick 1, or the virtual pad).
    void openController();
    // Has the control panel apply the configuration and re-opens the controller.
    void inputErneuern();
    // Starts the polling timer (the process watcher runs from the start).
    void start();

    SettingsStore& store() { return store_; }
    KeyOutput& keys() { return keys_; }
    Pauser& pauser() { return pauser_; }
    Joystick& joystick() { return joystick_; }
    SdlJoystickDevice& device() { return device_; }
    MappingState& state() { return state_; }
    TickTimer& timer() { return timer_; }
    PollingLoop& loop() { return loop_; }
    ControllerRegistry& controllers() { return controllers_; }
    GameActivation& activation() { return activation_; }
    AutoActivation& autoActivation() { return autoActivation_; }
    ProcessNotify& watcher() { return watcher_; }

private:
    void onCreated(const ProcessRecord& process);
    void onTerminated(const ProcessRecord& process);
    void log(const std::string& line) const {
        if (log_) {
            log_(line);
        }
    }

    SettingsStore& store_;
    KeyOutput& keys_;
    SdlVirtualJoystick* pad_;
    SteadyClock clock_;
    ClockPauser pauser_{clock_};
    SdlJoystickDevice device_;
    Joystick joystick_{device_};
    KeyEmitter emitter_{keys_, pauser_};
    MappingState state_;
    TickTimer timer_;
    PollingLoop loop_{state_, joystick_, emitter_, timer_};
    ControllerRegistry controllers_;
    GameActivation activation_;
    AutoActivation autoActivation_;
    ProcessNotify watcher_;
    std::function<void(const std::string&)> log_;
    std::function<void(bool)> busy_;
};

}  // namespace pw
