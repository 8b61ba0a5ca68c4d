#include "games/linux/ProcProcessSource.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/epoll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>

#include "games/CommandLine.h"
#include "games/linux/WinePaths.h"

namespace pw {

namespace {

constexpr std::string_view kDeleted = " (deleted)";
constexpr std::array<std::string_view, 4> kWineLoaders = {"wine64-preloader", "wine-preloader", "wine",
                                                          "wine64"};
// Programs that only set something up and then exec the program they are given.
constexpr std::array<std::string_view, 8> kExecWrappers = {"env",    "nice",    "nohup", "setsid",
                                                           "ionice", "taskset", "chrt",  "stdbuf"};

// Programs that run a script they are given, with or without a "#!" line that names them.
constexpr std::array<std::string_view, 12> kInterpreters = {"sh",  "bash", "dash", "zsh",   "ksh",  "mksh",
                                                            "ash", "perl", "ruby", "tclsh", "node", "lua"};

using PathBuffer = std::array<char, 48>;

const char* procPath(PathBuffer& buffer, int pid, const char* leaf) {
    std::snprintf(buffer.data(), buffer.size(), "/proc/%d/%s", pid, leaf);
    return buffer.data();
}

// The target of /proc/PID/exe without " (deleted)"; false (errno set) when it cannot be read.
bool readExe(int pid, std::array<char, 4096>& buffer, std::string_view& exe) {
    PathBuffer path;
    const ssize_t n = ::readlink(procPath(path, pid, "exe"), buffer.data(), buffer.size());
    if (n < 0) {
        return false;
    }
    exe = std::string_view(buffer.data(), static_cast<std::size_t>(n));
    if (exe.ends_with(kDeleted)) {
        exe.remove_suffix(kDeleted.size());
    }
    return true;
}

// Reads up to `size` bytes of a /proc file; -1 (errno set) when it cannot be opened or read.
ssize_t readFile(const char* path, char* buffer, std::size_t size) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    std::size_t total = 0;
    while (total < size) {
        const ssize_t n = ::read(fd, buffer + total, size - total);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            errno = error;
            return -1;
        }
        if (n == 0) {
            break;
        }
        total += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return static_cast<ssize_t>(total);
}

char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool endsWithExe(std::string_view text) {
    if (text.size() <= 4) {
        return false;
    }
    const std::string_view tail = text.substr(text.size() - 4);
    return tail[0] == '.' && asciiLower(tail[1]) == 'e' && asciiLower(tail[2]) == 'x' &&
           asciiLower(tail[3]) == 'e';
}

std::string_view baseName(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

bool isWineLoader(std::string_view exe) {
    const std::string_view name = baseName(exe);
    for (std::string_view loader : kWineLoaders) {
        if (name == loader) {
            return true;
        }
    }
    return false;
}

// "python3", "python3.11", "perl5.36", "lua5.4": the versioned names of an interpreter.
bool isInterpreter(std::string_view exe) {
    std::string_view name = baseName(exe);
    if (name.starts_with("python")) {
        return true;
    }
    while (!name.empty() && ((name.back() >= '0' && name.back() <= '9') || name.back() == '.')) {
        name.remove_suffix(1);
    }
    return std::find(kInterpreters.begin(), kInterpreters.end(), name) != kInterpreters.end();
}

bool isExecWrapper(std::string_view exe) {
    return std::find(kExecWrappers.begin(), kExecWrappers.end(), baseName(exe)) != kExecWrappers.end();
}

// What the program is read from, folded into one number: a change is an exec (or Wine writing
// the Windows command line over its own).
std::uint64_t imageOf(std::string_view exe, std::string_view cmdline) {
    std::uint64_t hash = 14695981039346656037ULL;
    for (std::string_view part : {exe, std::string_view("\0", 1), cmdline}) {
        for (const char c : part) {
            hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
        }
    }
    return hash;
}

std::uint64_t executableOf(std::string_view exe) {
    return imageOf(exe, {});
}

bool isWineStart(std::string_view argument) {
    const std::string folded = foldWindowsPath(baseName(argument));
    return folded == "START" || folded == "START.EXE";
}

// The command line's arguments one by one (they end in NUL; the last one may not).
class Arguments {
public:
    explicit Arguments(std::string_view cmdline) : rest_(cmdline) {}
    bool next(std::string_view& argument) {
        if (rest_.empty()) {
            return false;
        }
        const std::size_t end = rest_.find('\0');
        argument = rest_.substr(0, end);
        rest_ = end == std::string_view::npos ? std::string_view() : rest_.substr(end + 1);
        return true;
    }

private:
    std::string_view rest_;
};

// For a Windows program under Wine, the first argument naming an .exe; empty otherwise.
std::string_view windowsProgram(std::string_view exe, std::string_view cmdline) {
    Arguments arguments(cmdline);
    std::string_view first;
    const bool hasFirst = arguments.next(first);
    if (!isWineLoader(exe) && !(hasFirst && endsWithExe(first))) {
        return {};
    }
    if (hasFirst && endsWithExe(first)) {
        return first;
    }
    // "wine start /wait C:\Games\x.exe": start asks Wine for a new process that runs the program
    // and is no game itself (the process that runs it is seen on its own).
    if (hasFirst && isWineStart(first)) {
        return {};
    }
    std::string_view argument;
    while (arguments.next(argument)) {
        if (isWineStart(argument)) {
            return {};
        }
        if (endsWithExe(argument)) {
            return argument;
        }
    }
    return {};
}

// The first word of `text` (up to a blank), taken off it.
std::string_view takeWord(std::string_view& text) {
    const std::size_t begin = std::min(text.find_first_not_of(" \t"), text.size());
    text.remove_prefix(begin);
    const std::size_t end = std::min(text.find_first_of(" \t"), text.size());
    const std::string_view word = text.substr(0, end);
    text.remove_prefix(end);
    return word;
}

// Whether the "#!" line `head` names the interpreter that runs as `exe`, started as `argv0`. The
// kernel starts a script as "<interpreter as written> <script>"; a user types "sh game.sh".
bool namesInterpreter(std::string_view head, std::string_view exe, std::string_view argv0) {
    if (!head.starts_with("#!")) {
        return false;
    }
    head.remove_prefix(2);
    head = head.substr(0, head.find('\n'));
    const std::string_view interpreter = takeWord(head);
    if (interpreter.empty()) {
        return false;
    }
    if (baseName(interpreter) == "env") {
        // "#!/usr/bin/env python3": env starts the program under the name it was given.
        std::string_view name = takeWord(head);
        while (name.starts_with('-')) {
            name = takeWord(head);
        }
        return !name.empty() && baseName(argv0) == name;
    }
    if (argv0 == interpreter) {
        return true;
    }
    std::array<char, 4096> path{};
    std::array<char, PATH_MAX> resolved{};
    if (interpreter.size() >= path.size()) {
        return false;
    }
    std::copy(interpreter.begin(), interpreter.end(), path.begin());
    return ::realpath(path.data(), resolved.data()) != nullptr && exe == resolved.data();
}

// Parent id and start time (clock ticks since boot) from /proc/PID/stat.
bool readParentAndStart(int pid, int& parent, long long& startTicks) {
    std::array<char, 1024> stat;
    PathBuffer path;
    const ssize_t n = readFile(procPath(path, pid, "stat"), stat.data(), stat.size());
    if (n <= 0) {
        return false;
    }
    // The command name in parentheses may hold spaces and parentheses itself: the fields start
    // after the last ')'.
    const std::string_view text(stat.data(), static_cast<std::size_t>(n));
    const std::size_t close = text.rfind(')');
    if (close == std::string_view::npos) {
        return false;
    }
    // After it: state (field 3), ppid (4), ... starttime (22).
    std::string_view rest = text.substr(close + 1);
    bool haveParent = false;
    for (int field = 3; field <= 22; ++field) {
        const std::size_t begin = rest.find_first_not_of(' ');
        if (begin == std::string_view::npos) {
            return false;
        }
        rest.remove_prefix(begin);
        const std::size_t end = std::min(rest.find(' '), rest.size());
        const std::string_view value = rest.substr(0, end);
        if (field == 4) {
            haveParent = std::from_chars(value.data(), value.data() + value.size(), parent).ec == std::errc();
        } else if (field == 22) {
            return haveParent &&
                   std::from_chars(value.data(), value.data() + value.size(), startTicks).ec == std::errc();
        }
        rest.remove_prefix(end);
    }
    return false;
}

long long monotonicMs() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + static_cast<long long>(now.tv_nsec) / 1'000'000;
}

long long ticksSinceBoot() {
    timespec now{};
    ::clock_gettime(CLOCK_BOOTTIME, &now);
    const long long hz = ::sysconf(_SC_CLK_TCK);
    return static_cast<long long>(now.tv_sec) * hz + static_cast<long long>(now.tv_nsec) * hz / 1'000'000'000;
}

}  // namespace

