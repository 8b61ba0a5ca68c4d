// src/texts: the foundation: text variables, language tables, encodings, safe files, the program folder.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pw {

// The groups of text variables. The first three are replaced from their own tables, so one German
// default ("Links") can be both an action name and a key name, each with its own translation;
// fixed key names are never replaced.
enum class TextGroup { Interface, ControllerActionName, KeyName, FixedKeyName };

struct TextVariable {
    TextGroup group;
    std::string_view germanDefault;
    std::string text;
};

// Every text the program shows is a text variable, known by its group and German default and
// replaceable at start-up. Until a table replaces a text, the variable holds its default.
class TextVariables {
public:
    // Starts with the built-in defaults.
    TextVariables();

    // Every variable gets its German default again.
    void resetToDefaults();

    // The current text of a variable; a text that is no variable of the group is returned as it is.
    std::string_view text(TextGroup group, std::string_view germanDefault) const;

    // Replaces the text of every variable of the group with this default (two messages share
    // "Datei existiert nicht"). False when the group has no such variable or cannot be replaced.
    bool replace(TextGroup group, std::string_view germanDefault, std::string text);

    bool isVariable(TextGroup group, std::string_view germanDefault) const;

    // All variables, each group in the order in which its table is looked up.
    const std::vector<TextVariable>& variables() const { return variables_; }

    // The German defaults of a group in lookup order, each once.
    static const std::vector<std::string_view>& defaults(TextGroup group);

private:
    std::vector<TextVariable> variables_;
    std::map<std::pair<TextGroup, std::string_view>, std::size_t> firstIndex_;
};

// The filters of the two open dialogs, "Text (*.a;*.b)|*.a;*.b|..." as the Windows dialogs take them.
std::string programFileFilter(const TextVariables& texts);
std::string pictureFileFilter(const TextVariables& texts);

}  // namespace pw
