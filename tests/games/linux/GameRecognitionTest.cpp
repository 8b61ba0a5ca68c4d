// Library games recognised however they really start, on real processes: launchers that exec,
// links, zombies, scripts without "#!", interpreters, overlapping games and names that extend
// another. Each way of starting is repeated kStarts times, and the test prints how many were
// recognised ("k/20"). The /proc source and the watcher's scans run here on the test's thread.
#include "games/linux/GameRecognitionRig.h"

namespace pw {
namespace {

using test::GameRig;
using test::kStarts;
using test::Spawned;

class Recognition : public GameRig {};

// Every process is old at once: an exec is seen only through the library program it opens.
class RecognitionOfOldProcesses : public GameRig {
protected:
    RecognitionOfOldProcesses() : GameRig(0) {}

    // Lets the launcher exec into the game; true when the scan right after the exec knows the
    // game "Game" and a later one its end.
    bool execsIntoTheGame(Spawned& launcher, const std::string& game) {
        launcher.say("go\n");
        bool alive = true;
        while (alive && launcher.program() != game) {
            alive = !launcher.program().empty();
            std::this_thread::yield();
        }
        scan();
        const bool known = alive && runs("Game");
        launcher.finish();
        return scanUntil([&] { return recognition.runningGames().empty(); }) && known;
    }
};

TEST_F(RecognitionOfOldProcesses, AShellThatExecsLongAfterItsStartIsLookedAtWhenItOpensAGame) {
    const std::string game = programCopy("game.bin", "/bin/cat");
    const std::string script = this->script("late.sh", "#!/bin/sh\nread line\nexec ./game.bin\n");
    const std::string other = programCopy("other.bin", "/bin/cat");
    const std::string wrapper = this->script("other.sh", "#!/bin/sh\nread line\nexec ./other.bin\n");
    addGame("Action", "Game", game);
    int recognised = 0;
    for (int i = 0; i < kStarts; ++i) {
        Spawned late("/bin/sh", {"sh", script}, folder());
        bool ok = scanUntil([&] { return seen(late.pid()); });
        for (int n = 0; n < 5; ++n) {
            scan();  // long known, its wrapper looked at no more
        }
        late.say("go\n");
        ok = ok && scanUntil([&] { return runs("Game"); });
        late.finish();
        ok = ok && scanUntil([&] { return recognition.runningGames().empty(); });
        recognised += ok ? 1 : 0;
    }
    std::printf("exec long after the start: %d/%d recognised\n", recognised, kStarts);
    EXPECT_EQ(recognised, kStarts);
    // An exec into a program outside the library is nothing to read: no game.
    Spawned unrelated("/bin/sh", {"sh", wrapper}, folder());
    EXPECT_TRUE(scanUntil([&] { return seen(unrelated.pid()); }));
    unrelated.say("go\n");
    for (int n = 0; n < 20; ++n) {
        scan();
    }
    EXPECT_TRUE(recognition.runningGames().empty());
}

// A launcher of its own program, long known and never expected to exec, execs the game at last,
// directly or through a wrapper script. Once the exec is done, the very next scan knows the game.
TEST_F(RecognitionOfOldProcesses, ALauncherOfItsOwnThatExecsLongAfterItsStartIsTheGameAtTheNextScan) {
    const std::string game = programCopy("game.bin", "/bin/cat");
    const std::string wrapper = script("wrapper.sh", "#!/bin/sh\nexec ./game.bin\n");
    addGame("Action", "Game", game);
    const auto way = [&](const char* name, const std::string& program) {
        int recognised = 0;
        for (int i = 0; i < kStarts; ++i) {
            Spawned launcher = Spawned::launcher(program, {program}, folder());
            bool ok = scanUntil([&] { return seen(launcher.pid()); });
            for (int n = 0; n < 5; ++n) {
                scan();  // long known, looked at no more
            }
            ok = ok && !runs("Game");
            recognised += ok && execsIntoTheGame(launcher, game) ? 1 : 0;
        }
        std::printf("%s: %d/%d recognised at the scan after the exec\n", name, recognised, kStarts);
        std::fflush(stdout);
        return recognised;
    };
    EXPECT_EQ(way("old launcher execs the game", game), kStarts);
    EXPECT_EQ(way("old launcher execs a wrapper script", wrapper), kStarts);
    // An exec into a program outside the library opens nothing watched: nothing is read again.
    const std::string other = programCopy("other.bin", "/bin/cat");
    Spawned unrelated = Spawned::launcher(other, {other}, folder());
    EXPECT_TRUE(scanUntil([&] { return seen(unrelated.pid()); }));
    unrelated.say("go\n");
    while (unrelated.program() != other && !unrelated.program().empty()) {
        std::this_thread::yield();
    }
    for (int n = 0; n < 5; ++n) {
        scan();
    }
    EXPECT_TRUE(recognition.runningGames().empty());
    EXPECT_FALSE(source.mayHaveExeced());
}

// An update puts a new file in the program's place; the new file is watched as the old one was.
TEST_F(RecognitionOfOldProcesses, AGameReplacedByAnUpdateIsStillSeenWhenALauncherExecsIt) {
    const std::string game = programCopy("game.bin", "/bin/cat");
    addGame("Action", "Game", game);
    int recognised = 0;
    for (int i = 0; i < kStarts; ++i) {
        const std::string update = folder() + "/game.bin.new";
        std::filesystem::copy_file("/bin/cat", update, std::filesystem::copy_options::overwrite_existing);
        std::filesystem::rename(update, game);
        scan();  // the watch follows the path to its new file
        Spawned launcher = Spawned::launcher(game, {game}, folder());
        const bool ok = scanUntil([&] { return seen(launcher.pid()); });
        recognised += ok && execsIntoTheGame(launcher, game) ? 1 : 0;
    }
    std::printf("launcher execs an updated game: %d/%d recognised\n", recognised, kStarts);
    EXPECT_EQ(recognised, kStarts);
}

TEST_F(Recognition, AWrapperThatExecsAtOnceOrAfterADelayStartsTheGameItExecs) {
    const std::string game = programCopy("game.bin", "/bin/cat");
    addGame("Action", "Game", game);
    const std::string atOnce = script("at-once.sh", "#!/bin/sh\nexec ./game.bin\n");
    const std::string later =
        script("later.sh", "#!/bin/sh\ncd /\ncd - >/dev/null\nsleep 0.3\nexec ./game.bin\n");
    EXPECT_EQ(count(
                  "exec at once", [&] { return Spawned(atOnce, {atOnce}, folder()); }, "Game"),
              kStarts);
    EXPECT_EQ(count(
                  "exec after a delay", [&] { return Spawned(later, {later}, folder()); }, "Game"),
              kStarts);
}

TEST_F(Recognition, AStoredPathMatchesItsProgramWhateverLinksLieOnTheWay) {
    const std::string real = programCopy("real/game.bin", "/bin/cat");
    std::filesystem::create_directory_symlink(folder() + "/real", folder() + "/linked");
    std::filesystem::create_symlink(real, folder() + "/alias");
    addGame("Action", "Through a folder link", folder() + "/linked/game.bin -x");
    EXPECT_EQ(count(
                  "symlinked folder", [&] { return Spawned(real, {"game.bin"}, folder()); },
                  "Through a folder link"),
              kStarts);
    addGame("Action", "Through a file link", folder() + "/alias");
    removeGame("Action", "Through a folder link");
    EXPECT_EQ(
        count(
            "symlinked file", [&] { return Spawned(real, {"game.bin"}, folder()); }, "Through a file link"),
        kStarts);
    EXPECT_EQ(lookupExe("Through a file link"), folder() + "/alias") << "the stored text stays as written";
}

TEST_F(Recognition, AScriptRunsAsItselfThroughAShellOrAnInterpreterWithOrWithoutAHashBangLine) {
    const std::string plain = script("game.sh", "read line\n");
    const std::string python = script("game.py", "import sys\nsys.stdin.read()\n");
    addGame("Action", "Shell game", plain);
    addGame("Action", "Python game", python);
    EXPECT_EQ(count(
                  "sh, no #!",
                  [&] {
                      return Spawned("/bin/sh", {"sh", "game.sh"}, folder());
                  },
                  "Shell game"),
              kStarts);
    EXPECT_EQ(count(
                  "bash, no #!",
                  [&] {
                      return Spawned("/bin/bash", {"bash", "./game.sh"}, folder());
                  },
                  "Shell game"),
              kStarts);
    EXPECT_EQ(count(
                  "python3, no #!",
                  [&] {
                      return Spawned("/usr/bin/python3", {"python3", python}, "/");
                  },
                  "Python game"),
              kStarts);
}

TEST_F(Recognition, AGameThatHasExitedEndsThoughItsParentHasNotReapedIt) {
    const std::string game = programCopy("game.bin", "/bin/sleep");
    addGame("Action", "Game", game);
    int ended = 0;
    for (int i = 0; i < kStarts; ++i) {
        Spawned zombie(game, {"game.bin", "0.3"}, folder());
        const bool seen = scanUntil([&] { return runs("Game"); });
        const bool gone = scanUntil([&] { return !runs("Game"); });
        ended += seen && gone && zombie.state() == 'Z' ? 1 : 0;
    }
    std::printf("zombie ends: %d/%d\n", ended, kStarts);
    EXPECT_EQ(ended, kStarts);
}

TEST_F(Recognition, WhenOneOfTwoGamesEndsTheOtherIsActiveAgain) {
    const std::string first = programCopy("first.bin", "/bin/cat");
    const std::string second = programCopy("second.bin", "/bin/cat");
    addGame("Action", "First", first, "11");
    addGame("Action", "Second", second, "22");
    int right = 0;
    for (int i = 0; i < kStarts; ++i) {
        Spawned a(first, {"first.bin"}, folder());
        bool ok = scanUntil([&] { return runs("First"); });
        Spawned b(second, {"second.bin"}, folder());
        ok = ok && scanUntil([&] { return runs("Second"); }) && state.activeGame == second && up() == "22";
        b.finish();
        ok = ok && scanUntil([&] { return !runs("Second"); }) && state.activeGame == first && up() == "11";
        a.finish();
        ok = ok && scanUntil([&] { return state.activeGame.empty(); });
        right += ok ? 1 : 0;
    }
    std::printf("two overlapping games: %d/%d\n", right, kStarts);
    EXPECT_EQ(right, kStarts);
}

TEST_F(Recognition, AProgramWhoseNameOnlyBeginsALibraryNameStartsNothing) {
    const std::string game = programCopy("p/game", "/bin/cat");
    const std::string gamefoo = programCopy("p/gamefoo", "/bin/cat");
    addGame("Action", "Foo", gamefoo);
    int wrong = 0;
    for (int i = 0; i < kStarts; ++i) {
        int pid = 0;
        {
            Spawned other(game, {"game"}, folder());
            pid = other.pid();
            // Seen by the watcher, and still no game.
            EXPECT_TRUE(scanUntil([&] { return seen(pid); }));
            wrong += runs("Foo") ? 1 : 0;
        }
        // Reaped: gone from the list at the next scans.
        scanUntil([&] { return !seen(pid); });
    }
    std::printf("/g/p/game taken for /g/p/gamefoo: %d/%d\n", wrong, kStarts);
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(count(
                  "the prefix collision's own game", [&] { return Spawned(gamefoo, {"gamefoo"}, folder()); },
                  "Foo"),
              kStarts);
}

}  // namespace
}  // namespace pw
