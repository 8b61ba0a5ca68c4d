#include "app/dialogs/DialogSupport.h"

#include <QGuiApplication>
#include <QScreen>

#include "texts/TextVariables.h"

namespace pw {

QString interfaceText(const TextVariables& texts, const char* germanDefault) {
    const std::string_view text = texts.text(TextGroup::Interface, germanDefault);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void centreOnScreen(QWidget& window) {
    QScreen* screen = window.screen();
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    if (screen == nullptr) {
        return;
    }
    const QRect area = screen->availableGeometry();
    window.move(area.center() - QPoint(window.width() / 2, window.height() / 2));
}

QPushButton* makeSpeedButton(QWidget* parent, const char* objectName, const QString& text) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setFlat(true);
    button->setAutoDefault(false);
    button->setDefault(false);
    button->setFocusPolicy(Qt::NoFocus);
    button->setMinimumWidth(75);
    button->setStyleSheet(
        QStringLiteral("QPushButton{border:1px solid #8d99ab;border-radius:3px;padding:3px 12px;}"
                       "QPushButton:hover{background:#e3eaf5;}"
                       "QPushButton:pressed{background:#c9d5e8;}"));
    return button;
}

}  // namespace pw
