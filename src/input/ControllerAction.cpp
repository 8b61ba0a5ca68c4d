#include "input/ControllerAction.h"

namespace pw {
namespace {

struct ActionInfo {
    std::string_view token;
    std::string_view germanName;
};

using A = ControllerAction;

constexpr std::array<ActionInfo, kActionCount> kInfo{{
    {"[isup]", "Vor"},
    {"[isdown]", "Zurück"},
    {"[isleft]", "Links"},
    {"[isright]", "Rechts"},
    {"[iszup]", "Achse Z hoch"},
    {"[iszdown]", "Achse Z runter"},
    {"[isrup]", "Achse R hoch"},
    {"[isrdown]", "Achse R runter"},
    {"[iscoolup]", "Coolie hoch"},
    {"[iscoolupright]", "Coolie rechts hoch"},
    {"[iscoolright]", "Coolie rechts"},
    {"[iscooldownright]", "Coolie rechts runter"},
    {"[iscooldown]", "Coolie runter"},
    {"[iscooldownleft]", "Coolie links runter"},
    {"[iscoolleft]", "Coolie links"},
    {"[iscoolupleft]", "Coolie links hoch"},
    {"[isbutton1]", "Knopf 1"},
    {"[isbutton2]", "Knopf 2"},
    {"[isbutton3]", "Knopf 3"},
    {"[isbutton4]", "Knopf 4"},
    {"[isbutton5]", "Knopf 5"},
    {"[isbutton6]", "Knopf 6"},
    {"[isbutton7]", "Knopf 7"},
    {"[isbutton8]", "Knopf 8"},
    {"[isbutton9]", "Knopf 9"},
    {"[isbutton10]", "Knopf 10"},
    {"[isbutton11]", "Knopf 11"},
    {"[isbutton12]", "Knopf 12"},
}};

}  // namespace

std::string_view token(ControllerAction a) {
    return kInfo[index(a)].token;
}

std::string_view displayName(ControllerAction a, const TextVariables& texts) {
    return texts.text(TextGroup::ControllerActionName, defaultDisplayName(a));
}

std::string_view defaultDisplayName(ControllerAction a) {
    return kInfo[index(a)].germanName;
}

std::optional<ControllerAction> actionFromToken(std::string_view t) {
    for (std::size_t i = 0; i < kActionCount; ++i) {
        if (kInfo[i].token == t) {
            return static_cast<ControllerAction>(i);
        }
    }
    return std::nullopt;
}

const std::array<ControllerAction, kActionCount> kAllActions = [] {
    std::array<ControllerAction, kActionCount> all{};
    for (std::size_t i = 0; i < kActionCount; ++i) {
        all[i] = static_cast<ControllerAction>(i);
    }
    return all;
}();

const std::array<ControllerAction, kActionCount> kTickOrder{
    A::Button1,      A::Button2,       A::Button3,  A::Button4,  A::Button5,   A::Button6,     A::Button7,
    A::Button8,      A::Button9,       A::Button10, A::Button11, A::Button12,  A::CoolUpRight, A::CoolUpLeft,
    A::CoolDownLeft, A::CoolDownRight, A::CoolDown, A::CoolLeft, A::CoolRight, A::CoolUp,      A::ZUp,
    A::ZDown,        A::RUp,           A::RDown,    A::Up,       A::Left,      A::Right,       A::Down,
};

const std::array<ControllerAction, kActionCount> kDetectOrder{
    A::ZUp,          A::ZDown,   A::RUp,      A::RDown,    A::CoolUpRight, A::CoolUpLeft, A::CoolDownRight,
    A::CoolDownLeft, A::CoolUp,  A::CoolDown, A::CoolLeft, A::CoolRight,   A::Up,         A::Down,
    A::Right,        A::Left,    A::Button1,  A::Button2,  A::Button3,     A::Button4,    A::Button5,
    A::Button6,      A::Button7, A::Button8,  A::Button9,  A::Button10,    A::Button11,   A::Button12,
};

}  // namespace pw
