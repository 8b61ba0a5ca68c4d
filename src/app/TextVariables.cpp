#include "app/TextVariables.h"

namespace pw {

TextVariables::TextVariables() {
    for (ControllerAction a : kAllActions) {
        const std::string name(defaultDisplayName(a));
        texts_.emplace(Key{TextGroup::ControllerActionName, name}, name);
    }
}

std::string_view TextVariables::text(TextGroup group, std::string_view germanDefault) const {
    const auto it = texts_.find(std::pair{group, germanDefault});
    return it == texts_.end() ? germanDefault : std::string_view(it->second);
}

bool TextVariables::replace(TextGroup group, std::string_view germanDefault, std::string text) {
    const auto it = texts_.find(std::pair{group, germanDefault});
    if (it == texts_.end()) {
        return false;
    }
    it->second = std::move(text);
    return true;
}

bool TextVariables::isVariable(TextGroup group, std::string_view germanDefault) const {
    return texts_.find(std::pair{group, germanDefault}) != texts_.end();
}

std::string_view displayName(ControllerAction a, const TextVariables& texts) {
    return texts.text(TextGroup::ControllerActionName, defaultDisplayName(a));
}

}  // namespace pw
