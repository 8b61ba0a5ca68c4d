// padwarden --headless end to end: a library game whose program is a small script is started from
// outside; the running mapper recognises it, turns the controller's buttons into the game's keys
// while it runs, and stands down when it ends.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "profiles/GameAssignments.h"
#include "store/RegistryAccess.h"
#include "store/sqlite/SqliteSettingsStore.h"
#include "support/TempDir.h"

namespace pw {
namespace {

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Waits (up to 15 s) until the file contains the text.
bool waitFor(const std::filesystem::path& file, const std::string& text) {
    for (int i = 0; i < 1500; ++i) {
        if (readFile(file).find(text) != std::string::npos) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

struct Child {
    pid_t pid = -1;
    int stdinFd = -1;
};

Child startHeadless(const test::TempDir& home) {
    int in[2];
    if (::pipe(in) != 0)
        return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("PADWARDEN_HOME", home.path().c_str(), 1);
        ::dup2(in[0], STDIN_FILENO);
        ::close(in[0]);
        ::close(in[1]);
        std::freopen(home.file("out.txt").c_str(), "w", stdout);
        std::freopen(home.file("err.txt").c_str(), "w", stderr);
        ::execl(PADWARDEN_PROGRAM, PADWARDEN_PROGRAM, "--headless", "--print-keys", "--virtual-pad",
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(in[0]);
    return {pid, in[1]};
}

void send(const Child& child, const std::string& line) {
    const std::string text = line + "\n";
    ASSERT_EQ(::write(child.stdinFd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
}

TEST(Headless, AStartedLibraryGameGetsItsKeysUntilItEnds) {
    test::TempDir home;
    const auto script = home.write("game.sh", "#!/bin/sh\nwhile [ ! -e \"$0.end\" ]; do sleep 0.05; done\n");
    ::chmod(script.c_str(), 0755);
    {
        auto store = SqliteSettingsStore::open(home.file("registry.sqlite"));
        RegistryKey game = openRegistryKey(*store, gameKeyPath("Action", "Test"));
        game.writeString("name", "Test");
        game.writeString("exe", script.string());
        game.writeString("controller", "");
        game.writeString("profil", "Test.ini");
        game.writeString("[isbutton1]", "65");
    }

    const Child mapper = startHeadless(home);
    ASSERT_GT(mapper.pid, 0);
    ASSERT_TRUE(waitFor(home.file("err.txt"), "watching")) << readFile(home.file("err.txt"));

    send(mapper, "press 1");  // before the game runs: no key
    const pid_t gamePid = ::fork();
    if (gamePid == 0) {
        ::execl(script.c_str(), script.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    EXPECT_TRUE(waitFor(home.file("err.txt"), "game Action\\Test started")) << readFile(home.file("err.txt"));
    EXPECT_TRUE(waitFor(home.file("out.txt"), "down 65 30")) << readFile(home.file("out.txt"));
    send(mapper, "release 1");
    EXPECT_TRUE(waitFor(home.file("out.txt"), "up 65 30"));

    std::ofstream(home.file("game.sh.end")) << "";  // the game ends
    int status = 0;
    ::waitpid(gamePid, &status, 0);
    EXPECT_TRUE(waitFor(home.file("err.txt"), "game Action\\Test ended")) << readFile(home.file("err.txt"));
    send(mapper, "press 1");
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const std::string out = readFile(home.file("out.txt"));

    ::kill(mapper.pid, SIGTERM);
    ASSERT_EQ(::waitpid(mapper.pid, &status, 0), mapper.pid);
    EXPECT_TRUE(WIFEXITED(status)) << "ended by the signal instead of on its own";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(out.ends_with("up 65 30\n")) << "no key after the game ended:\n" << out;
    EXPECT_NE(readFile(home.file("err.txt")).find("stopped"), std::string::npos);
    ::close(mapper.stdinFd);
}

struct SimRun {
    int status = -1;
    std::string out;
    std::string err;
};

SimRun simulate(const test::TempDir& home, const std::string& script) {
    const auto file = home.write("script.pws", script);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("PADWARDEN_HOME", home.path().c_str(), 1);
        std::freopen(home.file("sim.out").c_str(), "w", stdout);
        std::freopen(home.file("sim.err").c_str(), "w", stderr);
        ::execl(PADWARDEN_PROGRAM, PADWARDEN_PROGRAM, "--simulate", file.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(home.file("sim.out")),
            readFile(home.file("sim.err"))};
}

TEST(SimulateGame, ALibraryGameIsActivatedAsItsStartWouldActivateIt) {
    test::TempDir home;
    {
        auto store = SqliteSettingsStore::open(home.file("registry.sqlite"));
        RegistryKey fifa = openRegistryKey(*store, gameKeyPath("Sport", "Fifa"));
        fifa.writeString("controller", "Gamepad\\Pad");
        fifa.writeString("profil", "Fifa.ini");
        fifa.writeString("[isbutton1]", "17_65");
        RegistryKey golf = openRegistryKey(*store, gameKeyPath("Sport", "Golf"));
        golf.writeString("controller", "Ohne Auswahl\\Ohne Auswahl");
        golf.writeString("profil", "Golf.ini");
        golf.writeString("[isbutton1]", "71");
        openRegistryKey(*store, std::string(kProgramKeyPath) + "\\controller\\Gamepad\\Pad")
            .writeString("x", "y");
    }
    const SimRun fifa = simulate(home, "assign [isbutton2] 66\ngame sport\\FIFA\npress 1\npress 2\ntick\n");
    EXPECT_EQ(fifa.status, 0) << fifa.err;
    EXPECT_EQ(fifa.out, "1 down 17 29\n1 down 65 30\n1 up 65 30\n1 up 17 29\n")
        << "the game's own assignments replace the script's";
    EXPECT_NE(fifa.err.find("Controller wechseln (Pad)"), std::string::npos) << "announced on standard error";

    const SimRun golf = simulate(home, "game Sport\\Golf\npress 1\ntick 3\n");
    EXPECT_EQ(golf.status, 0);
    EXPECT_EQ(golf.out, "") << "no controller: no keys";

    const SimRun missing = simulate(home, "press 1\ntick\ngame Sport\\Tennis\n");
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.out, "") << "nothing runs";
    EXPECT_NE(missing.err.find("script.pws:3: the game Sport\\Tennis is not in the library"),
              std::string::npos)
        << missing.err;
}

}  // namespace
}  // namespace pw