ProcProcessSource::~ProcProcessSource() {
    if (proc_ != nullptr) {
        ::closedir(proc_);
    }
    if (loadavg_ >= 0) {
        ::close(loadavg_);
    }
    if (programsOpened_ >= 0) {
        ::close(programsOpened_);
    }
    for (const auto& [pid, waited] : waited_) {
        ::close(waited.handle);
    }
    if (news_ >= 0) {
        ::close(news_);
    }
}

bool ProcProcessSource::readTaskCounters() {
    counters_.size = 0;
    if (loadavg_ < 0) {
        loadavg_ = ::open("/proc/loadavg", O_RDONLY | O_CLOEXEC);
        if (loadavg_ < 0) {
            return false;
        }
    }
    // "0.52 0.60 1.19 1/110 16608": running/tasks, then the last id.
    std::array<char, 128> text;
    const ssize_t n = ::pread(loadavg_, text.data(), text.size(), 0);
    if (n <= 0) {
        return false;
    }
    const std::string_view line(text.data(), static_cast<std::size_t>(n));
    const std::size_t slash = line.find('/');
    if (slash == std::string_view::npos) {
        return false;
    }
    const std::string_view counters = line.substr(slash + 1);
    if (counters.size() > counters_.text.size()) {
        return false;
    }
    std::copy(counters.begin(), counters.end(), counters_.text.begin());
    counters_.size = counters.size();
    return true;
}

