#pragma once

#include <QObject>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "games/ProcessWatcher.h"

namespace pw {

// The process watcher of the main window: a poll thread scans the running processes every
// pollInterval() ms and tells which programs started and which ended, so that a library game gets
// its key assignments however it was started.
//
// Where the source can tell when something that matters happens (ProcessSource::newsHandle(): a
// library program opened, a followed game ended), the poll thread sleeps on that between scans
// and scans at once when it comes; it then scans at the interval only for as long as the source
// asks (ProcessSource::pauseFor()), and otherwise reports the other processes' starts and ends at
// the source's longer pause. A watcher that costs a wake-up every 10 ms costs more at rest than
// the whole rest of the program.
//
// The first scan is taken when the watcher is made, on the making thread, and reports nothing:
// what runs then is known from the start and reported only when it ends.
//
// Reports (see ProcessDiff for their order) go to the handlers:
// - asyncNotify() false (the default): on the thread that owns the watcher, the poll thread waiting
//   until the handler has run. An exception from the handler is raised again on the poll thread,
//   written to the log there, and the watching goes on.
// - asyncNotify() true: on the poll thread itself. The handlers must then be safe to run there.
//
// Disabling suspends the poll thread wherever it is: no handler runs until it is enabled again, and
// the first scan after that compares with the list as it was, so whatever started or ended in
// between is reported then.
//
// Destroying the watcher stops the poll thread and waits for it. From that moment no handler runs
// any more, not even for news of the scan under way: the owner's parts that handlers use may be
// gone already. The watcher must not be destroyed from inside one of its handlers (deleteLater()
// is fine).
class ProcessNotify final : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(const ProcessRecord&)>;
    using LogHandler = std::function<void(const std::string&)>;

    static constexpr int kDefaultPollInterval = 10;

    // Watches the system's processes (/proc).
    explicit ProcessNotify(QObject* parent = nullptr);
    // Watches the processes that `source` (not null) lists.
    explicit ProcessNotify(std::unique_ptr<ProcessSource> source, QObject* parent = nullptr);
    ~ProcessNotify() override;
    ProcessNotify(const ProcessNotify&) = delete;
    ProcessNotify& operator=(const ProcessNotify&) = delete;

    // The pause before every scan in ms, read afresh before every pause; 0 scans without a pause.
    // A negative value throws ProcessNotifyError("Invalid poll interval value") and changes nothing.
    int pollInterval() const;
    void setPollInterval(int milliseconds);

    bool enabled() const;
    void setEnabled(bool on);

    bool asyncNotify() const;
    void setAsyncNotify(bool on);

    // Linux has niceness instead of thread priorities: idle is the SCHED_IDLE class; lowest,
    // lower, normal, higher, highest and timeCritical are nice 10, 5, 0, -5, -10 and -20. Raising
    // it above the present one needs CAP_SYS_NICE (or a matching RLIMIT_NICE); where the system
    // refuses, the thread keeps its priority and the log says so. Reading gives what was set.
    PollPriority pollPriority() const;
    void setPollPriority(PollPriority priority);

    void onProcessCreated(Handler handler);
    void onProcessTerminated(Handler handler);
    // Where the watcher's complaints go, one line each, from the poll thread or the owner's thread.
    // By default to qWarning().
    void setLogHandler(LogHandler handler);

    // Follows the process `pid` from the next scan on (see ProcessDiff::follow): a running game,
    // whose end must be seen even while it waits to be reaped. Safe from any thread.
    void follow(int pid);

    // Hands the library's program files to the source (see ProcessSource::watchPrograms), at the
    // next scan. Safe from any thread.
    void watchPrograms(std::vector<std::string> files, bool everyProgram = true);

    // The poll thread's Linux thread id, 0 until it runs: for looking at the thread from outside.
    int pollThreadId() const;

private:
    enum class Kind { Created, Terminated };

    // One report on its way to the owner's thread.
    struct HandOver {
        std::uint64_t ticket = 0;
        Kind kind = Kind::Created;
        const ProcessRecord* record = nullptr;
        bool served = false;
        bool deferred = false;  // the watcher was disabled before the report could be served
        std::exception_ptr error;
    };

    void run();
    bool pause(std::unique_lock<std::mutex>& lock);
    // Wakes the poll thread from its pause, wherever it waits, to look at its settings again.
    void wakeUp();
    void deliver(Kind kind, const ProcessRecord& record);
    void serve(std::uint64_t ticket);
    void reportFailure(Kind kind, const ProcessRecord& record, const std::exception_ptr& error);
    std::string applyPriority();
    std::shared_ptr<const Handler> handlerFor(Kind kind) const;
    void log(const std::string& line);

    std::unique_ptr<ProcessSource> source_;
    ProcessDiff diff_;  // the poll thread's once it runs
    bool listUnreadable_ = false;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    int interval_ = kDefaultPollInterval;
    bool enabled_ = true;
    bool async_ = false;
    bool stop_ = false;
    PollPriority priority_ = PollPriority::Normal;
    int threadId_ = 0;
    std::shared_ptr<const Handler> created_;
    std::shared_ptr<const Handler> terminated_;
    std::shared_ptr<const LogHandler> log_;
    HandOver handOver_;
    std::vector<int> toFollow_;
    std::vector<std::string> programs_;
    bool everyProgram_ = true;
    bool programsChanged_ = false;
    // Written to wake the poll thread while it waits on the source's news; -1 when there is none.
    int wakeHandle_ = -1;
    std::uint64_t lastTicket_ = 0;

    std::thread thread_;
};

}  // namespace pw
