#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

#include "GamesTestSupport.h"
#include "WatchedLaunch.h"
#include "app/games/GameLibraryPage.h"
#include "app/games/StartPage.h"
#include "app/window/GameLists.h"
#include "support/gui/AppFixture.h"

namespace pw {
namespace {

using test::qpath;
using test::rows;
using test::writeGameValue;

class StartPageTest : public ::testing::Test {
protected:
    // The library page's rebuild fills the Start page's groups, as in the main window.
    void rebuild() {
        library.aktualisieren();
        library.treeaktualisieren();
    }
    void chooseGroup(const QString& name) {
        const auto found = page.groupList()->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        page.groupList()->setCurrentItem(found.front());
    }
    void doubleClickGame(const QString& name) {
        const auto found = page.gameList()->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        page.gameList()->setCurrentItem(found.front());
        page.listView6DblClick();
    }

    test::AppFixture fx;
    GameLibraryPage library{fx.context};
    StartPage page{fx.context};
    test::TempDir outputs;  // where the started games write what they saw
};

TEST_F(StartPageTest, AGroupShowsItsGamesInStoreOrder) {
    writeGameValue(fx.store(), "Sport", "Fifa", "icon", "");
    writeGameValue(fx.store(), "Sport", "Nhl", "icon", "");
    writeGameValue(fx.store(), "Action", "Doom", "icon", "");
    rebuild();
    EXPECT_EQ(rows(page.groupList()),
              (QStringList{"Action", "Adventure", "Simulation", "Sport", "Strategie"}));
    EXPECT_EQ(page.groupList()->iconSize(), QSize(16, 16)) << "small icons at first";

    chooseGroup("Sport");
    EXPECT_EQ(rows(page.gameList()), (QStringList{"Fifa", "Nhl"}));
    EXPECT_EQ(page.groupField()->text(), "Sport");
    EXPECT_EQ(fx.lists.startGroupIndex, 3);
    EXPECT_EQ(page.gameList()->iconSize(), QSize(32, 32));
    EXPECT_FALSE(page.gameList()->item(0)->icon().isNull());

    chooseGroup("Adventure");
    EXPECT_TRUE(rows(page.gameList()).isEmpty()) << "a group without games";
    EXPECT_EQ(page.groupField()->text(), "Adventure");

    page.enterPage();
    EXPECT_EQ(page.gameList()->count(), 0) << "the page switch empties the game list";
}

TEST_F(StartPageTest, TheRememberedGroupIsChosenAgain) {
    writeGameValue(fx.store(), "Sport", "Fifa", "icon", "");
    fx.lists.startGroupIndex = 3;
    rebuild();
    // A rebuild while the list is shown marks the remembered group, which shows its games.
    EXPECT_EQ(page.groupList()->currentRow(), 3);
    EXPECT_EQ(rows(page.gameList()), QStringList{"Fifa"});

    page.enterPage();
    page.selectRememberedGroup();
    EXPECT_EQ(rows(page.gameList()), QStringList{"Fifa"});

    fx.lists.startGroupIndex = 17;
    page.enterPage();
    page.selectRememberedGroup();
    EXPECT_EQ(page.gameList()->count(), 0) << "a position beyond the list is ignored";
}

TEST_F(StartPageTest, TheRightMouseButtonTogglesLargeAndSmallGroupIcons) {
    rebuild();
    const auto press = [&](Qt::MouseButton button) {
        QMouseEvent event(QEvent::MouseButtonPress, QPointF(1, 1), QPointF(1, 1), button, button,
                          Qt::NoModifier);
        QApplication::sendEvent(page.groupList()->viewport(), &event);
    };
    press(Qt::RightButton);
    EXPECT_EQ(page.groupList()->iconSize(), QSize(32, 32));
    press(Qt::LeftButton);
    EXPECT_EQ(page.groupList()->iconSize(), QSize(32, 32));
    press(Qt::RightButton);
    EXPECT_EQ(page.groupList()->iconSize(), QSize(16, 16));
}

TEST_F(StartPageTest, ADoubleClickActivatesAndStartsTheGameInItsFolder) {
    const auto out = outputs.file("seen.txt");
    const auto script = fx.dir.write("game.sh", test::reportingScript(out));
    test::makeExecutable(script);
    writeGameValue(fx.store(), "Action", "Doom", "exe", script.string() + " -window 'two words'");
    writeGameValue(fx.store(), "Action", "Doom", "controller", "Ohne Auswahl\\Ohne Auswahl");
    writeGameValue(fx.store(), "Action", "Doom", "profil", "Ohne Auswahl");
    writeGameValue(fx.store(), "Action", "Doom", "[isbutton1]", "17_65");
    rebuild();
    chooseGroup("Action");
    doubleClickGame("Doom");

    // The started process is this game by its id, whatever it execs: nothing waits for a start
    // that the watcher might take for another program.
    EXPECT_FALSE(fx.autoActivation.launchPending);
    ASSERT_EQ(fx.autoActivation.runningGames().size(), 1u);
    const int pid = fx.autoActivation.runningGames().front().pid;
    EXPECT_GT(pid, 0);
    EXPECT_EQ(fx.state.activeGame, script.string());
    EXPECT_TRUE(fx.state.noMapping) << "a new game has no controller";
    EXPECT_EQ(fx.state.slots[ControllerAction::Button1].keys.text(), "17_65");
    EXPECT_EQ(fx.events.events(), std::vector<std::string>{"pause 1000"});
    EXPECT_EQ(fx.hides, 1);
    EXPECT_EQ(fx.dialogs.take(), QStringList{});
    ASSERT_TRUE(test::waitUntil([&] { return std::filesystem::exists(out); }));
    EXPECT_EQ(test::linesOf(out), (QStringList{qpath(fx.dir.path()), "-window", "two words"}));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // The end of that process, as the watcher reports it, ends the game: the window comes back.
    ProcessRecord end;
    end.pid = pid;
    end.exeFile = "/usr/bin/dash";
    fx.autoActivation.processTerminated(end);
    EXPECT_EQ(fx.state.activeGame, "");
}

TEST_F(StartPageTest, TheGameRunsInItsProgramsFolderWhateverItsParametersName) {
    const auto out = outputs.file("seen.txt");
    const auto script = fx.dir.write("game.sh", test::reportingScript(out));
    test::makeExecutable(script);
    writeGameValue(fx.store(), "Action", "Doom", "exe", script.string() + " --config /etc/doom.cfg");
    writeGameValue(fx.store(), "Action", "Doom", "controller", "Joystick\\Pad");
    writeGameValue(fx.store(), "Action", "Doom", "profil", "Shooter");
    rebuild();
    chooseGroup("Action");
    doubleClickGame("Doom");
    EXPECT_FALSE(fx.state.noMapping);
    ASSERT_TRUE(test::waitUntil([&] { return std::filesystem::exists(out); }));
    EXPECT_EQ(test::linesOf(out), (QStringList{qpath(fx.dir.path()), "--config", "/etc/doom.cfg"}));
}

TEST_F(StartPageTest, ParametersAreCutTo199Characters) {
    const auto out = outputs.file("seen.txt");
    const auto script = fx.dir.write("game.sh", test::reportingScript(out));
    test::makeExecutable(script);
    // The leading blank is one of the 199.
    writeGameValue(fx.store(), "Action", "Doom", "exe", script.string() + " " + std::string(250, 'x'));
    rebuild();
    chooseGroup("Action");
    doubleClickGame("Doom");
    ASSERT_TRUE(test::waitUntil([&] { return std::filesystem::exists(out); }));
    EXPECT_EQ(test::linesOf(out), (QStringList{qpath(fx.dir.path()), QString(198, QLatin1Char('x'))}));
}

TEST_F(StartPageTest, AMissingProgramStartsNothingAndSaysNothing) {
    writeGameValue(fx.store(), "Action", "Doom", "exe", fx.dir.file("gone.exe").string() + " -window");
    writeGameValue(fx.store(), "Action", "Doom", "[isbutton2]", "32");
    rebuild();
    chooseGroup("Action");
    doubleClickGame("Doom");
    EXPECT_TRUE(fx.autoActivation.launchPending);
    EXPECT_EQ(fx.state.slots[ControllerAction::Button2].keys.text(), "32")
        << "the game is activated all the same";
    EXPECT_EQ(fx.events.events(), std::vector<std::string>{"pause 1000"});
    EXPECT_EQ(fx.hides, 0);
    EXPECT_EQ(fx.dialogs.take(), QStringList{});
}

TEST_F(StartPageTest, WithoutASelectedGameADoubleClickDoesNothing) {
    writeGameValue(fx.store(), "Action", "Doom", "exe", "/g/doom");
    rebuild();
    chooseGroup("Action");
    page.gameList()->setCurrentRow(-1);
    page.listView6DblClick();
    EXPECT_FALSE(fx.autoActivation.launchPending);
    EXPECT_TRUE(fx.events.events().empty());
}

TEST_F(StartPageTest, AWindowsGameWithoutWineSaysWhatIsMissing) {
    test::TempDir emptyBin;
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString(emptyBin.path().string()));
    writeGameValue(fx.store(), "Action", "Doom", "exe",
                   fx.dir.write("DOOM.EXE", "MZ").string() + " -nosound");
    rebuild();
    chooseGroup("Action");
    doubleClickGame("Doom");
    qputenv("PATH", oldPath);
    EXPECT_EQ(fx.dialogs.take(),
              QStringList{"inform: Windows-Programme brauchen Wine; bitte Wine installieren"});
}

// A box shown by the start (here the Wine message) must not let the double click's second signal
// through as a second start; Enter starts the game once as well.
TEST_F(StartPageTest, OneDoubleClickOrOneEnterStartsOneGame) {
    test::TempDir emptyBin;
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString(emptyBin.path().string()));
    writeGameValue(fx.store(), "Action", "Doom", "exe", fx.dir.write("DOOM.EXE", "MZ").string());
    rebuild();
    chooseGroup("Action");
    page.resize(400, 300);
    page.show();
    QListWidget* games = page.gameList();
    // The icon view lays its items out once the event loop runs.
    QCoreApplication::processEvents();
    const auto found = games->findItems(QStringLiteral("Doom"), Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1);
    const QPoint centre = games->visualItemRect(found.front()).center();
    // A double click as the window system delivers it: press, release, press with the double
    // click, release.
    QWidget* viewport = games->viewport();
    QTest::mousePress(viewport, Qt::LeftButton, {}, centre);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, centre);
    QTest::mousePress(viewport, Qt::LeftButton, {}, centre);
    QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(centre), viewport->mapToGlobal(QPointF(centre)),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &dbl);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, centre);
    const QStringList wine{"inform: Windows-Programme brauchen Wine; bitte Wine installieren"};
    EXPECT_EQ(fx.dialogs.take(), wine);
    EXPECT_EQ(fx.events.take(), std::vector<std::string>{"pause 1000"});

    games->setFocus();
    QTest::keyClick(games, Qt::Key_Return);
    qputenv("PATH", oldPath);
    EXPECT_EQ(fx.dialogs.take(), wine);
    EXPECT_EQ(fx.events.take(), std::vector<std::string>{"pause 1000"});
}

