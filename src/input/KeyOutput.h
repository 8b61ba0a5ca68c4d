#pragma once

#include <cstdint>

namespace pw {

// Where synthetic key events go. Virtual-key codes are the currency everywhere; a backend maps
// them to what its platform needs (evdev codes, X keycodes). Events reach the focused program in
// the order they are sent.
class KeyOutput {
public:
    virtual ~KeyOutput() = default;

    virtual void keyDown(std::uint8_t virtualKey, std::uint8_t scanCode) = 0;
    virtual void keyUp(std::uint8_t virtualKey, std::uint8_t scanCode) = 0;
    // The message beep; the emitter passes 2000.
    virtual void beep(int value) = 0;
};

}  // namespace pw
