// src/app: the desktop program: the main window, its five pages, dialogs, tray and start-up.
#pragma once

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <array>
#include <functional>

namespace pw {

struct AppContext;
class AssignmentPage;
class CommandEditorPage;
class ControllerPage;
class GameLibraryPage;
class Page;
class StartPage;

// A page button of the left column: a panel with a caption that acts on a click.
class PageButton final : public QLabel {
    Q_OBJECT
public:
    explicit PageButton(QWidget* parent = nullptr);

    // Shows the caption in a font that fits the column.
    void setCaption(const QString& caption);

Q_SIGNALS:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool pressed_ = false;
};

// The main window: a top bar with the logo and four buttons, a left column with the five page
// buttons and the current page's list between them, and the current page in the client area.
// It starts hidden; the program lives in the tray and the window comes when it is called.
class MainWindow final : public QWidget {
    Q_OBJECT
public:
    // trayAvailable: whether the desktop has a notification area; without one the "Tray" action
    // leaves the window reachable instead of hiding it into nothing.
    MainWindow(AppContext& context, bool trayAvailable, QWidget* parent = nullptr);
    ~MainWindow() override;

    static constexpr int kWidth = 695;
    static constexpr int kHeight = 472;
    static constexpr int kPageCount = 5;

    // The steps of the window's creation that need the store and the pages (FormCreate).
    void formCreate();
    // Puts the current texts on every control of the window and its pages.
    void felder_zuweisen();

    // Shows page 0..4; any other value hides every page and list.
    void wechsle_listview(unsigned page);
    // The page shown now, -1 when none.
    int currentPage() const { return current_; }

    void panel3Click();   // Start
    void panel8Click();   // Spiele-Startparameter
    void panel11Click();  // Spiele-Tastaturbelegung
    void panel10Click();  // Controller-Eigenschaften
    void panel7Click();   // Controller-Belegung

    void speedButton1Click();   // close: ends the program
    void speedButton32Click();  // to the tray
    void speedButton35Click();  // help
    void speedButton30Click();  // about
    void taskIcon1DblClick();   // restore from the tray

    // The about window; the program sets it (the splash in about mode).
    void setAboutHandler(std::function<void()> about) { about_ = std::move(about); }
    // Opens a file with the desktop's opener; tests replace it.
    void setOpener(std::function<bool(const QUrl&)> opener) { opener_ = std::move(opener); }
    void setLogo(const QPixmap& logo);
    void setTrayIcon(const QIcon& icon);

    QSystemTrayIcon* trayIcon() const { return tray_; }
    bool trayAvailable() const { return trayAvailable_; }
    // While the desktop has no tray, the window asks every few seconds whether one has come; the
    // question is the system's unless a test hands in its own.
    void setTrayProbe(std::function<bool()> probe) { trayProbe_ = std::move(probe); }
    void watchTray();
    QTimer* trayWatch() const { return trayWatch_; }
    static constexpr int kTrayWatchMs = 3000;
    Page* page(int index) const { return pages_.at(static_cast<std::size_t>(index)); }
    PageButton* pageButton(int index) const { return buttons_.at(static_cast<std::size_t>(index)); }
    QFrame* leftColumn() const { return column_; }
    QWidget* statePanel() const { return statePanel_; }

    StartPage* startPage() const { return start_; }
    GameLibraryPage* gamePage() const { return games_; }
    CommandEditorPage* commandPage() const { return commands_; }
    ControllerPage* controllerPage() const { return controllers_; }
    AssignmentPage* assignmentPage() const { return assign_; }

protected:
    void showEvent(QShowEvent* event) override;    // FormShow
    void changeEvent(QEvent* event) override;      // FormActivate
    void closeEvent(QCloseEvent* event) override;  // FormCloseQuery

private:
    void buildTopBar(QVBoxLayout* outer);
    void dockPageButtons(unsigned page);
    void leaveCurrentPage();

    AppContext& context_;
    bool trayAvailable_;
    QLabel* logo_ = nullptr;
    QPushButton* closeButton_ = nullptr;
    QPushButton* trayButton_ = nullptr;
    QPushButton* helpButton_ = nullptr;
    QPushButton* aboutButton_ = nullptr;
    QFrame* column_ = nullptr;
    QVBoxLayout* columnLayout_ = nullptr;
    QWidget* statePanel_ = nullptr;
    std::array<PageButton*, kPageCount> buttons_{};
    std::array<Page*, kPageCount> pages_{};
    StartPage* start_ = nullptr;
    GameLibraryPage* games_ = nullptr;
    CommandEditorPage* commands_ = nullptr;
    ControllerPage* controllers_ = nullptr;
    AssignmentPage* assign_ = nullptr;
    QSystemTrayIcon* tray_ = nullptr;
    QTimer* trayWatch_ = nullptr;
    std::function<bool()> trayProbe_;
    int current_ = -1;
    std::function<void()> about_;
    std::function<bool(const QUrl&)> opener_;
};

}  // namespace pw
