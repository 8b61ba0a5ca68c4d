#pragma once

#include <array>
#include <string_view>

namespace pw {

// The settings store's messages, as text variables of the interface: %1 is the store's file, the
// other numbers what the message names. The store throws them by these defaults; the program shows
// them in the language of its tables.
namespace storetext {
inline constexpr std::string_view kBatchAbandoned =
    "Die Einstellungsdatei %1: ein früherer Fehler hat diesen ganzen Vorgang rückgängig gemacht; bis zu "
    "seinem Ende wird nichts mehr geschrieben — versuchen Sie die ganze Änderung noch einmal";
inline constexpr std::string_view kBatchUndone =
    "Die Einstellungsdatei %1: ein Fehler im Vorgang hat ihn ganz rückgängig gemacht; nichts wurde "
    "geändert — versuchen Sie die ganze Änderung noch einmal";
inline constexpr std::string_view kNoFolder =
    "Die Einstellungsdatei %1 kann nicht angelegt werden: ihr Ordner lässt sich nicht anlegen (%2) — "
    "prüfen Sie, ob %3 beschreibbar ist";
inline constexpr std::string_view kIsFolder =
    "Die Einstellungsdatei %1 ist ein Ordner, keine Datei; er blieb unverändert — verschieben Sie ihn, "
    "um mit leeren Einstellungen zu beginnen";
inline constexpr std::string_view kWriteProtected =
    "Die Einstellungsdatei %1 ist schreibgeschützt; nichts kann gespeichert werden — machen Sie sie "
    "für sich beschreibbar";
inline constexpr std::string_view kDamaged =
    "Die Einstellungsdatei %1 kann nicht gelesen werden (beschädigt: %2); sie blieb unverändert — "
    "verschieben Sie sie, um mit leeren Einstellungen zu beginnen";
inline constexpr std::string_view kNoVersion =
    "Die Einstellungsdatei %1 kann nicht gelesen werden (beschädigt: sie hat keine Versionsangabe); sie "
    "blieb unverändert — verschieben Sie sie, um mit leeren Einstellungen zu beginnen";
inline constexpr std::string_view kForeign =
    "Die Einstellungsdatei %1 kann nicht gelesen werden (sie ist die Datenbank eines anderen "
    "Programms); sie blieb unverändert — verschieben Sie sie, um mit leeren Einstellungen zu beginnen";
inline constexpr std::string_view kNewer =
    "Die Einstellungsdatei %1 stammt von einem neueren PadWarden (Version %2, dieses kennt bis %3); sie "
    "blieb unverändert — starten Sie das neuere PadWarden, oder verschieben Sie die Datei, um mit "
    "leeren Einstellungen zu beginnen";
inline constexpr std::string_view kNoSharing =
    "Die Einstellungsdatei %1 kann nicht mit der Controller-Systemsteuerung geteilt werden (das "
    "Dateisystem des Ordners bietet kein Write-Ahead-Log, der Journalmodus bleibt %2) — legen Sie das "
    "Programmverzeichnis auf eine lokale Platte";
inline constexpr std::string_view kUnreadable =
    "Die Einstellungsdatei %1 kann nicht gelesen werden (%2); sie blieb unverändert — verschieben Sie "
    "sie, um mit leeren Einstellungen zu beginnen";
inline constexpr std::string_view kLockedAtStart =
    "Die Einstellungsdatei %1 kann nicht geöffnet werden: ein anderes Programm hält sie seit %2 Sekunden "
    "gesperrt — schließen Sie die Controller-Systemsteuerung und starten Sie PadWarden neu";
inline constexpr std::string_view kNoAccess =
    "Die Einstellungsdatei %1 kann nicht geöffnet werden (%2) — prüfen Sie, ob Sie die Datei und ihren "
    "Ordner lesen und beschreiben dürfen";
inline constexpr std::string_view kNotOpened =
    "Die Einstellungsdatei %1 kann nicht geöffnet werden (%2); sie blieb unverändert — verschieben Sie "
    "sie, um mit leeren Einstellungen zu beginnen";
inline constexpr std::string_view kDamagedOnRead =
    "Die Einstellungsdatei %1 kann nicht gelesen werden (%2) — schließen Sie PadWarden und verschieben "
    "Sie die Datei, um mit leeren Einstellungen zu beginnen";
inline constexpr std::string_view kDamagedOnWrite =
    "Die Einstellungsdatei %1 kann nicht gelesen werden (%2); nichts wurde geändert — schließen Sie "
    "PadWarden und verschieben Sie die Datei, um mit leeren Einstellungen zu beginnen";
inline constexpr std::string_view kLockedOnRead =
    "Die Einstellungsdatei %1 wird von einem anderen Programm gesperrt gehalten (%2) — schließen Sie die "
    "Controller-Systemsteuerung und versuchen Sie es noch einmal";
inline constexpr std::string_view kLockedOnWrite =
    "Die Einstellungsdatei %1 wird von einem anderen Programm gesperrt gehalten (%2); nichts wurde "
    "geändert — schließen Sie die Controller-Systemsteuerung und versuchen Sie es noch einmal";
inline constexpr std::string_view kFullOnRead =
    "Die Einstellungsdatei %1 kann nicht wachsen (%2) — schaffen Sie Platz auf der Platte und versuchen "
    "Sie es noch einmal";
inline constexpr std::string_view kFullOnWrite =
    "Die Einstellungsdatei %1 kann nicht wachsen (%2); nichts wurde geändert — schaffen Sie Platz auf "
    "der Platte und versuchen Sie es noch einmal";
inline constexpr std::string_view kReadOnlyOnRead =
    "Die Einstellungsdatei %1 kann nicht geschrieben werden (%2) — prüfen Sie, ob Sie die Datei und "
    "ihren Ordner beschreiben dürfen";
inline constexpr std::string_view kReadOnlyOnWrite =
    "Die Einstellungsdatei %1 kann nicht geschrieben werden (%2); nichts wurde geändert — prüfen Sie, "
    "ob Sie die Datei und ihren Ordner beschreiben dürfen";
inline constexpr std::string_view kReadFailed =
    "Die Einstellungsdatei %1 konnte nicht gelesen werden (%2) — prüfen Sie die Platte und versuchen "
    "Sie es noch einmal";
inline constexpr std::string_view kWriteFailed =
    "Die Einstellungsdatei %1 konnte nicht geschrieben werden (%2); nichts wurde geändert — prüfen Sie "
    "die Platte und versuchen Sie es noch einmal";
inline constexpr std::string_view kValueTooLarge =
    "Die Einstellungsdatei %1: der Wert %2 ist zu groß zum Speichern; nichts wurde geändert";
inline constexpr std::string_view kNoKey =
    "Die Einstellungsdatei %1: der Wert %2 kann nicht geschrieben werden, sein Schlüssel %3 existiert "
    "nicht; nichts wurde geändert — legen Sie zuerst den Schlüssel an";
}  // namespace storetext

inline constexpr std::array kStoreTexts = {
    storetext::kBatchAbandoned,  storetext::kBatchUndone,    storetext::kNoFolder,
    storetext::kIsFolder,        storetext::kWriteProtected, storetext::kDamaged,
    storetext::kNoVersion,       storetext::kForeign,        storetext::kNewer,
    storetext::kNoSharing,       storetext::kUnreadable,     storetext::kLockedAtStart,
    storetext::kNoAccess,        storetext::kNotOpened,      storetext::kDamagedOnRead,
    storetext::kDamagedOnWrite,  storetext::kLockedOnRead,   storetext::kLockedOnWrite,
    storetext::kFullOnRead,      storetext::kFullOnWrite,    storetext::kReadOnlyOnRead,
    storetext::kReadOnlyOnWrite, storetext::kReadFailed,     storetext::kWriteFailed,
    storetext::kValueTooLarge,   storetext::kNoKey,
};

}  // namespace pw
