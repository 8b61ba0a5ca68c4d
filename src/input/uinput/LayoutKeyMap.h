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
// layout of whoever reads the device (the X server, the compositor). So every key that types a
// character is looked up in the layout by that character and goes to the key that types it on
// shift level 1:
// - the letters, the digits and , - . by their own character;
// - + (187) by '+', else '=' (its US key), else '+' on shift level 2;
// - the keys whose character differs between layouts, by the characters key capture names them
//   for, the US one first, then the German one: 186 ; or Ü, 191 / or #, 192 ` or Ö (or dead `),
//   219 [ or ß, 220 \ or ^ (or dead ^), 221 ] or dead ´ (or ´), 222 ' or Ä, 226 < (the extra key
//   beside left Shift). A key taken from a German keyboard so comes out on the same key under the
//   German layout, and on its usual key under the US one.
// A letter, digit or , - . whose character the layout does not have unshifted stays at its US
// position. The keys of the last two groups never share a key: a character found on a key that a
// letter, digit, , - . or an earlier key of these groups already holds does not count, and a key
// with no character found goes to its US position, or, if a key placed by character holds that,
// to the position that key left free. Keys that type no character (Space, F1, the keypad, ...)
// never move.
//
// On AZERTY the digits are the shifted characters of the top row, so '1' ... '0' are not found and
// stay on the top-row keys KEY_1 ... KEY_0: the key that carries the digit, which is also the key
// Windows sends for those virtual keys there; '-', unshifted on the 6 key, shares that key. Layouts
// without Latin letters (Russian, Greek) likewise keep the letters at their US places.
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

    // The layout of the X server's core keyboard in its current layout group (`displayName`
    // nullptr: $DISPLAY). Empty when the display does not answer, lacks XKB, or its keycodes are
    // not evdev codes + 8.
    static std::optional<LayoutKeyMap> fromXServer(const char* displayName);

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
