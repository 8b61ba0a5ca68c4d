#include "games/AutoActivation.h"
#include "profiles/Activation.h"
#include "profiles/GameAssignments.h"
#include "store/RegistryAccess.h"
#include "support/RecordingAnnouncer.h"
#include "support/StoreFixture.h"

namespace pw {
namespace {

class Auto : public test::StoreTest {
protected:
    Auto() {
        addGame("Action", "Doom", "/home/ana/Games/Doom/doom.exe -warp 1", "87");
        addGame("Action", "Doom Again", "/home/ana/Games/Doom/doom.exe", "88");
        addGame("Sport", "Fifa", "/opt/fifa/fifa", "70");
        addGame("Sport", "Run", "/home/ana/bin/run.sh", "82");
        watcher.alle_programme_aufbauen();
    }

    void addGame(const std::string& group, const std::string& name, const std::string& exe,
                 const std::string& up) {
        RegistryKey g = openRegistryKey(store(), gameKeyPath(group, name));
        g.writeString("name", name);
        g.writeString("exe", exe);
        g.writeString("controller", "");
        g.writeString("profil", name + ".ini");
        g.writeString("[isup]", up);
    }

    std::string up() const { return state.slots[ControllerAction::Up].keys.text(); }

    TextVariables texts;
    test::RecordingAnnouncer announcer;
    ControllerRegistry controllers{store(), texts, announcer};
    MappingState state;
    GameActivation activation{store(), texts, controllers, state, [] {}};
    int timerEnabled = 0;
    AutoActivation watcher{store(), state, activation, [this] { ++timerEnabled; }};
};

TEST_F(Auto, TheLookupListHoldsEveryGameInStoreOrder) {
    ASSERT_EQ(watcher.lookupList().size(), 4u);
    EXPECT_EQ(watcher.lookupList()[0].line(), "/home/ana/Games/Doom/doom.exe -warp 1;Action;Doom");
    EXPECT_EQ(watcher.lookupList()[3].game, "Run");
}

TEST_F(Auto, AStartEntersTheGameAndItsEndLeavesIt) {
    state.captureMode = true;
    watcher.processCreated("/opt/fifa/fifa");
    EXPECT_EQ(state.activeGame, "/opt/fifa/fifa");
    EXPECT_EQ(up(), "70");
    EXPECT_FALSE(state.captureMode);
    EXPECT_EQ(timerEnabled, 1);
    watcher.processTerminated("/opt/fifa/fifa");
    EXPECT_EQ(state.activeGame, "");
    EXPECT_TRUE(state.captureMode) << "the capture mode comes back";
    EXPECT_EQ(up(), "70") << "the last game's assignments stay loaded";
}

TEST_F(Auto, MatchingFoldsCaseOnBothSides) {
    watcher.processCreated("/OPT/FIFA/FIFA");
    EXPECT_EQ(up(), "70");
    watcher.processCreated("/home/ANA/games/doom/DOOM.EXE");
    EXPECT_EQ(up(), "87") << "the first line that contains the path wins";
}

TEST_F(Auto, ABareNameMustBeginAFileName) {
    watcher.processCreated("FIFA");
    EXPECT_EQ(up(), "70");
    state.slots.assign(ControllerAction::Up, "");
    watcher.processCreated("ifa");
    watcher.processCreated("sh");
    EXPECT_EQ(up(), "") << "run.sh and fifa contain these, but no file name begins with them";
    EXPECT_EQ(watcher.match(""), nullptr);
}

TEST_F(Auto, AReportedPathIsAWholeFileNameOfTheLineNeverAPartOfOne) {
    addGame("Sport", "Fifa Demo", "\"/opt/fifa/fifa demo\" -x", "71");
    watcher.alle_programme_aufbauen();
    EXPECT_EQ(watcher.match("/opt/fifa/fi"), nullptr) << "a prefix of the stored name";
    EXPECT_EQ(watcher.match("/fifa/fifa"), nullptr) << "the stored path's tail is another file";
    EXPECT_EQ(watcher.match("/opt/fifa/fifa/x"), nullptr);
    EXPECT_EQ(watcher.match("/home/ana/games/doom/doom.ex"), nullptr);
    ASSERT_NE(watcher.match("/opt/fifa/fifa demo"), nullptr) << "a quoted path with a blank";
    EXPECT_EQ(watcher.match("/opt/fifa/fifa demo")->game, "Fifa Demo");
    ASSERT_NE(watcher.match("/opt/fifa/fifa"), nullptr);
    EXPECT_EQ(watcher.match("/opt/fifa/fifa")->game, "Fifa") << "ends the line before its group";
    ASSERT_NE(watcher.match("doom.exe"), nullptr) << "a bare name ends a stored path";
    EXPECT_EQ(watcher.match("doom.exe")->game, "Doom");
    EXPECT_EQ(watcher.match("oom.exe"), nullptr);
}

TEST_F(Auto, AProgramWhoseNameExtendsALibraryGameStartsNothing) {
    addGame("Prefix", "Game", "/g/p/gamefoo", "90");
    watcher.alle_programme_aufbauen();
    watcher.processCreated("/g/p/game");
    EXPECT_EQ(state.activeGame, "");
    EXPECT_EQ(timerEnabled, 0);
    watcher.processCreated("/g/p/gamefoo");
    EXPECT_EQ(up(), "90");
}

TEST_F(Auto, AnUnrelatedProcessChangesNothingButTheLastPath) {
    state.activeGame = "/opt/fifa/fifa";
    watcher.processTerminated("/usr/bin/bash");
    EXPECT_EQ(state.activeGame, "/opt/fifa/fifa");
    EXPECT_EQ(watcher.lastProcessPath(), "/usr/bin/bash");
    watcher.processCreated("/usr/bin/ls");
    EXPECT_EQ(timerEnabled, 1) << "the timer is enabled while a game is active";
}

TEST_F(Auto, AGameLaunchedByTheProgramIsNotActivatedTwice) {
    watcher.launchPending = true;
    state.slots.assign(ControllerAction::Up, "already loaded");
    watcher.processCreated("/opt/fifa/fifa");
    EXPECT_EQ(up(), "already loaded");
    EXPECT_EQ(state.activeGame, "/opt/fifa/fifa");
    EXPECT_FALSE(watcher.launchPending);
}

TEST_F(Auto, ASecondGameTakesOverAndTheSavedCaptureModeIsLost) {
    state.captureMode = true;
    watcher.processCreated("/opt/fifa/fifa");
    watcher.processCreated("/home/ana/bin/run.sh");
    EXPECT_EQ(state.activeGame, "/home/ana/bin/run.sh");
    EXPECT_EQ(up(), "82");
    watcher.processTerminated("/opt/fifa/fifa");
    EXPECT_EQ(state.activeGame, "/home/ana/bin/run.sh") << "the other game still runs";
    watcher.processTerminated("/home/ana/bin/run.sh");
    EXPECT_EQ(state.activeGame, "");
    EXPECT_FALSE(state.captureMode);
}

ProcessRecord process(int pid, const std::string& exe, const std::string& linuxFile = {}) {
    ProcessRecord record;
    record.pid = pid;
    record.exeFile = exe;
    record.linuxFile = linuxFile;
    return record;
}

TEST_F(Auto, WhenTheActiveGameEndsTheLatestOtherRunningGameIsActiveAgain) {
    std::vector<int> followed;
    watcher.setFollower([&](int pid) { followed.push_back(pid); });
    watcher.processCreated(process(10, "/opt/fifa/fifa"));
    watcher.processCreated(process(11, "/home/ana/Games/Doom/doom.exe"));
    watcher.processCreated(process(12, "/home/ana/bin/run.sh"));
    EXPECT_EQ(followed, (std::vector<int>{10, 11, 12})) << "the watcher follows every running game";
    watcher.processTerminated(process(11, "/home/ana/Games/Doom/doom.exe"));
    EXPECT_EQ(state.activeGame, "/home/ana/bin/run.sh") << "an earlier game's end changes nothing";
    EXPECT_EQ(up(), "82");
    watcher.processTerminated(process(12, "/home/ana/bin/run.sh"));
    EXPECT_EQ(state.activeGame, "/opt/fifa/fifa");
    EXPECT_EQ(up(), "70") << "its assignments are loaded again";
    watcher.processTerminated(process(10, "/opt/fifa/fifa"));
    EXPECT_EQ(state.activeGame, "");
    EXPECT_TRUE(watcher.runningGames().empty());
}

TEST_F(Auto, AGameStaysItselfThroughAnExecAndALaunchedProcessIsItsGameForLife) {
    watcher.processCreated(process(20, "/opt/fifa/fifa"));
    watcher.processCreated(process(20, "/home/ana/bin/run.sh"));  // the same process execs
    EXPECT_EQ(up(), "70") << "still Fifa";
    watcher.processCreated(process(20, "/usr/bin/true"));
    EXPECT_EQ(state.activeGame, "/opt/fifa/fifa");
    watcher.processTerminated(process(20, "/usr/bin/true"));
    EXPECT_EQ(state.activeGame, "") << "its end is the game's end";

    state.slots.assign(ControllerAction::Up, "loaded by the launcher");
    watcher.launched(30, "Sport", "Fifa", "/opt/fifa/fifa");
    EXPECT_EQ(state.activeGame, "/opt/fifa/fifa") << "active at once";
    EXPECT_FALSE(watcher.launchPending) << "no later start is mistaken for it";
    watcher.processCreated(process(30, "/usr/bin/dash"));
    watcher.processCreated(process(30, "/home/ana/bin/run.sh"));
    EXPECT_EQ(up(), "loaded by the launcher");
    watcher.processTerminated(process(30, "/usr/lib/wine/wine64"));
    EXPECT_EQ(state.activeGame, "");
}

TEST_F(Auto, AResolvedOrWindowsPathMatchesTheStoredOneInEitherForm) {
    addGame("Wine", "Hello", "C:\\Games\\Hello.exe -fast", "60");
    addGame("Wine", "Linked", "/home/ana/link/game", "61");
    watcher.setPathResolver([](const std::string& file) -> std::string {
        if (file == "C:\\Games\\Hello.exe") {
            return "/home/ana/.wine/drive_c/Games/Hello.exe";
        }
        if (file == "/home/ana/link/game") {
            return "/srv/real/game";
        }
        if (file == "/home/ana/Games/Doom/doom.exe") {
            return file;
        }
        return {};
    });
    ASSERT_NE(watcher.match(process(1, "c:/games/HELLO.EXE")), nullptr) << "without case, either slash";
    EXPECT_EQ(watcher.match(process(1, "c:/games/HELLO.EXE"))->game, "Hello");
    ASSERT_NE(watcher.match(process(1, "/x/y.exe", "/home/ana/.wine/drive_c/Games/Hello.exe")), nullptr);
    EXPECT_EQ(watcher.match(process(1, "/x/y.exe", "/home/ana/.wine/drive_c/Games/Hello.exe"))->game,
              "Hello");
    ASSERT_NE(watcher.match(process(1, "/srv/real/game", "/srv/real/game")), nullptr) << "through a link";
    EXPECT_EQ(watcher.match(process(1, "/srv/real/game", "/srv/real/game"))->game, "Linked");
    EXPECT_EQ(watcher.match(process(1, "D:\\Games\\Hello.exe")), nullptr);
    EXPECT_EQ(watcher.match(process(1, "/srv/real/gamefoo", "/srv/real/gamefoo")), nullptr);
    ASSERT_NE(
        watcher.match(process(1, "Z:\\home\\ana\\Games\\Doom\\doom.exe", "/home/ana/Games/Doom/doom.exe")),
        nullptr);
    EXPECT_EQ(watcher.lookupList()[4].exe, "C:\\Games\\Hello.exe -fast") << "the stored text stays";
}

TEST_F(Auto, TheWatcherIsToldTheResolvedProgramsAndWhetherEveryGameHasOne) {
    std::vector<std::string> told;
    bool everyGame = true;
    watcher.setLibraryListener([&](const std::vector<std::string>& files, bool all) {
        told = files;
        everyGame = all;
    });
    const auto resolveAllBut = [](std::string missing) {
        return [missing](const std::string& file) { return file == missing ? std::string() : "/r" + file; };
    };
    watcher.setPathResolver(resolveAllBut("/opt/fifa/fifa"));
    EXPECT_EQ(told, (std::vector<std::string>{"/r/home/ana/Games/Doom/doom.exe",
                                              "/r/home/ana/Games/Doom/doom.exe", "/r/home/ana/bin/run.sh"}));
    EXPECT_FALSE(everyGame) << "Fifa's file cannot be watched";
    watcher.setPathResolver(resolveAllBut(""));
    EXPECT_EQ(told.size(), 4u);
    EXPECT_TRUE(everyGame);
}

TEST_F(Auto, TheListFollowsTheLibraryAfterARebuild) {
    addGame("Sport", "Golf", "/opt/golf/golf", "71");
    watcher.processCreated("/opt/golf/golf");
    EXPECT_EQ(state.activeGame, "") << "not known before the rebuild";
    watcher.alle_programme_aufbauen();
    watcher.processCreated("/opt/golf/golf");
    EXPECT_EQ(up(), "71");
    store().deleteKey(gameKeyPath("Sport", "Golf"));
    watcher.processCreated("/opt/golf/golf");
    EXPECT_EQ(state.activeGame, "") << "a stale entry is left inactive";
}

}  // namespace
}  // namespace pw
