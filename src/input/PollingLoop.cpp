#include "input/PollingLoop.h"

namespace pw {

void PollingLoop::releaseAll() {
    for (ControllerAction a : kTickOrder) {
        emitter_.release(state_.slots[a]);
    }
}

void PollingLoop::tick() {
    atRest_ = false;
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
        busy = busy || on || slot.held;
    }
    atRest_ = !busy;
}

}  // namespace pw
