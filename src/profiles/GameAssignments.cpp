#include "profiles/GameAssignments.h"

#include "input/ControllerAction.h"
#include "store/RegistryAccess.h"

namespace pw {

using A = ControllerAction;

const std::array<ControllerAction, kActionCount> kAssignmentReadOrder = {
    A::Up,        A::Down,        A::ZUp,        A::ZDown,         A::RUp,          A::RDown,    A::Right,
    A::Left,      A::CoolUpRight, A::CoolUpLeft, A::CoolDownRight, A::CoolDownLeft, A::CoolUp,   A::CoolDown,
    A::CoolRight, A::CoolLeft,    A::Button1,    A::Button2,       A::Button3,      A::Button4,  A::Button5,
    A::Button6,   A::Button7,     A::Button8,    A::Button9,       A::Button10,     A::Button11, A::Button12,
};

std::string gameKeyPath(std::string_view group, std::string_view game) {
    return joinKeyPath(joinKeyPath(joinKeyPath(kProgramKeyPath, "games"), group), game);
}

ActionSequences readActionSequences(SettingsStore& store, std::string_view group, std::string_view game) {
    ActionSequences result{};
    const std::string path = gameKeyPath(group, game);
    const bool exists = store.keyExists(path);
    for (std::size_t i = 0; i < kActionCount; ++i) {
        const ControllerAction a = kAssignmentReadOrder[i];
        result[i].first = a;
        if (!exists) {
            continue;
        }
        const auto value = store.readValue(path, token(a));
        if (value) {
            result[i].second = value->isString() ? value->data : "-1";
        }
    }
    return result;
}

std::string readMarker(SettingsStore& store, std::string_view gameKey, std::string_view displayText) {
    RegistryKey key(store);
    if (!key.openKey(std::string("\\") + std::string(gameKey), false)) {
        return {};
    }
    return key.readString(displayText);
}

std::string_view actionTokenFromDisplayName(std::string_view name, const TextVariables& texts) {
    for (ControllerAction a : kAllActions) {
        if (displayName(a, texts) == name) {
            return token(a);
        }
    }
    return {};
}

}  // namespace pw
