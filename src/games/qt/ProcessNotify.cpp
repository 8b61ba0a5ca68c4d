#include "games/qt/ProcessNotify.h"

#include <poll.h>
#include <sched.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QMetaObject>
#include <QtGlobal>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <utility>

#include "games/linux/ProcProcessSource.h"

namespace pw {

namespace {

struct Niceness {
    bool idleClass;
    int nice;
};

Niceness nicenessOf(PollPriority priority) {
    switch (priority) {
        case PollPriority::Idle:
            return {true, 0};
        case PollPriority::Lowest:
            return {false, 10};
        case PollPriority::Lower:
            return {false, 5};
        case PollPriority::Normal:
            return {false, 0};
        case PollPriority::Higher:
            return {false, -5};
        case PollPriority::Highest:
            return {false, -10};
        case PollPriority::TimeCritical:
            return {false, -20};
    }
    return {false, 0};
}

const char* nameOf(PollPriority priority) {
    static constexpr std::array<const char*, 7> kNames = {"idle",   "lowest",  "lower",       "normal",
                                                          "higher", "highest", "timeCritical"};
    return kNames[static_cast<std::size_t>(priority)];
}

std::string describeRecord(const ProcessRecord& record) {
    return "process " + std::to_string(record.pid) + " (" + record.exeFile + ")";
}

}  // namespace

ProcessNotify::ProcessNotify(QObject* parent)
    : ProcessNotify(std::make_unique<ProcProcessSource>(), parent) {}

ProcessNotify::ProcessNotify(std::unique_ptr<ProcessSource> source, QObject* parent)
    : QObject(parent), source_(std::move(source)), wakeHandle_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
    try {
        diff_.start(*source_);
    } catch (const std::exception& e) {
        log(std::string("padwarden: the process watcher starts with an empty list: ") + e.what());
    }
    thread_ = std::thread([this] { run(); });
}

ProcessNotify::~ProcessNotify() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wakeUp();
    if (thread_.joinable()) {
        thread_.join();
    }
    // A hand-over the poll thread gave up is still posted to this object; Qt drops it with it.
    if (wakeHandle_ >= 0) {
        ::close(wakeHandle_);
    }
}

void ProcessNotify::wakeUp() {
    wake_.notify_all();
    if (wakeHandle_ >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(wakeHandle_, &one, sizeof one);
    }
}

int ProcessNotify::pollInterval() const {
    std::lock_guard lock(mutex_);
    return interval_;
}

void ProcessNotify::setPollInterval(int milliseconds) {
    checkedPollInterval(milliseconds);
    {
        std::lock_guard lock(mutex_);
        if (interval_ == milliseconds) {
            return;
        }
        interval_ = milliseconds;
    }
    // A pause under way is measured against the new value at once: a long pause shortened to a
    // short one ends now instead of after the old time.
    wakeUp();
}

bool ProcessNotify::enabled() const {
    std::lock_guard lock(mutex_);
    return enabled_;
}

void ProcessNotify::setEnabled(bool on) {
    {
        std::lock_guard lock(mutex_);
        if (enabled_ == on) {
            return;
        }
        enabled_ = on;
    }
    wakeUp();
}

bool ProcessNotify::asyncNotify() const {
    std::lock_guard lock(mutex_);
    return async_;
}

void ProcessNotify::setAsyncNotify(bool on) {
    std::lock_guard lock(mutex_);
    async_ = on;
}

PollPriority ProcessNotify::pollPriority() const {
    std::lock_guard lock(mutex_);
    return priority_;
}

void ProcessNotify::setPollPriority(PollPriority priority) {
    std::string failure;
    {
        std::lock_guard lock(mutex_);
        if (priority_ == priority) {
            return;
        }
        priority_ = priority;
        // Before the thread runs, it applies the priority itself.
        if (threadId_ != 0) {
            failure = applyPriority();
        }
    }
    if (!failure.empty()) {
        log(failure);
    }
}

void ProcessNotify::onProcessCreated(Handler handler) {
    auto shared = std::make_shared<const Handler>(std::move(handler));
    std::lock_guard lock(mutex_);
    created_ = std::move(shared);
}

