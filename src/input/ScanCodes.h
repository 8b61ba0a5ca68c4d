#pragma once

#include <cstdint>

namespace pw {

// The set-1 scan code of a virtual-key code on a US layout (what MapVirtualKeyA(code, 0) gives
// there), without the E0 prefix of extended keys; 0 when the code has none.
std::uint8_t scanCodeOf(std::int32_t virtualKey);

}  // namespace pw
