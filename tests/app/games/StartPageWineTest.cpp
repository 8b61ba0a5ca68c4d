// Windows games started from the Start page through real Wine, by their Windows path and by the
// Linux path of their .exe: the window is hidden while the game runs and comes back when it ends.
// The game (WaitsForStop.exe, built with mingw-w64) runs until a file "stop" appears beside it;
// the prefix is the tests' private one (tools/wine-prefix).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "GamesTestSupport.h"
#include "WatchedLaunch.h"
#include "app/games/GameLibraryPage.h"
#include "app/games/StartPage.h"
#include "support/WineRunner.h"

namespace pw {
namespace {

namespace fs = std::filesystem;
using test::writeGameValue;

class StartPageWine : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        const auto wine = test::findWineFor(PW_WAITS_FOR_STOP_EXE, PW_SOURCE_DIR, PW_WINE_PREFIX_DIR, why);
        if (!wine) {
            if (test::inCi()) {
                FAIL() << why;
            }
            GTEST_SKIP() << why;
        }
        prefix_ = wine->prefix;
        oldPrefix_ = qgetenv("WINEPREFIX");
        qputenv("WINEPREFIX", QByteArray::fromStdString(prefix_));
        qputenv("WINEDEBUG", "-all");
        folder_ = "padwarden-start-" + std::to_string(::getpid());
        fs::create_directories(prefix_ + "/drive_c/" + folder_);
        exe_ = prefix_ + "/drive_c/" + folder_ + "/Game.exe";
        fs::copy_file(PW_WAITS_FOR_STOP_EXE, exe_, fs::copy_options::overwrite_existing);
    }
    void TearDown() override {
        if (!folder_.empty()) {
            std::error_code ignored;
            fs::remove_all(prefix_ + "/drive_c/" + folder_, ignored);
            qputenv("WINEPREFIX", oldPrefix_);
        }
    }

    // Starts `name` from the page `starts` times, stopping each start once it runs; how many
    // gave the window back.
    int windowBack(const char* name, int starts) {
        const fs::path stop = fs::path(exe_).parent_path() / "stop";
        int back = 0;
        for (int i = 0; i < starts; ++i) {
            fs::remove(stop);
            watched.shown.clear();
            const auto found = page.gameList()->findItems(QString::fromUtf8(name), Qt::MatchExactly);
            if (found.size() != 1) {
                ADD_FAILURE() << name << " is not on the page";
                return back;
            }
            page.gameList()->setCurrentItem(found.front());
            page.listView6DblClick();
            const bool running = fx.autoActivation.runningGames().size() == 1 && !fx.state.activeGame.empty();
            // Wine takes a moment to start the game: the window stays hidden until it ends.
            const bool stayedHidden = !test::waitUntil([&] { return watched.windowBack(); }, 1500);
            std::ofstream(stop).put('\n');
            const bool ended = test::waitUntil([&] { return watched.windowBack(); }, 60000);
            back += running && stayedHidden && ended && !fx.autoActivation.launchPending ? 1 : 0;
        }
        fs::remove(stop);
        std::printf("%s started from the page: window back %d/%d\n", name, back, starts);
        std::fflush(stdout);
        return back;
    }

    test::AppFixture fx;
    test::WatchedLaunch watched{fx};
    GameLibraryPage library{fx.context};
    StartPage page{fx.context};
    std::string prefix_;
    std::string folder_;
    std::string exe_;
    QByteArray oldPrefix_;
};

TEST_F(StartPageWine, AWindowsGameGivesTheWindowBackWhenItEndsStoredByEitherPath) {
    writeGameValue(fx.store(), "Wine", "By Windows path", "exe", "C:\\" + folder_ + "\\GAME.EXE");
    writeGameValue(fx.store(), "Wine", "By Linux path", "exe", exe_);
    for (const char* name : {"By Windows path", "By Linux path"}) {
        writeGameValue(fx.store(), "Wine", name, "controller", "Ohne Auswahl\\Ohne Auswahl");
        writeGameValue(fx.store(), "Wine", name, "profil", "Ohne Auswahl");
    }
    library.aktualisieren();
    library.treeaktualisieren();
    const auto group = page.groupList()->findItems(QStringLiteral("Wine"), Qt::MatchExactly);
    ASSERT_EQ(group.size(), 1);
    page.groupList()->setCurrentItem(group.front());
    constexpr int kStarts = 5;
    EXPECT_EQ(windowBack("By Windows path", kStarts), kStarts);
    EXPECT_EQ(windowBack("By Linux path", kStarts), kStarts);
    EXPECT_EQ(fx.dialogs.take(), QStringList{});
}

}  // namespace
}  // namespace pw
