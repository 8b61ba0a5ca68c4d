#include <gtest/gtest.h>

#include "input/KeyNames.h"

namespace pw {
namespace {

TEST(KeyNames, NamedKeysUseTheirVariables) {
    TextVariables t;
    const std::pair<int, const char*> names[] = {
        {1, "Links"},
        {2, "Rechts"},
        {3, "Esc"},
        {4, "??"},
        {8, "Zurück Taste"},
        {9, "Tab"},
        {12, "Num Mitte"},
        {13, "Enter"},
        {16, "Hoch"},
        {17, "Strg"},
        {18, "Alt"},
        {19, "Pause"},
        {20, "Feststelltaste"},
        {27, "Esc"},
        {32, "Leerzeichen"},
        {33, "Bild hoch"},
        {34, "Bild runter"},
        {35, "Ende"},
        {36, "Pos"},
        {37, "Links"},
        {38, "Hoch"},
        {39, "Rechts"},
        {40, "Runter"},
        {41, "VK_SELECT"},
        {42, "Druck"},
        {45, "Einfg"},
        {46, "Entf"},
        {96, "Num 0"},
        {105, "Num 9"},
        {106, "Num *"},
        {107, "Num +"},
        {109, "Num -"},
        {110, "Komma"},
        {111, "Num /"},
        {112, "F1"},
        {123, "F12"},
        {135, "F24"},
        {144, "Num"},
        {145, "Rollen"},
        {186, "Ü"},
        {187, "+"},
        {188, ","},
        {189, "-"},
        {190, "."},
        {191, "#"},
        {192, "Ö"},
        {219, "ß"},
        {220, "^o"},
        {221, "´"},
        {222, "Ä"},
        {226, "<"},
    };
    for (const auto& [code, name] : names) {
        EXPECT_EQ(keyName(static_cast<std::uint16_t>(code), t), name) << code;
    }
}

TEST(KeyNames, OtherCodesAreTheirWindows1252Character) {
    TextVariables t;
    EXPECT_EQ(keyName(65, t), "A");
    EXPECT_EQ(keyName(48, t), "0");
    EXPECT_EQ(keyName(91, t), "[");
    EXPECT_EQ(keyName(164, t), "¤");
    EXPECT_EQ(keyName(233, t), "é");
    EXPECT_EQ(keyName(0, t), "");
}

TEST(KeyNames, SharedVariablesRenameBothKeys) {
    TextVariables t;
    t.replace(TextGroup::KeyName, "Hoch", "Up");
    t.replace(TextGroup::KeyName, "Links", "Left");
    EXPECT_EQ(keyName(16, t), "Up") << "Shift shares the Up arrow's name";
    EXPECT_EQ(keyName(38, t), "Up");
    EXPECT_EQ(keyName(1, t), "Left");
    EXPECT_EQ(keyName(37, t), "Left");
    EXPECT_FALSE(t.replace(TextGroup::FixedKeyName, "Esc", "Escape"));
    EXPECT_EQ(keyName(3, t), "Esc");
}

}  // namespace
}  // namespace pw
