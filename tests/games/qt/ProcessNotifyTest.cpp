// The process watcher with its poll thread on the real process list: programs the tests start and
// end are reported on the main thread, in order, and the watcher can be paused and destroyed at any
// moment.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "games/linux/ProcProcessSource.h"
#include "games/qt/ProcessNotify.h"
#include "support/QtApp.h"
#include "support/TempDir.h"

extern char** environ;

namespace pw {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Generous: the machine may be busy building.
constexpr int kPatienceMs = 20000;

const std::string kSleep = fs::canonical("/bin/sleep").string();

// A program of the test's own, killed and reaped at the end (or by stop()); its id stays known.
class Child {
public:
    explicit Child(const char* program = "/bin/sleep", const char* arg = "60") {
        char* argv[] = {const_cast<char*>(program), const_cast<char*>(arg), nullptr};
        running_ = ::posix_spawn(&pid_, program, nullptr, nullptr, argv, environ) == 0;
    }
    ~Child() { stop(); }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    int pid() const { return pid_; }
    // Waits until the watcher would take it for what it is: its own program, no longer the test's
    // copy from the fork, its command line in place.
    bool executed() const {
        ProcProcessSource source;
        ProcessRecord record;
        for (int i = 0; i < kPatienceMs; ++i) {
            if (source.describe(pid_, record) == Description::Ready) {
                return record.exeFile == kSleep;
            }
            std::this_thread::sleep_for(1ms);
        }
        return false;
    }
    void stop() {
        if (running_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
            running_ = false;
        }
    }

private:
    pid_t pid_ = -1;
    bool running_ = false;
};

// The real process list, watched from inside: which processes were read, and whether a scan was
// taken while a handler ran. It can be narrowed to chosen processes, so that no other program of
// the machine has a report waiting.
class ObservedSource final : public ProcessSource {
public:
    explicit ObservedSource(int followYoungMs = ProcProcessSource::kFollowYoungMs,
                            int restingPauseMs = ProcProcessSource::kRestingPauseMs,
                            int armedMs = ProcProcessSource::kFollowYoungMs)
        : inner(followYoungMs, restingPauseMs, armedMs) {}

    bool snapshot(std::vector<int>& pids) override {
        ++scans;
        if (handlerBusy) {
            ++scansDuringHandler;
        }
        if (!inner.snapshot(pids)) {
            return false;
        }
        std::lock_guard lock(mutex);
        if (narrowed) {
            std::erase_if(pids, [&](int pid) { return only.count(pid) == 0; });
        }
        return true;
    }
    void narrowTo(std::set<int> pids) {
        std::lock_guard lock(mutex);
        narrowed = true;
        only = std::move(pids);
    }
    Description describe(int pid, ProcessRecord& record) override {
        const Description d = inner.describe(pid, record);
        if (d == Description::Ready) {
            std::lock_guard lock(mutex);
            read.insert(pid);
        }
        return d;
    }
    bool wasRead(int pid) {
        std::lock_guard lock(mutex);
        return read.count(pid) > 0;
    }
    Recheck recheck(int pid, const ProcessRecord& known, bool followed) override {
        return inner.recheck(pid, known, followed);
    }
    void watchPrograms(const std::vector<std::string>& files, bool everyProgram) override {
        inner.watchPrograms(files, everyProgram);
    }
    bool mayHaveExeced() override { return inner.mayHaveExeced(); }
    int newsHandle() const override { return inner.newsHandle(); }
    int pauseFor(int interval) override { return inner.pauseFor(interval); }
    void forget(int pid) override { inner.forget(pid); }