bool ProcProcessSource::snapshot(std::vector<int>& pids) {
    takeNews();
    noteOpenedPrograms();
    const Counters before = previous_;
    const bool steady = readTaskCounters() && counters_ == before;
    previous_ = counters_;
    if (settled_ && steady && counters_ == listedAt_ && sinceListing_ + 1 < kFullListingEvery) {
        ++sinceListing_;
        pids.insert(pids.end(), listed_.begin(), listed_.end());
        return true;
    }
    // The counters are read before the listing, so whatever changes during it changes them too.
    // A listing is reused only once the counters had already stood still for a scan when it was
    // made: a process whose id was handed out before they were read, but which becomes visible
    // only after the listing, while another one ends, would leave them as they were.
    listed_.clear();
    settled_ = false;
    if (!list(listed_)) {
        listed_.clear();
        return false;
    }
    listedAt_ = counters_;
    settled_ = steady;
    sinceListing_ = 0;
    pids.insert(pids.end(), listed_.begin(), listed_.end());
    return true;
}

bool ProcProcessSource::list(std::vector<int>& pids) {
    if (proc_ == nullptr) {
        proc_ = ::opendir("/proc");
        if (proc_ == nullptr) {
            return false;
        }
    } else {
        // Rewinding makes the handle show /proc as it is now.
        ::rewinddir(proc_);
    }
    errno = 0;
    while (const dirent* entry = ::readdir(proc_)) {
        const char* name = entry->d_name;
        if (name[0] < '1' || name[0] > '9') {
            continue;
        }
        const char* end = name + std::strlen(name);
        int pid = 0;
        const auto [stop, error] = std::from_chars(name, end, pid);
        if (error == std::errc() && stop == end) {
            pids.push_back(pid);
        }
    }
    return errno == 0;
}

