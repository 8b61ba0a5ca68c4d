// What the whole program costs while nothing happens: the real `padwarden --headless` process,
// measured from outside through the scheduler's run time of all its threads, with about 400
// processes running. Side by side: no game running, a library game running with the controller
// at rest, a process that only sleeps as the floor, and one that wakes once a second to read
// /proc/loadavg, which is what any watcher resting at a scan a second costs at the least. Both
// idles are a few milliseconds of run time in a window, so no game is measured before and after
// the game and the game at rest is held against their mean. A window is as long as the watcher
// takes to list /proc once at rest, so that each holds one listing.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "BenchLibrary.h"
#include "games/linux/ProcProcessSource.h"
#include "support/TempDir.h"

using namespace pw;
namespace fs = std::filesystem;

namespace {

constexpr int kProcesses = 400;

std::string readFile(const fs::path& path) {
    std::ifstream in(path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

int runningProcesses() {
    int n = 0;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        n += name.find_first_not_of("0123456789") == std::string::npos ? 1 : 0;
    }
    return n;
}

void stop(pid_t pid, int signal = SIGKILL) {
    ::kill(pid, signal);
    ::waitpid(pid, nullptr, 0);
}

// Run time and times run of each thread of the process so far: the scheduler's own count, far
// finer than the clock ticks of /proc/PID/stat.
struct ThreadTimes {
    std::map<int, std::pair<double, double>> byThread;  // id: nanoseconds, times run
    double ns() const {
        double sum = 0;
        for (const auto& [id, t] : byThread) {
            sum += t.first;
        }
        return sum;
    }
};

ThreadTimes threadTimes(pid_t pid) {
    ThreadTimes times;
    std::error_code ec;
    for (const auto& task : fs::directory_iterator(fs::path("/proc") / std::to_string(pid) / "task", ec)) {
        std::ifstream in(task.path() / "schedstat");
        double ns = 0;
        double waited = 0;
        double runs = 0;
        if (in >> ns >> waited >> runs) {
            times.byThread[std::atoi(task.path().filename().c_str())] = {ns, runs};
        }
    }
    return times;
}

struct Share {
    double percent = 0;
    std::string threads;  // per thread: share and wake-ups per second
};

// Share of one core each process uses over the same stretch of time.
std::vector<Share> coreShares(const std::vector<pid_t>& pids, std::chrono::milliseconds over) {
    std::vector<ThreadTimes> before;
    for (const pid_t pid : pids) {
        before.push_back(threadTimes(pid));
    }
    const auto t0 = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(over);
    std::vector<Share> shares;
    for (std::size_t i = 0; i < pids.size(); ++i) {
        const ThreadTimes after = threadTimes(pids[i]);
        const double wall =
            std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - t0).count();
        Share share{100.0 * (after.ns() - before[i].ns()) / wall, {}};
        for (const auto& [id, t] : after.byThread) {
            const auto was = before[i].byThread.find(id);
            const auto [ns, runs] = was == before[i].byThread.end() ? std::pair{0.0, 0.0} : was->second;
            char line[96];
            std::snprintf(line, sizeof line, "%s%s %.3f %% %.0f/s", share.threads.empty() ? "" : ", ",
                          id == pids[i] ? "main" : "thread", 100.0 * (t.first - ns) / wall,
                          (t.second - runs) * 1e9 / wall);
            share.threads += line;
        }
        shares.push_back(share);
    }
    return shares;
}

Share coreShare(pid_t pid, std::chrono::milliseconds over) {
    return coreShares({pid}, over).front();
}

// Times the main thread of the process ran so far.
double mainThreadRuns(pid_t pid) {
    const ThreadTimes times = threadTimes(pid);
    const auto main = times.byThread.find(pid);
    return main == times.byThread.end() ? 0 : main->second.second;
}

// A child that wakes once a second and reads /proc/loadavg, and does nothing else.
pid_t startWaker() {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        std::array<char, 128> text;
        for (;;) {
            ::poll(nullptr, 0, 1000);
            const int fd = ::open("/proc/loadavg", O_RDONLY | O_CLOEXEC);
            if (fd >= 0) {
                [[maybe_unused]] const ssize_t n = ::read(fd, text.data(), text.size());
                ::close(fd);
            }
        }
    }
    return pid;
}

bool waitFor(const fs::path& file, const std::string& text) {
    for (int i = 0; i < 1500; ++i) {
        if (readFile(file).find(text) != std::string::npos) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

int count(const std::string& text, const std::string& what) {
    int n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++n;
    }
    return n;
}

// The mapper with its controller driven through a pipe and its key events read from another.
struct Mapper {
    pid_t pid = -1;
    int input = -1;   // "press 1", "release 1"
    int output = -1;  // "down 65 30", non-blocking
};

Mapper startMapper(const fs::path& err) {
    int in[2];
    int out[2];
    if (::pipe(in) != 0 || ::pipe2(out, O_NONBLOCK) != 0) {
        return {};
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        ::dup2(in[0], STDIN_FILENO);
        ::dup2(out[1], STDOUT_FILENO);
        ::close(in[0]);
        ::close(in[1]);
        ::close(out[0]);
        ::close(out[1]);
        std::freopen(err.c_str(), "w", stderr);
        ::execl(PADWARDEN_PROGRAM, PADWARDEN_PROGRAM, "--headless", "--print-keys", "--virtual-pad",
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    return {pid, in[1], out[0]};
}

// Reads the mapper's key events until one contains `what` (true) or the time is up.
bool readUntil(int fd, const std::string& what, std::chrono::milliseconds limit) {
    std::string seen;
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 10) <= 0) {
            continue;
        }
        std::array<char, 4096> buffer;
        for (ssize_t n; (n = ::read(fd, buffer.data(), buffer.size())) > 0;) {
            seen.append(buffer.data(), static_cast<std::size_t>(n));
        }
        if (seen.find(what) != std::string::npos) {
            return true;
        }
    }
    return false;
}

