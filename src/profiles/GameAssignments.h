#pragma once

#include <array>
#include <string>
#include <string_view>
#include <utility>

#include "input/ControllerAction.h"
#include "store/SettingsStore.h"
#include "texts/TextVariables.h"

namespace pw {

// The store path of a game's key: the program key, "games", the group, the game.
std::string gameKeyPath(std::string_view group, std::string_view game);

// The order in which a game's 28 assignments are read.
extern const std::array<ControllerAction, kActionCount> kAssignmentReadOrder;

using ActionSequences = std::array<std::pair<ControllerAction, std::string>, kActionCount>;

// The KeySequences a game assigns to the 28 actions, in kAssignmentReadOrder. A missing value, or
// a game key that does not exist, reads as the empty text; a value that is no text reads as "-1".
ActionSequences readActionSequences(SettingsStore& store, std::string_view group, std::string_view game);

// The command marker of a game: the display name of the action the command with this display
// text is assigned to; empty when there is none. Throws RegistryTypeError for a non-text value.
std::string readMarker(SettingsStore& store, std::string_view gameKey, std::string_view displayText);

// The token of the action whose display name in the current language is `name` (compared with
// case), or the empty text when no action has that name.
std::string_view actionTokenFromDisplayName(std::string_view name, const TextVariables& texts);

}  // namespace pw
