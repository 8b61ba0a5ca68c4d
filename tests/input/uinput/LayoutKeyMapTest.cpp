#include <gtest/gtest.h>
#include <linux/input-event-codes.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "input/uinput/EvdevKeyMap.h"
#include "input/uinput/LayoutKeyMap.h"
#include "input/xtest/XvfbServer.h"

// Xlib defines None, a name gtest uses, so its headers come after gtest's.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>

namespace pw {
namespace {

constexpr std::uint8_t kVkPlus = 0xBB;
constexpr std::uint8_t kVkComma = 0xBC;
constexpr std::uint8_t kVkMinus = 0xBD;
constexpr std::uint8_t kVkPeriod = 0xBE;

// Sets (or, given nullptr, removes) an environment variable for the scope's lifetime.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        if (value != nullptr) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (old_) {
            ::setenv(name_.c_str(), old_->c_str(), 1);
        } else {
            ::unsetenv(name_.c_str());
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

// A file with the given text, removed again at the end of the scope.
class TempFile {
public:
    explicit TempFile(const std::string& text) {
        char name[] = "/tmp/padwarden-keyboard-XXXXXX";
        const int fd = ::mkstemp(name);
        EXPECT_GE(fd, 0);
        ::close(fd);
        path_ = name;
        std::ofstream(path_) << text;
    }
    ~TempFile() { ::unlink(path_.c_str()); }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// No layout from the environment, so each test decides every source.
class LayoutSourcesTest : public ::testing::Test {
protected:
    ScopedEnv layout_{"XKB_DEFAULT_LAYOUT", nullptr};
    ScopedEnv variant_{"XKB_DEFAULT_VARIANT", nullptr};
    ScopedEnv model_{"XKB_DEFAULT_MODEL", nullptr};
    ScopedEnv options_{"XKB_DEFAULT_OPTIONS", nullptr};
    ScopedEnv rules_{"XKB_DEFAULT_RULES", nullptr};
};

LayoutKeyMap::SessionSources withoutX(const std::string& keyboardDefaultsPath) {
    LayoutKeyMap::SessionSources sources;
    sources.askXServer = false;
    sources.keyboardDefaultsPath = keyboardDefaultsPath;
    return sources;
}

TEST(EvdevKeyMap, PlacesKeysAtTheirUsPositions) {
    EXPECT_EQ(usEvdevCode('A'), KEY_A);
    EXPECT_EQ(usEvdevCode('Q'), KEY_Q);
    EXPECT_EQ(usEvdevCode('M'), KEY_M);
    EXPECT_EQ(usEvdevCode('0'), KEY_0);
    EXPECT_EQ(usEvdevCode('1'), KEY_1);
    EXPECT_EQ(usEvdevCode(3), KEY_CANCEL);
    EXPECT_EQ(usEvdevCode(12), KEY_KP5);
    EXPECT_EQ(usEvdevCode(41), KEY_SELECT);
    EXPECT_EQ(usEvdevCode(42), KEY_PRINT);
    EXPECT_EQ(usEvdevCode(44), KEY_SYSRQ);
    EXPECT_EQ(usEvdevCode(96), KEY_KP0);
    EXPECT_EQ(usEvdevCode(105), KEY_KP9);
    EXPECT_EQ(usEvdevCode(108), KEY_KPCOMMA);
    EXPECT_EQ(usEvdevCode(112), KEY_F1);
    EXPECT_EQ(usEvdevCode(123), KEY_F12);
    EXPECT_EQ(usEvdevCode(124), KEY_F13);
    EXPECT_EQ(usEvdevCode(135), KEY_F24);
    EXPECT_EQ(usEvdevCode(165), KEY_RIGHTALT);
    EXPECT_EQ(usEvdevCode(186), KEY_SEMICOLON);
    EXPECT_EQ(usEvdevCode(192), KEY_GRAVE);
    EXPECT_EQ(usEvdevCode(222), KEY_APOSTROPHE);
    EXPECT_EQ(usEvdevCode(226), KEY_102ND);
}

TEST(EvdevKeyMap, MouseButtonsAndUnassignedCodesSendNothing) {
    for (const int virtualKey :
         {0, 1, 2, 4, 5, 6, 7, 10, 11, 43, 47, 58, 64, 94, 95, 136, 146, 166, 185, 193, 218, 223, 227, 255}) {
        EXPECT_EQ(usEvdevCode(static_cast<std::uint8_t>(virtualKey)), 0) << "virtual key " << virtualKey;
    }
}

TEST(EvdevKeyMap, DistinctKeysGetDistinctCodes) {
    // Only the generic modifiers share a key with their left-hand versions, and Clear is keypad 5.
    std::vector<int> owner(KEY_MAX + 1, -1);
    for (int virtualKey = 0; virtualKey < 256; ++virtualKey) {
        if (virtualKey == 0x0C || virtualKey == 0x10 || virtualKey == 0x11 || virtualKey == 0x12) {
            continue;
        }
        const int code = usEvdevCode(static_cast<std::uint8_t>(virtualKey));
        if (code == 0) {
            continue;
        }
        EXPECT_EQ(owner[code], -1) << "virtual keys " << owner[code] << " and " << virtualKey << " share "
                                   << code;
        owner[code] = virtualKey;
    }
    EXPECT_EQ(usEvdevCode(0x10), usEvdevCode(0xA0));
    EXPECT_EQ(usEvdevCode(0x11), usEvdevCode(0xA2));
    EXPECT_EQ(usEvdevCode(0x12), usEvdevCode(0xA4));
    EXPECT_EQ(usEvdevCode(0x0C), usEvdevCode(0x65));
}

TEST(LayoutKeyMap, UsLayoutKeepsEveryKeyWhereItIs) {
    const LayoutKeyMap us = LayoutKeyMap::fromNames({"us", "", ""});
    EXPECT_EQ(us.describe(), "us");
    EXPECT_EQ(us.evdevCode('Z'), KEY_Z);
    EXPECT_EQ(us.evdevCode('Y'), KEY_Y);
    EXPECT_EQ(us.evdevCode(kVkPlus), KEY_EQUAL);  // '+' is shifted '='
    for (int virtualKey = 0; virtualKey < 256; ++virtualKey) {
        const auto vk = static_cast<std::uint8_t>(virtualKey);
        EXPECT_EQ(us.evdevCode(vk), usEvdevCode(vk)) << "virtual key " << virtualKey;
    }
}

TEST(LayoutKeyMap, GermanLayoutSwapsYAndZAndMovesPlusAndMinus) {
    const LayoutKeyMap de = LayoutKeyMap::fromNames({"de", "", ""});
    EXPECT_EQ(de.describe(), "de");
    EXPECT_EQ(de.evdevCode('Z'), KEY_Y);
    EXPECT_EQ(de.evdevCode('Y'), KEY_Z);
    EXPECT_EQ(de.evdevCode(kVkPlus), KEY_RIGHTBRACE);
    EXPECT_EQ(de.evdevCode(kVkMinus), KEY_SLASH);
    EXPECT_EQ(de.evdevCode(kVkComma), KEY_COMMA);
    EXPECT_EQ(de.evdevCode(kVkPeriod), KEY_DOT);
    for (char letter = 'A'; letter <= 'X'; ++letter) {
        EXPECT_EQ(de.evdevCode(static_cast<std::uint8_t>(letter)),
                  usEvdevCode(static_cast<std::uint8_t>(letter)))
            << letter;
    }
    for (char digit = '0'; digit <= '9'; ++digit) {
        EXPECT_EQ(de.evdevCode(static_cast<std::uint8_t>(digit)),
                  usEvdevCode(static_cast<std::uint8_t>(digit)))
            << digit;
    }
}

TEST(LayoutKeyMap, FrenchLayoutMovesLettersAndKeepsShiftedDigitsOnTheTopRow) {
    const LayoutKeyMap fr = LayoutKeyMap::fromNames({"fr", "", ""});
    EXPECT_EQ(fr.evdevCode('A'), KEY_Q);
    EXPECT_EQ(fr.evdevCode('Q'), KEY_A);
    EXPECT_EQ(fr.evdevCode('Z'), KEY_W);
    EXPECT_EQ(fr.evdevCode('W'), KEY_Z);
    EXPECT_EQ(fr.evdevCode('M'), KEY_SEMICOLON);
    EXPECT_EQ(fr.evdevCode(kVkComma), KEY_M);
    EXPECT_EQ(fr.evdevCode(kVkMinus), KEY_6);  // '-' is unshifted 6 on AZERTY
    // The digits are shifted there: no key types one unshifted, so each stays on the top-row key
    // that carries it.
    for (char digit = '0'; digit <= '9'; ++digit) {
        EXPECT_EQ(fr.evdevCode(static_cast<std::uint8_t>(digit)),
                  usEvdevCode(static_cast<std::uint8_t>(digit)))
            << digit;
    }
}

TEST(LayoutKeyMap, VariantIsApplied) {
    const LayoutKeyMap dvorak = LayoutKeyMap::fromNames({"us", "dvorak", ""});
    EXPECT_EQ(dvorak.describe(), "us(dvorak)");
    EXPECT_EQ(dvorak.evdevCode('A'), KEY_A);
    EXPECT_EQ(dvorak.evdevCode('O'), KEY_S);
    EXPECT_EQ(dvorak.evdevCode('S'), KEY_SEMICOLON);
    EXPECT_EQ(dvorak.evdevCode(kVkComma), KEY_W);
    EXPECT_EQ(dvorak.evdevCode(kVkPeriod), KEY_E);
    EXPECT_EQ(dvorak.evdevCode(kVkMinus), KEY_APOSTROPHE);
    EXPECT_EQ(dvorak.evdevCode(kVkPlus), KEY_RIGHTBRACE);  // shifted '=' there
}

TEST(LayoutKeyMap, UnshiftedPlusWinsOverShiftedPlus) {
    // The Persian keypad variant types '+' with the keypad plus key, and shifted '=' as usual.
    const LayoutKeyMap persian = LayoutKeyMap::fromNames({"ir", "pes_keypad", ""});
    EXPECT_EQ(persian.evdevCode(kVkPlus), KEY_KPPLUS);
}

TEST(LayoutKeyMap, LettersALayoutDoesNotHaveStayAtTheirUsPlaces) {
    const LayoutKeyMap ru = LayoutKeyMap::fromNames({"ru", "", ""});
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        EXPECT_EQ(ru.evdevCode(static_cast<std::uint8_t>(letter)),
                  usEvdevCode(static_cast<std::uint8_t>(letter)))
            << letter;
    }
}

TEST(LayoutKeyMap, KeysWithoutACharacterNeverMove) {
    const std::vector<int> fixedKeys = {3,   8,   9,   12,  13,  16,  17,  18,  19,  20,  27,  32,  33,  37,
                                        40,  41,  42,  44,  45,  46,  91,  92,  93,  96,  105, 106, 107, 108,
                                        109, 110, 111, 112, 123, 135, 144, 145, 160, 161, 162, 163, 164, 165};
    for (const char* layout : {"us", "de", "fr", "ru", "gb", "ch", "jp"}) {
        const LayoutKeyMap map = LayoutKeyMap::fromNames({layout, "", ""});
        EXPECT_EQ(map.describe(), layout);
        for (const int virtualKey : fixedKeys) {
            const auto vk = static_cast<std::uint8_t>(virtualKey);
            EXPECT_EQ(map.evdevCode(vk), usEvdevCode(vk)) << layout << ", virtual key " << virtualKey;
        }
        for (const int mouseButton : {1, 2, 4}) {
            EXPECT_EQ(map.evdevCode(static_cast<std::uint8_t>(mouseButton)), 0) << layout;
        }
    }
}

// The punctuation keys whose character differs between layouts, with their key under a layout.
struct PunctuationPlaces {
    int semicolonOrUe;          // 186
    int slashOrHash;            // 191
    int graveOrOe;              // 192
    int bracketLeftOrSharpS;    // 219
    int backslashOrCircumflex;  // 220
    int bracketRightOrAcute;    // 221
    int apostropheOrAe;         // 222
    int less;                   // 226
};

void expectPunctuationAt(const char* layout, const PunctuationPlaces& places) {
    const LayoutKeyMap map = LayoutKeyMap::fromNames({layout, "", ""});
    ASSERT_EQ(map.describe(), layout);
    EXPECT_EQ(map.evdevCode(186), places.semicolonOrUe) << layout << ", 186";
    EXPECT_EQ(map.evdevCode(191), places.slashOrHash) << layout << ", 191";
    EXPECT_EQ(map.evdevCode(192), places.graveOrOe) << layout << ", 192";
    EXPECT_EQ(map.evdevCode(219), places.bracketLeftOrSharpS) << layout << ", 219";
    EXPECT_EQ(map.evdevCode(220), places.backslashOrCircumflex) << layout << ", 220";
    EXPECT_EQ(map.evdevCode(221), places.bracketRightOrAcute) << layout << ", 221";
    EXPECT_EQ(map.evdevCode(222), places.apostropheOrAe) << layout << ", 222";
    EXPECT_EQ(map.evdevCode(226), places.less) << layout << ", 226";
}

TEST(LayoutKeyMapPunctuation, UsLayoutKeepsTheUsKeys) {
    expectPunctuationAt("us", {KEY_SEMICOLON, KEY_SLASH, KEY_GRAVE, KEY_LEFTBRACE, KEY_BACKSLASH,
                               KEY_RIGHTBRACE, KEY_APOSTROPHE, KEY_102ND});
}

TEST(LayoutKeyMapPunctuation, GermanLayoutPutsEachKeyWhereItsGermanCharacterIs) {
    // Ü Ö Ä ß ´ ^ # < and + come out where a German keyboard has them, so a key taken from that
    // keyboard types its own character again.
    expectPunctuationAt("de", {KEY_LEFTBRACE, KEY_BACKSLASH, KEY_SEMICOLON, KEY_MINUS, KEY_GRAVE, KEY_EQUAL,
                               KEY_APOSTROPHE, KEY_102ND});
    EXPECT_EQ(LayoutKeyMap::fromNames({"de", "", ""}).evdevCode(kVkPlus), KEY_RIGHTBRACE);
    // Without dead keys ^ and ´ are plain characters on the same keys.
    const LayoutKeyMap noDeadKeys = LayoutKeyMap::fromNames({"de", "nodeadkeys", ""});
    EXPECT_EQ(noDeadKeys.evdevCode(220), KEY_GRAVE);
    EXPECT_EQ(noDeadKeys.evdevCode(221), KEY_EQUAL);
}

TEST(LayoutKeyMapPunctuation, FrenchLayoutSkipsTheApostropheOnTheDigitFourKey) {
    // AZERTY types ' on the 4 key, which the digit 4 keeps, so 222 finds nothing free and stays on
    // the ù key; ; is on the US comma key and dead ^ on the US [ key, and [ takes the place ^
    // left free.
    expectPunctuationAt("fr", {KEY_COMMA, KEY_SLASH, KEY_GRAVE, KEY_BACKSLASH, KEY_LEFTBRACE, KEY_RIGHTBRACE,
                               KEY_APOSTROPHE, KEY_102ND});
    const LayoutKeyMap fr = LayoutKeyMap::fromNames({"fr", "", ""});
    EXPECT_EQ(fr.evdevCode('4'), KEY_4);
    EXPECT_EQ(fr.evdevCode(kVkPlus), KEY_EQUAL);  // '=' unshifted
}

TEST(LayoutKeyMapPunctuation, SwissLayoutFillsThePlacesCharactersLeftFree) {
    // Swiss German has ' unshifted on the US minus key, dead ^ on the US = key, and '+' only as
    // shifted 1, a key the digit keeps. The keys with no character found each take the place a
    // character key left: + that of dead ^ (US \), / that of ' (US ', via '-' on the US / key),
    // [ that of ö (US `, via Ü on the US ; key).
    expectPunctuationAt("ch", {KEY_LEFTBRACE, KEY_APOSTROPHE, KEY_SEMICOLON, KEY_GRAVE, KEY_EQUAL,
                               KEY_RIGHTBRACE, KEY_MINUS, KEY_102ND});
    const LayoutKeyMap ch = LayoutKeyMap::fromNames({"ch", "", ""});
    EXPECT_EQ(ch.evdevCode('1'), KEY_1);
    EXPECT_EQ(ch.evdevCode(kVkPlus), KEY_BACKSLASH);
}

TEST(LayoutKeyMapPunctuation, ACharacterKeyWinsOverAUsPlace) {
    // The UK keyboard types \ on the extra key beside left Shift, so < goes to the US \ key.
    const LayoutKeyMap gb = LayoutKeyMap::fromNames({"gb", "", ""});
    EXPECT_EQ(gb.evdevCode(220), KEY_102ND);
    EXPECT_EQ(gb.evdevCode(226), KEY_BACKSLASH);
    // Turkish Q types i on the US ' key; 222 takes the I key the letter left.
    const LayoutKeyMap tr = LayoutKeyMap::fromNames({"tr", "", ""});
    EXPECT_EQ(tr.evdevCode('I'), KEY_APOSTROPHE);
    EXPECT_EQ(tr.evdevCode(222), KEY_I);
}

TEST(LayoutKeyMapPunctuation, NoTwoVirtualKeysShareAKey) {
    // Every pair of virtual keys on one key, besides the generic modifiers and Clear, which are
    // their left-hand versions and keypad 5 by definition.
    auto sharedKeys = [](const LayoutKeyMap& map) {
        std::vector<int> owner(KEY_MAX + 1, -1);
        std::vector<std::string> shared;
        for (int virtualKey = 0; virtualKey < 256; ++virtualKey) {
            if (virtualKey == 0x0C || virtualKey == 0x10 || virtualKey == 0x11 || virtualKey == 0x12) {
                continue;
            }
            const int code = map.evdevCode(static_cast<std::uint8_t>(virtualKey));
            if (code == 0) {
                continue;
            }
            if (owner[code] >= 0) {
                shared.push_back(std::to_string(owner[code]) + " and " + std::to_string(virtualKey));
            } else {
                owner[code] = virtualKey;
            }
        }
        return shared;
    };
    for (const char* layout : {"us", "de", "ch", "gb", "tr", "ru", "es", "it", "se", "jp", "be"}) {
        EXPECT_EQ(sharedKeys(LayoutKeyMap::fromNames({layout, "", ""})), std::vector<std::string>{})
            << layout;
    }
    EXPECT_EQ(sharedKeys(LayoutKeyMap::fromNames({"us", "dvorak", ""})), std::vector<std::string>{});
    // On AZERTY '-' is the unshifted 6 and stays there with the digit; nothing else doubles.
    EXPECT_EQ(sharedKeys(LayoutKeyMap::fromNames({"fr", "", ""})), std::vector<std::string>{"54 and 189"});
}

TEST(LayoutKeyMap, UnknownLayoutFallsBackToUsPositions) {
    const LayoutKeyMap unknown = LayoutKeyMap::fromNames({"no-such-layout", "", ""});
    EXPECT_NE(unknown.describe().find("no-such-layout"), std::string::npos) << unknown.describe();
    EXPECT_TRUE(unknown.describe().starts_with("us ")) << unknown.describe();
    for (int virtualKey = 0; virtualKey < 256; ++virtualKey) {
        const auto vk = static_cast<std::uint8_t>(virtualKey);
        EXPECT_EQ(unknown.evdevCode(vk), usEvdevCode(vk)) << "virtual key " << virtualKey;
    }
}

TEST(KeyboardDefaults, ReadsFirstLayoutVariantAndModel) {
    const TempFile file(
        "# KEYBOARD CONFIGURATION FILE\n"
        "\n"
        "XKBMODEL=\"pc105\"\n"
        "XKBLAYOUT=\"de,us\"\n"
        "XKBVARIANT=\"nodeadkeys,\"\n"
        "XKBOPTIONS=\"grp:alt_shift_toggle\"\n"
        "\n"
        "BACKSPACE=\"guess\"\n");
    const auto names = readKeyboardDefaults(file.path());
    ASSERT_TRUE(names.has_value());
    EXPECT_EQ(names->layout, "de");
    EXPECT_EQ(names->variant, "nodeadkeys");
    EXPECT_EQ(names->model, "pc105");
}

TEST(KeyboardDefaults, AcceptsSingleQuotesBareValuesAndExport) {
    const TempFile singleQuoted("XKBLAYOUT='fr'\nXKBVARIANT='bepo'\n");
    const auto first = readKeyboardDefaults(singleQuoted.path());
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(first->layout, "fr");
    EXPECT_EQ(first->variant, "bepo");
    EXPECT_EQ(first->model, "");

    const TempFile bare("  export XKBLAYOUT=gb   # UK keyboard\nXKBMODEL=pc104\n");
    const auto second = readKeyboardDefaults(bare.path());
    ASSERT_TRUE(second.has_value());
    EXPECT_EQ(second->layout, "gb");
    EXPECT_EQ(second->variant, "");
    EXPECT_EQ(second->model, "pc104");
}

TEST(KeyboardDefaults, NoFileOrNoLayoutGivesNothing) {
    EXPECT_FALSE(readKeyboardDefaults("/nonexistent/padwarden/keyboard").has_value());
    const TempFile withoutLayout("XKBMODEL=\"pc105\"\n# XKBLAYOUT=\"de\"\nXKBLAYOUT=\"\"\n");
    EXPECT_FALSE(readKeyboardDefaults(withoutLayout.path()).has_value());
}

TEST_F(LayoutSourcesTest, KeyboardDefaultsFileGivesTheLayout) {
    const TempFile file("XKBLAYOUT=\"de\"\n");
    const LayoutKeyMap map = LayoutKeyMap::fromSession(withoutX(file.path()));
    EXPECT_EQ(map.describe(), "de (from " + file.path() + ")");
    EXPECT_EQ(map.evdevCode('Z'), KEY_Y);
}

TEST_F(LayoutSourcesTest, EnvironmentComesBeforeTheKeyboardDefaultsFile) {
    const TempFile file("XKBLAYOUT=\"de\"\n");
    const ScopedEnv layout("XKB_DEFAULT_LAYOUT", "fr");
    const LayoutKeyMap map = LayoutKeyMap::fromSession(withoutX(file.path()));
    EXPECT_EQ(map.describe(), "fr (from XKB_DEFAULT_LAYOUT)");
    EXPECT_EQ(map.evdevCode('A'), KEY_Q);
    EXPECT_EQ(map.evdevCode('Z'), KEY_W);
}

TEST_F(LayoutSourcesTest, EnvironmentVariantIsApplied) {
    const ScopedEnv layout("XKB_DEFAULT_LAYOUT", "us,de");
    const ScopedEnv variant("XKB_DEFAULT_VARIANT", "dvorak,");
    const LayoutKeyMap map = LayoutKeyMap::fromSession(withoutX("/nonexistent/padwarden/keyboard"));
    EXPECT_EQ(map.describe(), "us(dvorak) (from XKB_DEFAULT_LAYOUT)");
    EXPECT_EQ(map.evdevCode('S'), KEY_SEMICOLON);
}

TEST_F(LayoutSourcesTest, UnknownLayoutsFallThroughToTheNextSource) {
    const TempFile file("XKBLAYOUT=\"de\"\n");
    {
        const ScopedEnv layout("XKB_DEFAULT_LAYOUT", "no-such-layout");
        const LayoutKeyMap map = LayoutKeyMap::fromSession(withoutX(file.path()));
        EXPECT_EQ(map.describe(), "de (from " + file.path() + ")");
        EXPECT_EQ(map.evdevCode('Z'), KEY_Y);
    }
    const TempFile unknown("XKBLAYOUT=\"no-such-layout\"\n");
    const LayoutKeyMap map = LayoutKeyMap::fromSession(withoutX(unknown.path()));
    EXPECT_TRUE(map.describe().starts_with("us (default")) << map.describe();
    EXPECT_NE(map.describe().find("no-such-layout"), std::string::npos) << map.describe();
    EXPECT_EQ(map.evdevCode('Z'), KEY_Z);
}

TEST_F(LayoutSourcesTest, NothingConfiguredMeansUs) {
    const LayoutKeyMap map = LayoutKeyMap::fromSession(withoutX("/nonexistent/padwarden/keyboard"));
    EXPECT_EQ(map.describe(), "us (default)");
    EXPECT_EQ(map.evdevCode('Z'), KEY_Z);
}

TEST_F(LayoutSourcesTest, AnUnreachableDisplayIsSkipped) {
    const TempFile file("XKBLAYOUT=\"de\"\n");
    LayoutKeyMap::SessionSources sources = withoutX(file.path());
    sources.askXServer = true;
    sources.displayName = ":65002";  // never in use
    const LayoutKeyMap map = LayoutKeyMap::fromSession(sources);
    EXPECT_EQ(map.describe(), "de (from " + file.path() + ")");
}

// The X server's keymap comes first, before the environment and the defaults file.
class LayoutFromXServerTest : public test::XvfbTest {
protected:
    ScopedEnv layout_{"XKB_DEFAULT_LAYOUT", "fr"};
};

TEST_F(LayoutFromXServerTest, TheServerLayoutComesFirst) {
    std::string error;
    ASSERT_TRUE(xvfb_.setLayout("de", error)) << error;
    const TempFile file("XKBLAYOUT=\"fr\"\n");
    LayoutKeyMap::SessionSources sources;
    sources.displayName = display();
    sources.keyboardDefaultsPath = file.path();
    const LayoutKeyMap map = LayoutKeyMap::fromSession(sources);
    EXPECT_EQ(map.describe(), "German (from the X server)");
    EXPECT_EQ(map.evdevCode('Z'), KEY_Y);
    EXPECT_EQ(map.evdevCode('Y'), KEY_Z);
    EXPECT_EQ(map.evdevCode(kVkPlus), KEY_RIGHTBRACE);
    EXPECT_EQ(map.evdevCode('A'), KEY_A);
}

TEST_F(LayoutFromXServerTest, TheServersCurrentLayoutGroupIsUsed) {
    std::string error;
    ASSERT_TRUE(xvfb_.setLayout("us,de", error)) << error;
    LayoutKeyMap::SessionSources sources;
    sources.displayName = display();
    const LayoutKeyMap first = LayoutKeyMap::fromSession(sources);
    EXPECT_EQ(first.describe(), "English (US) (from the X server)");
    EXPECT_EQ(first.evdevCode('Z'), KEY_Z);

    // Switch to the second group, as a layout toggle would.
    Display* x = XOpenDisplay(display());
    ASSERT_NE(x, nullptr);
    ASSERT_TRUE(XkbLockGroup(x, XkbUseCoreKbd, 1));
    XSync(x, False);
    XCloseDisplay(x);
    const LayoutKeyMap second = LayoutKeyMap::fromSession(sources);
    EXPECT_EQ(second.describe(), "German (from the X server)");
    EXPECT_EQ(second.evdevCode('Z'), KEY_Y);
}

TEST_F(LayoutFromXServerTest, PunctuationFollowsTheServerLayout) {
    std::string error;
    ASSERT_TRUE(xvfb_.setLayout("de", error)) << error;
    const std::optional<LayoutKeyMap> map = LayoutKeyMap::fromXServer(display());
    ASSERT_TRUE(map.has_value());
    EXPECT_EQ(map->describe(), "German (from the X server)");
    EXPECT_EQ(map->evdevCode(219), KEY_MINUS);      // ß
    EXPECT_EQ(map->evdevCode(186), KEY_LEFTBRACE);  // Ü
    EXPECT_EQ(map->evdevCode(220), KEY_GRAVE);      // ^
}

TEST(LayoutFromXServer, AnUnreachableDisplayGivesNoLayout) {
    EXPECT_FALSE(LayoutKeyMap::fromXServer(":65003").has_value());  // never in use
}

}  // namespace
}  // namespace pw
