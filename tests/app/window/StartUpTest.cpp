#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QPushButton>
#include <filesystem>

#include "app/dialogs/SplashWindow.h"
#include "app/window/main/MainWindow.h"
#include "app/window/main/StartUp.h"
#include "support/gui/AppFixture.h"

namespace pw {
namespace {

// Counts the times a widget is shown.
class ShowCounter final : public QObject {
public:
    int shows = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            ++shows;
        }
        return false;
    }
};

class StartUpTest : public ::testing::Test {
protected:
    void start(MainWindow& window) {
        window.installEventFilter(&counter);
        window.formCreate();
        SplashWindow splash(fx.texts);
        runStartUp(window, splash, fx.texts, fx.pauser, fx.dir.path(),
                   [this](int value) { fx.events.add("progress " + std::to_string(value)); });
        splashStillVisible = splash.isVisible();
    }

    test::AppFixture fx;
    ShowCounter counter;
    bool splashStillVisible = true;
};

TEST_F(StartUpTest, TheSplashCountsUpWhileTheTablesLoadAndTheProgramStartsInTheTray) {
    fx.dir.write("language.gam", "Schließen:=Close\nTray:=To tray\n");
    MainWindow window(fx.context, true);
    start(window);
    EXPECT_EQ(fx.events.take(), (std::vector<std::string>{
                                    "progress 10", "progress 5", "progress 20", "progress 30", "progress 35",
                                    "progress 39", "progress 50", "progress 60", "progress 70", "progress 80",
                                    "progress 90", "progress 95", "pause 310", "progress 100"}));
    EXPECT_FALSE(splashStillVisible);
    // The window was never shown: the program lives in the tray.
    EXPECT_EQ(counter.shows, 0);
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(fx.state.mainWindowShown);
    // The loaded texts are on the controls.
    EXPECT_EQ(window.findChild<QPushButton*>("SpeedButton1")->text(), "Close");
    EXPECT_EQ(window.findChild<QPushButton*>("SpeedButton32")->text(), "To tray");
    // A double-click on the tray icon brings the window with the Start page.
    Q_EMIT window.trayIcon()->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.currentPage(), 0);
}

TEST_F(StartUpTest, WithoutTablesTheGermanTextsStay) {
    MainWindow window(fx.context, true);
    start(window);
    EXPECT_EQ(window.findChild<QPushButton*>("SpeedButton1")->text(), "Schließen");
    EXPECT_EQ(window.pageButton(1)->text(), "Spiele-Startparameter");
}

TEST_F(StartUpTest, WithoutATrayTheWindowIsShownInsteadOfHidingIntoNothing) {
    MainWindow window(fx.context, false);
    start(window);
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(fx.state.mainWindowShown);
}

// Qt's own dialogs (the file dialog, the standard buttons) speak the language of the tables:
// German without tables, English with the English ones, whatever the system locale is.
TEST_F(StartUpTest, QtsOwnDialogsFollowTheLanguageOfTheTables) {
    {
        MainWindow window(fx.context, true);
        start(window);
        EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:"), "Suchen in:");
        EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Abbrechen");
    }
    const std::filesystem::path english =
        std::filesystem::path(PADWARDEN_SOURCE_DIR) / "translations" / "en" / "language.gam";
    std::filesystem::copy_file(english, fx.dir.file("language.gam"));
    MainWindow window(fx.context, true);
    start(window);
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:"), "Look in:");
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Cancel");
    EXPECT_EQ(window.findChild<QPushButton*>("SpeedButton1")->text(), "Close");
}

}  // namespace
}  // namespace pw
