#include "input/AxisScaling.h"

namespace pw {
namespace {

// n / d rounded to the nearest integer, halves away from zero.
std::int64_t divRound(std::int64_t n, std::int64_t d) {
    if (d < 0) {
        n = -n;
        d = -d;
    }
    return n >= 0 ? (2 * n + d) / (2 * d) : -((-2 * n + d) / (2 * d));
}

}  // namespace

std::int32_t scaleAxis(std::int64_t position, std::int64_t minimum, std::int64_t maximum,
                       std::int32_t deadZonePercent, std::int32_t range) {
    const std::int64_t centre = (maximum - minimum) / 2;
    const std::int64_t offset = position - centre;
    const std::int64_t dead = centre * deadZonePercent / 100;
    const std::int64_t live = centre - dead;
    if (live == 0 || (offset <= dead && offset >= -dead)) {
        return 0;
    }
    const std::int64_t travel = offset > 0 ? offset - dead : offset + dead;
    return static_cast<std::int32_t>(divRound(static_cast<std::int64_t>(range) * travel, live));
}

}  // namespace pw
