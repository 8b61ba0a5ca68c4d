#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "input/uinput/EvdevKeyMap.h"

namespace pw {

// The XKB names a keymap is built from (the rules are always the system's default, evdev).
// Empty fields take xkbcommon's defaults.
struct KeyboardNames {
    std::string layout;
    std::string variant;
    std::string model;
};

// Reads XKBLAYOUT, XKBVARIANT and XKBMODEL from a file written like /etc/default/keyboard
// (shell assignments, values optionally quoted). Of a comma list of layouts (and their variants)
// the first is taken. Empty when the file cannot be read or names no layout.
std::optional<KeyboardNames> readKeyboardDefaults(const std::string& path);

// Virtual-key code to evdev key code, following the user's keyboard layout.
//
// A uinput keyboard sends key positions; what character a position types is decided later by the
// layout of whoever reads the device (the X server, the compositor). Windows defines the letter,
// digit and + , - . virtual keys by the character they type, so those are looked up in the layout:
// each goes to the key that types its character on shift level 1 ('+' may also be the shifted
// character, as on a US keyboard, if no key types it unshifted). All other keys, and characters
// the layout does not have unshifted, stay at their US position.
//
// On AZERTY the digits are the shifted characters of the top row, so '1' ... '0' are not found and
// stay on the top-row keys KEY_1 ... KEY_0: the key that carries the digit, which is also the key
// Windows sends for those virtual keys there. Layouts without Latin letters (Russian, Greek)
// likewise keep the letters at their US places.
class LayoutKeyMap {
public:
    // US positions.
    LayoutKeyMap();

    // From explicit names, without looking at the environment. A layout xkbcommon cannot build
    // (unknown name, missing xkb-data) gives US positions; describe() says so.
    static LayoutKeyMap fromNames(const KeyboardNames& names);

    // Where fromSession() looks for the user's layout.
    struct SessionSources {
        bool askXServer = true;
        const char* displayName = nullptr;  // nullptr: $DISPLAY
        std::string keyboardDefaultsPath = "/etc/default/keyboard";
    };

    // The layout of this session, taken from the first of these that gives one: the X server's
    // keymap; XKB_DEFAULT_LAYOUT (with XKB_DEFAULT_VARIANT, XKB_DEFAULT_MODEL) from the
    // environment; /etc/default/keyboard; else US.
    static LayoutKeyMap fromSession();
    static LayoutKeyMap fromSession(const SessionSources& sources);

    // The evdev code to send for a virtual key, 0 for none.
    int evdevCode(std::uint8_t virtualKey) const { return codes_[virtualKey]; }

    // The layout and where it came from, for the log: "de (from /etc/default/keyboard)".
    std::string describe() const { return description_; }

private:
    LayoutKeyMap(const EvdevKeyTable& codes, std::string description);

    EvdevKeyTable codes_;
    std::string description_;
};

}  // namespace pw
