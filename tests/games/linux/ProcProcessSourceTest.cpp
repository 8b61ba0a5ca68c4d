// The /proc source on real processes that the tests start: what each kind of process is reported
// as, and the watcher's scans over /proc.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "games/linux/ProcProcessSource.h"
#include "support/AllocationCounter.h"
#include "support/TempDir.h"

extern char** environ;

namespace pw {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Generous: the machine may be busy building.
constexpr auto kPatience = 20s;

std::string exeOf(pid_t pid) {
    std::error_code error;
    return fs::read_symlink("/proc/" + std::to_string(pid) + "/exe", error).string();
}

// A process of the test's own, started with posix_spawn, killed and reaped at the end. Its input
// is a pipe that stays open, so a shell told to `read` waits without children of its own.
class Child {
public:
    Child(const std::string& program, const std::vector<std::string>& args, const char* folder = nullptr) {
        std::vector<char*> argv;
        for (const std::string& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[0], 0);
        if (folder != nullptr) {
            posix_spawn_file_actions_addchdir_np(&actions, folder);
        }
        if (::posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[0]);
        input_ = fds[1];
    }
    ~Child() {
        stop();
        ::close(input_);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    pid_t pid() const { return pid_; }

    // Waits until the process runs `executable` (it may still be between fork and exec).
    bool runs(const std::string& executable) const {
        const auto until = std::chrono::steady_clock::now() + kPatience;
        while (exeOf(pid_) != executable) {
            if (std::chrono::steady_clock::now() > until) {
                return false;
            }
            std::this_thread::sleep_for(1ms);
        }
        return true;
    }

    void kill() const { ::kill(pid_, SIGKILL); }
    void stop() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }

private:
    pid_t pid_ = -1;
    int input_ = -1;
};

// Asks until the process runs its own program (bounded), as the watcher would at each scan.
Description describeSettled(ProcProcessSource& source, int pid, ProcessRecord& record) {
    const auto until = std::chrono::steady_clock::now() + kPatience;
    Description d = source.describe(pid, record);
    while (d == Description::NotYet && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(2ms);
        d = source.describe(pid, record);
    }
    return d;
}

std::string reported(int pid) {
    ProcProcessSource source;
    ProcessRecord record;
    const Description d = describeSettled(source, pid, record);
    return d == Description::Ready ? record.exeFile : d == Description::Gone ? "<gone>" : "<not yet>";
}

char stateOf(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const std::size_t close = text.rfind(')');
    return close == std::string::npos || close + 2 >= text.size() ? '?' : text[close + 2];
}

const std::string kSleep = fs::canonical("/bin/sleep").string();
const std::string kShell = fs::canonical("/bin/sh").string();

TEST(ProcSnapshot, ListsEachRunningProcessOnceAndNoReapedOne) {
    Child child("/bin/sleep", {"sleep", "60"});
    ProcProcessSource source;
    std::vector<int> pids;
    ASSERT_TRUE(source.snapshot(pids));
    EXPECT_EQ(std::count(pids.begin(), pids.end(), ::getpid()), 1);
    EXPECT_EQ(std::count(pids.begin(), pids.end(), child.pid()), 1);
    std::vector<int> sorted = pids;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end());
    EXPECT_GT(sorted.front(), 0);

    // The same source again: a listing it may reuse must not hide a start or an end.
    Child later("/bin/sleep", {"sleep", "60"});
    pids.clear();
    ASSERT_TRUE(source.snapshot(pids));
    EXPECT_EQ(std::count(pids.begin(), pids.end(), later.pid()), 1);

    const int ended = child.pid();
    child.stop();
    for (int i = 0; i < 3 * ProcProcessSource::kFullListingEvery; ++i) {
        pids.clear();
        ASSERT_TRUE(source.snapshot(pids));
        EXPECT_EQ(std::count(pids.begin(), pids.end(), ended), 0) << "scan " << i;
        EXPECT_EQ(std::count(pids.begin(), pids.end(), later.pid()), 1) << "scan " << i;
    }
}

