#pragma once

#include <QString>

namespace pw {

// The languages the control panel speaks. Its two access letters follow the language, as the
// program that drives it by keys expects (see controlPanelLetters); everything else is German
// unless the language is English.
enum class PanelLanguage { German, English, Italian, French };

// The language of a Windows language id (systemLanguageId): English, Italian and French ids as
// the control panel driver knows them, German for every other one.
PanelLanguage panelLanguage(int languageId);

// The shown texts of the control panel, known by their German default like the program's own
// text variables. A text that has no translation in the language stays German.
class PanelTexts {
public:
    explicit PanelTexts(PanelLanguage language = PanelLanguage::German) : language_(language) {}

    PanelLanguage language() const { return language_; }
    QString text(const char* germanDefault) const;

private:
    PanelLanguage language_;
};

}  // namespace pw
