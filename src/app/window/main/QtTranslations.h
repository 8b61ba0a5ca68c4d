#pragma once

#include <QString>

namespace pw {

class TextVariables;

// The language of the program's texts as Qt names it: "en" when the loaded tables turn the
// interface into English, "de" otherwise (the program's own texts are German).
QString programLanguage(const TextVariables& texts);

// Lets Qt's own dialogs and buttons (the file dialog's "Look in", "Cancel") speak the program's
// language: installs Qt's base translation for it, replacing one installed before. False when the
// translation file is missing (Debian package qt6-translations-l10n); Qt then speaks English.
bool installQtTranslations(const TextVariables& texts);

}  // namespace pw