TEST(ProcDescribe, AProgramIsReportedByThePathOfItsExecutable) {
    test::TempDir dir;
    Child plain("/bin/sleep", {"sleep", "60"});
    Child renamed("/bin/sleep", {"not-a-sleeper", "60"});
    EXPECT_EQ(reported(plain.pid()), kSleep);
    EXPECT_EQ(reported(renamed.pid()), kSleep) << "argv[0] does not count";

    // A program that happens to be a script is the script, however it was started.
    const fs::path script = dir.write("start game.sh", "#!/bin/sh -e\nread line\n");
    const fs::path viaEnv = dir.write("game.py", "#!/usr/bin/env  -S sh\nread line\n");
    fs::permissions(script, fs::perms::owner_all);
    fs::permissions(viaEnv, fs::perms::owner_all);
    Child scripted(script.string(), {script.string()});
    Child typed("/bin/sh", {"sh", "-e", "./start game.sh"}, dir.path().c_str());
    Child fromEnv(viaEnv.string(), {"game.py"}, dir.path().c_str());
    EXPECT_EQ(reported(scripted.pid()), script.string());
    EXPECT_EQ(reported(typed.pid()), script.string()) << "made absolute with its working folder";
    EXPECT_EQ(reported(fromEnv.pid()), viaEnv.string());

    // Another program with a script as its argument is not that script.
    const fs::path editor = dir.file("editor");
    fs::copy_file(kShell, editor);
    Child editing(editor.string(), {"editor", script.string()});
    EXPECT_EQ(reported(editing.pid()), editor.string());
    // A shell runs the file it is given as its script, "#!" line or not (the system starts a
    // script without one through /bin/sh); a pipe it could hang on is no script.
    const fs::path text = dir.write("notes.txt", "read line\n");
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    Child notes("/bin/sh", {"sh", text.string()});
    Child fifo("/bin/sh", {"sh", "-c", "read line", dir.file("fifo").string()});
    EXPECT_EQ(reported(notes.pid()), text.string());
    EXPECT_EQ(reported(fifo.pid()), kShell);

    // A program whose file was deleted (replaced by an update) while it runs keeps its path.
    const fs::path game = dir.file("game");
    fs::copy_file(kSleep, game);
    Child replaced(game.string(), {"game", "60"});
    ASSERT_TRUE(replaced.runs(game.string()));
    fs::remove(game);
    EXPECT_EQ(reported(replaced.pid()), game.string());
}

TEST(ProcDescribe, AWindowsProgramUnderWineIsReportedByTheExeOfItsCommandLine) {
    test::TempDir dir;
    const auto program = [&](const char* name) {
        const fs::path copy = dir.file(name);
        fs::copy_file(kShell, copy);
        return copy.string();
    };
    const std::string preloader = program("wine64-preloader");
    const std::string oldPreloader = program("wine-preloader");
    const std::string notWine = program("winedbg");

    // Each is read right after posix_spawn returns, which is when exec has put the new program in
    // place but not yet its command line: the .exe must not be missed for that.

    // As Wine shows a program it runs: the Windows path first.
    Child game("/bin/sleep", {"C:\\Games\\DOOM.EXE", "60"});
    EXPECT_EQ(reported(game.pid()), "C:\\Games\\DOOM.EXE");

    // The loader with the program's path further on: the first argument ending in .exe, as given.
    const std::string path = "/home/u/.wine/drive_c/Games/Doom.Exe";
    Child loaded(preloader, {preloader, "-c", "read line", path, "C:\\other.exe"});
    EXPECT_EQ(reported(loaded.pid()), path);

    // A loader that names no .exe is reported as itself.
    Child bare(oldPreloader, {"wine-preloader", "-c", "read line", "--version"});
    EXPECT_EQ(reported(bare.pid()), oldPreloader);

    // Another program with an .exe argument is not a Windows program.
    Child other(notWine, {"winedbg", "-c", "read line", "C:\\Games\\doom.exe"});
    EXPECT_EQ(reported(other.pid()), notWine);
}

