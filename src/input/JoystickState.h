#pragma once

#include <array>
#include <bitset>
#include <cstdint>

namespace pw {

// A hat that points nowhere reads as a value that is none of the eight directions.
inline constexpr std::uint32_t kHatCentred = 0xFFFFFFFFu;

// One sample of the controller, laid out like the 272-byte extended joystick state record that
// stored configurations and the Windows build share. Axes are scaled to -Range ... +Range; the
// hat is in hundredths of a degree clockwise from forward; bit 7 of a button byte means pressed.
struct JoystickState {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t z = 0;
    std::int32_t rx = 0;
    std::int32_t ry = 0;
    std::int32_t rz = 0;
    std::array<std::int32_t, 2> slider{};
    std::array<std::uint32_t, 4> hat{};
    std::array<std::uint8_t, 128> button{};
    std::array<std::int32_t, 24> unused{};

    bool pressed(int buttonIndex) const {
        return (button[static_cast<std::size_t>(buttonIndex)] & 0x80u) != 0;
    }
};
static_assert(sizeof(JoystickState) == 272);

// Set when the joystick is opened, back to 0 when it is closed.
struct DeviceFacts {
    std::int32_t buttonCount = 0;
    std::int32_t hatCount = 0;
    std::int32_t axisCount = 0;
};

// Up, Down, Left, Right, then Button1 ... Button32.
enum class InputState : std::uint8_t { Up, Down, Left, Right, Button1 };
inline constexpr std::size_t kInputStateCount = 36;
using InputStates = std::bitset<kInputStateCount>;

constexpr std::size_t inputBit(InputState s) {
    return static_cast<std::size_t>(s);
}
constexpr std::size_t buttonBit(int n) {  // n counted from 1
    return static_cast<std::size_t>(InputState::Button1) + static_cast<std::size_t>(n - 1);
}

}  // namespace pw
