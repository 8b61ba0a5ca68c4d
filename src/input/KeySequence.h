#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pw {

// The numeric form of an assignment: "65" (one virtual-key code), "17_123" (modifier first, then
// the key) or a timed sequence "(0)65(120)66" of steps with pauses in pause units. "" and "-1"
// assign nothing. A text is a timed sequence exactly when it contains "(".
class KeySequence {
public:
    KeySequence() = default;
    explicit KeySequence(std::string text);

    const std::string& text() const { return text_; }
    bool isTimed() const { return timed_; }
    // A timed sequence closed by the terminating group "(0)" that playback appends; a trailing
    // "(" left by a recording gets only "0)". Prepared once here so that playback allocates nothing.
    std::string_view playText() const { return play_; }

    friend bool operator==(const KeySequence& a, const KeySequence& b) { return a.text_ == b.text_; }

private:
    std::string text_;
    std::string play_;
    bool timed_ = false;
};

// Reads a decimal integer the way the emitter does: optional leading blanks and sign, then digits
// and nothing else. Anything else (empty text, letters, out of range) reads as 0.
std::int32_t parseKeyNumber(std::string_view text);

// The two key codes of one step, split at its first "_"; k2 is 0 without "_".
struct StepKeys {
    std::int32_t k1 = 0;
    std::int32_t k2 = 0;
};
StepKeys splitStep(std::string_view step);

}  // namespace pw