// Started from the page, a launcher script that execs the real program, or the program itself:
// the started process is the game for its whole life, the window is hidden while it runs and
// comes back when it ends, with nothing left pending.
TEST_F(StartPageTest, AStartedGameGivesTheWindowBackWhenItEndsThroughAnExecOrNot) {
    test::WatchedLaunch watched(fx);
    const std::filesystem::path game = fx.dir.file("game.bin");
    std::filesystem::copy_file("/bin/sleep", game);
    const auto wrapper = fx.dir.write("wrapper.sh", "#!/bin/sh\nexec ./game.bin \"$@\"\n");
    test::makeExecutable(wrapper);
    writeGameValue(fx.store(), "Action", "Wrapped", "exe", wrapper.string() + " 0.3");
    writeGameValue(fx.store(), "Action", "Direct", "exe", game.string() + " 0.3");
    for (const char* name : {"Wrapped", "Direct"}) {
        writeGameValue(fx.store(), "Action", name, "controller", "Ohne Auswahl\\Ohne Auswahl");
        writeGameValue(fx.store(), "Action", name, "profil", "Ohne Auswahl");
    }
    rebuild();
    chooseGroup("Action");
    constexpr int kStarts = 5;
    for (const char* name : {"Wrapped", "Direct"}) {
        int back = 0;
        for (int i = 0; i < kStarts; ++i) {
            const int hidesBefore = fx.hides;
            watched.shown.clear();
            doubleClickGame(name);
            ASSERT_EQ(fx.autoActivation.runningGames().size(), 1u) << name;
            EXPECT_EQ(fx.hides, hidesBefore + 1) << name;
            back += test::waitUntil([&] { return watched.windowBack(); }) ? 1 : 0;
            EXPECT_FALSE(fx.autoActivation.launchPending) << name;
        }
        std::printf("%s game started from the page: window back %d/%d\n", name, back, kStarts);
        EXPECT_EQ(back, kStarts) << name;
    }
    EXPECT_EQ(fx.dialogs.take(), QStringList{});
}

}  // namespace
}  // namespace pw
