#pragma once

// A library in a real store, automatic activation, and the /proc source scanned by a ProcessDiff
// on the test's thread; processes started by the test.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "games/AutoActivation.h"
#include "games/linux/ProcProcessSource.h"
#include "games/linux/WinePaths.h"
#include "profiles/Activation.h"
#include "profiles/GameAssignments.h"
#include "store/RegistryAccess.h"
#include "support/RecordingAnnouncer.h"
#include "support/StoreFixture.h"

extern char** environ;

namespace pw::test {

// How many times each way of starting is tried.
inline constexpr int kStarts = 20;

// A process of the test, its input a pipe that stays open until finish(): cat, read and a
// Windows program waiting for its input end then. Killed and reaped at the end. Its output goes
// nowhere, its errors to `errors` when one is given.
class Spawned {
public:
    Spawned(const std::string& program, const std::vector<std::string>& args, const std::string& folder,
            const std::vector<std::string>& environment = {}, const std::string& errors = {}) {
        std::vector<char*> argv;
        for (const std::string& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        std::vector<std::string> env = environment;
        if (env.empty()) {
            for (char** e = environ; *e != nullptr; ++e) {
                env.emplace_back(*e);
            }
        }
        std::vector<char*> envp;
        for (std::string& e : env) {
            envp.push_back(e.data());
        }
        envp.push_back(nullptr);
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[0], 0);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, errors.empty() ? "/dev/null" : errors.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (!folder.empty()) {
            posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
        }
        if (::posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[0]);
        input_ = fds[1];
    }
    Spawned(Spawned&& other) noexcept
        : pid_(std::exchange(other.pid_, -1)), input_(std::exchange(other.input_, -1)) {}
    Spawned& operator=(Spawned&&) = delete;
    ~Spawned() {
        finish();
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }

    // A launcher of its own program (a child of the test, no shell, no interpreter) that waits
    // for a line on its input and then execs `program`: an old process that execs late.
    static Spawned launcher(const std::string& program, const std::vector<std::string>& args,
                            const std::string& folder, const std::string& errors = {}) {
        std::vector<char*> argv;
        for (const std::string& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        Spawned spawned;
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) {
            return spawned;
        }
        const int errorFile =
            errors.empty() ? -1 : ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const pid_t pid = ::fork();
        if (pid == 0) {
            // Only calls that are safe after fork in a threaded program.
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            ::dup2(fds[0], 0);
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, 1);
            ::dup2(errorFile >= 0 ? errorFile : null, 2);
            char line = 0;
            if (::chdir(folder.c_str()) != 0 || ::read(0, &line, 1) != 1) {
                ::_exit(1);
            }
            ::execve(program.c_str(), argv.data(), environ);
            ::_exit(127);
        }
        ::close(fds[0]);
        if (errorFile >= 0) {
            ::close(errorFile);
        }
        spawned.pid_ = pid;
        spawned.input_ = fds[1];
        return spawned;
    }

    pid_t pid() const { return pid_; }
    // The program it runs now, as /proc shows it; empty once it is gone.
    std::string program() const {
        std::error_code error;
        const auto target = std::filesystem::read_symlink("/proc/" + std::to_string(pid_) + "/exe", error);
        return error ? std::string() : target.string();
    }
    // Closes the input: the program ends on its own (not reaped).
    void finish() {
        if (input_ >= 0) {
            ::close(input_);
            input_ = -1;
        }
    }
    // Writes to the process's input.
    void say(const std::string& text) {
        if (input_ >= 0 && ::write(input_, text.data(), text.size()) < 0) {
            finish();
        }
    }
    // Whether it has ended, and then its exit status as the shell tells it (128 + N for signal N).
    bool ended(int& status) {
        int raw = 0;
        if (pid_ <= 0 || ::waitpid(pid_, &raw, WNOHANG) != pid_) {
            return false;
        }
        pid_ = -1;
        status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
        return true;
    }
    // The state letter of /proc/PID/stat ('Z' for a zombie), '?' when there is none.
    char state() const {
        std::ifstream in("/proc/" + std::to_string(pid_) + "/stat");
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::size_t close = text.rfind(')');
        return close != std::string::npos && close + 2 < text.size() ? text[close + 2] : '?';
    }

private:
    Spawned() = default;

