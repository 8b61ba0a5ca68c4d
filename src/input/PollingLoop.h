// src/input: actions, sampling, the polling loop, the key emitter, key names and capture, key output.
#pragma once

#include <array>
#include <functional>
#include <string>

#include "input/ActionSlot.h"
#include "input/Joystick.h"
#include "input/KeyEmitter.h"

namespace pw {

// The state a tick reads. The application owns one of these for the whole run.
struct MappingState {
    LiveTable slots;
    std::string activeGame;       // executable of the library game that runs now; empty = none
    bool noMapping = false;       // the running game has no controller or no Profile
    bool captureMode = false;     // the assignment editor waits for a controller action
    bool mainWindowShown = true;  // the visibility the main window gets back while no game runs
};

// What the tick asks of the program around it: its timer and its main window.
class LoopHost {
public:
    virtual ~LoopHost() = default;
    virtual void setTimerEnabled(bool on) = 0;
    virtual bool timerEnabled() const = 0;
    // Shows or hides the main window; the application's show-main-window setting follows.
    virtual void setMainWindowVisible(bool visible) = 0;
};

// One tick of the 1 ms loop: sample the controller and hand each of the 28 actions, in a fixed
// order, to the emitter while a library game runs.
class PollingLoop {
public:
    using CaptureStep = std::function<void(Joystick&)>;

    PollingLoop(MappingState& state, Joystick& joystick, KeyEmitter& emitter, LoopHost& host)
        : state_(state), joystick_(joystick), emitter_(emitter), host_(host) {}

    // Runs each tick while CaptureMode is set, after a fresh sample.
    void setCaptureStep(CaptureStep step) { capture_ = std::move(step); }

    void tick();

    // Between two ticks: samples afresh and hands on what changed, to the actions whose state the
    // change turned only, so that a press or a release is keyed at once instead of at the next
    // tick. The other actions are left alone and keep their count of ticks, so repeats stay on
    // the tick. Does nothing unless the last tick emitted for a game. Allocates nothing.
    void passChanges();

    // Every held key goes up once; held is cleared and the counter reloaded from the tap mark.
    // The tick does this whenever it stops emitting; the program does it when it exits.
    void releaseAll();

    // Whether the last tick ran for a game with no action on, no slot held and no capture: every
    // action returned at once, and the next tick would change nothing either until the controller
    // or the program's state changes. The timer may then sleep until one of them does.
    bool atRest() const { return atRest_; }

    Joystick& joystick() { return joystick_; }

private:
    MappingState& state_;
    Joystick& joystick_;
    KeyEmitter& emitter_;
    LoopHost& host_;
    CaptureStep capture_;
    bool atRest_ = false;
    bool emitted_ = false;                 // the last tick handed the actions to the emitter
    std::array<bool, kActionCount> on_{};  // each action's state as last handed on
};

}  // namespace pw
