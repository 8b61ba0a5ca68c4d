#include "input/uinput/EvdevKeyMap.h"

#include <linux/input-event-codes.h>

namespace pw {
namespace {

constexpr EvdevKeyTable buildTable() {
    EvdevKeyTable t{};
    // 1, 2 and 4 are the mouse buttons: a keyboard device has nothing to send for them.
    t[0x03] = KEY_CANCEL;
    t[0x08] = KEY_BACKSPACE;
    t[0x09] = KEY_TAB;
    t[0x0C] = KEY_KP5;  // Clear is keypad 5 with Num Lock off
    t[0x0D] = KEY_ENTER;
    t[0x10] = KEY_LEFTSHIFT;
    t[0x11] = KEY_LEFTCTRL;
    t[0x12] = KEY_LEFTALT;
    t[0x13] = KEY_PAUSE;
    t[0x14] = KEY_CAPSLOCK;
    t[0x1B] = KEY_ESC;
    t[0x20] = KEY_SPACE;
    t[0x21] = KEY_PAGEUP;
    t[0x22] = KEY_PAGEDOWN;
    t[0x23] = KEY_END;
    t[0x24] = KEY_HOME;
    t[0x25] = KEY_LEFT;
    t[0x26] = KEY_UP;
    t[0x27] = KEY_RIGHT;
    t[0x28] = KEY_DOWN;
    t[0x29] = KEY_SELECT;
    t[0x2A] = KEY_PRINT;
    t[0x2C] = KEY_SYSRQ;  // the Print Screen key
    t[0x2D] = KEY_INSERT;
    t[0x2E] = KEY_DELETE;

    // The evdev codes follow the keyboard rows, not the alphabet.
    constexpr std::uint16_t digits[10] = {KEY_0, KEY_1, KEY_2, KEY_3, KEY_4,
                                          KEY_5, KEY_6, KEY_7, KEY_8, KEY_9};
    for (std::size_t i = 0; i < 10; ++i) {
        t['0' + i] = digits[i];
    }
    constexpr std::uint16_t letters[26] = {KEY_A, KEY_B, KEY_C, KEY_D, KEY_E, KEY_F, KEY_G, KEY_H, KEY_I,
                                           KEY_J, KEY_K, KEY_L, KEY_M, KEY_N, KEY_O, KEY_P, KEY_Q, KEY_R,
                                           KEY_S, KEY_T, KEY_U, KEY_V, KEY_W, KEY_X, KEY_Y, KEY_Z};
    for (std::size_t i = 0; i < 26; ++i) {
        t['A' + i] = letters[i];
    }

    t[0x5B] = KEY_LEFTMETA;
    t[0x5C] = KEY_RIGHTMETA;
    t[0x5D] = KEY_COMPOSE;  // the menu key
    constexpr std::uint16_t keypad[10] = {KEY_KP0, KEY_KP1, KEY_KP2, KEY_KP3, KEY_KP4,
                                          KEY_KP5, KEY_KP6, KEY_KP7, KEY_KP8, KEY_KP9};
    for (std::size_t i = 0; i < 10; ++i) {
        t[0x60 + i] = keypad[i];
    }
    t[0x6A] = KEY_KPASTERISK;
    t[0x6B] = KEY_KPPLUS;
    t[0x6C] = KEY_KPCOMMA;  // the keypad separator
    t[0x6D] = KEY_KPMINUS;
    t[0x6E] = KEY_KPDOT;
    t[0x6F] = KEY_KPSLASH;

    // F1 ... F24 are not contiguous in evdev.
    constexpr std::uint16_t functionKeys[24] = {KEY_F1,  KEY_F2,  KEY_F3,  KEY_F4,  KEY_F5,  KEY_F6,
                                                KEY_F7,  KEY_F8,  KEY_F9,  KEY_F10, KEY_F11, KEY_F12,
                                                KEY_F13, KEY_F14, KEY_F15, KEY_F16, KEY_F17, KEY_F18,
                                                KEY_F19, KEY_F20, KEY_F21, KEY_F22, KEY_F23, KEY_F24};
    for (std::size_t i = 0; i < 24; ++i) {
        t[0x70 + i] = functionKeys[i];
    }

    t[0x90] = KEY_NUMLOCK;
    t[0x91] = KEY_SCROLLLOCK;
    t[0xA0] = KEY_LEFTSHIFT;
    t[0xA1] = KEY_RIGHTSHIFT;
    t[0xA2] = KEY_LEFTCTRL;
    t[0xA3] = KEY_RIGHTCTRL;
    t[0xA4] = KEY_LEFTALT;
    t[0xA5] = KEY_RIGHTALT;

    t[0xBA] = KEY_SEMICOLON;
    t[0xBB] = KEY_EQUAL;
    t[0xBC] = KEY_COMMA;
    t[0xBD] = KEY_MINUS;
    t[0xBE] = KEY_DOT;
    t[0xBF] = KEY_SLASH;
    t[0xC0] = KEY_GRAVE;
    t[0xDB] = KEY_LEFTBRACE;
    t[0xDC] = KEY_BACKSLASH;
    t[0xDD] = KEY_RIGHTBRACE;
    t[0xDE] = KEY_APOSTROPHE;
    t[0xE2] = KEY_102ND;  // the extra key beside left Shift on 102-key keyboards
    return t;
}

constexpr EvdevKeyTable kUsTable = buildTable();

}  // namespace

const EvdevKeyTable& usEvdevKeyTable() {
    return kUsTable;
}

}  // namespace pw
