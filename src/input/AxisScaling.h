#pragma once

#include <cstdint>

namespace pw {

// Scales a raw axis position to -range ... +range. The centre is half the span measured from 0
// (not from the minimum); within deadZonePercent of the half span the axis reads 0, beyond it the
// remaining travel maps linearly onto the range, rounded half away from zero.
std::int32_t scaleAxis(std::int64_t position, std::int64_t minimum, std::int64_t maximum,
                       std::int32_t deadZonePercent, std::int32_t range);

}  // namespace pw
