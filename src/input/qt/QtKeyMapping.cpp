#include "input/qt/QtKeyMapping.h"

#include <linux/input-event-codes.h>

#include <QChar>
#include <QKeyEvent>
#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>

namespace pw {
namespace {

using PositionTable = std::array<std::uint8_t, KEY_MAX + 1>;

// The virtual key of each evdev key position, as a US keyboard names it; 0 for positions with none.
constexpr PositionTable buildPositionTable() {
    PositionTable t{};
    // The top row runs 1 ... 9, 0; the letters follow the rows, not the alphabet.
    constexpr int digits[10] = {KEY_0, KEY_1, KEY_2, KEY_3, KEY_4, KEY_5, KEY_6, KEY_7, KEY_8, KEY_9};
    for (std::size_t i = 0; i < 10; ++i) {
        t[static_cast<std::size_t>(digits[i])] = static_cast<std::uint8_t>('0' + i);
    }
    constexpr int letters[26] = {KEY_A, KEY_B, KEY_C, KEY_D, KEY_E, KEY_F, KEY_G, KEY_H, KEY_I,
                                 KEY_J, KEY_K, KEY_L, KEY_M, KEY_N, KEY_O, KEY_P, KEY_Q, KEY_R,
                                 KEY_S, KEY_T, KEY_U, KEY_V, KEY_W, KEY_X, KEY_Y, KEY_Z};
    for (std::size_t i = 0; i < 26; ++i) {
        t[static_cast<std::size_t>(letters[i])] = static_cast<std::uint8_t>('A' + i);
    }
    t[KEY_SEMICOLON] = 186;
    t[KEY_EQUAL] = 187;
    t[KEY_COMMA] = 188;
    t[KEY_MINUS] = 189;
    t[KEY_DOT] = 190;
    t[KEY_SLASH] = 191;
    t[KEY_GRAVE] = 192;
    t[KEY_LEFTBRACE] = 219;
    t[KEY_BACKSLASH] = 220;
    t[KEY_RIGHTBRACE] = 221;
    t[KEY_APOSTROPHE] = 222;
    t[KEY_102ND] = 226;

    // The keys that type no character, for a key the layout gives no symbol at all.
    t[KEY_ESC] = 27;
    t[KEY_BACKSPACE] = 8;
    t[KEY_TAB] = 9;
    t[KEY_ENTER] = 13;
    t[KEY_SPACE] = 32;
    t[KEY_LEFTSHIFT] = t[KEY_RIGHTSHIFT] = 16;
    t[KEY_LEFTCTRL] = t[KEY_RIGHTCTRL] = 17;
    t[KEY_LEFTALT] = t[KEY_RIGHTALT] = 18;
    t[KEY_LEFTMETA] = 91;
    t[KEY_RIGHTMETA] = 92;
    t[KEY_COMPOSE] = 93;  // the menu key
    t[KEY_CAPSLOCK] = 20;
    t[KEY_NUMLOCK] = 144;
    t[KEY_SCROLLLOCK] = 145;
    t[KEY_SYSRQ] = 44;  // Print Screen
    t[KEY_PAUSE] = 19;
    t[KEY_INSERT] = 45;
    t[KEY_DELETE] = 46;
    t[KEY_HOME] = 36;
    t[KEY_END] = 35;
    t[KEY_PAGEUP] = 33;
    t[KEY_PAGEDOWN] = 34;
    t[KEY_LEFT] = 37;
    t[KEY_UP] = 38;
    t[KEY_RIGHT] = 39;
    t[KEY_DOWN] = 40;
    // F1 ... F24 are not contiguous in evdev.
    constexpr int functionKeys[24] = {KEY_F1,  KEY_F2,  KEY_F3,  KEY_F4,  KEY_F5,  KEY_F6,  KEY_F7,  KEY_F8,
                                      KEY_F9,  KEY_F10, KEY_F11, KEY_F12, KEY_F13, KEY_F14, KEY_F15, KEY_F16,
                                      KEY_F17, KEY_F18, KEY_F19, KEY_F20, KEY_F21, KEY_F22, KEY_F23, KEY_F24};
    for (std::size_t i = 0; i < 24; ++i) {
        t[static_cast<std::size_t>(functionKeys[i])] = static_cast<std::uint8_t>(112 + i);
    }
    // The keypad as it is with Num Lock on.
    constexpr int keypad[10] = {KEY_KP0, KEY_KP1, KEY_KP2, KEY_KP3, KEY_KP4,
                                KEY_KP5, KEY_KP6, KEY_KP7, KEY_KP8, KEY_KP9};
    for (std::size_t i = 0; i < 10; ++i) {
        t[static_cast<std::size_t>(keypad[i])] = static_cast<std::uint8_t>(96 + i);
    }
    t[KEY_KPASTERISK] = 106;
    t[KEY_KPPLUS] = 107;
    t[KEY_KPMINUS] = 109;
    t[KEY_KPDOT] = 110;
    t[KEY_KPSLASH] = 111;
    t[KEY_KPENTER] = 13;
    return t;
}

constexpr PositionTable kPositions = buildPositionTable();

// X11 and Wayland both number the keys as evdev does, shifted by 8.
constexpr quint32 kEvdevOffset = 8;

int virtualKeyAtPosition(quint32 nativeScanCode) {
    if (nativeScanCode <= kEvdevOffset || nativeScanCode - kEvdevOffset >= kPositions.size()) {
        return 0;
    }
    return kPositions[nativeScanCode - kEvdevOffset];
}

// Keys that type a character, the ones a layout moves about.
bool isCharacterKey(int virtualKey) {
    return (virtualKey >= '0' && virtualKey <= '9') || (virtualKey >= 'A' && virtualKey <= 'Z') ||
           (virtualKey >= 186 && virtualKey <= 192) || (virtualKey >= 219 && virtualKey <= 222) ||
           virtualKey == 226;
}

// The keypad's own codes; 0 for keypad keys that share their code with the main block (the
// arrows, Home, End, ... that it sends with Num Lock off).
int keypadVirtualKey(int key) {
    if (key >= Qt::Key_0 && key <= Qt::Key_9) {
        return 96 + (key - Qt::Key_0);
    }
    switch (key) {
        case Qt::Key_Asterisk:
            return 106;
        case Qt::Key_Plus:
            return 107;
        case Qt::Key_Minus:
            return 109;
        // The decimal key types ',' on a German keypad; on Windows it is the decimal key all the same.
        case Qt::Key_Period:
        case Qt::Key_Comma:
            return 110;
        case Qt::Key_Slash:
            return 111;
        case Qt::Key_Enter:
        case Qt::Key_Return:
            return 13;
        default:
            return 0;
    }
}

struct NamedKey {
    int key;
    int virtualKey;
};

constexpr NamedKey kNamedKeys[] = {
    {Qt::Key_Escape, 27},
    {Qt::Key_Tab, 9},
    {Qt::Key_Backtab, 9},  // Shift+Tab
    {Qt::Key_Backspace, 8},
    {Qt::Key_Return, 13},
    {Qt::Key_Enter, 13},
    {Qt::Key_Insert, 45},
    {Qt::Key_Delete, 46},
    {Qt::Key_Pause, 19},
    {Qt::Key_Print, 44},   // the Print Screen key
    {Qt::Key_SysReq, 44},  // the same key with Alt
    {Qt::Key_Printer, 42},
    {Qt::Key_Home, 36},
    {Qt::Key_End, 35},
    {Qt::Key_Left, 37},
    {Qt::Key_Up, 38},
    {Qt::Key_Right, 39},
    {Qt::Key_Down, 40},
    {Qt::Key_PageUp, 33},
    {Qt::Key_PageDown, 34},
    {Qt::Key_Space, 32},
    {Qt::Key_CapsLock, 20},
    {Qt::Key_NumLock, 144},
    {Qt::Key_ScrollLock, 145},
    {Qt::Key_Shift, 16},
    {Qt::Key_Control, 17},
    {Qt::Key_Alt, 18},
    {Qt::Key_AltGr, 18},
    {Qt::Key_Meta, 91},
    {Qt::Key_Super_L, 91},
    {Qt::Key_Super_R, 92},
    {Qt::Key_Menu, 93},
    {Qt::Key_Select, 41},
    {Qt::Key_Cancel, 3},
    {Qt::Key_Clear, 12},  // keypad 5 with Num Lock off
    // The German characters, with the codes German Windows gives their keys.
    {Qt::Key_Udiaeresis, 186},
    {Qt::Key_Plus, 187},
    {Qt::Key_Comma, 188},
    {Qt::Key_Minus, 189},
    {Qt::Key_Period, 190},
    {Qt::Key_NumberSign, 191},
    {Qt::Key_Odiaeresis, 192},
    {Qt::Key_ssharp, 219},
    {Qt::Key_AsciiCircum, 220},
    {Qt::Key_Dead_Circumflex, 220},
    {Qt::Key_acute, 221},
    {Qt::Key_Dead_Acute, 221},
    {Qt::Key_Adiaeresis, 222},
    {Qt::Key_Less, 226},
    // The US characters.
    {Qt::Key_Semicolon, 186},
    {Qt::Key_Equal, 187},
    {Qt::Key_Slash, 191},
    {Qt::Key_QuoteLeft, 192},
    {Qt::Key_BracketLeft, 219},
    {Qt::Key_Backslash, 220},
    {Qt::Key_BracketRight, 221},
    {Qt::Key_Apostrophe, 222},
};

int virtualKeyOfQtKey(int key) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z) {
        return 'A' + (key - Qt::Key_A);
    }
    if (key >= Qt::Key_0 && key <= Qt::Key_9) {
        return '0' + (key - Qt::Key_0);
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) {
        return 112 + (key - Qt::Key_F1);
    }
    const auto* named = std::find_if(std::begin(kNamedKeys), std::end(kNamedKeys),
                                     [key](const NamedKey& n) { return n.key == key; });
    return named != std::end(kNamedKeys) ? named->virtualKey : 0;
}

