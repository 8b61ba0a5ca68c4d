#include "input/PollingLoop.h"

namespace pw {

void PollingLoop::releaseAll() {
    for (ControllerAction a : kTickOrder) {
        emitter_.release(state_.slots[a]);
    }
}

void PollingLoop::tick() {
    atRest_ = false;
    emitted_ = false;
    if (state_.captureMode) {
        joystick_.sample();
        if (capture_) {
            capture_(joystick_);
        }
    }
    if (state_.noMapping) {
        releaseAll();
        if (state_.activeGame.empty()) {
            // A game without controller or Profile has ended: the window comes back as after any
            // other game, instead of staying hidden until the tray icon is used.
            host_.setMainWindowVisible(state_.mainWindowShown);
            if (!state_.captureMode) {
                host_.setTimerEnabled(false);
            }
        } else {
            // Nothing to key for this game: only a change of the program's state matters now.
            atRest_ = !state_.captureMode;
        }
        return;
    }
    if (state_.activeGame.empty()) {
        releaseAll();
        host_.setMainWindowVisible(state_.mainWindowShown);
        if (!state_.captureMode) {
            host_.setTimerEnabled(false);
        }
        return;
    }
    if (!host_.timerEnabled()) {
        host_.setTimerEnabled(true);
    }
    host_.setMainWindowVisible(false);
    joystick_.sample();
    bool busy = state_.captureMode;
    for (ControllerAction a : kTickOrder) {
        ActionSlot& slot = state_.slots[a];
        const bool on = joystick_.actionIsOn(a);
        emitter_.taste_weitergeben(slot, on);
        on_[index(a)] = on;
        busy = busy || on || slot.held;
    }
    atRest_ = !busy;
    emitted_ = true;
}

void PollingLoop::passChanges() {
    if (!emitted_ || state_.captureMode || state_.noMapping || state_.activeGame.empty()) {
        return;
    }
    joystick_.sample();
    for (ControllerAction a : kTickOrder) {
        const bool on = joystick_.actionIsOn(a);
        bool& was = on_[index(a)];
        if (on != was) {
            emitter_.taste_weitergeben(state_.slots[a], on);
            was = on;
        }
    }
}

}  // namespace pw
