#include <gtest/gtest.h>
#include <linux/input-event-codes.h>

#include <QKeyEvent>
#include <ostream>

#include "input/qt/QtKeyMapping.h"
#include "support/QtApp.h"

namespace pw {

void PrintTo(const ModifierState& s, std::ostream* os) {
    *os << "{shift " << s.shift << ", alt " << s.alt << ", ctrl " << s.ctrl << ", left " << s.leftButton
        << ", right " << s.rightButton << ", middle " << s.middleButton << ", double-click " << s.doubleClick
        << "}";
}

namespace {

// Key events need a QGuiApplication (their keyboard device belongs to it); made before any test runs.
class GuiApp : public ::testing::Environment {
public:
    void SetUp() override { test::ensureGuiApp(); }
};
[[maybe_unused]] const ::testing::Environment* const kGuiApp =
    ::testing::AddGlobalTestEnvironment(new GuiApp);

constexpr quint32 kNoPosition = 0;

// The native scan code X11 and Wayland give a key at evdev position code.
quint32 at(int code) {
    return static_cast<quint32>(code) + 8;
}

int vk(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, quint32 nativeScanCode = kNoPosition,
       const QString& text = {}) {
    const QKeyEvent event(QEvent::KeyPress, key, modifiers, nativeScanCode, 0, 0, text);
    return virtualKeyFromQt(event);
}

struct Case {
    int key;
    int expected;
    const char* what;
};

TEST(QtKeyToVirtualKey, LettersAreTheirCapitalWhateverTheShiftState) {
    EXPECT_EQ(vk(Qt::Key_A, Qt::NoModifier, at(KEY_A), "a"), 65);
    EXPECT_EQ(vk(Qt::Key_A, Qt::ShiftModifier, at(KEY_A), "A"), 65);
    EXPECT_EQ(vk(Qt::Key_M), 77);
    EXPECT_EQ(vk(Qt::Key_Z, Qt::NoModifier, kNoPosition, "z"), 90);
    EXPECT_EQ(vk(Qt::Key_Z, Qt::ShiftModifier, kNoPosition, "Z"), 90);
    EXPECT_EQ(vk(Qt::Key_Q, Qt::ControlModifier | Qt::ShiftModifier, at(KEY_Q)), 81);
}

TEST(QtKeyToVirtualKey, FunctionKeysRunFrom112To135) {
    EXPECT_EQ(vk(Qt::Key_F1), 112);
    EXPECT_EQ(vk(Qt::Key_F5), 116);
    EXPECT_EQ(vk(Qt::Key_F12), 123);
    EXPECT_EQ(vk(Qt::Key_F13), 124);
    EXPECT_EQ(vk(Qt::Key_F24), 135);
    EXPECT_EQ(vk(Qt::Key_F25), 0) << "Windows has no F25";
}

TEST(QtKeyToVirtualKey, KeypadDigitsAreNotTheTopRowDigits) {
    EXPECT_EQ(vk(Qt::Key_0, Qt::NoModifier, at(KEY_0), "0"), 48);
    EXPECT_EQ(vk(Qt::Key_9, Qt::NoModifier, at(KEY_9), "9"), 57);
    EXPECT_EQ(vk(Qt::Key_0, Qt::KeypadModifier, at(KEY_KP0), "0"), 96);
    EXPECT_EQ(vk(Qt::Key_5, Qt::KeypadModifier, at(KEY_KP5), "5"), 101);
    EXPECT_EQ(vk(Qt::Key_9, Qt::KeypadModifier, kNoPosition, "9"), 105);
}

TEST(QtKeyToVirtualKey, KeypadOperatorsAreNotThePunctuationKeys) {
    EXPECT_EQ(vk(Qt::Key_Asterisk, Qt::KeypadModifier, at(KEY_KPASTERISK)), 106);
    EXPECT_EQ(vk(Qt::Key_Plus, Qt::KeypadModifier, at(KEY_KPPLUS)), 107);
    EXPECT_EQ(vk(Qt::Key_Minus, Qt::KeypadModifier, at(KEY_KPMINUS)), 109);
    EXPECT_EQ(vk(Qt::Key_Period, Qt::KeypadModifier, at(KEY_KPDOT)), 110);
    EXPECT_EQ(vk(Qt::Key_Comma, Qt::KeypadModifier, at(KEY_KPDOT)), 110) << "the German keypad types ','";
    EXPECT_EQ(vk(Qt::Key_Slash, Qt::KeypadModifier, at(KEY_KPSLASH)), 111);
    EXPECT_EQ(vk(Qt::Key_Enter, Qt::KeypadModifier, at(KEY_KPENTER)), 13);

    EXPECT_EQ(vk(Qt::Key_Plus), 187);
    EXPECT_EQ(vk(Qt::Key_Minus), 189);
    EXPECT_EQ(vk(Qt::Key_Period), 190);
    EXPECT_EQ(vk(Qt::Key_Slash), 191);
}

TEST(QtKeyToVirtualKey, KeypadWithoutNumLockGivesTheNavigationKeys) {
    const Case cases[] = {
        {Qt::Key_Home, 36, "7"},   {Qt::Key_Up, 38, "8"},     {Qt::Key_PageUp, 33, "9"},
        {Qt::Key_Left, 37, "4"},   {Qt::Key_Clear, 12, "5"},  {Qt::Key_Right, 39, "6"},
        {Qt::Key_End, 35, "1"},    {Qt::Key_Down, 40, "2"},   {Qt::Key_PageDown, 34, "3"},
        {Qt::Key_Insert, 45, "0"}, {Qt::Key_Delete, 46, ","},
    };
    const int positions[] = {KEY_KP7, KEY_KP8, KEY_KP9, KEY_KP4, KEY_KP5,  KEY_KP6,
                             KEY_KP1, KEY_KP2, KEY_KP3, KEY_KP0, KEY_KPDOT};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(vk(cases[i].key, Qt::KeypadModifier, at(positions[i])), cases[i].expected)
            << "keypad " << cases[i].what << " with Num Lock off";
    }
}

TEST(QtKeyToVirtualKey, NamedKeys) {
    const Case cases[] = {
        {Qt::Key_Escape, 27, "Escape"},
        {Qt::Key_Tab, 9, "Tab"},
        {Qt::Key_Backtab, 9, "Shift+Tab"},
        {Qt::Key_Backspace, 8, "Backspace"},
        {Qt::Key_Return, 13, "Return"},
        {Qt::Key_Enter, 13, "Enter"},
        {Qt::Key_Insert, 45, "Insert"},
        {Qt::Key_Delete, 46, "Delete"},
        {Qt::Key_Pause, 19, "Pause"},
        {Qt::Key_Print, 44, "Print Screen"},
        {Qt::Key_SysReq, 44, "Alt+Print Screen"},
        {Qt::Key_Printer, 42, "Printer"},
        {Qt::Key_Home, 36, "Home"},
        {Qt::Key_End, 35, "End"},
        {Qt::Key_Left, 37, "Left"},
        {Qt::Key_Up, 38, "Up"},
        {Qt::Key_Right, 39, "Right"},
        {Qt::Key_Down, 40, "Down"},
        {Qt::Key_PageUp, 33, "Page Up"},
        {Qt::Key_PageDown, 34, "Page Down"},
        {Qt::Key_Space, 32, "Space"},
        {Qt::Key_CapsLock, 20, "Caps Lock"},
        {Qt::Key_NumLock, 144, "Num Lock"},
        {Qt::Key_ScrollLock, 145, "Scroll Lock"},
        {Qt::Key_Meta, 91, "Meta"},
        {Qt::Key_Super_L, 91, "left Windows key"},
        {Qt::Key_Super_R, 92, "right Windows key"},
        {Qt::Key_Menu, 93, "Menu"},
        {Qt::Key_Select, 41, "Select"},
        {Qt::Key_Cancel, 3, "Cancel"},
        {Qt::Key_Clear, 12, "Clear"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(vk(c.key), c.expected) << c.what;
    }
}

TEST(QtKeyToVirtualKey, ModifierKeysThemselves) {
    EXPECT_EQ(vk(Qt::Key_Shift, Qt::ShiftModifier, at(KEY_LEFTSHIFT)), 16);
    EXPECT_EQ(vk(Qt::Key_Shift, Qt::ShiftModifier, at(KEY_RIGHTSHIFT)), 16);
    EXPECT_EQ(vk(Qt::Key_Control, Qt::ControlModifier, at(KEY_LEFTCTRL)), 17);
    EXPECT_EQ(vk(Qt::Key_Control, Qt::ControlModifier | Qt::ShiftModifier, at(KEY_RIGHTCTRL)), 17);
    EXPECT_EQ(vk(Qt::Key_Alt, Qt::AltModifier, at(KEY_LEFTALT)), 18);
    EXPECT_EQ(vk(Qt::Key_AltGr, Qt::GroupSwitchModifier, at(KEY_RIGHTALT)), 18);
    EXPECT_EQ(vk(Qt::Key_AltGr), 18);
}

// Each German character with the key it sits on: key() wins over the US name of that place.
TEST(QtKeyToVirtualKey, GermanCharactersGetTheirGermanWindowsCodes) {
    struct German {
        int key;
        int position;
        int expected;
        const char* text;
    };
    const German cases[] = {
        {Qt::Key_Udiaeresis, KEY_LEFTBRACE, 186, "ü"},
        {Qt::Key_Plus, KEY_RIGHTBRACE, 187, "+"},
        {Qt::Key_Comma, KEY_COMMA, 188, ","},
        {Qt::Key_Minus, KEY_SLASH, 189, "-"},
        {Qt::Key_Period, KEY_DOT, 190, "."},
        {Qt::Key_NumberSign, KEY_BACKSLASH, 191, "#"},
        {Qt::Key_Odiaeresis, KEY_SEMICOLON, 192, "ö"},
        {Qt::Key_ssharp, KEY_MINUS, 219, "ß"},
        {Qt::Key_Dead_Circumflex, KEY_GRAVE, 220, ""},
        {Qt::Key_AsciiCircum, KEY_GRAVE, 220, "^"},
        {Qt::Key_Dead_Acute, KEY_EQUAL, 221, ""},
        {Qt::Key_acute, KEY_EQUAL, 221, "´"},
        {Qt::Key_Adiaeresis, KEY_APOSTROPHE, 222, "ä"},
        {Qt::Key_Less, KEY_102ND, 226, "<"},
    };
    for (const German& c : cases) {
        EXPECT_EQ(vk(c.key, Qt::NoModifier, at(c.position), QString::fromUtf8(c.text)), c.expected) << c.text;
        EXPECT_EQ(vk(c.key), c.expected) << c.text << " without a position";
    }
}

TEST(QtKeyToVirtualKey, UsCharacters) {
    struct Us {
        int key;
        int position;
        int expected;
        const char* text;
    };
    const Us cases[] = {
        {Qt::Key_Semicolon, KEY_SEMICOLON, 186, ";"},
        {Qt::Key_Equal, KEY_EQUAL, 187, "="},
        {Qt::Key_Comma, KEY_COMMA, 188, ","},
        {Qt::Key_Minus, KEY_MINUS, 189, "-"},
        {Qt::Key_Period, KEY_DOT, 190, "."},
        {Qt::Key_Slash, KEY_SLASH, 191, "/"},
        {Qt::Key_QuoteLeft, KEY_GRAVE, 192, "`"},
        {Qt::Key_BracketLeft, KEY_LEFTBRACE, 219, "["},
        {Qt::Key_Backslash, KEY_BACKSLASH, 220, "\\"},
        {Qt::Key_BracketRight, KEY_RIGHTBRACE, 221, "]"},
        {Qt::Key_Apostrophe, KEY_APOSTROPHE, 222, "'"},
    };
    for (const Us& c : cases) {
        EXPECT_EQ(vk(c.key, Qt::NoModifier, at(c.position), c.text), c.expected) << c.text;
        EXPECT_EQ(vk(c.key), c.expected) << c.text << " without a position";
    }
}

// Qt reports the shifted symbol; Windows names the key, which is what the position says.
TEST(QtKeyToVirtualKey, ShiftedSymbolsAreTheKeyTheyAreTypedOn) {
    EXPECT_EQ(vk(Qt::Key_Exclam, Qt::ShiftModifier, at(KEY_1), "!"), 49) << "US Shift+1";
    EXPECT_EQ(vk(Qt::Key_Colon, Qt::ShiftModifier, at(KEY_SEMICOLON), ":"), 186) << "US Shift+;";
    EXPECT_EQ(vk(Qt::Key_Underscore, Qt::ShiftModifier, at(KEY_MINUS), "_"), 189) << "US Shift+-";
    EXPECT_EQ(vk(Qt::Key_Slash, Qt::ShiftModifier, at(KEY_7), "/"), 55) << "German Shift+7";
    EXPECT_EQ(vk(Qt::Key_Equal, Qt::ShiftModifier, at(KEY_0), "="), 48) << "German Shift+0";
    EXPECT_EQ(vk(Qt::Key_Semicolon, Qt::ShiftModifier, at(KEY_COMMA), ";"), 188) << "German Shift+,";
    // Symbols the German or US rules would name otherwise.
    EXPECT_EQ(vk(Qt::Key_AsciiCircum, Qt::ShiftModifier, at(KEY_6), "^"), 54) << "US Shift+6";
    EXPECT_EQ(vk(Qt::Key_NumberSign, Qt::ShiftModifier, at(KEY_3), "#"), 51) << "US Shift+3";
    EXPECT_EQ(vk(Qt::Key_Less, Qt::ShiftModifier, at(KEY_COMMA), "<"), 188) << "US Shift+,";
    EXPECT_EQ(vk(Qt::Key_Dead_Circumflex, Qt::ShiftModifier, at(KEY_6)), 54) << "US international Shift+6";
    EXPECT_EQ(vk(Qt::Key_Dead_Grave, Qt::ShiftModifier, at(KEY_EQUAL)), 187)
        << "German Shift+´, at its US place";
}

TEST(QtKeyToVirtualKey, ShiftedLettersAndDigitsKeepTheirKey) {
    EXPECT_EQ(vk(Qt::Key_Udiaeresis, Qt::ShiftModifier, at(KEY_LEFTBRACE), "Ü"), 186);
    EXPECT_EQ(vk(Qt::Key_Adiaeresis, Qt::ShiftModifier, at(KEY_APOSTROPHE), "Ä"), 222);
    EXPECT_EQ(vk(Qt::Key_Z, Qt::ShiftModifier, at(KEY_Y), "Z"), 90) << "German Z sits where US has Y";
    EXPECT_EQ(vk(Qt::Key_1, Qt::ShiftModifier, at(KEY_1), "1"), 49) << "AZERTY types digits with Shift";
    EXPECT_EQ(vk(Qt::Key_Backtab, Qt::ShiftModifier, at(KEY_TAB)), 9);
    EXPECT_EQ(vk(Qt::Key_Space, Qt::ShiftModifier, at(KEY_SPACE), " "), 32);
}

TEST(QtKeyToVirtualKey, UnshiftedSymbolsGoByKeyNotPosition) {
    // Without Shift a symbol is the key's own character; its US place would say 220.
    EXPECT_EQ(vk(Qt::Key_NumberSign, Qt::NoModifier, at(KEY_BACKSLASH), "#"), 191);
    // Ctrl alone changes nothing either.
    EXPECT_EQ(vk(Qt::Key_Minus, Qt::ControlModifier, at(KEY_SLASH)), 189);
}

TEST(QtKeyToVirtualKey, AltGrCharactersAreTheKeyTheyAreTypedOn) {
    EXPECT_EQ(vk(Qt::Key_At, Qt::GroupSwitchModifier, at(KEY_Q), "@"), 81) << "German AltGr+Q";
    EXPECT_EQ(vk(Qt::Key_BracketLeft, Qt::GroupSwitchModifier, at(KEY_8), "["), 56) << "German AltGr+8";
    EXPECT_EQ(vk(Qt::Key_Bar, Qt::GroupSwitchModifier, at(KEY_102ND), "|"), 226) << "German AltGr+<";
    EXPECT_EQ(vk(Qt::Key_ssharp, Qt::GroupSwitchModifier, at(KEY_S), "ß"), 83) << "US international AltGr+S";
    // Where AltGr is not reported (Wayland), key() counts as if typed plainly.
    EXPECT_EQ(vk(Qt::Key_BracketLeft, Qt::NoModifier, at(KEY_8), "["), 219);
    // Alt is no AltGr.
    EXPECT_EQ(vk(Qt::Key_BracketLeft, Qt::AltModifier, at(KEY_8)), 219);
}

TEST(QtKeyToVirtualKey, UnknownCharactersGoByPosition) {
    EXPECT_EQ(vk(Qt::Key_Ampersand, Qt::NoModifier, at(KEY_1), "&"), 49) << "AZERTY 1";
    EXPECT_EQ(vk(Qt::Key_Eacute, Qt::NoModifier, at(KEY_2), "é"), 50) << "AZERTY 2";
    EXPECT_EQ(vk(0x0424, Qt::NoModifier, at(KEY_A), "ф"), 65) << "Russian ф on A";
    EXPECT_EQ(vk(Qt::Key_Greater, Qt::ShiftModifier, at(KEY_102ND), ">"), 226) << "German Shift+<";
    EXPECT_EQ(vk(Qt::Key_unknown, Qt::NoModifier, at(KEY_F1)), 112) << "a key without symbol";
    EXPECT_EQ(vk(0, Qt::NoModifier, at(KEY_HOME)), 36);
}

TEST(QtKeyToVirtualKey, WithoutPositionOnlyKeyCounts) {
    EXPECT_EQ(vk(Qt::Key_Exclam, Qt::ShiftModifier, kNoPosition, "!"), 0);
    EXPECT_EQ(vk(Qt::Key_Colon, Qt::ShiftModifier, kNoPosition, ":"), 0);
    EXPECT_EQ(vk(Qt::Key_Slash, Qt::ShiftModifier, kNoPosition, "/"), 191);
    EXPECT_EQ(vk(Qt::Key_At, Qt::GroupSwitchModifier, kNoPosition, "@"), 0);
    EXPECT_EQ(vk(Qt::Key_unknown), 0);
    EXPECT_EQ(vk(0), 0);
    EXPECT_EQ(vk(Qt::Key_VolumeUp), 0);
    EXPECT_EQ(vk(Qt::Key_Exclam, Qt::ShiftModifier, 5, "!"), 0) << "native codes below 8 are no position";
}

TEST(QtModifierState, EachKeyboardModifierAlone) {
    EXPECT_EQ(modifierStateFromQt(Qt::NoModifier, Qt::NoButton, false), ModifierState{});
    EXPECT_EQ(modifierStateFromQt(Qt::ShiftModifier, Qt::NoButton, false), ModifierState{.shift = true});
    EXPECT_EQ(modifierStateFromQt(Qt::AltModifier, Qt::NoButton, false), ModifierState{.alt = true});
    EXPECT_EQ(modifierStateFromQt(Qt::ControlModifier, Qt::NoButton, false), ModifierState{.ctrl = true});
}

TEST(QtModifierState, MetaAltGrAndKeypadAreNoModifiers) {
    EXPECT_EQ(modifierStateFromQt(Qt::MetaModifier, Qt::NoButton, false), ModifierState{});
    EXPECT_EQ(modifierStateFromQt(Qt::GroupSwitchModifier, Qt::NoButton, false), ModifierState{});
    EXPECT_EQ(modifierStateFromQt(Qt::KeypadModifier, Qt::NoButton, false), ModifierState{});
    EXPECT_EQ(modifierStateFromQt(Qt::GroupSwitchModifier | Qt::ShiftModifier, Qt::NoButton, false),
              ModifierState{.shift = true});
}

TEST(QtModifierState, MouseButtonsHeld) {
    EXPECT_EQ(modifierStateFromQt(Qt::NoModifier, Qt::LeftButton, false), ModifierState{.leftButton = true});
    EXPECT_EQ(modifierStateFromQt(Qt::NoModifier, Qt::RightButton, false),
              ModifierState{.rightButton = true});
    EXPECT_EQ(modifierStateFromQt(Qt::NoModifier, Qt::MiddleButton, false),
              ModifierState{.middleButton = true});
    EXPECT_EQ(modifierStateFromQt(Qt::NoModifier, Qt::BackButton | Qt::ForwardButton, false),
              ModifierState{});
}

TEST(QtModifierState, DoubleClick) {
    EXPECT_EQ(modifierStateFromQt(Qt::NoModifier, Qt::NoButton, true), ModifierState{.doubleClick = true});
    EXPECT_EQ(modifierStateFromQt(Qt::NoModifier, Qt::LeftButton, true),
              (ModifierState{.leftButton = true, .doubleClick = true}));
}

TEST(QtModifierState, SeveralAtOnce) {
    EXPECT_EQ(modifierStateFromQt(Qt::ShiftModifier | Qt::ControlModifier, Qt::NoButton, false),
              (ModifierState{.shift = true, .ctrl = true}));
    EXPECT_EQ(
        modifierStateFromQt(Qt::ShiftModifier | Qt::AltModifier | Qt::ControlModifier | Qt::MetaModifier,
                            Qt::LeftButton | Qt::RightButton | Qt::MiddleButton, true),
        (ModifierState{.shift = true,
                       .alt = true,
                       .ctrl = true,
                       .leftButton = true,
                       .rightButton = true,
                       .middleButton = true,
                       .doubleClick = true}));
    EXPECT_EQ(modifierStateFromQt(Qt::AltModifier, Qt::RightButton, false),
              (ModifierState{.alt = true, .rightButton = true}));
}

}  // namespace
}  // namespace pw
