#pragma once

#include <string_view>

#include "input/KeyOutput.h"

namespace pw {

// Windows language ids, as the control panel's own language decides its shortcut letters.
inline constexpr int kLanguageGerman = 1031;
inline constexpr int kLanguageEnglishUs = 1033;

// The two Alt shortcuts that drive the game controller control panel: in English and Italian
// "P" and "C", in French "P" and "T", otherwise (German and every other language) "E" and "K".
struct ControlPanelLetters {
    char first = 'E';
    char second = 'K';
    friend bool operator==(const ControlPanelLetters&, const ControlPanelLetters&) = default;
};
ControlPanelLetters controlPanelLetters(int languageId);

// The language id of a POSIX or Qt locale name ("de_DE.UTF-8", "en_GB", "fr-CA", "it_CH@euro"):
// de 1031; en 1033 (GB 2057, AU 3081, CA 4105); fr 1036 (BE 2060, CA 3084, CH 4108); it 1040 (CH 2064).
// Any other language, "C", "POSIX" and the empty name count as German, 1031.
int languageIdFromLocaleName(std::string_view localeName);

// Alt down, letter down, letter up, Alt up: one Alt shortcut, with the scan codes of a US layout.
void sendAltShortcut(KeyOutput& keys, char letter);

}  // namespace pw
