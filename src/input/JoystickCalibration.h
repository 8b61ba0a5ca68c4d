#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace pw {

// Which attached device is joystick 1 and how its raw SDL axes become the positions the axis scaling
// reads. Kept in the store by controllers/JoystickConfiguration.h; read here by the SDL device.

// One axis of joystick 1: where it comes from and its raw travel.
struct AxisCalibration {
    int sdlAxis = 0;
    std::int32_t minimum = -32768;
    std::int32_t centre = 0;
    std::int32_t maximum = 32767;

    friend bool operator==(const AxisCalibration&, const AxisCalibration&) = default;
};

struct JoystickConfiguration {
    std::string guid;  // empty: no device is configured as joystick 1
    std::string oemName;
    std::string deviceName;
    // X, Y, Z, R.
    std::array<AxisCalibration, 4> axes = {AxisCalibration{0}, AxisCalibration{1}, AxisCalibration{2},
                                           AxisCalibration{3}};

    bool configured() const { return !guid.empty(); }
    friend bool operator==(const JoystickConfiguration&, const JoystickConfiguration&) = default;
};

// A raw SDL axis value as the position 0 ... 65535 the axis scaling expects: minimum -> 0,
// centre -> 32767, maximum -> 65535, linear on each side, beyond the ends held at the end.
std::uint32_t calibratedPosition(const AxisCalibration& axis, std::int32_t raw);

}  // namespace pw
