#include "input/Pause.h"

#include <thread>

namespace pw {

SteadyClock::time_point SteadyClock::now() const {
    return std::chrono::steady_clock::now();
}

void SteadyClock::sleepUntil(time_point deadline) {
    std::this_thread::sleep_until(deadline);
}

void ClockPauser::pause(std::int32_t units) {
    if (units <= 0) {
        return;
    }
    clock_.sleepUntil(clock_.now() + units * kPauseUnit);
}

}  // namespace pw
