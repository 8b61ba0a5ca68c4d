// Windows games under real Wine, recognised in every way they start: by their Linux path, by
// their Windows path, through "wine start", and as Steam's Proton starts them. A tiny Windows
// program is built with mingw-w64 for the test; it runs until a file beside it appears. The
// prefix is private and made once per build folder (tools/wine-prefix).
#include <algorithm>
#include <cstdlib>

#include "games/linux/GameRecognitionRig.h"

namespace pw {
namespace {

namespace fs = std::filesystem;
using test::kStarts;
using test::Spawned;

constexpr const char* kProgram = R"(#include <windows.h>
int main(void) {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(NULL, path, MAX_PATH);
    while (n > 0 && path[n - 1] != '\\') --n;
    lstrcpyA(path + n, "stop");
    while (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) Sleep(20);
    return 0;
}
)";

std::string run(const std::string& command) {
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
            out += buffer;
        }
        if (::pclose(pipe) != 0) {
            return {};
        }
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) {
        out.pop_back();
    }
    return out;
}

bool inCi() {
    const char* ci = std::getenv("CI");
    return ci != nullptr && std::string(ci) == "true";
}

class WineGames : public test::GameRig {
protected:
    void SetUp() override {
        wine_ = run("command -v wine");
        const bool compiler = !run("command -v x86_64-w64-mingw32-gcc").empty();
        if (wine_.empty() || !compiler) {
            if (inCi()) {
                FAIL() << "wine or x86_64-w64-mingw32-gcc is missing; tools/setup installs wine64, wine and "
                          "mingw-w64";
            }
            GTEST_SKIP() << "wine or mingw-w64 is not installed; run tools/setup";
        }
        prefix_ = run(std::string(PADWARDEN_SOURCE_DIR) + "/tools/wine-prefix " + PADWARDEN_BINARY_DIR +
                      "/wine-prefix");
        ASSERT_FALSE(prefix_.empty()) << "tools/wine-prefix could not make the prefix";
        ::setenv("WINEPREFIX", prefix_.c_str(), 1);
        ::setenv("WINEDEBUG", "-all", 1);
        const fs::path code = dir.write("hello.c", kProgram);
        exe_ = dir.file("hello.exe").string();
        ASSERT_EQ(
            std::system(("x86_64-w64-mingw32-gcc -O2 -o '" + exe_ + "' '" + code.string() + "'").c_str()), 0);
        // A folder of this test's own in the shared prefix's drive C:.
        drive_ = "padwarden-" + std::to_string(::getpid()) + "-" + std::to_string(++serial_);
        fs::create_directories(prefix_ + "/drive_c/" + drive_);
        // One wineserver for all starts, so that each start does not wait for a new one.
        std::system(("WINEPREFIX='" + prefix_ + "' wineserver -p30 >/dev/null 2>&1").c_str());
    }
    void TearDown() override {
        if (!drive_.empty()) {
            std::error_code ignored;
            fs::remove_all(prefix_ + "/drive_c/" + drive_, ignored);
        }
    }

    std::string inDriveC(const std::string& name) {
        const std::string path = prefix_ + "/drive_c/" + drive_ + "/" + name;
        fs::copy_file(exe_, path, fs::copy_options::overwrite_existing);
        return path;
    }
    std::string windowsPath(const std::string& name) const { return "C:\\" + drive_ + "\\" + name; }

