#include "input/KeyEmitter.h"

#include <limits>
#include <string_view>

#include "input/ScanCodes.h"

namespace pw {
namespace {

std::uint8_t low8(std::int32_t code) {
    return static_cast<std::uint8_t>(code & 0xFF);
}

// The number between the first "(" and the first ")" of rest, else 0.
std::int32_t pauseOf(std::string_view rest) {
    const auto open = rest.find('(');
    const auto close = rest.find(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open) {
        return 0;
    }
    return parseKeyNumber(rest.substr(open + 1, close - open - 1));
}

}  // namespace

void KeyEmitter::press(StepKeys keys) {
    if (keys.k1 > 0) {
        out_.keyDown(low8(keys.k1), scanCodeOf(keys.k1));
    }
    const std::uint8_t s2 = keys.k2 > 0 ? scanCodeOf(keys.k2) : 0;
    if (s2 > 0) {
        out_.keyDown(low8(keys.k2), s2);
    }
}

void KeyEmitter::releaseKeys(StepKeys keys) {
    if (keys.k2 > 0) {
        out_.keyUp(low8(keys.k2), scanCodeOf(keys.k2));
    }
    if (keys.k1 > 0) {
        out_.keyUp(low8(keys.k1), scanCodeOf(keys.k1));
    }
}

void KeyEmitter::release(ActionSlot& slot) {
    if (!slot.held) {
        return;
    }
    releaseKeys(slot.heldKeys);
    slot.heldKeys = {};
    slot.held = false;
    slot.counter = tapMark_;
}

void KeyEmitter::taste_weitergeben(ActionSlot& slot, bool on) {
    if (!on && !slot.held) {
        return;
    }
    if (!on) {
        // The keys that went down go up, whatever the sequence says now.
        release(slot);
        return;
    }

    const KeySequence& seq = slot.keys;
    std::string_view rest = seq.text();
    std::string_view step = rest;
    std::int32_t pause = 0;
    bool sequence = false;
    bool last = false;
    while (!last) {
        if (rest.find('(') != std::string_view::npos) {
            if (!sequence) {
                out_.beep(kBeepValue);
                rest = seq.playText();
                sequence = true;
            }
            if (pause > 0) {
                pauser_.pause(pause);
            }
            const auto close = rest.find(')');
            rest = close == std::string_view::npos ? std::string_view{} : rest.substr(close + 1);
            const auto open = rest.find('(');
            step = open == std::string_view::npos ? std::string_view{} : rest.substr(0, open);
            pause = pauseOf(rest);
            tapMark_ = slot.counter;
        } else {
            last = true;
        }

        const StepKeys keys = splitStep(step);
        if (slot.counter == tapMark_ || slot.counter < 0) {
            if (slot.counter == tapMark_) {
                press(keys);
                releaseKeys(keys);
            } else {
                if (slot.held && (slot.heldKeys.k1 != keys.k1 || slot.heldKeys.k2 != keys.k2)) {
                    // The sequence changed while its keys were down: let the old keys go first.
                    releaseKeys(slot.heldKeys);
                }
                press(keys);
                slot.held = true;
                slot.heldKeys = keys;
            }
        }
        if (slot.counter > std::numeric_limits<std::int32_t>::min()) {
            --slot.counter;
        }
        if (slot.counter < kSlowDownThreshold) {
            pauser_.pause(10);
        }
    }
    if (sequence) {
        out_.beep(kBeepValue);
        pauser_.pause(10);
        out_.beep(kBeepValue);
    }
}

}  // namespace pw