TEST(ProcDescribe, WhereTheExecutableCannotBeReadTheCommandNameIsReported) {
    // A process that has ended and is not reaped yet has no executable any more.
    Child zombie("/bin/sleep", {"sleep", "60"});
    ASSERT_TRUE(zombie.runs(kSleep));
    zombie.kill();
    const auto until = std::chrono::steady_clock::now() + kPatience;
    while (stateOf(zombie.pid()) != 'Z' && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(1ms);
    }
    ASSERT_EQ(stateOf(zombie.pid()), 'Z');
    EXPECT_EQ(reported(zombie.pid()), "sleep");

    // Another user's process: described by a child of this test that gives up root.
    if (::geteuid() == 0) {
        Child rootOwned("/bin/sleep", {"sleep", "60"});
        ASSERT_TRUE(rootOwned.runs(kSleep));
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        const pid_t looker = ::fork();
        if (looker == 0) {
            ::close(fds[0]);
            if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
                ::_exit(2);
            }
            const std::string seen =
                exeOf(rootOwned.pid()).empty() ? reported(rootOwned.pid()) : "<readable>";
            [[maybe_unused]] const auto n = ::write(fds[1], seen.data(), seen.size());
            ::_exit(0);
        }
        ::close(fds[1]);
        std::string seen;
        char buffer[256];
        for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) {
            seen.append(buffer, static_cast<std::size_t>(n));
        }
        ::close(fds[0]);
        int status = 0;
        ::waitpid(looker, &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        EXPECT_EQ(seen, "sleep");
    }

    // Kernel threads (where this system shows them): no executable, no command line.
    int kernelThreads = 0;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        std::ifstream cmdline(entry.path() / "cmdline");
        std::ifstream comm(entry.path() / "comm");
        std::string command;
        if (!cmdline || cmdline.peek() != std::ifstream::traits_type::eof() || !std::getline(comm, command) ||
            !exeOf(std::stoi(name)).empty() || stateOf(std::stoi(name)) == 'Z') {
            continue;
        }
        EXPECT_EQ(reported(std::stoi(name)), command);
        if (++kernelThreads == 5) {
            break;
        }
    }
    if (kernelThreads == 0) {
        std::cout << "no kernel thread visible here\n";
    }
}

TEST(ProcDescribe, AProcessThatHasEndedIsGone) {
    Child child("/bin/sleep", {"sleep", "60"});
    const int pid = child.pid();
    child.stop();
    EXPECT_EQ(reported(pid), "<gone>");
}

TEST(ProcDescribe, AForkThatHasNotExecutedYetIsAskedForAgainUntilItIsOldEnough) {
    int fds[2];
    ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
    const auto forked = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[1]);
        char c;
        [[maybe_unused]] const auto n = ::read(fds[0], &c, 1);
        ::_exit(0);
    }
    ::close(fds[0]);
    ProcProcessSource source;
    ProcessRecord record;
    const Description first = source.describe(child, record);
    // The grace counts from the process's start; only a look well within it must be put off.
    if (std::chrono::steady_clock::now() - forked <
        std::chrono::milliseconds(ProcProcessSource::kExecGraceMs / 2)) {
        EXPECT_EQ(first, Description::NotYet);
    }
    // A worker that never executes anything is taken for what it is in the end.
    EXPECT_EQ(describeSettled(source, child, record), Description::Ready);
    EXPECT_EQ(record.exeFile, exeOf(::getpid()));
    ::close(fds[1]);
    ::waitpid(child, nullptr, 0);
}

TEST(ProcWatch, ScansReportAChildsStartAndEndAndAllocateOnlyForNewProcesses) {
    ProcProcessSource source;
    ProcessDiff diff;
    diff.start(source);
    EXPECT_GT(diff.size(), 0u);

    // The machine may start and end processes of its own meanwhile: only those may cost memory.
    long news = 0;
    const ProcessDiff::Notify count = [&](const ProcessRecord&) { ++news; };
    diff.cycle(source, count, count);
    const long before = test::allocationCount();
    for (int i = 0; i < 50; ++i) {
        ASSERT_TRUE(diff.cycle(source, count, count));
    }
    EXPECT_LE(test::allocationCount() - before, 4 * news + 4) << news << " processes started or ended";

    std::vector<std::string> seen;
    const ProcessDiff::Notify created = [&](const ProcessRecord& r) {
        seen.push_back("+" + std::to_string(r.pid) + " " + r.exeFile);
    };
    const ProcessDiff::Notify terminated = [&](const ProcessRecord& r) {
        seen.push_back("-" + std::to_string(r.pid) + " " + r.exeFile);
    };
    const auto scanUntil = [&](const std::string& report) {
        const auto until = std::chrono::steady_clock::now() + kPatience;
        while (std::find(seen.begin(), seen.end(), report) == seen.end() &&
               std::chrono::steady_clock::now() < until) {
            diff.cycle(source, created, terminated);
            std::this_thread::sleep_for(1ms);
        }
        return std::count(seen.begin(), seen.end(), report);
    };
    Child child("/bin/sleep", {"sleep", "60"});
    const std::string id = std::to_string(child.pid());
    EXPECT_EQ(scanUntil("+" + id + " " + kSleep), 1);
    child.stop();
    EXPECT_EQ(scanUntil("-" + id + " " + kSleep), 1);
    EXPECT_EQ(std::count_if(seen.begin(), seen.end(),
                            [&](const std::string& s) { return s.substr(1, id.size() + 1) == id + " "; }),
              2)
        << "nothing else about the child, in particular not the test program it was forked from";
}

