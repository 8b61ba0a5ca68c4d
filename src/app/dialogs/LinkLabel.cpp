#include "app/dialogs/LinkLabel.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QMouseEvent>
#include <QRegularExpression>

namespace pw {

LinkLabel::LinkLabel(QWidget* parent) : LinkLabel(QString(), QString(), parent) {}

LinkLabel::LinkLabel(const QString& caption, const QString& url, QWidget* parent)
    : QLabel(parent),
      url_(url),
      opener_([](const QUrl& address) { return QDesktopServices::openUrl(address); }) {
    setTextFormat(Qt::PlainText);
    setText(caption);
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
    setCursor(Qt::PointingHandCursor);
    showColor(colorNormal_);
}

void LinkLabel::setColorNormal(const QColor& color) {
    colorNormal_ = color;
    if (!pressed_ && !hovered_) {
        showColor(color);
    }
}

void LinkLabel::setColorMoveOver(const QColor& color) {
    colorMoveOver_ = color;
    if (!pressed_ && hovered_) {
        showColor(color);
    }
}

void LinkLabel::setColorClick(const QColor& color) {
    colorClick_ = color;
    if (pressed_) {
        showColor(color);
    }
}

QUrl LinkLabel::target() const {
    return linkTarget(url_.isEmpty() ? text() : url_);
}

QUrl LinkLabel::linkTarget(const QString& text) {
    const QString address = text.trimmed();
    if (address.isEmpty()) {
        return {};
    }
    // A scheme has two letters at least, so "C:\..." stays a file path.
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    if (scheme.match(address).hasMatch()) {
        return QUrl(address, QUrl::TolerantMode);
    }
    if (address.startsWith(QStringLiteral("www."), Qt::CaseInsensitive)) {
        return QUrl(QStringLiteral("http://") + address, QUrl::TolerantMode);
    }
    return QUrl::fromLocalFile(QFileInfo(address).absoluteFilePath());
}

void LinkLabel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        pressed_ = true;
        showColor(colorClick_);
        event->accept();
        return;
    }
    QLabel::mousePressEvent(event);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !pressed_) {
        QLabel::mouseReleaseEvent(event);
        return;
    }
    pressed_ = false;
    const bool inside = rect().contains(event->position().toPoint());
    showColor(inside ? colorMoveOver_ : colorNormal_);
    event->accept();
    if (inside && opener_) {
        const QUrl address = target();
        if (address.isValid()) {
            opener_(address);
        }
    }
}

void LinkLabel::enterEvent(QEnterEvent* event) {
    hovered_ = true;
    if (!pressed_) {
        showColor(colorMoveOver_);
    }
    QLabel::enterEvent(event);
}

void LinkLabel::leaveEvent(QEvent* event) {
    hovered_ = false;
    if (!pressed_) {
        showColor(colorNormal_);
    }
    QLabel::leaveEvent(event);
}

void LinkLabel::showColor(const QColor& color) {
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, color);
    setPalette(colours);
}

}  // namespace pw
