#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>

#include "input/ControllerAction.h"

namespace pw {

// The groups of text variables; each group is replaced from its own table, so one German default
// ("Links") can be both an action name and a key name, each with its own translation.
enum class TextGroup { Interface, ControllerActionName, KeyName };

// Every text the program shows is a text variable, known by its group and German default and
// replaceable at start-up. Until a table replaces a text, the variable holds its default.
class TextVariables {
public:
    // Starts with the built-in defaults.
    TextVariables();

    // The current text of a variable; a text that is no variable of the group is returned as it is.
    std::string_view text(TextGroup group, std::string_view germanDefault) const;

    // Replaces the text of a known variable. False when the group has no such variable.
    bool replace(TextGroup group, std::string_view germanDefault, std::string text);

    bool isVariable(TextGroup group, std::string_view germanDefault) const;

private:
    using Key = std::pair<TextGroup, std::string>;
    struct Less {
        using is_transparent = void;
        template <class A, class B>
        bool operator()(const A& a, const B& b) const {
            return a.first != b.first ? a.first < b.first
                                      : std::string_view(a.second) < std::string_view(b.second);
        }
    };
    std::map<Key, std::string, Less> texts_;
};

// The display name of an action in the current language.
std::string_view displayName(ControllerAction a, const TextVariables& texts);

}  // namespace pw
