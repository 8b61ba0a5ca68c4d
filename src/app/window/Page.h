#pragma once

#include <QFrame>
#include <QLabel>
#include <QString>
#include <QVBoxLayout>
#include <string>
#include <string_view>

namespace pw {

struct AppContext;

// The domain's UTF-8 text as Qt text, and back.
inline QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
inline std::string toUtf8(const QString& text) {
    return text.toUtf8().toStdString();
}

// Whether a widget is shown by its own setting, as the page switch sets it: only an explicit hide
// counts, so a page that the main window has not yet put on the screen counts as shown.
inline bool shownBySetting(const QWidget* w) {
    return !w->isHidden() || !w->testAttribute(Qt::WA_WState_ExplicitShowHide);
}

// One of the five pages of the main window: the page panel in the client area, headed by a bar
// that repeats the page's caption, and the list it shows in the left column between the page
// buttons. The main window owns both widgets and shows them while the page is current.
class Page : public QFrame {
    Q_OBJECT
public:
    // panelName/headerName: the object names of the page panel and its header ("Panel15",
    // "Panel16"); caption: the German default of the page's caption.
    Page(AppContext& context, const QString& panelName, const QString& headerName, const char* caption,
         QWidget* parent = nullptr);

    // The list of the left column (ListView1, TreeView1, FileListBox1, ListView3, ListView2).
    virtual QWidget* sideList() = 0;
    // What a switch to this page runs once everything else is hidden and this page is shown.
    virtual void enterPage() = 0;
    // What leaving the page runs before it is hidden, the window goes to the tray or the program
    // ends: an edit in progress is stored.
    virtual void leavePage() {}
    // Puts the current texts on the page's controls; the header gets the caption.
    virtual void applyTexts();

    QLabel* header() const { return header_; }
    const char* caption() const { return caption_; }

protected:
    // The page's own controls go below the header.
    QWidget* body() const { return body_; }
    AppContext& context_;

private:
    const char* caption_;
    QLabel* header_;
    QWidget* body_;
};

}  // namespace pw