    pid_t pid_ = -1;
    int input_ = -1;
};

class GameRig : public StoreTest {
protected:
    explicit GameRig(int followYoungMs = ProcProcessSource::kFollowYoungMs) : source(followYoungMs) {
        recognition.setLibraryListener([this](const std::vector<std::string>& files, bool everyGame) {
            source.watchPrograms(files, everyGame);
        });
        recognition.setPathResolver(resolveProgramFile);
        recognition.setFollower([this](int pid) { diff.follow(pid); });
        diff.start(source);
    }

    std::string folder() const { return dir.path().string(); }

    void addGame(const std::string& group, const std::string& game, const std::string& exe,
                 const std::string& up = "1") {
        RegistryKey key = openRegistryKey(store(), gameKeyPath(group, game));
        key.writeString("name", game);
        key.writeString("exe", exe);
        key.writeString("controller", "");
        key.writeString("profil", game + ".ini");
        key.writeString("[isup]", up);
        recognition.alle_programme_aufbauen();
    }
    void removeGame(const std::string& group, const std::string& game) {
        store().deleteKey(gameKeyPath(group, game));
        recognition.alle_programme_aufbauen();
    }
    std::string lookupExe(const std::string& game) const {
        for (const LookupEntry& entry : recognition.lookupList()) {
            if (entry.game == game) {
                return entry.exe;
            }
        }
        return {};
    }

    // A copy of a system program under a name of the test's.
    std::string programCopy(const std::string& name, const std::string& original) {
        const std::filesystem::path path = dir.file(name);
        std::filesystem::create_directories(path.parent_path());
        std::filesystem::copy_file(original, path);
        return path.string();
    }
    std::string script(const std::string& name, const std::string& text) {
        const std::filesystem::path path = dir.write(name, text);
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
        return path.string();
    }

    void scan() {
        diff.cycle(
            source,
            [this](const ProcessRecord& r) {
                seen_.insert(r.pid);
                reports.push_back("+" + std::to_string(r.pid) + " " + r.exeFile + " | " + r.linuxFile);
                recognition.processCreated(r);
            },
            [this](const ProcessRecord& r) {
                seen_.erase(r.pid);
                reports.push_back("-" + std::to_string(r.pid));
                recognition.processTerminated(r);
            });
    }
    // Scans every 10 ms until `done`; false when it is not so after a patience generous enough
    // for a machine busy building.
    bool scanUntil(const std::function<bool()>& done,
                   std::chrono::seconds patience = std::chrono::seconds(30)) {
        const auto until = std::chrono::steady_clock::now() + patience;
        while (!done()) {
            if (std::chrono::steady_clock::now() > until) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            scan();
        }
        return true;
    }
    bool runs(const std::string& game) const {
        for (const auto& running : recognition.runningGames()) {
            if (running.game == game) {
                return true;
            }
        }
        return false;
    }
    bool seen(int pid) const { return seen_.count(pid) > 0; }
    // Every start reported, as "+PID exeFile | linuxFile", and every end, as "-PID", for a failure
    // to show what was seen.
    std::vector<std::string> reports;
    std::string up() const { return state.slots[ControllerAction::Up].keys.text(); }

    // Starts `start()` kStarts times; each time the game must be recognised and, once its input
    // is closed, end. Prints and returns how many were.
    int count(const char* way, const std::function<Spawned()>& start, const std::string& game) {
        int recognised = 0;
        for (int i = 0; i < kStarts; ++i) {
            Spawned process = start();
            const bool started = scanUntil([&] { return runs(game); });
            process.finish();
            const bool ended = scanUntil([&] { return recognition.runningGames().empty(); });
            recognised += started && ended ? 1 : 0;
        }
        std::printf("%s: %d/%d recognised\n", way, recognised, kStarts);
        std::fflush(stdout);
        return recognised;
    }

    TextVariables texts;
    RecordingAnnouncer announcer;
    ControllerRegistry controllers{store(), texts, announcer};
    MappingState state;
    GameActivation activation{store(), texts, controllers, state, [] {}};
    AutoActivation recognition{store(), state, activation, [] {}};
    ProcProcessSource source;
    ProcessDiff diff;

private:
    std::set<int> seen_;
};

}  // namespace pw::test