    // Each start runs until its "stop" file appears; the file is taken away before the next one.
    // Wine itself may fail to run a program now and then (seen once in a hundred starts on a busy
    // machine): a start whose process ended before it was told to, with no game seen, is no miss
    // of the watcher. It is printed with Wine's errors and tried again, a few times at most.
    // `between`, when given, runs after the start and must hold for the start to count.
    int count(const char* way, const std::function<Spawned(const std::string& errors)>& start,
              const std::string& game, const std::string& exe,
              const std::function<bool(Spawned&)>& between = {}) {
        constexpr int kWineFailuresAllowed = 2;
        const std::string stop = fs::path(exe).parent_path().string() + "/stop";
        const std::string errors = dir.file("wine-errors").string();
        int recognised = 0;
        int wineFailures = 0;
        for (int i = 0; i < kStarts; ++i) {
            fs::remove(stop);
            const std::size_t reportsBefore = reports.size();
            Spawned process = start(errors);
            const int pid = process.pid();
            int status = 0;
            bool wineFailed = false;
            const bool before = !between || between(process);
            const bool started = before && scanUntil(
                                               [&] {
                                                   if (runs(game)) {
                                                       return true;
                                                   }
                                                   // "wine start" without /wait ends at once, and well.
                                                   wineFailed = process.ended(status) && status != 0;
                                                   return wineFailed;
                                               },
                                               std::chrono::seconds(60));
            // Before the game is told to stop: what runs, for a miss to show it.
            const std::string now = started || wineFailed ? std::string() : processNow(process.pid(), exe);
            std::ofstream(stop).put('\n');
            const bool ended =
                scanUntil([&] { return recognition.runningGames().empty(); }, std::chrono::seconds(60));
            if (wineFailed && ++wineFailures <= kWineFailuresAllowed) {
                std::printf("%s: start %d ended with status %d before its game ran; Wine said:\n%s\n", way, i,
                            status, fileText(errors).c_str());
                --i;
                continue;
            }
            recognised += started && !wineFailed && ended ? 1 : 0;
            if (!started || wineFailed || !ended) {
                std::printf("%s: start %d (process %d) %s; reported meanwhile:\n", way, i, pid,
                            !before      ? "went wrong before its exec"
                            : wineFailed ? "ended on its own"
                            : started    ? "never ended"
                                         : "never recognised");
                for (std::size_t r = reportsBefore; r < reports.size(); ++r) {
                    std::printf("  %s\n", reports[r].c_str());
                }
                std::printf("  the process at the time: %s\n  Wine said:\n%s\n", now.c_str(),
                            fileText(errors).c_str());
            }
        }
        fs::remove(stop);
        std::printf("%s: %d/%d recognised\n", way, recognised, kStarts);
        std::fflush(stdout);
        return recognised;
    }

