#pragma once

#include <QString>
#include <memory>

#include "store/SettingsStore.h"
#include "texts/LanguageTables.h"

namespace pw {

// The languages the control panel speaks. Its two access letters follow the language, as the
// program that drives it by keys expects (see controlPanelLetters); everything else is German
// unless the language is English.
enum class PanelLanguage { German, English, Italian, French };

// The language of a Windows language id (systemLanguageId): English, Italian and French ids as
// the control panel driver knows them, German for every other one.
PanelLanguage panelLanguage(int languageId);

// The shown texts of the control panel, known by their German default like the program's own
// text variables. A line of the panel's table ("default:=text", as in the program's tables) wins;
// otherwise the language's translation; a text that has none stays German.
class PanelTexts {
public:
    explicit PanelTexts(PanelLanguage language = PanelLanguage::German,
                        std::shared_ptr<const LanguageTable> table = {})
        : language_(language), table_(std::move(table)) {}

    // German replaced from the panel's table in programDirectory, as the program's own texts are
    // replaced from its tables there: the panel speaks the program's language, not the system's.
    static PanelTexts fromTables(const std::filesystem::path& programDirectory);

    PanelLanguage language() const { return language_; }
    QString text(const char* germanDefault) const;
    // A failure of the settings store in the program's language: its message from the program's
    // interface table (language.gam) in the same folder, which translates the store's messages for
    // the program and the panel alike; German where no line names it.
    QString storeMessage(const StoreError& error) const;

private:
    PanelLanguage language_;
    std::shared_ptr<const LanguageTable> table_;
    std::shared_ptr<const LanguageTable> storeTable_;
};

}  // namespace pw
