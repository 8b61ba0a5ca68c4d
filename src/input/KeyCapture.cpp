#include "input/KeyCapture.h"

#include <chrono>
#include <ctime>

#include "input/KeyNames.h"

namespace pw {

std::optional<std::int32_t> modifierCode(const ModifierState& s) {
    const int members = int{s.shift} + int{s.alt} + int{s.ctrl} + int{s.leftButton} + int{s.rightButton} +
                        int{s.middleButton} + int{s.doubleClick};
    if (members == 0) {
        return std::nullopt;
    }
    if (members > 1) {
        return 0;
    }
    if (s.shift)
        return 16;
    if (s.alt)
        return 18;
    if (s.ctrl)
        return 17;
    if (s.leftButton)
        return 37;
    if (s.rightButton)
        return 39;
    return 12;  // middle button or double-click
}

TimeOfDay LocalTimeOfDay::now() const {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&seconds, &local);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    // Days counted from the epoch in local time, so that consecutive days differ by one.
    const std::int64_t day = (static_cast<std::int64_t>(seconds) + local.tm_gmtoff) / 86400;
    return {day,
            static_cast<std::int32_t>((local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec) * 1000 + ms)};
}

void KeyCapture::rec() {
    display_.clear();
    recording_ = true;
    lastKey_.reset();
}

void KeyCapture::stop() {
    recording_ = false;
    lastKey_.reset();
    display_ += '(';
}

void KeyCapture::setTexts(std::string display, std::string keySequence) {
    display_ = std::move(display);
    keySequence_ = std::move(keySequence);
}

void KeyCapture::keyDown(std::int32_t k, const ModifierState& modifiers) {
    std::int64_t gap = 0;
    TimeOfDay now{};
    if (recording_) {
        now = clock_.now();
        if (lastKey_) {
            // The day counts too, so a recording across midnight keeps its real gaps.
            gap = (now.day - lastKey_->day) * 86'400'000 + now.millisecondsSinceMidnight -
                  lastKey_->millisecondsSinceMidnight;
        }
    }
    const auto name = [this](std::int32_t code) { return keyName(static_cast<std::uint16_t>(code), texts_); };
    const std::string group = "(" + std::to_string(gap) + ")";
    const auto m = modifierCode(modifiers);
    if (m && *m != k) {
        if (recording_) {
            display_ += group + name(*m) + "_" + name(k);
            keySequence_ += group + std::to_string(*m) + "_" + std::to_string(k);
        } else {
            display_ = name(*m) + "_" + name(k);
            keySequence_ = std::to_string(*m) + "_" + std::to_string(k);
            // Alt+F12 is how the Tab key is entered: the field cannot receive Tab itself.
            if (display_ == name(18) + "_" + name(123)) {
                display_ = name(9);
                keySequence_ = "9";
            }
        }
    } else if (recording_) {
        display_ += group + name(k);
        keySequence_ += group + std::to_string(k);
    } else {
        display_ = name(k);
        keySequence_ = std::to_string(k);
    }
    if (recording_) {
        lastKey_ = now;
    }
}

}  // namespace pw
