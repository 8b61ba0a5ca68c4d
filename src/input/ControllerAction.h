#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "texts/TextVariables.h"

namespace pw {

// The 28 things a controller can do that a game can have keys for. The enumerator order is the
// order of the live table; the polling loop and the detector use their own orders below.
enum class ControllerAction : std::uint8_t {
    Up,
    Down,
    Left,
    Right,
    ZUp,
    ZDown,
    RUp,
    RDown,
    CoolUp,
    CoolUpRight,
    CoolRight,
    CoolDownRight,
    CoolDown,
    CoolDownLeft,
    CoolLeft,
    CoolUpLeft,
    Button1,
    Button2,
    Button3,
    Button4,
    Button5,
    Button6,
    Button7,
    Button8,
    Button9,
    Button10,
    Button11,
    Button12,
};

inline constexpr std::size_t kActionCount = 28;

constexpr std::size_t index(ControllerAction a) {
    return static_cast<std::size_t>(a);
}

// The token names the action in Profiles and in the settings store, brackets included: "[isup]".
std::string_view token(ControllerAction a);

// The German default of the action's display name; it is also the key of its text variable.
std::string_view defaultDisplayName(ControllerAction a);
// The display name of an action in the current language.
std::string_view displayName(ControllerAction a, const TextVariables& texts);

// Case-sensitive lookup of a token ("[isbutton3]").
std::optional<ControllerAction> actionFromToken(std::string_view token);

// Every action, in enumerator order.
extern const std::array<ControllerAction, kActionCount> kAllActions;

// The order in which a tick hands the actions to the emitter: buttons first, the stick last.
extern const std::array<ControllerAction, kActionCount> kTickOrder;

// The order in which the detector tests the actions; the last match wins, so buttons beat the
// stick, the stick beats the hat and the hat beats the Z and R axes.
extern const std::array<ControllerAction, kActionCount> kDetectOrder;

constexpr ControllerAction buttonAction(int n) {  // n counted from 1, 1 ... 12
    return static_cast<ControllerAction>(index(ControllerAction::Button1) + static_cast<std::size_t>(n - 1));
}

}  // namespace pw
