#include "app/dialogs/QtUserDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QRegularExpression>

#include "app/dialogs/InputDialog.h"
#include "app/dialogs/TimedInfoWindow.h"
#include "app/dialogs/YesNoDialog.h"

namespace pw {

QtUserDialogs::QtUserDialogs(const TextVariables& texts, std::function<void(int)> beep)
    : texts_(texts), beep_(std::move(beep)) {}

bool QtUserDialogs::confirm(const QString& question) {
    YesNoDialog dialog(texts_, question);
    dialog.exec();
    return dialog.answer();
}

QString QtUserDialogs::askText(const QString& caption, const QString& initial) {
    InputDialog dialog(texts_, caption, initial);
    dialog.exec();
    return dialog.answerText();
}

void QtUserDialogs::inform(const QString& message) {
    // A busy cursor set for a long step would otherwise stay over the message.
    while (QApplication::overrideCursor() != nullptr) {
        QApplication::restoreOverrideCursor();
    }
    QMessageBox box(QMessageBox::Information, QStringLiteral("PadWarden"), message, QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void QtUserDialogs::timedInfo(const QString& caption, const QString& message) {
    // The window deletes itself when it closes.
    auto* window = new TimedInfoWindow(texts_, beep_);
    window->setCaption(caption);
    window->setMessage(message);
    window->exec();
}

QString QtUserDialogs::openFile(const QString& windowsFilter, const QString& defaultSuffix) {
    QFileDialog dialog(nullptr, QString(), lastDirectory_, qtFileFilter(windowsFilter));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    QString suffix = defaultSuffix;
    while (suffix.startsWith(u'.')) {
        suffix.remove(0, 1);
    }
    dialog.setDefaultSuffix(suffix);
    if (dialog.exec() != QDialog::Accepted) {
        return {};
    }
    const QString chosen = dialog.selectedFiles().value(0);
    if (!chosen.isEmpty()) {
        lastDirectory_ = QFileInfo(chosen).absolutePath();
    }
    return chosen;
}

QString qtFileFilter(const QString& windowsFilter) {
    static const QRegularExpression trailingPatterns(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    const QStringList parts = windowsFilter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (QString pattern : parts.at(i + 1).split(u';', Qt::SkipEmptyParts)) {
            pattern = pattern.trimmed();
            if (pattern == QStringLiteral("*.*")) {
                pattern = QStringLiteral("*");
            }
            if (!pattern.isEmpty()) {
                patterns << pattern;
            }
        }
        if (patterns.isEmpty()) {
            continue;
        }
        // The description shows its patterns in Windows' way; Qt reads them from the
        // parentheses, separated by spaces, so they are written again.
        QString description = parts.at(i);
        description.remove(trailingPatterns);
        description = description.trimmed();
        filters << (description.isEmpty() ? QString() : description + u' ') + u'(' + patterns.join(u' ') +
                       u')';
    }
    return filters.join(QStringLiteral(";;"));
}

}  // namespace pw
