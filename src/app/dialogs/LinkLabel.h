#pragma once

#include <QColor>
#include <QLabel>
#include <QUrl>
#include <functional>

namespace pw {

// An underlined label that opens an address when clicked: a press of the left button on it is
// remembered, and a release inside it opens Url (the caption when Url is empty). The text colour
// is ColorNormal outside, ColorMoveOver under the mouse and ColorClick while pressed.
class LinkLabel final : public QLabel {
    Q_OBJECT
public:
    // Opens an address; the desktop's opener unless a test gives another.
    using Opener = std::function<bool(const QUrl&)>;

    explicit LinkLabel(QWidget* parent = nullptr);
    LinkLabel(const QString& caption, const QString& url, QWidget* parent = nullptr);

    QString url() const { return url_; }
    void setUrl(const QString& url) { url_ = url; }

    QColor colorNormal() const { return colorNormal_; }
    QColor colorMoveOver() const { return colorMoveOver_; }
    QColor colorClick() const { return colorClick_; }
    void setColorNormal(const QColor& color);
    void setColorMoveOver(const QColor& color);
    void setColorClick(const QColor& color);

    void setOpener(Opener opener) { opener_ = std::move(opener); }

    // What a click opens now.
    QUrl target() const;
    // An address with a scheme ("https://...", "mailto:...") stays an address, "www." gets
    // "http://"; anything else is a file path, relative ones taken from the current folder.
    static QUrl linkTarget(const QString& text);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void showColor(const QColor& color);

    QString url_;
    QColor colorNormal_{Qt::blue};
    QColor colorMoveOver_{Qt::blue};
    QColor colorClick_{Qt::red};
    bool pressed_ = false;
    bool hovered_ = false;
    Opener opener_;
};

}  // namespace pw
