#include "app/window/main/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <memory>

#include "texts/TextVariables.h"

namespace pw {

QString programLanguage(const TextVariables& texts) {
    // Tables that leave "Abbrechen" German leave the buttons Qt's dialogs share with the
    // program's own German too.
    return texts.text(TextGroup::Interface, "Abbrechen") != "Abbrechen" ? QStringLiteral("en")
                                                                        : QStringLiteral("de");
}

bool installQtTranslations(const TextVariables& texts) {
    static std::unique_ptr<QTranslator> installed;
    if (installed) {
        QCoreApplication::removeTranslator(installed.get());
        installed.reset();
    }
    auto translator = std::make_unique<QTranslator>();
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!translator->load(QStringLiteral("qtbase_") + programLanguage(texts), folder)) {
        return false;
    }
    QCoreApplication::installTranslator(translator.get());
    installed = std::move(translator);
    return true;
}

}  // namespace pw
