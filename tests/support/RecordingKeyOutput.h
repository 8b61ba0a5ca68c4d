#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "input/KeyOutput.h"
#include "input/Pause.h"

namespace pw::test {

// Key events, beeps and pauses in the order they happened, as "down 65 30", "up 65 30",
// "beep 2000", "pause 10". Recording into one list keeps their relative order visible.
class EventLog {
public:
    void add(std::string event) { events_.push_back(std::move(event)); }
    const std::vector<std::string>& events() const { return events_; }
    std::vector<std::string> take() { return std::exchange(events_, {}); }
    void clear() { events_.clear(); }

private:
    std::vector<std::string> events_;
};

class RecordingKeyOutput final : public KeyOutput {
public:
    explicit RecordingKeyOutput(EventLog& log) : log_(log) {}
    void keyDown(std::uint8_t virtualKey, std::uint8_t scanCode) override;
    void keyUp(std::uint8_t virtualKey, std::uint8_t scanCode) override;
    void beep(int value) override;

private:
    EventLog& log_;
};

class RecordingPauser final : public Pauser {
public:
    explicit RecordingPauser(EventLog& log) : log_(log) {}
    void pause(std::int32_t units) override;

private:
    EventLog& log_;
};

// A clock that stands still until a sleep moves it to the deadline, so nothing sleeps for real.
class ManualClock final : public Clock {
public:
    time_point now() const override { return now_; }
    void sleepUntil(time_point deadline) override {
        if (deadline > now_) {
            now_ = deadline;
        }
    }
    void advance(std::chrono::microseconds by) { now_ += by; }

private:
    time_point now_{};
};

}  // namespace pw::test
