#pragma once

#include <chrono>
#include <cstdint>

namespace pw {

// One pause unit is 1e-8 day: 0.864 ms.
inline constexpr std::chrono::microseconds kPauseUnit{864};

// The program's own wait. It blocks the calling thread and processes no events.
class Pauser {
public:
    virtual ~Pauser() = default;
    virtual void pause(std::int32_t units) = 0;
};

// Monotonic time that tests can replace.
class Clock {
public:
    using time_point = std::chrono::steady_clock::time_point;
    virtual ~Clock() = default;
    virtual time_point now() const = 0;
    virtual void sleepUntil(time_point deadline) = 0;
};

class SteadyClock final : public Clock {
public:
    time_point now() const override;
    void sleepUntil(time_point deadline) override;
};

// Pause(n) as a sleep of n units on a clock.
class ClockPauser final : public Pauser {
public:
    explicit ClockPauser(Clock& clock) : clock_(clock) {}
    void pause(std::int32_t units) override;

private:
    Clock& clock_;
};

}  // namespace pw
