#pragma once

#include <cstdint>

#include "input/ActionSlot.h"
#include "input/KeyOutput.h"
#include "input/Pause.h"

namespace pw {

// Turns one action's state in one tick into key events: taps, held keys with repeats, and timed
// sequences with pauses between their steps. Holds the tap mark, which all slots share.
class KeyEmitter {
public:
    static constexpr std::int32_t kSlowDownThreshold = -10;
    static constexpr int kBeepValue = 2000;

    KeyEmitter(KeyOutput& output, Pauser& pauser) : out_(output), pauser_(pauser) {}

    // Emits for one action in one tick and updates the slot's held flag and counter.
    // Allocates nothing.
    void taste_weitergeben(ActionSlot& slot, bool on);

    // Sends the key-up that a held slot owes, clears held and reloads the counter from the tap
    // mark. Does nothing for a slot that holds nothing.
    void release(ActionSlot& slot);

    std::int32_t tapMark() const { return tapMark_; }

private:
    void press(StepKeys keys);
    void releaseKeys(StepKeys keys);

    KeyOutput& out_;
    Pauser& pauser_;
    std::int32_t tapMark_ = 1;
};

}  // namespace pw
