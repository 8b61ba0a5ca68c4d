#pragma once

#include <cstdint>
#include <functional>
#include <utility>

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

// Sends no key: for a program that cannot send keys here, or must not. Beeps go to `beep` when
// one is given.
class SilentKeyOutput final : public KeyOutput {
public:
    explicit SilentKeyOutput(std::function<void(int)> beep = {}) : beep_(std::move(beep)) {}
    void keyDown(std::uint8_t, std::uint8_t) override {}
    void keyUp(std::uint8_t, std::uint8_t) override {}
    void beep(int value) override {
        if (beep_) {
            beep_(value);
        }
    }

private:
    std::function<void(int)> beep_;
};

}  // namespace pw