// Whether the source's news handle is readable within `wait`.
bool newsWithin(const ProcProcessSource& source, std::chrono::milliseconds wait) {
    pollfd news{source.newsHandle(), POLLIN, 0};
    return ::poll(&news, 1, static_cast<int>(wait.count())) == 1;
}

TEST(ProcNews, AnOpenedLibraryProgramAndAFollowedGamesEndWakeTheWatcherAndNothingElseDoes) {
    test::TempDir dir;
    const std::string game = dir.file("game").string();
    fs::copy_file(kSleep, game);
    constexpr int kResting = 600000;
    ProcProcessSource source(100, kResting, 100);
    EXPECT_EQ(source.newsHandle(), -1) << "no news before the library is known";
    EXPECT_EQ(source.pauseFor(10), 10);
    source.watchPrograms({game});
    ASSERT_GE(source.newsHandle(), 0);
    ProcessDiff diff;
    diff.start(source);
    const ProcessDiff::Notify ignore = [](const ProcessRecord&) {};
    diff.cycle(source, ignore, ignore);
    EXPECT_EQ(source.pauseFor(10), kResting) << "every game is watched and nothing was opened";
    EXPECT_EQ(source.pauseFor(0), 0);

    {
        // Another program starting and ending is no news.
        Child other("/bin/sleep", {"sleep", "60"});
        ASSERT_TRUE(other.runs(kSleep));
        other.stop();
        EXPECT_FALSE(newsWithin(source, 50ms));
    }

    Child child(game, {"game", "60"});
    ASSERT_TRUE(newsWithin(source, kPatience)) << "the exec opened the library program";
    diff.cycle(source, ignore, ignore);
    EXPECT_LE(source.pauseFor(10), ProcProcessSource::kQuickPauseMs) << "right after the open";
    EXPECT_FALSE(newsWithin(source, 0ms)) << "the scan took the news in";
    ASSERT_TRUE(child.runs(game));

    // The game is followed; once the armed time after the open is over, the pause is long again.
    // Other programs (parallel tests) end meanwhile too; only the game's ends count here.
    std::vector<int> ended;
    const ProcessDiff::Notify terminated = [&](const ProcessRecord& r) {
        if (r.pid == child.pid()) {
            ended.push_back(r.pid);
        }
    };
    diff.follow(child.pid());
    const auto until = std::chrono::steady_clock::now() + kPatience;
    do {
        std::this_thread::sleep_for(20ms);
        diff.cycle(source, ignore, terminated);
    } while (source.pauseFor(10) != kResting && std::chrono::steady_clock::now() < until);
    EXPECT_EQ(source.pauseFor(10), kResting) << "the followed game has its pidfd";

    // Its end wakes the watcher while it waits to be reaped, and is reported then.
    child.kill();
    ASSERT_TRUE(newsWithin(source, kPatience));
    while (stateOf(child.pid()) != 'Z' && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(1ms);
    }
    diff.cycle(source, ignore, terminated);
    EXPECT_EQ(ended, std::vector<int>{child.pid()});
    EXPECT_FALSE(newsWithin(source, 0ms)) << "an ended game's pidfd is taken out of the news";
    child.stop();
    diff.cycle(source, ignore, terminated);
    EXPECT_EQ(ended.size(), 1u) << "the zombie leaving the list is no second end";
}

TEST(ProcNews, AGameThatCannotBeWatchedKeepsTheScansAtTheInterval) {
    test::TempDir dir;
    const std::string game = dir.file("game").string();
    fs::copy_file(kSleep, game);
    ProcProcessSource source(100, 600000);
    source.watchPrograms({game}, false);
    EXPECT_EQ(source.pauseFor(10), 10) << "a game of the library names no file";
    source.watchPrograms({game, dir.file("missing").string()});
    EXPECT_EQ(source.pauseFor(10), 10) << "a game's file is missing";
    source.watchPrograms({game});
    EXPECT_EQ(source.pauseFor(10), 600000);
}

}  // namespace
}  // namespace pw
