#include "input/JoystickCalibration.h"

#include <algorithm>

namespace pw {
namespace {

// n / d rounded to the nearest integer, for n >= 0 and d > 0.
std::int64_t divRound(std::int64_t n, std::int64_t d) {
    return (2 * n + d) / (2 * d);
}

}  // namespace

std::uint32_t calibratedPosition(const AxisCalibration& axis, std::int32_t raw) {
    constexpr std::int64_t kMiddle = 32767;
    constexpr std::int64_t kTop = 65535;
    const std::int64_t value = std::clamp<std::int64_t>(raw, axis.minimum, axis.maximum);
    if (value <= axis.centre) {
        const std::int64_t below = axis.centre - axis.minimum;
        return static_cast<std::uint32_t>(divRound(kMiddle * (value - axis.minimum), below));
    }
    const std::int64_t above = axis.maximum - axis.centre;
    return static_cast<std::uint32_t>(kMiddle + divRound((kTop - kMiddle) * (value - axis.centre), above));
}

}  // namespace pw
