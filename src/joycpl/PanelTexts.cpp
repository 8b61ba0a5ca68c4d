#include "joycpl/PanelTexts.h"

#include <cstring>
#include <string_view>
#include <vector>

#include "texts/StoreTexts.h"

namespace pw {
namespace {

struct Translation {
    const char* german;
    const char* english;
    const char* italian = nullptr;  // nullptr: German
    const char* french = nullptr;
};

// The access letters must stay those of controlPanelLetters: the driver types Alt+letter blind.
constexpr Translation kTexts[] = {
    {"&Eigenschaften", "&Properties", "&Proprietà", "&Propriétés"},
    {"&Kalibrieren", "&Calibrate", "&Calibra", "É&talonner"},
    {"Gamecontroller", "Game Controllers"},
    {"Angeschlossene Controller", "Attached controllers"},
    {"Name", "Name"},
    {"Status", "Status"},
    {"Achsen", "Axes"},
    {"Knöpfe", "Buttons"},
    {"Coolies", "Hats"},
    {"GUID", "GUID"},
    {"Joystick 1", "Joystick 1"},
    {"Joystick 1 (nicht eingerichtet)", "Joystick 1 (not set up)"},
    {"Kein Controller angeschlossen", "No controller attached"},
    {"Als Joystick 1 verwenden", "Use as joystick 1"},
    {"OK", "OK"},
    {"Schließen", "Close"},
    {"Controller wählen", "Choose a controller"},
    {"%1 ist jetzt Joystick 1.", "%1 is joystick 1 now."},
    {"Die Einstellungen konnten nicht gespeichert werden: %1", "The settings could not be saved: %1"},
    {"Die Werte sind ungültig.", "The values are not valid."},
    {"Die Einstellungen konnten nicht gelesen werden: %1", "The settings could not be read: %1"},
    {"Die Einstellungen (%1) können nicht geöffnet werden: %2", "The settings (%1) cannot be opened: %2"},
    {"Eigenschaften von %1", "Properties of %1"},
    {"Test", "Test"},
    {"Achsen X/Y", "X/Y axes"},
    {"Achse X", "X axis"},
    {"Achse Y", "Y axis"},
    {"Achse Z", "Z axis"},
    {"Achse R", "R axis"},
    {"Coolie", "Hat"},
    {"Mitte", "Centre"},
    {"Coolie hoch", "Hat up"},
    {"Coolie rechts hoch", "Hat up right"},
    {"Coolie rechts", "Hat right"},
    {"Coolie rechts runter", "Hat down right"},
    {"Coolie runter", "Hat down"},
    {"Coolie links runter", "Hat down left"},
    {"Coolie links", "Hat left"},
    {"Coolie links hoch", "Hat up left"},
    {"Bewegen Sie jede Achse bis zu beiden Enden und lassen Sie sie dann los.",
     "Move every axis to both ends, then let it go."},
    {"Achse", "Axis"},
    {"Quelle", "Source"},
    {"Minimum", "Minimum"},
    {"Maximum", "Maximum"},
    {"Keine", "None"},
    {"SDL-Achse %1", "SDL axis %1"},
    {"Übernehmen", "Apply"},
    {"Neu beginnen", "Start over"},
    {"in Ordnung", "fine"},
    {"nicht belegt", "not used"},
    {"noch keine Werte", "no values yet"},
    {"nicht bis zu beiden Enden bewegt", "not moved to both ends"},
    {"Nicht übernommen: %1 braucht Minimum < Mitte < Maximum. Bewegen Sie die Achse bis zu beiden Enden "
     "und lassen Sie sie los.",
     "Not applied: %1 needs minimum < centre < maximum. Move the axis to both ends and let it go."},
    {"Kalibrierung gespeichert.", "Calibration saved."},
    {"Der Controller ist nicht mehr angeschlossen.", "The controller is no longer attached."},
};

}  // namespace

PanelLanguage panelLanguage(int languageId) {
    switch (languageId) {
        case 1033:
        case 2057:
        case 3081:
        case 4105:
            return PanelLanguage::English;
        case 1040:
        case 2064:
            return PanelLanguage::Italian;
        case 1036:
        case 2060:
        case 3084:
        case 4108:
            return PanelLanguage::French;
        default:
            return PanelLanguage::German;
    }
}

PanelTexts PanelTexts::fromTables(const std::filesystem::path& programDirectory) {
    // The table keeps the lines of the panel's own texts only.
    std::vector<std::string_view> germans;
    for (const Translation& t : kTexts) {
        germans.push_back(t.german);
    }
    PanelTexts texts(PanelLanguage::German, std::make_shared<const LanguageTable>(
                                                loadLanguageTable(programDirectory / kPanelTable, germans)));
    texts.storeTable_ = std::make_shared<const LanguageTable>(
        loadLanguageTable(programDirectory / kInterfaceTable, kStoreTexts));
    return texts;
}

QString PanelTexts::storeMessage(const StoreError& error) const {
    if (!error.germanDefault().empty() && storeTable_) {
        if (const auto replaced = tableText(*storeTable_, error.germanDefault())) {
            return QString::fromStdString(fillIn(*replaced, error.arguments()));
        }
    }
    return QString::fromUtf8(error.what());
}

QString PanelTexts::text(const char* germanDefault) const {
    if (table_) {
        if (const auto replaced = tableText(*table_, germanDefault)) {
            return QString::fromStdString(*replaced);
        }
    }
    for (const Translation& t : kTexts) {
        if (std::strcmp(t.german, germanDefault) != 0) {
            continue;
        }
        const char* chosen = t.german;
        switch (language_) {
            case PanelLanguage::German:
                break;
            case PanelLanguage::English:
                chosen = t.english;
                break;
            case PanelLanguage::Italian:
                chosen = t.italian != nullptr ? t.italian : t.german;
                break;
            case PanelLanguage::French:
                chosen = t.french != nullptr ? t.french : t.german;
                break;
        }
        return QString::fromUtf8(chosen);
    }
    return QString::fromUtf8(germanDefault);
}

}  // namespace pw