// Qt keys up to U+10FFFF are the characters typed; the named keys lie above.
bool isCharacter(int key) {
    return key > Qt::Key_Space && key <= 0x10FFFF;
}

bool isDeadKey(int key) {
    return key >= Qt::Key_Dead_Grave && key <= Qt::Key_Dead_Longsolidusoverlay;
}

// A key() that is neither letter nor digit: the kind a shift level puts on a key that Windows
// names by its unshifted character.
bool isSymbol(int key) {
    return isDeadKey(key) || (isCharacter(key) && !QChar::isLetterOrNumber(static_cast<char32_t>(key)));
}

}  // namespace

int virtualKeyFromQt(const QKeyEvent& event) {
    const int key = event.key();
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    const int position = virtualKeyAtPosition(event.nativeScanCode());

    if (modifiers.testFlag(Qt::KeypadModifier)) {
        if (const int k = keypadVirtualKey(key); k != 0) {
            return k;
        }
    } else if (isCharacterKey(position)) {
        // Windows names a key by what it types unshifted. Shift+7 on a German keyboard types '/',
        // but the key pressed is the 7; Shift+Ü is still the Ü key. With AltGr every character
        // belongs to its key's third level: German AltGr+Q types '@' on the Q key.
        const bool shiftedSymbol = modifiers.testFlag(Qt::ShiftModifier) && isSymbol(key);
        const bool altGrCharacter =
            modifiers.testFlag(Qt::GroupSwitchModifier) && (isCharacter(key) || isDeadKey(key));
        if (shiftedSymbol || altGrCharacter) {
            return position;
        }
    }
    if (const int k = virtualKeyOfQtKey(key); k != 0) {
        return k;
    }
    return position;
}

ModifierState modifierStateFromQt(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons,
                                  bool doubleClick) {
    ModifierState state;
    state.shift = modifiers.testFlag(Qt::ShiftModifier);
    state.alt = modifiers.testFlag(Qt::AltModifier);
    state.ctrl = modifiers.testFlag(Qt::ControlModifier);
    state.leftButton = buttons.testFlag(Qt::LeftButton);
    state.rightButton = buttons.testFlag(Qt::RightButton);
    state.middleButton = buttons.testFlag(Qt::MiddleButton);
    state.doubleClick = doubleClick;
    return state;
}

}  // namespace pw
