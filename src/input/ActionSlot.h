#pragma once

#include <array>
#include <cstdint>

#include "input/ControllerAction.h"
#include "input/KeySequence.h"

namespace pw {

// The live record of one action: what it sends, whether the emitter holds its keys down and owes
// a key-up, and its repeat counter. heldKeys remembers which keys went down, so the key-up always
// reaches the key that was pressed even when the KeySequence was replaced meanwhile.
struct ActionSlot {
    KeySequence keys;
    bool held = false;
    std::int32_t counter = 1;
    StepKeys heldKeys{};
};

// The live table: one slot per action, in the enumerator order of ControllerAction.
class LiveTable {
public:
    ActionSlot& operator[](ControllerAction a) { return slots_[index(a)]; }
    const ActionSlot& operator[](ControllerAction a) const { return slots_[index(a)]; }

    // Activation replaces only the KeySequence; held and counter stay as they are.
    void assign(ControllerAction a, std::string keySequence) {
        slots_[index(a)].keys = KeySequence(std::move(keySequence));
    }

    auto begin() { return slots_.begin(); }
    auto end() { return slots_.end(); }
    auto begin() const { return slots_.begin(); }
    auto end() const { return slots_.end(); }

private:
    std::array<ActionSlot, kActionCount> slots_{};
};

}  // namespace pw