void ProcessNotify::onProcessTerminated(Handler handler) {
    auto shared = std::make_shared<const Handler>(std::move(handler));
    std::lock_guard lock(mutex_);
    terminated_ = std::move(shared);
}

void ProcessNotify::setLogHandler(LogHandler handler) {
    auto shared = std::make_shared<const LogHandler>(std::move(handler));
    std::lock_guard lock(mutex_);
    log_ = std::move(shared);
}

void ProcessNotify::follow(int pid) {
    {
        std::lock_guard lock(mutex_);
        toFollow_.push_back(pid);
    }
    wakeUp();
}

void ProcessNotify::watchPrograms(std::vector<std::string> files, bool everyProgram) {
    {
        std::lock_guard lock(mutex_);
        programs_ = std::move(files);
        everyProgram_ = everyProgram;
        programsChanged_ = true;
    }
    wakeUp();
}

int ProcessNotify::pollThreadId() const {
    std::lock_guard lock(mutex_);
    return threadId_;
}

std::shared_ptr<const ProcessNotify::Handler> ProcessNotify::handlerFor(Kind kind) const {
    return kind == Kind::Created ? created_ : terminated_;
}

void ProcessNotify::log(const std::string& line) {
    std::shared_ptr<const LogHandler> sink;
    {
        std::lock_guard lock(mutex_);
        sink = log_;
    }
    if (sink && *sink) {
        (*sink)(line);
    } else {
        qWarning("%s", line.c_str());
    }
}

// Called with the mutex held and the thread running.
std::string ProcessNotify::applyPriority() {
    const Niceness wanted = nicenessOf(priority_);
    const pid_t tid = threadId_;
    sched_param param{};
    bool done = true;
    if (wanted.idleClass) {
        done = ::sched_setscheduler(tid, SCHED_IDLE, &param) == 0;
    } else {
        if (::sched_getscheduler(tid) == SCHED_IDLE) {
            done = ::sched_setscheduler(tid, SCHED_OTHER, &param) == 0;
        }
        done = done && ::setpriority(PRIO_PROCESS, static_cast<id_t>(tid), wanted.nice) == 0;
    }
    if (done) {
        return {};
    }
    return std::string("padwarden: cannot give the process watcher the priority ") + nameOf(priority_) +
           ": " + std::strerror(errno) + " (it keeps the one it has)";
}

void ProcessNotify::run() {
    std::string failure;
    {
        std::lock_guard lock(mutex_);
        threadId_ = static_cast<int>(::gettid());
        if (priority_ != PollPriority::Normal) {
            failure = applyPriority();
        }
    }
    if (!failure.empty()) {
        log(failure);
    }

    const ProcessDiff::Notify created = [this](const ProcessRecord& r) { deliver(Kind::Created, r); };
    const ProcessDiff::Notify terminated = [this](const ProcessRecord& r) { deliver(Kind::Terminated, r); };
    std::unique_lock lock(mutex_);
    std::vector<int> following;
    while (pause(lock)) {
        following.swap(toFollow_);
        std::vector<std::string> programs;
        const bool programsChanged = std::exchange(programsChanged_, false);
        const bool everyProgram = everyProgram_;
        if (programsChanged) {
            programs.swap(programs_);
        }
        lock.unlock();
        if (programsChanged) {
            source_->watchPrograms(programs, everyProgram);
        }
        for (int pid : following) {
            diff_.follow(pid);
        }
        following.clear();
        try {
            const bool read = diff_.cycle(*source_, created, terminated);
            // Said once when the list becomes unreadable and once when it can be read again, not
            // at every scan.
            if (read == listUnreadable_) {
                listUnreadable_ = !read;
                log(read ? "padwarden: the process list can be read again"
                         : "padwarden: cannot read the process list (/proc); games that start or end "
                           "now are noticed once it can be read again");
            }
        } catch (const std::exception& e) {
            log(std::string("padwarden: a scan of the process list failed: ") + e.what());
        }
        lock.lock();
    }
}

