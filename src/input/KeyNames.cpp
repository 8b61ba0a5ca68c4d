#include "input/KeyNames.h"

#include <array>
#include <string_view>

#include "texts/TextEncoding.h"

namespace pw {
namespace {

struct Name {
    TextGroup group;
    std::string_view text;  // the variable's German default, or a fixed text
};

constexpr TextGroup K = TextGroup::KeyName;
constexpr TextGroup F = TextGroup::FixedKeyName;
constexpr TextGroup Literal = TextGroup::Interface;  // a fixed text that is no variable at all

std::array<Name, 256> buildNames() {
    std::array<Name, 256> n{};
    for (Name& name : n) {
        name = {Literal, {}};
    }
    // Codes that share a variable: 1 and 37, 2 and 39, 16 and 38, 3 and 27.
    n[1] = {K, "Links"};
    n[2] = {K, "Rechts"};
    n[3] = {F, "Esc"};
    n[4] = {Literal, "??"};
    n[8] = {K, "Zurück Taste"};
    n[9] = {K, "Tab"};
    n[12] = {K, "Num Mitte"};
    n[13] = {K, "Enter"};
    n[16] = {K, "Hoch"};
    n[17] = {K, "Strg"};
    n[18] = {K, "Alt"};
    n[19] = {K, "Pause"};
    n[20] = {K, "Feststelltaste"};
    n[27] = {F, "Esc"};
    n[32] = {K, "Leerzeichen"};
    n[33] = {K, "Bild hoch"};
    n[34] = {K, "Bild runter"};
    n[35] = {K, "Ende"};
    n[36] = {K, "Pos"};
    n[37] = {K, "Links"};
    n[38] = {K, "Hoch"};
    n[39] = {K, "Rechts"};
    n[40] = {K, "Runter"};
    n[41] = {Literal, "VK_SELECT"};
    n[42] = {K, "Druck"};
    n[45] = {K, "Einfg"};
    n[46] = {K, "Entf"};
    static constexpr std::array<std::string_view, 10> keypad = {"Num 0", "Num 1", "Num 2", "Num 3", "Num 4",
                                                                "Num 5", "Num 6", "Num 7", "Num 8", "Num 9"};
    for (std::size_t i = 0; i < keypad.size(); ++i) {
        n[96 + i] = {K, keypad[i]};
    }
    n[106] = {K, "Num *"};
    n[107] = {K, "Num +"};
    n[109] = {K, "Num -"};
    n[110] = {K, "Komma"};
    n[111] = {K, "Num /"};
    static constexpr std::array<std::string_view, 24> functionKeys = {
        "F1",  "F2",  "F3",  "F4",  "F5",  "F6",  "F7",  "F8",  "F9",  "F10", "F11", "F12",
        "F13", "F14", "F15", "F16", "F17", "F18", "F19", "F20", "F21", "F22", "F23", "F24"};
    for (std::size_t i = 0; i < functionKeys.size(); ++i) {
        n[112 + i] = {F, functionKeys[i]};
    }
    n[144] = {K, "Num"};
    n[145] = {K, "Rollen"};
    n[186] = {K, "Ü"};
    n[187] = {F, "+"};
    n[188] = {F, ","};
    n[189] = {F, "-"};
    n[190] = {F, "."};
    n[191] = {F, "#"};
    n[192] = {K, "Ö"};
    n[219] = {F, "ß"};
    n[220] = {K, "^o"};
    n[221] = {F, "´"};
    n[222] = {K, "Ä"};
    n[226] = {F, "<"};
    return n;
}

const std::array<Name, 256> kNames = buildNames();

}  // namespace

std::string keyName(std::uint16_t code, const TextVariables& texts) {
    const std::uint8_t byte = static_cast<std::uint8_t>(code & 0xFF);
    const Name& name = code < 256 ? kNames[byte] : Name{Literal, {}};
    if (!name.text.empty()) {
        return std::string(name.group == Literal ? name.text : texts.text(name.group, name.text));
    }
    if (byte == 0) {
        return {};
    }
    return windows1252ToUtf8(std::string_view(reinterpret_cast<const char*>(&byte), 1));
}

}  // namespace pw