    static std::string fileText(const std::string& path) {
        std::ifstream in(path);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    // What /proc tells of `pid`: its program, command line and state, and whether it has the
    // game's file mapped, as Wine maps a program it runs.
    static std::string processNow(int pid, const std::string& exe) {
        if (pid <= 0) {
            return "gone";
        }
        const std::string at = "/proc/" + std::to_string(pid);
        std::error_code error;
        const fs::path program = fs::read_symlink(at + "/exe", error);
        std::string cmdline = fileText(at + "/cmdline");
        std::replace(cmdline.begin(), cmdline.end(), '\0', ' ');
        const std::string stat = fileText(at + "/stat");
        const std::size_t close = stat.rfind(')');
        const std::string state = close != std::string::npos ? stat.substr(close + 2, 1) : "?";
        const bool mapped =
            fileText(at + "/maps").find(fs::path(exe).filename().string()) != std::string::npos;
        return program.string() + " | " + cmdline + " | state " + state + " | waits in " +
               fileText(at + "/wchan") + (mapped ? " | runs the game" : " | does not run the game");
    }

    std::string wine_;
    std::string prefix_;
    std::string exe_;
    std::string drive_;
    static inline int serial_ = 0;
};

TEST_F(WineGames, ALinuxPathEntryIsRecognisedStartedByEitherPath) {
    const std::string game = inDriveC("Hello.exe");
    addGame("Wine", "Hello", game);
    const std::string windows = windowsPath("Hello.exe");
    EXPECT_EQ(count(
                  "wine /path/X.exe",
                  [&](const std::string& errors) {
                      return Spawned(wine_, {"wine", game}, folder(), {}, errors);
                  },
                  "Hello", game),
              kStarts);
    EXPECT_EQ(count(
                  "wine C:\\...\\X.exe",
                  [&](const std::string& errors) {
                      return Spawned(wine_, {"wine", windows}, folder(), {}, errors);
                  },
                  "Hello", game),
              kStarts);
    EXPECT_EQ(count(
                  "wine start /unix /path/X.exe",
                  [&](const std::string& errors) {
                      return Spawned(wine_, {"wine", "start", "/unix", game}, folder(), {}, errors);
                  },
                  "Hello", game),
              kStarts);
}

// A launcher of its own, long known, that execs `wine` at last: Debian's wine script execs
// wine64, which runs the game in the same process.
TEST_F(WineGames, AnOldLauncherThatExecsWineIsTheGame) {
    const std::string game = inDriveC("Hello.exe");
    addGame("Wine", "Hello", game);
    EXPECT_EQ(count(
                  "old launcher execs wine C:\\...\\X.exe",
                  [&](const std::string& errors) {
                      return Spawned::launcher(wine_, {"wine", windowsPath("Hello.exe")}, folder(), errors);
                  },
                  "Hello", game,
                  [&](Spawned& launcher) {
                      bool ok = scanUntil([&] { return seen(launcher.pid()); });
                      for (int n = 0; n < 5; ++n) {
                          scan();  // long known, looked at no more
                      }
                      ok = ok && !runs("Hello");
                      launcher.say("go\n");
                      return ok;
                  }),
              kStarts);
}

TEST_F(WineGames, AWindowsPathEntryIsRecognisedThroughStartAndWithoutCase) {
    const std::string game = inDriveC("Hello.exe");
    std::string stored = windowsPath("HELLO.EXE");
    addGame("Wine", "Hello", stored);
    EXPECT_EQ(count(
                  "wine start /wait C:\\...",
                  [&](const std::string& errors) {
                      return Spawned(wine_, {"wine", "start", "/wait", windowsPath("Hello.exe")}, folder(),
                                     {}, errors);
                  },
                  "Hello", game),
              kStarts);
    EXPECT_EQ(resolveProgramFile(stored), fs::canonical(game).string()) << "the stored path names the file";
}

TEST_F(WineGames, AProtonStartIsRecognisedByTheExeUnderSteamapps) {
    // Steam's layout: the game under steamapps/common, its prefix under compatdata, and Proton's
    // own wine, here the installed one under Proton's folder.
    const fs::path steam = dir.file("steamapps");
    fs::create_directories(steam / "common/Hello Game");
    fs::create_directories(steam / "compatdata/4711");
    fs::create_directories(steam / "common/Proton/files/bin");
    fs::create_directory_symlink(prefix_, steam / "compatdata/4711/pfx");
    fs::create_symlink("/usr/lib/wine/wine64", steam / "common/Proton/files/bin/wine64");
    const std::string game = (steam / "common/Hello Game/Hello.exe").string();
    fs::copy_file(exe_, game);
    const std::string proton =
        script("proton",
               "#!/usr/bin/python3\n"
               "import os, sys\n"
               "here = os.path.dirname(os.path.abspath(__file__))\n"
               "os.environ['WINEPREFIX'] = os.environ['STEAM_COMPAT_DATA_PATH'] + '/pfx'\n"
               "os.environ['WINELOADER'] = '" +
                   (steam / "common/Proton/files/bin/wine64").string() +
                   "'\n"
                   "os.execv(os.environ['WINELOADER'], ['wine64'] + sys.argv[2:])\n");
    addGame("Steam", "Hello Game", game);
    std::vector<std::string> environment = {"STEAM_COMPAT_DATA_PATH=" + (steam / "compatdata/4711").string(),
                                            "WINEDEBUG=-all", "HOME=" + folder(), "PATH=/usr/bin:/bin"};
    EXPECT_EQ(count(
                  "Proton",
                  [&](const std::string& errors) {
                      return Spawned(proton, {proton, "waitforexitandrun", game},
                                     (steam / "common/Hello Game").string(), environment, errors);
                  },
                  "Hello Game", game),
              kStarts);
}

}  // namespace
}  // namespace pw