// Sleeps the poll interval, and as long as the watcher is disabled. False once asked to stop.
bool ProcessNotify::pause(std::unique_lock<std::mutex>& lock) {
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        if (stop_) {
            return false;
        }
        if (!enabled_) {
            wake_.wait(lock);
            continue;
        }
        // The source is the poll thread's. What the owner has handed over is taken at the next
        // scan, which therefore comes at the interval.
        const int news = wakeHandle_ >= 0 ? source_->newsHandle() : -1;
        const bool handedOver = !toFollow_.empty() || programsChanged_ || diff_.followPending();
        const int pauseMs = news >= 0 && !handedOver ? source_->pauseFor(interval_) : interval_;
        const auto deadline = start + std::chrono::milliseconds(pauseMs);
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) {
            return true;
        }
        if (news < 0) {
            wake_.wait_until(lock, deadline);
            continue;
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
        std::array<pollfd, 2> handles{{{wakeHandle_, POLLIN, 0}, {news, POLLIN, 0}}};
        lock.unlock();
        const int ready = ::poll(handles.data(), handles.size(), static_cast<int>(left));
        if (ready > 0 && (handles[0].revents & POLLIN) != 0) {
            std::uint64_t count = 0;
            [[maybe_unused]] const ssize_t n = ::read(wakeHandle_, &count, sizeof count);
        }
        lock.lock();
        if (ready > 0 && handles[1].revents != 0 && !stop_ && enabled_) {
            return true;  // news: scan at once
        }
    }
}

// On the poll thread, for each report of a scan.
void ProcessNotify::deliver(Kind kind, const ProcessRecord& record) {
    std::unique_lock lock(mutex_);
    for (;;) {
        // Disabled in the middle of a scan: the rest of its news waits for the resumption.
        wake_.wait(lock, [this] { return stop_ || enabled_; });
        if (stop_) {
            return;
        }
        if (async_) {
            const auto handler = handlerFor(kind);
            lock.unlock();
            if (handler && *handler) {
                try {
                    (*handler)(record);
                } catch (...) {
                    reportFailure(kind, record, std::current_exception());
                }
            }
            return;
        }

        const std::uint64_t ticket = ++lastTicket_;
        handOver_ = HandOver{ticket, kind, &record, false, false, nullptr};
        QMetaObject::invokeMethod(
            this, [this, ticket] { serve(ticket); }, Qt::QueuedConnection);
        wake_.wait(lock, [this] { return stop_ || handOver_.served || handOver_.deferred; });
        const HandOver outcome = std::exchange(handOver_, HandOver{});
        if (outcome.served) {
            lock.unlock();
            if (outcome.error) {
                reportFailure(kind, record, outcome.error);
            }
            return;
        }
        if (!outcome.deferred) {
            // Stopping: the hand-over is given up; when its call comes, it finds no ticket and
            // does nothing.
            return;
        }
    }
}

// On the owner's thread: runs the handler for the report the poll thread waits with.
void ProcessNotify::serve(std::uint64_t ticket) {
    std::unique_lock lock(mutex_);
    if (handOver_.ticket != ticket || handOver_.served || handOver_.deferred) {
        return;
    }
    if (!enabled_) {
        handOver_.deferred = true;
        lock.unlock();
        wake_.notify_all();
        return;
    }
    const auto handler = handlerFor(handOver_.kind);
    const ProcessRecord& record = *handOver_.record;
    lock.unlock();
    std::exception_ptr error;
    if (handler && *handler) {
        try {
            (*handler)(record);
        } catch (...) {
            error = std::current_exception();
        }
    }
    lock.lock();
    if (handOver_.ticket == ticket) {
        handOver_.served = true;
        handOver_.error = error;
    }
    lock.unlock();
    wake_.notify_all();
}

// On the poll thread: the handler's exception, raised again here and written to the log.
void ProcessNotify::reportFailure(Kind kind, const ProcessRecord& record, const std::exception_ptr& error) {
    const std::string what = std::string("padwarden: the handler for the ") +
                             (kind == Kind::Created ? "start" : "end") + " of " + describeRecord(record) +
                             " failed: ";
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        log(what + e.what());
    } catch (...) {
        log(what + "an exception that is no std::exception");
    }
}

}  // namespace pw