// A process of user space whose executable cannot be read just after its start is caught inside
// an exec (Wine's loader was seen so, under its new command name, with no link to read): taken by
// its command name then, it would never be read again. So it is asked for again until the grace
// time is over. Kernel threads (kthreadd, pid 2, and its children) have no executable at all.
bool ProcProcessSource::unreadableForAMoment(int pid) {
    int parent = 0;
    long long startTicks = 0;
    if (pid == 2 || !readParentAndStart(pid, parent, startTicks) || parent == 2) {
        return false;
    }
    const long long hz = ::sysconf(_SC_CLK_TCK);
    return (ticksSinceBoot() - startTicks) * 1000 < static_cast<long long>(kExecGraceMs) * hz;
}

bool ProcProcessSource::settling(int pid, std::string_view exe, std::string_view cmdline) {
    int parent = 0;
    long long startTicks = 0;
    if (!readParentAndStart(pid, parent, startTicks)) {
        return false;
    }
    const long long hz = ::sysconf(_SC_CLK_TCK);
    if ((ticksSinceBoot() - startTicks) * 1000 >= static_cast<long long>(kExecGraceMs) * hz) {
        return false;
    }
    // In the middle of exec: the new program is in place, its command line not yet.
    if (cmdline.empty()) {
        return true;
    }
    // "#!/usr/bin/env python3", "nice game": the program to come is the one named.
    if (std::find(kExecWrappers.begin(), kExecWrappers.end(), baseName(exe)) != kExecWrappers.end()) {
        return true;
    }
    // Between fork and exec: the parent's program and command line. After exec the command line is
    // the new one, so a program started by another instance of the same executable (one Windows
    // program of Wine starting the next) is taken at once.
    std::string_view parentExe;
    if (parent <= 0 || !readExe(parent, parentExe_, parentExe) || parentExe != exe) {
        return false;
    }
    PathBuffer path;
    const ssize_t length =
        readFile(procPath(path, parent, "cmdline"), parentCmdline_.data(), parentCmdline_.size());
    return length >= 0 &&
           std::string_view(parentCmdline_.data(), static_cast<std::size_t>(length)) == cmdline;
}

