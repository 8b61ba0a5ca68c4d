#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include "app/games/GameLibraryPage.h"
#include "app/games/StartPage.h"
#include "app/window/main/MainWindow.h"
#include "store/RegistryAccess.h"
#include "support/gui/AppFixture.h"

namespace pw {
namespace {

class MainWindowTest : public ::testing::Test {
protected:
    explicit MainWindowTest(bool tray = true) : window(fx.context, tray) {}

    // The object names of the left column from top to bottom.
    QStringList columnOrder() const {
        QList<QWidget*> shown;
        for (QWidget* w : window.leftColumn()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (!w->isHidden()) {
                shown << w;
            }
        }
        window.leftColumn()->layout()->activate();
        std::sort(shown.begin(), shown.end(), [](QWidget* a, QWidget* b) { return a->y() < b->y(); });
        QStringList names;
        for (QWidget* w : shown) {
            names << w->objectName();
        }
        return names;
    }

    QPushButton* button(const char* name) const {
        return window.findChild<QPushButton*>(QLatin1String(name));
    }

    test::AppFixture fx;
    MainWindow window;
};

class MainWindowWithoutTrayTest : public MainWindowTest {
protected:
    MainWindowWithoutTrayTest() : MainWindowTest(false) {}
};

TEST_F(MainWindowTest, IsMadeHiddenWithItsFixedSizeAndCreateShowsTheStartPage) {
    fx.state.captureMode = true;
    fx.state.activeGame = "left over";
    window.formCreate();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.size(), QSize(695, 472));
    EXPECT_EQ(window.windowTitle(), "PadWarden");
    EXPECT_FALSE(window.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(window.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(window.currentPage(), 0);
    // The tree and the other pages' group lists are built once the event loop runs.
    ASSERT_TRUE(window.gamePage()->timer2()->isActive());
    QDeadlineTimer deadline(5000);
    while (fx.lists.groups().size() < 5 && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    EXPECT_EQ(fx.lists.groups().size(), 5);
    EXPECT_FALSE(fx.state.captureMode);
    EXPECT_TRUE(fx.state.activeGame.empty());
    // The default groups exist, and "exepath" names the program's folder.
    RegistryKey key = openProgramKey(fx.store());
    EXPECT_TRUE(key.keyExists("games\\Action"));
    EXPECT_TRUE(key.keyExists("games\\Simulation"));
    EXPECT_FALSE(key.readString("exepath").empty());
    EXPECT_EQ(window.trayIcon()->toolTip(), "PadWarden");
}

TEST_F(MainWindowTest, PageButtonsDockAboveAndBelowThePagesList) {
    window.formCreate();
    window.resize(695, 472);
    window.wechsle_listview(0);
    EXPECT_EQ(columnOrder(), (QStringList{"Panel3", "ListView1", "Panel8", "Panel11", "Panel10", "Panel7"}));
    window.wechsle_listview(2);
    EXPECT_EQ(columnOrder(),
              (QStringList{"Panel3", "Panel8", "Panel11", "FileListBox1", "Panel10", "Panel7"}));
    window.wechsle_listview(4);
    EXPECT_EQ(columnOrder(), (QStringList{"Panel3", "Panel8", "Panel11", "Panel10", "Panel7", "ListView2"}));
    EXPECT_FALSE(window.page(4)->isHidden());
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(window.page(i)->isHidden()) << i;
    }
}

TEST_F(MainWindowTest, EverySwitchHidesTheStatePanelAndEndsCapturing) {
    window.formCreate();
    const char* lists[] = {"ListView1", "TreeView1", "FileListBox1", "ListView3", "ListView2"};
    for (unsigned page = 0; page < 5; ++page) {
        window.statePanel()->show();
        fx.state.captureMode = true;
        window.wechsle_listview(page);
        EXPECT_TRUE(window.statePanel()->isHidden());
        EXPECT_FALSE(fx.state.captureMode);
        EXPECT_EQ(window.currentPage(), static_cast<int>(page));
        for (unsigned other = 0; other < 5; ++other) {
            EXPECT_EQ(window.page(static_cast<int>(other))->isHidden(), other != page);
            EXPECT_EQ(window.page(static_cast<int>(other))->sideList()->objectName(), lists[other]);
            EXPECT_EQ(window.page(static_cast<int>(other))->sideList()->isHidden(), other != page);
        }
    }
    // Any other page number shows nothing.
    window.wechsle_listview(5);
    EXPECT_EQ(window.currentPage(), -1);
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(window.page(i)->isHidden());
        EXPECT_TRUE(window.page(i)->sideList()->isHidden());
    }
}

TEST_F(MainWindowTest, ClickingAPageButtonSwitchesToItsPage) {
    window.formCreate();
    const int order[] = {3, 1, 4, 2, 0};
    for (int page : order) {
        Q_EMIT window.pageButton(page)->clicked();
        EXPECT_EQ(window.currentPage(), page);
    }
}

TEST_F(MainWindowTest, TextsOfTheTablesReachTheButtonsAndHeaders) {
    fx.texts.replace(TextGroup::Interface, "Schließen", "Close");
    fx.texts.replace(TextGroup::Interface, "Controller-Belegung", "Controller assignment");
    window.felder_zuweisen();
    EXPECT_EQ(button("SpeedButton1")->text(), "Close");
    EXPECT_EQ(button("SpeedButton32")->text(), "Tray");
    EXPECT_EQ(window.pageButton(4)->text(), "Controller assignment");
    EXPECT_EQ(window.page(4)->header()->text(), "Controller assignment");
    EXPECT_EQ(window.trayIcon()->contextMenu()->actions().at(1)->text(), "Close");
}

TEST_F(MainWindowTest, TrayHidesTheWindowAndADoubleClickOnTheIconBringsItBack) {
    window.formCreate();
    window.show();
    button("SpeedButton32")->click();
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(fx.state.mainWindowShown);
    // A single click does nothing; the double-click restores.
    Q_EMIT window.trayIcon()->activated(QSystemTrayIcon::Trigger);
    EXPECT_FALSE(window.isVisible());
    Q_EMIT window.trayIcon()->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(fx.state.mainWindowShown);
    // Showing the window switches polling on.
    EXPECT_TRUE(fx.timer.timerEnabled());
    // While shown, a double-click keeps it shown.
    Q_EMIT window.trayIcon()->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(window.isVisible());
}

TEST_F(MainWindowWithoutTrayTest, TrayLeavesTheWindowReachableWhenTheDesktopHasNoTray) {
    window.formCreate();
    window.show();
    button("SpeedButton32")->click();
    EXPECT_TRUE(fx.state.mainWindowShown);
    EXPECT_FALSE(window.isHidden());
    EXPECT_FALSE(window.isMinimized()) << "a desktop without a tray may have no task bar either";
    EXPECT_EQ(fx.dialogs.take(), QStringList{"inform: Kein Tray vorhanden; das Fenster bleibt offen"});
    EXPECT_FALSE(window.trayIcon()->isVisible());
}

// The tray host often starts after the program: the icon comes when it does, and "Tray" then
// hides the window into it.
TEST_F(MainWindowWithoutTrayTest, TrayIconAppearsWhenATrayHostStartsLater) {
    bool hostRunning = false;
    window.setTrayProbe([&] { return hostRunning; });
    window.formCreate();
    window.show();
    EXPECT_TRUE(window.trayWatch()->isActive());
    window.watchTray();
    EXPECT_FALSE(window.trayAvailable());
    hostRunning = true;
    window.watchTray();
    EXPECT_TRUE(window.trayAvailable());
    EXPECT_TRUE(window.trayIcon()->isVisible());
    EXPECT_FALSE(window.trayWatch()->isActive());
    button("SpeedButton32")->click();
    EXPECT_TRUE(window.isHidden());
    EXPECT_FALSE(fx.state.mainWindowShown);
    EXPECT_TRUE(fx.dialogs.take().isEmpty());
}

TEST_F(MainWindowTest, HelpOpensTheHelpFileOrSaysItIsMissing) {
    std::vector<QUrl> opened;
    window.setOpener([&](const QUrl& url) {
        opened.push_back(url);
        return true;
    });
    button("SpeedButton35")->click();
    EXPECT_TRUE(opened.empty());
    const QString help = QString::fromStdString((fx.dir.path() / "pw.hlp").string());
    EXPECT_EQ(fx.dialogs.take(), QStringList{"inform: Hilfedatei nicht gefunden: " + help});

    fx.dir.write("pw.hlp", "help");
    button("SpeedButton35")->click();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QUrl::fromLocalFile(help));
    EXPECT_TRUE(fx.dialogs.take().isEmpty());
}

TEST_F(MainWindowTest, AboutRunsTheAboutWindowAndLeavesTheMainWindowAsItWas) {
    int abouts = 0;
    window.setAboutHandler([&] { ++abouts; });
    window.show();
    button("SpeedButton30")->click();
    EXPECT_EQ(abouts, 1);
    EXPECT_TRUE(window.isVisible());
}

TEST_F(MainWindowTest, ActivatingTheWindowLiftsTheActiveOnlyRestriction) {
    fx.joystick.setActiveOnly(true);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(window.isActiveWindow());
    EXPECT_FALSE(fx.joystick.activeOnly());
}

TEST_F(MainWindowTest, ClosingIsAlwaysAllowedAndTakesTheTrayIconAway) {
    window.show();
    EXPECT_TRUE(window.close());
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(window.trayIcon()->isVisible());
}

}  // namespace
}  // namespace pw