    ProcProcessSource inner;
    std::atomic<int> scans{0};
    std::atomic<bool> handlerBusy{false};
    std::atomic<int> scansDuringHandler{0};
    std::mutex mutex;
    std::set<int> read;
    bool narrowed = false;
    std::set<int> only;
};

char threadState(int tid) {
    std::ifstream stat("/proc/self/task/" + std::to_string(tid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const std::size_t close = text.rfind(')');
    return close == std::string::npos || close + 2 >= text.size() ? '?' : text[close + 2];
}

int pollThreadOf(const ProcessNotify& watcher) {
    for (int i = 0; i < kPatienceMs && watcher.pollThreadId() == 0; ++i) {
        std::this_thread::sleep_for(1ms);
    }
    return watcher.pollThreadId();
}

class Watcher : public ::testing::Test {
protected:
    Watcher() { test::ensureGuiApp(); }

    std::unique_ptr<ProcessNotify> make(std::unique_ptr<ProcessSource> source = nullptr) {
        auto watcher =
            source ? std::make_unique<ProcessNotify>(std::move(source)) : std::make_unique<ProcessNotify>();
        watcher->setLogHandler([this](const std::string& line) {
            std::lock_guard lock(mutex_);
            log_.push_back(line);
            logOnMainThread_.push_back(onMainThread());
        });
        watcher->onProcessCreated([this](const ProcessRecord& r) { note('+', r); });
        watcher->onProcessTerminated([this](const ProcessRecord& r) { note('-', r); });
        return watcher;
    }

    static bool onMainThread() { return QThread::currentThread() == QCoreApplication::instance()->thread(); }

    void note(char sign, const ProcessRecord& r) {
        std::lock_guard lock(mutex_);
        reports_.push_back({sign + std::to_string(r.pid) + " " + r.exeFile, r.pid, onMainThread()});
    }

    // The reports about one process, in order.
    std::vector<std::string> about(int pid) {
        std::lock_guard lock(mutex_);
        std::vector<std::string> out;
        for (const Report& r : reports_) {
            if (r.pid == pid) {
                out.push_back(r.text);
            }
        }
        return out;
    }
    // Reports about the given processes, in order.
    std::vector<std::string> about(std::initializer_list<int> pids) {
        std::lock_guard lock(mutex_);
        std::vector<std::string> out;
        for (const Report& r : reports_) {
            if (std::find(pids.begin(), pids.end(), r.pid) != pids.end()) {
                out.push_back(r.text);
            }
        }
        return out;
    }
    bool allOnMainThread() {
        std::lock_guard lock(mutex_);
        return std::all_of(reports_.begin(), reports_.end(), [](const Report& r) { return r.onMainThread; });
    }
    std::vector<std::string> log() {
        std::lock_guard lock(mutex_);
        return log_;
    }

    // Runs the event loop until the condition holds or a generous limit passes.
    template <class Pred>
    static bool runUntil(Pred done) {
        QElapsedTimer elapsed;
        elapsed.start();
        while (!done() && elapsed.elapsed() < kPatienceMs) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        return done();
    }
    // Serves the event loop for a while, for checks that something does not happen: long enough
    // for many scans at the short intervals used here.
    static void settle() {
        QElapsedTimer elapsed;
        elapsed.start();
        while (elapsed.elapsed() < 200) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
    }

    static std::string created(const Child& c) { return "+" + std::to_string(c.pid()) + " " + kSleep; }
    static std::string ended(const Child& c) { return "-" + std::to_string(c.pid()) + " " + kSleep; }

    struct Report {
        std::string text;
        int pid;
        bool onMainThread;
    };
    std::mutex mutex_;
    std::vector<Report> reports_;
    std::vector<std::string> log_;
    std::vector<bool> logOnMainThread_;
};

TEST_F(Watcher, ReportsAStartedProgramThenItsEndOnTheMainThreadWhileThePollThreadWaits) {
    auto observed = std::make_unique<ObservedSource>();
    ObservedSource& source = *observed;
    auto watcher = make(std::move(observed));
    watcher->setPollInterval(1);
    Child child;
    // A handler that takes a while: the poll thread must wait for it instead of scanning on.
    watcher->onProcessCreated([&](const ProcessRecord& r) {
        source.handlerBusy = true;
        note('+', r);
        if (r.pid == child.pid()) {
            for (int i = 0; i < 5; ++i) {
                Child("/bin/true", "").stop();
            }
        }
        source.handlerBusy = false;
    });
    ASSERT_TRUE(runUntil([&] { return about(child.pid()).size() == 1; }));
    child.stop();
    ASSERT_TRUE(runUntil([&] { return about(child.pid()).size() == 2; }));
    EXPECT_EQ(about(child.pid()), (std::vector<std::string>{created(child), ended(child)}));
    EXPECT_TRUE(allOnMainThread());
    EXPECT_EQ(source.scansDuringHandler, 0);
    EXPECT_TRUE(log().empty());
}

TEST_F(Watcher, AtRestItSleepsUntilALibraryProgramStartsOrAFollowedGameEnds) {
    test::TempDir dir;
    const std::string game = dir.file("game").string();
    fs::copy_file(kSleep, game);
    // A resting pause far beyond the patience: what is reported in time came through the news.
    auto observed = std::make_unique<ObservedSource>(100, 3600 * 1000, 100);
    ObservedSource& source = *observed;
    auto watcher = make(std::move(observed));
    watcher->watchPrograms({game});
    settle();
    const int restingScans = source.scans;
    settle();
    EXPECT_EQ(source.scans, restingScans) << "no scan at rest";

    Child child(game.c_str(), "60");
    const std::string id = std::to_string(child.pid());
    ASSERT_TRUE(runUntil([&] { return about(child.pid()).size() == 1; }));
    EXPECT_EQ(about(child.pid()), std::vector<std::string>{"+" + id + " " + game});
    watcher->follow(child.pid());
    settle();  // the look after the open and the armed time are over
    settle();
    const int followingScans = source.scans;
    settle();
    EXPECT_EQ(source.scans, followingScans) << "no scan while the game runs at rest";
    child.stop();
    ASSERT_TRUE(runUntil([&] { return about(child.pid()).size() == 2; }));
    EXPECT_EQ(about(child.pid()).back(), "-" + id + " " + game);
    EXPECT_TRUE(log().empty());
}

TEST_F(Watcher, AtRestOtherProgramsAreReportedAtTheRestingPause) {
    test::TempDir dir;
    const std::string game = dir.file("game").string();
    fs::copy_file(kSleep, game);
    auto watcher = make(std::make_unique<ProcProcessSource>(100, 50, 100));
    watcher->watchPrograms({game});
    settle();
    Child other;
    ASSERT_TRUE(runUntil([&] { return about(other.pid()).size() == 1; }));
    other.stop();
    ASSERT_TRUE(runUntil([&] { return about(other.pid()).size() == 2; }));
    EXPECT_EQ(about(other.pid()), (std::vector<std::string>{created(other), ended(other)}));
}

TEST_F(Watcher, ProgramsRunningWhenTheWatcherIsMadeAreReportedOnlyWhenTheyEnd) {
    Child before;
    ASSERT_TRUE(before.executed());
    auto watcher = make();
    Child after;
    ASSERT_TRUE(runUntil([&] { return !about(after.pid()).empty(); }));
    before.stop();
    ASSERT_TRUE(runUntil([&] { return !about(before.pid()).empty(); }));
    EXPECT_EQ(about(before.pid()), std::vector<std::string>{ended(before)});
    EXPECT_EQ(about(after.pid()), std::vector<std::string>{created(after)});
}

TEST_F(Watcher, PollIntervalRefusesNegativeValuesAndKeepsTheOldOne) {
    auto watcher = make();
    EXPECT_EQ(watcher->pollInterval(), ProcessNotify::kDefaultPollInterval);
    watcher->setPollInterval(25);
    try {
        watcher->setPollInterval(-1);
        ADD_FAILURE() << "a negative interval was taken";
    } catch (const ProcessNotifyError& e) {
        EXPECT_STREQ(e.what(), "Invalid poll interval value");
    }
    EXPECT_EQ(watcher->pollInterval(), 25);

    // No pause at all.
    watcher->setPollInterval(0);
    EXPECT_EQ(watcher->pollInterval(), 0);
    Child child;
    ASSERT_TRUE(runUntil([&] { return !about(child.pid()).empty(); }));
    EXPECT_EQ(about(child.pid()), std::vector<std::string>{created(child)});

    // A long pause under way gives way to a short one at once.
    watcher->setPollInterval(3'600'000);
    settle();
    watcher->setPollInterval(1);
    child.stop();
    ASSERT_TRUE(runUntil([&] { return about(child.pid()).size() == 2; }));
}

TEST_F(Watcher, WhileDisabledNothingIsReportedAndTheFirstScanAfterwardsCatchesUp) {
    auto watcher = make();
    watcher->setPollInterval(2);
    Child known;
    // Disabling from a handler stops the scan right there; the rest of its news waits.
    bool disabled = false;
    watcher->onProcessCreated([&](const ProcessRecord& r) {
        note('+', r);
        if (!disabled && r.pid == known.pid()) {
            disabled = true;
            watcher->setEnabled(false);
        }
    });
    ASSERT_TRUE(runUntil([&] { return disabled; }));
    EXPECT_FALSE(watcher->enabled());

    known.stop();
    Child b;
    Child d;
    ASSERT_TRUE(b.executed());
    ASSERT_TRUE(d.executed());
    int fleeting = 0;
    {
        Child meanwhile;
        ASSERT_TRUE(meanwhile.executed());
        fleeting = meanwhile.pid();
    }
    settle();
    const auto ours = [&] { return about({known.pid(), b.pid(), d.pid(), fleeting}); };
    EXPECT_EQ(ours(), std::vector<std::string>{created(known)});

    // This time the first of the two new ones disables it.
    int first = 0;
    const int bPid = b.pid();
    const int dPid = d.pid();
    watcher->onProcessCreated([&](const ProcessRecord& r) {
        note('+', r);
        if (first == 0 && (r.pid == bPid || r.pid == dPid)) {
            first = r.pid;
            watcher->setEnabled(false);
        }
    });
    watcher->setEnabled(true);
    ASSERT_TRUE(runUntil([&] { return first != 0; }));
    settle();
    EXPECT_EQ(ours().size(), 2u) << "only the first news of the scan";

    watcher->setEnabled(true);
    const int second = first == bPid ? dPid : bPid;
    ASSERT_TRUE(runUntil([&] { return ours().size() == 4; }));
    EXPECT_EQ(ours(), (std::vector<std::string>{created(known), "+" + std::to_string(first) + " " + kSleep,
                                                "+" + std::to_string(second) + " " + kSleep, ended(known)}));
    EXPECT_TRUE(about(fleeting).empty()) << "started and ended while disabled";
}

TEST_F(Watcher, AFailingHandlerIsLoggedOnThePollThreadAndTheWatchingGoesOn) {
    auto watcher = make();
    watcher->setPollInterval(2);
    Child child;
    watcher->onProcessCreated([&](const ProcessRecord& r) {
        note('+', r);
        if (r.pid == child.pid()) {
            throw std::runtime_error("no Profile for this game");
        }
    });
    ASSERT_TRUE(runUntil([&] { return !log().empty(); }));
    EXPECT_EQ(log().front(), "padwarden: the handler for the start of process " +
                                 std::to_string(child.pid()) + " (" + kSleep +
                                 ") failed: no Profile for this game");
    {
        std::lock_guard lock(mutex_);
        EXPECT_FALSE(logOnMainThread_.front());
    }
    child.stop();
    ASSERT_TRUE(runUntil([&] { return about(child.pid()).size() == 2; }));
    EXPECT_EQ(about(child.pid()), (std::vector<std::string>{created(child), ended(child)}));
}

TEST_F(Watcher, AsyncHandlersRunOnThePollThreadAndMayFailToo) {
    auto watcher = make();
    watcher->setAsyncNotify(true);
    EXPECT_TRUE(watcher->asyncNotify());
    watcher->setPollInterval(2);
    Child child;
    watcher->onProcessTerminated([&](const ProcessRecord& r) {
        note('-', r);
        if (r.pid == child.pid()) {
            throw 42;
        }
    });
    // No event loop needed: the handlers do not wait for the main thread.
    for (int i = 0; i < kPatienceMs && about(child.pid()).empty(); ++i) {
        std::this_thread::sleep_for(1ms);
    }
    child.stop();
    for (int i = 0; i < kPatienceMs && log().empty(); ++i) {
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_EQ(about(child.pid()), (std::vector<std::string>{created(child), ended(child)}));
    std::lock_guard lock(mutex_);
    EXPECT_TRUE(
        std::none_of(reports_.begin(), reports_.end(), [](const Report& r) { return r.onMainThread; }));
    ASSERT_EQ(log_.size(), 1u);
    EXPECT_NE(log_[0].find("end of process " + std::to_string(child.pid())), std::string::npos) << log_[0];
}

TEST_F(Watcher, DestroyingItWithAReportWaitingReturnsAndRunsNoHandlerAnyMore) {
    auto observed = std::make_unique<ObservedSource>();
    ObservedSource& source = *observed;
    source.narrowTo({});
    auto watcher = make(std::move(observed));
    watcher->setPollInterval(1);
    Child child;
    ASSERT_TRUE(child.executed());
    source.narrowTo({child.pid()});
    // Without serving the event loop: the poll thread reads the child and then waits for the main
    // thread to take its report.
    const int tid = pollThreadOf(*watcher);
    for (int i = 0; i < kPatienceMs && !(source.wasRead(child.pid()) && threadState(tid) == 'S'); ++i) {
        std::this_thread::sleep_for(1ms);
    }
    ASSERT_TRUE(source.wasRead(child.pid()));
    watcher.reset();
    settle();
    EXPECT_TRUE(about(child.pid()).empty());

    // Disabled, or in the middle of a long pause.
    auto disabled = make();
    disabled->setEnabled(false);
    disabled.reset();
    auto resting = make();
    resting->setPollInterval(3'600'000);
    resting.reset();
}

TEST_F(Watcher, PollPriorityBecomesTheThreadsNiceness) {
    auto watcher = make();
    EXPECT_EQ(watcher->pollPriority(), PollPriority::Normal);
    // Set before the thread may have started: it takes it on when it does.
    watcher->setPollPriority(PollPriority::Lower);
    EXPECT_EQ(watcher->pollPriority(), PollPriority::Lower);
    const int tid = pollThreadOf(*watcher);
    ASSERT_NE(tid, 0);
    const auto nice = [&] {
        errno = 0;
        return ::getpriority(PRIO_PROCESS, static_cast<id_t>(tid));
    };
    for (int i = 0; i < kPatienceMs && nice() != 5; ++i) {
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_EQ(nice(), 5);

    watcher->setPollPriority(PollPriority::Lowest);
    EXPECT_EQ(nice(), 10);
    watcher->setPollPriority(PollPriority::Idle);
    EXPECT_EQ(::sched_getscheduler(tid), SCHED_IDLE);
    EXPECT_EQ(watcher->pollPriority(), PollPriority::Idle);

    // Back up again needs the right to raise priorities.
    watcher->setPollPriority(PollPriority::Higher);
    EXPECT_EQ(watcher->pollPriority(), PollPriority::Higher);
    if (::geteuid() == 0) {
        EXPECT_EQ(::sched_getscheduler(tid), SCHED_OTHER);
        EXPECT_EQ(nice(), -5);
        watcher->setPollPriority(PollPriority::TimeCritical);
        EXPECT_EQ(nice(), -20);
        EXPECT_TRUE(log().empty());
    } else {
        ASSERT_FALSE(log().empty());
        EXPECT_NE(log().back().find("priority higher"), std::string::npos) << log().back();
    }

    // The watching goes on at any priority.
    Child child;
    ASSERT_TRUE(runUntil([&] { return !about(child.pid()).empty(); }));
}

}  // namespace
}  // namespace pw
