#pragma once

#include <cstdint>

#include "input/Joystick.h"
#include "input/sdl/SdlJoystickDevice.h"
#include "input/sdl/SdlVirtualJoystick.h"

namespace pw::test {

// A controller on the real SDL path: an SDL virtual joystick opened through SdlJoystickDevice by
// a Joystick. Changes made to pad are seen by the joystick's next sample.
struct VirtualPad {
    explicit VirtualPad(int axes = 4, int buttons = 12, int hats = 1) : pad(axes, buttons, hats) {
        joystick.setId(pad.deviceIndex());
        joystick.openJoystick();
    }

    // Full deflection of SDL axis i, or the middle.
    void push(int axis, int direction) {
        pad.setAxis(axis, direction < 0   ? std::int16_t{-32768}
                          : direction > 0 ? std::int16_t{32767}
                                          : std::int16_t{0});
    }

    SdlVirtualJoystick pad;
    SdlJoystickDevice device;
    Joystick joystick{device};
};

}  // namespace pw::test