bool ProcProcessSource::readScript(int pid, std::string_view exe, std::string_view cmdline,
                                   ProcessRecord& record) {
    Arguments arguments(cmdline);
    std::string_view argv0;
    std::string_view candidate;
    if (!arguments.next(argv0)) {
        return false;
    }
    // The first argument that is no option: "#!/bin/sh -e" puts its option before the script.
    bool found = false;
    while (!found && arguments.next(candidate)) {
        found = !candidate.empty() && !candidate.starts_with('-');
    }
    if (!found) {
        return false;
    }

    // Made absolute with the process's working folder.
    std::size_t used = 0;
    if (candidate.front() != '/') {
        PathBuffer cwd;
        const ssize_t n = ::readlink(procPath(cwd, pid, "cwd"), scriptPath_.data(), scriptPath_.size() / 2);
        if (n <= 0) {
            return false;
        }
        used = static_cast<std::size_t>(n);
        if (scriptPath_[used - 1] != '/') {
            scriptPath_[used++] = '/';
        }
        if (candidate.starts_with("./")) {
            candidate.remove_prefix(2);
        }
    }
    if (used + candidate.size() + 1 > scriptPath_.size()) {
        return false;
    }
    std::copy(candidate.begin(), candidate.end(), scriptPath_.begin() + static_cast<std::ptrdiff_t>(used));
    used += candidate.size();
    scriptPath_[used] = '\0';

    // The command line is the process's own to write: only a regular file is opened (no FIFO that
    // would block, no device), without waiting and without becoming its terminal.
    struct stat info {};
    if (::stat(scriptPath_.data(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return false;
    }
    const int fd = ::open(scriptPath_.data(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        return false;
    }
    std::array<char, 256> head;
    const ssize_t n =
        ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) ? ::read(fd, head.data(), head.size()) : -1;
    ::close(fd);
    // A shell or a known interpreter runs the script it is given, "#!" line or not ("sh game.sh",
    // or a script without one that the system starts through /bin/sh); any other program must be
    // the one the script's "#!" line names.
    if (n < 0 || (!isInterpreter(exe) &&
                  (n == 0 || !namesInterpreter(std::string_view(head.data(), static_cast<std::size_t>(n)),
                                               exe, argv0)))) {
        return false;
    }
    record.exeFile.assign(scriptPath_.data(), used);
    return true;
}

bool ProcProcessSource::young(int pid) {
    int parent = 0;
    long long startTicks = 0;
    if (!readParentAndStart(pid, parent, startTicks)) {
        return false;
    }
    const long long hz = ::sysconf(_SC_CLK_TCK);
    const long long until = startTicks + static_cast<long long>(followYoungMs_) * hz / 1000;
    if (ticksSinceBoot() >= until) {
        return false;
    }
    if (youngUntil_.size() >= 256) {
        // Processes that ended young leave their mark behind; the expired ones go.
        const long long now = ticksSinceBoot();
        std::erase_if(youngUntil_, [now](const auto& mark) { return mark.second <= now; });
    }
    youngUntil_[pid] = until;
    return true;
}

std::string ProcProcessSource::windowsFile(int pid, std::string_view program) {
    if (isWindowsPath(program)) {
        PathBuffer path;
        const ssize_t n = readFile(procPath(path, pid, "environ"), environ_.data(), environ_.size());
        const std::string prefix =
            winePrefixOf(std::string_view(environ_.data(), n > 0 ? static_cast<std::size_t>(n) : 0));
        return windowsToLinux(program, prefix);
    }
    if (program.starts_with('/')) {
        return resolveProgramFile(std::string(program));
    }
    // Relative to the folder Wine was started in.
    PathBuffer cwd;
    const ssize_t n = ::readlink(procPath(cwd, pid, "cwd"), scriptPath_.data(), scriptPath_.size());
    if (n <= 0) {
        return {};
    }
    return resolveProgramFile(std::string(scriptPath_.data(), static_cast<std::size_t>(n)) + "/" +
                              std::string(program));
}

void ProcProcessSource::watchPrograms(const std::vector<std::string>& files, bool everyProgram) {
    everyProgram_ = everyProgram;
    if (programsOpened_ < 0) {
        programsOpened_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (programsOpened_ < 0) {
            return;  // without it, every process that may exec is read at every scan
        }
        // Without the news handle the watcher scans at its interval, as it must then.
        news_ = ::epoll_create1(EPOLL_CLOEXEC);
        epoll_event opened{};
        opened.events = EPOLLIN;
        opened.data.u64 = 0;  // no process has the id 0
        if (news_ >= 0 && ::epoll_ctl(news_, EPOLL_CTL_ADD, programsOpened_, &opened) != 0) {
            ::close(news_);
            news_ = -1;
        }
    }
    for (int watch : watches_) {
        ::inotify_rm_watch(programsOpened_, watch);
    }
    watches_.clear();
    programs_ = files;
    addWatches();
}

// A watch belongs to the file, not to its path: a program replaced by an update (a new file
// renamed over it, or deleted and written anew) would never be seen opened again. So when a
// watched file loses a link, is moved or deleted, or a program was missing, the paths are
// watched afresh; a path that names the same file keeps its watch.
void ProcProcessSource::addWatches() {
    missingPrograms_ = 0;
    sinceWatched_ = 0;
    for (const std::string& file : programs_) {
        const int watch = ::inotify_add_watch(programsOpened_, file.c_str(),
                                              IN_OPEN | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF);
        if (watch < 0) {
            ++missingPrograms_;
        } else if (std::find(watches_.begin(), watches_.end(), watch) == watches_.end()) {
            watches_.push_back(watch);
        }
    }
}

// Whether a library program was opened since the last scan; then, for the time a young process
// is watched, every process that may exec is read again at every scan: the exec itself, a Wine
// loader that writes the Windows command line over its own, an interpreter that runs the script.
// And since the opener may be any process, also one of its own program that has run for long (a
// launcher that waits and then execs the game), every known process is looked at for a moment:
// at this scan and the next, and for kExecSweepMs. The open of an exec comes before its new
// program shows, a little before on a warm disk, by the time of a read or two on a cold one.
void ProcProcessSource::noteOpenedPrograms() {
    now_ = ticksSinceBoot();
    if (programsOpened_ < 0) {
        sweeping_ = false;
        return;
    }
    alignas(inotify_event) std::array<char, 4096> events;
    bool opened = false;
    ssize_t n = 0;
    bool replaced = false;
    while ((n = ::read(programsOpened_, events.data(), events.size())) > 0) {
        for (std::size_t at = 0; at + sizeof(inotify_event) <= static_cast<std::size_t>(n);) {
            inotify_event event;
            std::memcpy(&event, events.data() + at, sizeof event);
            opened = opened || (event.mask & IN_OPEN) != 0;
            replaced = replaced || (event.mask & (IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF)) != 0;
            at += sizeof(inotify_event) + event.len;
        }
    }
    if (replaced || (missingPrograms_ > 0 && ++sinceWatched_ >= kRewatchMissingEvery)) {
        addWatches();
    }
    const long long nowMs = monotonicMs();
    if (opened) {
        quickUntilMs_ = nowMs + kQuickWindowMs;
        armedUntil_ = now_ + static_cast<long long>(armedMs_) * ::sysconf(_SC_CLK_TCK) / 1000;
        sweepScans_ = 2;
        sweepUntilMs_ = nowMs + kExecSweepMs;
    }
    sweeping_ = sweepScans_ > 0 || nowMs < sweepUntilMs_;
    if (sweepScans_ > 0) {
        --sweepScans_;
    }
}

bool ProcProcessSource::mayHaveExeced() {
    return sweeping_;
}

// The pidfds of processes that have exited are taken out of the news, so that it is readable
// again only for what is new; the inotify events are read by noteOpenedPrograms().
void ProcProcessSource::takeNews() {
    if (news_ < 0) {
        return;
    }
    std::array<epoll_event, 16> events;
    int n = 0;
    while ((n = ::epoll_wait(news_, events.data(), static_cast<int>(events.size()), 0)) > 0) {
        bool more = false;
        for (int i = 0; i < n; ++i) {
            const auto pid = static_cast<int>(events[static_cast<std::size_t>(i)].data.u64);
            if (const auto waited = waited_.find(pid); pid != 0 && waited != waited_.end()) {
                waited->second.exited = true;
                ::epoll_ctl(news_, EPOLL_CTL_DEL, waited->second.handle, nullptr);
                more = true;
            }
        }
        if (!more) {
            break;  // only the inotify handle, which is read next
        }
    }
}

bool ProcProcessSource::exitedAsWaitedFor(int pid) {
    if (news_ < 0) {
        return false;
    }
    auto waited = waited_.find(pid);
    if (waited == waited_.end()) {
        if (unwaited_.count(pid) != 0) {
            return false;
        }
        const int handle = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
        epoll_event ended{};
        ended.events = EPOLLIN;
        ended.data.u64 = static_cast<std::uint64_t>(pid);
        if (handle < 0 || ::epoll_ctl(news_, EPOLL_CTL_ADD, handle, &ended) != 0) {
            // Gone already (the listing tells), or a kernel without pidfds: then it is scanned for.
            if (handle >= 0) {
                ::close(handle);
            }
            if (errno != ESRCH) {
                unwaited_.insert(pid);
            }
            return false;
        }
        waited = waited_.emplace(pid, Waited{handle, false}).first;
    }
    if (!waited->second.exited) {
        return false;
    }
    ::close(waited->second.handle);
    waited_.erase(waited);
    return true;
}

void ProcProcessSource::forget(int pid) {
    if (const auto waited = waited_.find(pid); waited != waited_.end()) {
        if (!waited->second.exited) {
            ::epoll_ctl(news_, EPOLL_CTL_DEL, waited->second.handle, nullptr);
        }
        ::close(waited->second.handle);
        waited_.erase(waited);
    }
    unwaited_.erase(pid);
    wineLoaders_.erase(pid);
    youngUntil_.erase(pid);
}

int ProcProcessSource::pauseFor(int interval) {
    if (interval <= 0 || news_ < 0 || !everyProgram_ || missingPrograms_ > 0 || !unwaited_.empty()) {
        return interval;
    }
    const long long nowMs = monotonicMs();
    if (nowMs < quickUntilMs_) {
        return std::min(interval, kQuickPauseMs);
    }
    // A young Wine loader may run a Windows program of a prefix of its own, whose file is not
    // watched; young processes may still exec, which the armed time covers.
    if (sweeping_ || ticksSinceBoot() < armedUntil_ || !wineLoaders_.empty()) {
        return interval;
    }
    return std::max(interval, restingPauseMs_);
}

Recheck ProcProcessSource::recheck(int pid, const ProcessRecord& known, bool followed) {
    if (!known.mayExec && !followed && known.executable == 0) {
        return Recheck::Same;  // nothing of it could be read before: a kernel thread, another user's
    }
    const bool armed = programsOpened_ < 0 || now_ < armedUntil_;
    if (!followed && !armed && wineLoaders_.count(pid) == 0) {
        // Nothing of the library was opened, so no exec into it: nothing to read. A program of its
        // own that has run for a while is taken to stay what it is.
        if (const auto young = youngUntil_.find(pid); young != youngUntil_.end() && now_ >= young->second) {
            youngUntil_.erase(young);
            return Recheck::Settled;
        }
        return Recheck::Same;
    }
    if (followed && exitedAsWaitedFor(pid)) {
        return Recheck::Ended;
    }
    if (followed && !known.mayExec && !sweeping_ && waited_.count(pid) != 0) {
        // Its pidfd tells its end, and no exec is looked for outside a sweep: a game at rest
        // costs its scans nothing.
        return Recheck::Same;
    }
    std::string_view exe;
    if (!readExe(pid, exe_, exe)) {
        // A zombie has no program any more; another user's process may not show it at all.
        if (errno != ENOENT) {
            return Recheck::Same;
        }
        wineLoaders_.erase(pid);
        std::array<char, 512> stat;
        PathBuffer path;
        const ssize_t n = readFile(procPath(path, pid, "stat"), stat.data(), stat.size());
        if (n <= 0) {
            return Recheck::Same;  // gone altogether: the next listing tells
        }
        const std::string_view text(stat.data(), static_cast<std::size_t>(n));
        const std::size_t close = text.rfind(')');
        const char state = close != std::string_view::npos && close + 2 < text.size() ? text[close + 2] : '?';
        return state == 'Z' || state == 'X' ? Recheck::Ended : Recheck::Same;
    }
    if (!known.mayExec) {
        // Not expected to exec, and looked at only while one may have happened.
        return sweeping_ && known.executable != 0 && executableOf(exe) != known.executable ? Recheck::Changed
                                                                                           : Recheck::Same;
    }
    PathBuffer path;
    const ssize_t length = readFile(procPath(path, pid, "cmdline"), cmdline_.data(), cmdline_.size());
    const std::string_view cmdline(cmdline_.data(), length > 0 ? static_cast<std::size_t>(length) : 0);
    if (imageOf(exe, cmdline) != known.image) {
        youngUntil_.erase(pid);
        return Recheck::Changed;
    }
    if (isInterpreter(exe) || isExecWrapper(exe)) {
        return Recheck::Same;
    }
    // A Wine loader writes its Windows program over its command line as it starts, once: until
    // then its first word is the loader itself.
    const std::string_view first = cmdline.substr(0, cmdline.find('\0'));
    if (isWineLoader(exe) && (first.empty() || isWineLoader(first))) {
        return Recheck::Same;
    }
    // A program of its own that has run for a while is taken to stay what it is; so is a Wine
    // process that shows its Windows program. Its Windows children are processes of their own,
    // and an exec into the library opens a library program, which has every process looked at.
    const auto until = youngUntil_.find(pid);
    if (until == youngUntil_.end() || ticksSinceBoot() >= until->second) {
        if (until != youngUntil_.end()) {
            youngUntil_.erase(until);
        }
        wineLoaders_.erase(pid);
        return Recheck::Settled;
    }
    return Recheck::Same;
}

Description ProcProcessSource::describe(int pid, ProcessRecord& record) {
    std::string_view exe;
    const bool haveExe = readExe(pid, exe_, exe);

    PathBuffer path;
    const ssize_t length = readFile(procPath(path, pid, "cmdline"), cmdline_.data(), cmdline_.size());
    const std::string_view cmdline(cmdline_.data(), length > 0 ? static_cast<std::size_t>(length) : 0);

    if (haveExe) {
        // An exec between the two reads would pair the old program with the new command line.
        std::string_view exeAgain;
        if (!readExe(pid, exeAgain_, exeAgain) || exeAgain != exe || settling(pid, exe, cmdline)) {
            return Description::NotYet;
        }
    }
    if (haveExe && isWineLoader(exe)) {
        // A Windows program in a prefix of its own may not be among the watched files: Wine's
        // processes are read at every scan while they run (they run only with a Windows program).
        if (wineLoaders_.size() >= 4096) {
            wineLoaders_.clear();
        }
        wineLoaders_.insert(pid);
    } else {
        wineLoaders_.erase(pid);
    }
    if (haveExe) {
        record.image = imageOf(exe, cmdline);
        record.executable = executableOf(exe);
        // A Wine process keeps its young window too: it settles once that is over.
        const bool loader = isWineLoader(exe);
        const bool other = isInterpreter(exe) || isExecWrapper(exe);
        const bool fresh = !other && young(pid);
        record.mayExec = loader || other || fresh;
    }
    if (const std::string_view program = windowsProgram(exe, cmdline); !program.empty()) {
        record.exeFile.assign(program);
        record.linuxFile = windowsFile(pid, program);
        return Description::Ready;
    }
    if (haveExe && !readScript(pid, exe, cmdline, record)) {
        record.exeFile.assign(exe);
    }
    if (haveExe) {
        record.linuxFile = resolveProgramFile(record.exeFile);
        return Description::Ready;
    }

    if (unreadableForAMoment(pid)) {
        return Description::NotYet;
    }
    std::array<char, 64> comm;
    const ssize_t n = readFile(procPath(path, pid, "comm"), comm.data(), comm.size());
    if (n < 0) {
        if (errno == ENOENT || errno == ESRCH) {
            return Description::Gone;
        }
        // /proc mounted with hidepid: the process is there, but nothing of it can be read.
        record.exeFile.clear();
        return Description::Ready;
    }
    std::string_view name(comm.data(), static_cast<std::size_t>(n));
    if (name.ends_with('\n')) {
        name.remove_suffix(1);
    }
    record.exeFile.assign(name);
    return Description::Ready;
}

}  // namespace pw
