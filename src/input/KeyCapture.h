#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "texts/TextVariables.h"

namespace pw {

// The modifier state of a key press, as the key field sees it. Mouse buttons and a double-click
// count as modifiers too.
struct ModifierState {
    bool shift = false;
    bool alt = false;
    bool ctrl = false;
    bool leftButton = false;
    bool rightButton = false;
    bool middleButton = false;
    bool doubleClick = false;

    bool empty() const {
        return !(shift || alt || ctrl || leftButton || rightButton || middleButton || doubleClick);
    }
    friend bool operator==(const ModifierState&, const ModifierState&) = default;
};

// The virtual-key code that stands for a modifier state: 16 Shift, 18 Alt, 17 Ctrl, 37 left mouse
// button, 39 right, 12 middle or double-click; 0 when two or more members are present; nullopt
// when none is.
std::optional<std::int32_t> modifierCode(const ModifierState& state);

// A time of day with its day, so that gaps can be measured across midnight.
struct TimeOfDay {
    std::int64_t day = 0;
    std::int32_t millisecondsSinceMidnight = 0;
};

// Where the recorder reads the time of day; tests use a fixed one.
class TimeOfDaySource {
public:
    virtual ~TimeOfDaySource() = default;
    virtual TimeOfDay now() const = 0;
};

// The local time of day of this machine.
class LocalTimeOfDay final : public TimeOfDaySource {
public:
    TimeOfDay now() const override;
};

// Turns key presses in the key field into two parallel texts: the display text with key names
// ("Strg_F12") and the KeySequence ("17_123"). Between "Rec" and "Stop" every key press is
// appended with the gap since the previous one in milliseconds: "(0)65(250)66".
class KeyCapture {
public:
    KeyCapture(const TextVariables& texts, const TimeOfDaySource& clock) : texts_(texts), clock_(clock) {}

    // "Rec": the display text is cleared, the KeySequence text is kept, so the recording is
    // appended to what was captured before (that part stands before the first "(" and is
    // ignored on playback).
    void rec();
    // "Stop": ends a recording; the display text gets a closing "(".
    void stop();
    // A key press with Windows virtual-key code k.
    void keyDown(std::int32_t k, const ModifierState& modifiers);

    // Sets both texts, as when a saved command is taken into the editor.
    void setTexts(std::string display, std::string keySequence);
    void clear() { setTexts({}, {}); }

    bool recording() const { return recording_; }
    const std::string& displayText() const { return display_; }
    const std::string& keySequenceText() const { return keySequence_; }

private:
    const TextVariables& texts_;
    const TimeOfDaySource& clock_;
    std::string display_;
    std::string keySequence_;
    bool recording_ = false;
    std::optional<TimeOfDay> lastKey_;
};

}  // namespace pw
