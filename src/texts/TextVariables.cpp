#include "texts/TextVariables.h"

#include <algorithm>
#include <array>

#include "texts/StoreTexts.h"

namespace pw {
namespace {

using G = TextGroup;

// Interface texts: first those put on controls, then messages, captions and list entries.
// "Datei existiert nicht" stands twice: two messages have it as their default.
constexpr std::array kInterfaceTexts = std::to_array<std::string_view>({
    "Schließen",
    "Info",
    "Tray",
    "Hilfe",
    "Start",
    "Spiele-Startparameter",
    "Spiele-Tastaturbelegung",
    "Controller-Eigenschaften",
    "Controller-Belegung",
    "Lenkrad",
    "Spielbezeichnung",
    "Ausführende Datei",
    "Arbeitsverzeichnis",
    "Spielgruppe",
    "Spiel",
    "Gruppe",
    "Suchen",
    "Spiel neu",
    "Spiel speichern",
    "Spiel löschen",
    "Gruppe neu",
    "Gruppe umbenennen",
    "Gruppe löschen",
    "Profil neu anlegen",
    "Profilgruppe neu",
    "Profil löschen",
    "Profil speichern unter",
    "Profilgruppe umbenennen",
    "Profilgruppe löschen",
    "Kommando neu",
    "Kommando speichern",
    "Kommando löschen",
    "Rec",
    "Stop",
    "Kommando Profil",
    "Kommando Gruppe",
    "Kommandos",
    "Taste",
    "Action",
    "Controller installieren",
    "Controller kalibrieren",
    "Controller löschen",
    "Speichern",
    "Neuer Controller",
    "Ausgewählter Controller",
    "Orvalis Produkte",
    "Controller",
    "Profil",
    "Kommando nicht belegen",
    "Gespeicherte Kommandos",
    "Controller Action",
    "Ja",
    "Nein",
    "OK",
    "Abbrechen",
    "Anwendungen",
    "Alle Dateien",
    "Grafikdateien",
    "Bestätigen",
    "Eingabe",
    "Ohne Auswahl",
    "Alle",
    "Gruppe wählen",
    "Controller wählen",
    "Spiel wählen",
    "Controller wechseln",
    "Icon fehl. Suchen?",
    "Bezeichner eingeben",
    "Eigene Bezeichnung eingeben",
    "Bezeichner besteht bereits",
    "Sicher löschen",
    "Eintrag löschen ?",
    "Gruppe löschen ?",
    "Datei existiert nicht",
    "Datei existiert nicht",
    "Datei existiert, überschreiben",
    "Profil eingeben",
    "Datei nicht gefunden",
    "Controller eingetragen?",
    // Texts of this program that the Windows tables do not know.
    "Namen ohne \\ eingeben",
    "Windows-Programme brauchen Wine; bitte Wine installieren",
    "Hilfedatei nicht gefunden",
    "Programm nicht gefunden",
    "Offline?",
    "Kommando anklicken, dann am Controller drücken",
    "Warte auf Controller für",
    "Gespeichert",
    "Belegt von",
    "Kein Tray vorhanden; das Fenster bleibt offen",
    "Kein Controller angeschlossen",
});

constexpr std::array kActionNames = std::to_array<std::string_view>({
    "Knopf 1",
    "Knopf 2",
    "Knopf 3",
    "Knopf 4",
    "Knopf 5",
    "Knopf 6",
    "Knopf 7",
    "Knopf 8",
    "Knopf 9",
    "Knopf 10",
    "Knopf 11",
    "Knopf 12",
    "Vor",
    "Zurück",
    "Rechts",
    "Links",
    "Coolie hoch",
    "Coolie rechts",
    "Coolie runter",
    "Coolie links",
    "Coolie rechts hoch",
    "Coolie rechts runter",
    "Coolie links hoch",
    "Coolie links runter",
    "Achse Z hoch",
    "Achse Z runter",
    "Achse R hoch",
    "Achse R runter",
});

constexpr std::array kKeyNames = std::to_array<std::string_view>({
    "Druck",       "Rollen", "Pause",  "Zurück Taste",   "Einfg",     "Pos",   "Bild hoch", "Entf",  "Ende",
    "Bild runter", "Tab",    "Enter",  "Feststelltaste", "Hochtaste", "Strg",  "Windows",   "Alt",   "Alt Gr",
    "Menü",        "Hoch",   "Runter", "Links",          "Rechts",    "Num",   "Num /",     "Num *", "Num -",
    "Num +",       "Num 7",  "Num 8",  "Num 9",          "Num 4",     "Num 5", "Num 6",     "Num 1", "Num 2",
    "Num 3",       "Num 0",  "Komma",  "Leerzeichen",    "Num Mitte", "Ü",     "Ö",         "Ä",     "^o",
});

constexpr std::array kFixedKeyNames = std::to_array<std::string_view>({
    "Esc", "F1",  "F2",  "F3",  "F4",  "F5",  "F6",  "F7",  "F8",  "F9",  "F10",
    "F11", "F12", "F13", "F14", "F15", "F16", "F17", "F18", "F19", "F20", "F21",
    "F22", "F23", "F24", "ß",   "´",   "+",   "#",   "<",   ".",   "-",   ",",
});

template <std::size_t N>
std::vector<std::string_view> unique(const std::array<std::string_view, N>& all) {
    std::vector<std::string_view> once;
    for (std::string_view d : all) {
        if (std::find(once.begin(), once.end(), d) == once.end()) {
            once.push_back(d);
        }
    }
    return once;
}

}  // namespace

TextVariables::TextVariables() {
    const auto add = [this](TextGroup group, const auto& defaults) {
        for (std::string_view d : defaults) {
            firstIndex_.try_emplace({group, d}, variables_.size());
            variables_.push_back({group, d, std::string(d)});
        }
    };
    add(G::KeyName, kKeyNames);
    add(G::ControllerActionName, kActionNames);
    add(G::Interface, kInterfaceTexts);
    add(G::Interface, kStoreTexts);
    add(G::FixedKeyName, kFixedKeyNames);
}

void TextVariables::resetToDefaults() {
    for (TextVariable& v : variables_) {
        v.text = std::string(v.germanDefault);
    }
}

std::string_view TextVariables::text(TextGroup group, std::string_view germanDefault) const {
    const auto it = firstIndex_.find({group, germanDefault});
    return it == firstIndex_.end() ? germanDefault : std::string_view(variables_[it->second].text);
}

bool TextVariables::replace(TextGroup group, std::string_view germanDefault, std::string text) {
    if (group == G::FixedKeyName || !isVariable(group, germanDefault)) {
        return false;
    }
    for (TextVariable& v : variables_) {
        if (v.group == group && v.germanDefault == germanDefault) {
            v.text = text;
        }
    }
    return true;
}

bool TextVariables::isVariable(TextGroup group, std::string_view germanDefault) const {
    return firstIndex_.contains({group, germanDefault});
}

const std::vector<std::string_view>& TextVariables::defaults(TextGroup group) {
    static const std::vector<std::string_view> interface = [] {
        std::vector<std::string_view> all = unique(kInterfaceTexts);
        all.insert(all.end(), kStoreTexts.begin(), kStoreTexts.end());
        return all;
    }();
    static const std::vector<std::string_view> actions = unique(kActionNames);
    static const std::vector<std::string_view> keys = unique(kKeyNames);
    static const std::vector<std::string_view> fixed = unique(kFixedKeyNames);
    switch (group) {
        case G::Interface:
            return interface;
        case G::ControllerActionName:
            return actions;
        case G::KeyName:
            return keys;
        case G::FixedKeyName:
            break;
    }
    return fixed;
}

std::string programFileFilter(const TextVariables& texts) {
    return std::string(texts.text(G::Interface, "Anwendungen")) + " (*.exe;*.com;*.bat)|*.exe;*.com;*.bat|" +
           std::string(texts.text(G::Interface, "Alle Dateien")) + " (*.*)|*.*";
}

std::string pictureFileFilter(const TextVariables& texts) {
    return std::string(texts.text(G::Interface, "Grafikdateien")) +
           " (*.ico;*.bmp;*.emf;*.wmf)|*.ico;*.bmp;*.emf;*.wmf|";
}

}  // namespace pw
