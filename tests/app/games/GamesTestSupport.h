#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QString>
#include <QStringList>
#include <QThread>
#include <filesystem>
#include <ostream>
#include <string>

#include "profiles/GameAssignments.h"
#include "store/SettingsStore.h"

// Failures show texts as texts.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace pw::test {

inline QString qpath(const std::filesystem::path& p) {
    return QString::fromStdString(p.string());
}

// The texts of a list's entries, top to bottom.
inline QStringList rows(const QListWidget* list) {
    QStringList names;
    for (int i = 0; i < list->count(); ++i) {
        names << list->item(i)->text();
    }
    return names;
}

// Waits, up to a bound, until a started program has done its part; events are served meanwhile.
template <typename Condition>
bool waitUntil(Condition done, int boundMs = 10000) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done()) {
        if (elapsed.elapsed() > boundMs) {
            return false;
        }
        QCoreApplication::processEvents();
        QThread::msleep(5);
    }
    return true;
}

// The lines of a file a test program wrote; empty when it is not there.
inline QStringList linesOf(const std::filesystem::path& file) {
    QFile f(QString::fromStdString(file.string()));
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.back().isEmpty()) {
        lines.removeLast();
    }
    return lines;
}

// A script that writes its working folder and its arguments, one a line, into `out`; it writes
// a side file first and renames it, so a reader never sees half of it.
inline std::string reportingScript(const std::filesystem::path& out, bool withInterpreterLine = true) {
    const std::string target = out.string();
    return std::string(withInterpreterLine ? "#!/bin/sh\n" : "") +
           "{ pwd; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } > '" + target + ".part'\nmv '" +
           target + ".part' '" + target + "'\n";
}

inline void makeExecutable(const std::filesystem::path& file) {
    std::filesystem::permissions(file, std::filesystem::perms::owner_all, std::filesystem::perm_options::add);
}

// A value of a game key, or "(none)" when the key or value is missing.
inline std::string gameValue(SettingsStore& store, std::string_view group, std::string_view game,
                             std::string_view name) {
    const auto v = store.readValue(gameKeyPath(group, game), name);
    return v ? v->data : std::string("(none)");
}

inline void writeGameValue(SettingsStore& store, std::string_view group, std::string_view game,
                           std::string_view name, std::string_view value) {
    store.createKey(gameKeyPath(group, game));
    store.writeValue(gameKeyPath(group, game), name, RegistryValue::string(std::string(value)));
}

}  // namespace pw::test
