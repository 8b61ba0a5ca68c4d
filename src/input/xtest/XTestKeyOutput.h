#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "input/KeyOutput.h"

struct _XDisplay;

namespace pw {

// Sends keys as an X client through the XTEST extension. Only X programs receive them (under
// Wayland: programs running on Xwayland). Letters, digits and + , - . are found by their keysym in
// the server's keymap. On a server with evdev keycodes the punctuation keys whose character
// differs between layouts (; / ` [ \ ] ' and the extra key beside left Shift) go where the uinput
// keyboard puts them under the server's layout (see LayoutKeyMap), and every other key lands
// where the uinput keyboard puts it too; other servers get those keys at their US positions.
class XTestKeyOutput final : public KeyOutput {
public:
    // Connects to `displayName` (nullptr: $DISPLAY). Nullptr when the display does not answer or
    // lacks XTEST, with `error` one line saying which. `beeper` may be empty: beeps then ring the
    // X server's bell.
    static std::unique_ptr<XTestKeyOutput> create(const char* displayName, std::function<void(int)> beeper,
                                                  std::string& error);

    ~XTestKeyOutput() override;
    XTestKeyOutput(const XTestKeyOutput&) = delete;
    XTestKeyOutput& operator=(const XTestKeyOutput&) = delete;

    void keyDown(std::uint8_t virtualKey, std::uint8_t scanCode) override;
    void keyUp(std::uint8_t virtualKey, std::uint8_t scanCode) override;
    void beep(int value) override;

    // The X keycode sent for a virtual key, 0 for none.
    int keycode(std::uint8_t virtualKey) const { return keycodes_[virtualKey]; }
    // The display as Xlib names it, ":0".
    std::string displayName() const;

private:
    XTestKeyOutput(_XDisplay* display, std::function<void(int)> beeper);
    void send(std::uint8_t virtualKey, bool press);

    _XDisplay* display_;
    std::function<void(int)> beeper_;
    std::array<std::uint8_t, 256> keycodes_{};
    // Keys this object holds down, released when it goes: the server keeps XTEST keys pressed
    // after the client is gone.
    std::array<bool, 256> held_{};
};

}  // namespace pw