double percentile(std::vector<double> v, double p) {
    if (v.empty()) {
        return 0;
    }
    std::sort(v.begin(), v.end());
    return v[static_cast<std::size_t>(p / 100.0 * static_cast<double>(v.size() - 1))];
}

}  // namespace

int main(int argc, char** argv) {
    constexpr int kListingEveryMs = ProcProcessSource::kFullListingEvery * ProcProcessSource::kRestingPauseMs;
    const auto over = std::chrono::milliseconds(argc > 1 ? std::atoi(argv[1]) * 1000 : kListingEveryMs);
    test::TempDir home;
    ::setenv("PADWARDEN_HOME", home.path().c_str(), 1);
    // The game is a program that only sleeps, under a name of its own.
    const fs::path game = home.file("game.bin");
    fs::copy_file("/bin/sleep", game);
    bench::writeBenchLibrary(home.path(), game.string());

    std::vector<pid_t> sleepers;
    for (int n = runningProcesses(); n + static_cast<int>(sleepers.size()) < kProcesses;) {
        sleepers.push_back(bench::startProgram({"/bin/sleep", "600"}));
    }
    const pid_t floor = bench::startProgram({"/bin/sleep", "600"});
    const pid_t waker = startWaker();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));

    const fs::path err = home.file("err.txt");
    const Mapper m = startMapper(err);
    const pid_t mapper = m.pid;
    if (!waitFor(err, "watching")) {
        std::printf("padwarden --headless did not start:\n%s\n", readFile(err).c_str());
        return 1;
    }
    // Starting up (the controller, the library, the first full scans) is over once the main thread
    // has stopped waking.
    for (int i = 0; i < 20; ++i) {
        const double runs = mainThreadRuns(mapper);
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        if (mainThreadRuns(mapper) - runs <= 1) {
            break;
        }
    }
    std::printf("whole program, padwarden --headless with a virtual controller, %d processes, %lld s each\n",
                runningProcesses(), static_cast<long long>(over.count() / 1000));
    const Share noGameBefore = coreShare(mapper, over);
    const pid_t gamePid = bench::startProgram({game.string(), "600"});
    if (!waitFor(home.file("err.txt"), "game Action\\Bench started")) {
        std::printf("the game was not recognised:\n%s\n", readFile(home.file("err.txt")).c_str());
        return 1;
    }
    // For a few seconds after a library program was opened the watcher reads every young
    // process again at each scan (an exec into the library may be under way); at rest is after.
    std::this_thread::sleep_for(std::chrono::milliseconds(3500));
    const std::vector<Share> sameTime = coreShares({mapper, floor, waker}, over);
    const Share& atRest = sameTime[0];
    const Share& sleeping = sameTime[1];
    const Share& waking = sameTime[2];
    stop(gamePid);
    if (!waitFor(err, "game Action\\Bench ended")) {
        std::printf("the game's end was not seen:\n%s\n", readFile(err).c_str());
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const Share noGameAfter = coreShare(mapper, over);
    const double noGame = (noGameBefore.percent + noGameAfter.percent) / 2;

    // Start to keys: the button is held, so the first tick of an activated game types.
    const int starts = argc > 2 ? std::atoi(argv[2]) : 50;
    std::vector<double> toKeys;
    int unanswered = 0;
    const std::string press = "press 1\n";
    if (::write(m.input, press.data(), press.size()) != static_cast<ssize_t>(press.size())) {
        std::printf("the button could not be pressed\n");
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    readUntil(m.output, "\x01", std::chrono::milliseconds(20));  // forget what came so far
    for (int i = 0; i < starts; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        const pid_t pid = bench::startProgram({game.string(), "600"});
        if (readUntil(m.output, "down 65", std::chrono::milliseconds(2000))) {
            toKeys.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
        } else {
            ++unanswered;
        }
        stop(pid);
        for (int wait = 0; wait < 300 && count(readFile(err), "game Action\\Bench ended") < i + 2; ++wait) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        readUntil(m.output, "\x01", std::chrono::milliseconds(20));
    }
    stop(mapper, SIGTERM);
    stop(floor);
    stop(waker);
    for (pid_t pid : sleepers) {
        stop(pid);
    }

    std::printf("%-40s %7.3f %% of one core   (%s)\n", "no game, before the game", noGameBefore.percent,
                noGameBefore.threads.c_str());
    std::printf("%-40s %7.3f %% of one core   (%s)\n", "no game, after the game", noGameAfter.percent,
                noGameAfter.threads.c_str());
    std::printf("%-40s %7.3f %% of one core   (%s)\n", "a game running, controller at rest", atRest.percent,
                atRest.threads.c_str());
    std::printf("%-40s %7.3f %% of one core\n", "a process that only sleeps (the floor)", sleeping.percent);
    std::printf("%-40s %7.3f %% of one core   (%s)\n", "one waking 1/s to read /proc/loadavg", waking.percent,
                waking.threads.c_str());
    std::printf("game at rest / no game (mean of both): %.2f x, %+.3f points\n",
                noGame > 0 ? atRest.percent / noGame : 0.0, atRest.percent - noGame);
    std::printf("(targets: no game <= 0.2 %%; game at rest <= 0.2 %% and <= 1.2 x no game)\n");
    std::printf(
        "game start to its first key (%d starts, button held): p50 %.1f ms   p99 %.1f ms   max %.1f ms   "
        "%d unanswered   (target: p99 <= 12 ms)\n",
        starts, percentile(toKeys, 50), percentile(toKeys, 99), percentile(toKeys, 100), unanswered);
    return 0;
}
