#pragma once

#include <array>
#include <cstdint>

namespace pw {

// The Linux evdev key code (KEY_* from <linux/input-event-codes.h>) of each Windows virtual-key
// code, at the key's place on a US keyboard; 0 for codes no key stands for, mouse buttons included.
// Character keys move on other layouts: LayoutKeyMap corrects them.
using EvdevKeyTable = std::array<std::uint16_t, 256>;

const EvdevKeyTable& usEvdevKeyTable();

inline int usEvdevCode(std::uint8_t virtualKey) {
    return usEvdevKeyTable()[virtualKey];
}

}  // namespace pw
