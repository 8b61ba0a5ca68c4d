#pragma once

#include <dirent.h>

#include <array>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "games/ProcessWatcher.h"

namespace pw {

// The running processes as /proc shows them.
//
// A snapshot lists the numeric entries of /proc (ids, nothing read per process), through one
// directory handle kept open. Listing /proc costs the kernel about half a microsecond per process,
// several hundred microseconds on a desktop and most of the watcher's processor time. So first
// the kernel's count of tasks and the last id it handed out are read (/proc/loadavg, one small
// read): a listing is given again as long as both stay as they were when it was made, and had
// stood still for one scan before that. Then no process has started or ended since. Two cases
// escape the counters, a start and an end at the same moment: a start whose id was handed out a
// whole scan before its process could be seen, and, inside a container (whose last id does not
// move with processes of the rest of the machine), a start outside. For them every
// kFullListingEvery-th snapshot lists /proc anyway, so such a report comes at most that many
// scans late.
//
// A new process is then read once:
// - its executable, the target of /proc/PID/exe (" (deleted)" taken off, so a game whose file was
//   replaced by an update while it runs keeps its path);
// - for a Windows program under Wine (the executable is wine64-preloader, wine-preloader, wine or
//   wine64, or the command line's first argument ends in ".exe", in any case), the first argument
//   of its command line that ends in ".exe", as given: "C:\Games\doom.exe" or
//   "/home/u/.wine/drive_c/Games/doom.exe";
// - for a script, the script: the first argument of an interpreter that is no option, made
//   absolute with the process's working folder, when it is a file whose "#!" line names that
//   interpreter ("/bin/sh /home/u/game.sh" as the kernel starts a "#!/bin/sh" script, or
//   "python3 game.py" typed for a "#!/usr/bin/env python3" one). Otherwise every game started
//   through a launcher script would be reported as /usr/bin/bash, and an editor with the script
//   open is still the editor;
// - where the executable cannot be read (another user's process, a kernel thread, a zombie), the
//   command's name from /proc/PID/comm. Kernel threads are reported too, by that name ("kthreadd"):
//   they are part of the process list, and no game is called so.
//
// A process caught between fork and exec still runs its parent's program, and one caught inside
// exec has its new program but not yet its command line. Since the watcher knows a process by its
// id alone, recording it then would hide the program it is about to become or the .exe Wine runs.
// So a process younger than kExecGraceMs with its parent's executable and command line, with an
// empty command line, or running a program that only execs another one (env, nice, nohup, setsid,
// ionice, taskset, chrt, stdbuf), is left for the next snapshot (Description::NotYet), as is one
// that changed its executable while it was being read. After that time it is taken as it is: a worker
// that forks without exec is reported, only later.
//
// A process may still exec after it was read: a launcher script ending in "exec ./game.bin", Debian's
// /usr/bin/wine execing wine64, Wine writing the Windows command line over its own. Such processes
// (shells, interpreters, Wine loaders, exec wrappers, and every process for its first
// kFollowYoungMs) are marked mayExec, and recheck() reads their executable and command line
// again. To keep that cheap it reads them only while Wine's processes run, for the processes the
// watcher follows (the running games), and for kFollowYoungMs after one of the library's
// programs was opened: the kernel tells of that through inotify (IN_OPEN on each file given to
// watchPrograms()), and an exec opens its program, an interpreter its script, Wine its .exe. With
// nothing opened a scan reads nothing of them. Any other process may exec too, a launcher of its
// own that waits and then execs the game: for a moment after an open (this scan, the next and
// kExecSweepMs) every known process's executable is read again (mayHaveExeced()), one link
// read each. A followed process whose executable is gone and whose state is 'Z' has exited: it
// is reported ended before its parent reaps it. One that has a pidfd and does not exec is read
// again only during such a sweep; its pidfd tells its end.
//
// Between scans the watcher may sleep on newsHandle(): an epoll handle holding the inotify handle
// of the library's programs and a pidfd for every followed process (a pidfd turns readable when
// its process has exited, zombie or not). So while every game of the library has a watched file,
// every followed process a pidfd, nothing of the library was opened for kFollowYoungMs and no
// Wine loader is still young, the pause is kRestingPauseMs instead of the interval: a library
// start wakes the watcher through its open, a game's end through its pidfd, and only the starts
// and ends of other processes wait for the next scan. Right after an open the scans come every
// kQuickPauseMs for kQuickWindowMs, since the open of an exec comes a moment before the new
// program shows in /proc.
//
// A Windows program is also described by the file it is on this system (linuxFile): its Windows
// path through the drive links of the process's own prefix (WINEPREFIX of its environment, else
// ~/.wine), a Linux path with links resolved.
class ProcProcessSource final : public ProcessSource {
public:
    static constexpr int kExecGraceMs = 250;
    static constexpr int kFullListingEvery = 20;
    // How long a process of its own program is watched for an exec after its start.
    static constexpr int kFollowYoungMs = 3000;
    // How long every known process is looked at after a library program was opened.
    static constexpr int kExecSweepMs = 50;
    // Every how many scans a library program that is missing is looked for again.
    static constexpr int kRewatchMissingEvery = 100;
    // The pause between scans while every start and end that matters wakes the watcher.
    static constexpr int kRestingPauseMs = 1000;
    // The pause between scans right after a library program was opened, and for how long.
    static constexpr int kQuickPauseMs = 2;
    static constexpr int kQuickWindowMs = 40;

    // For the tests: `followYoungMs`, how long a new process counts as young; `restingPauseMs`,
    // the pause while nothing that matters can be missed; `armedMs`, how long the scans look for
    // execs after a library program was opened.
    explicit ProcProcessSource(int followYoungMs = kFollowYoungMs, int restingPauseMs = kRestingPauseMs,
                               int armedMs = kFollowYoungMs)
        : followYoungMs_(followYoungMs), restingPauseMs_(restingPauseMs), armedMs_(armedMs) {}
    ~ProcProcessSource() override;
    ProcProcessSource(const ProcProcessSource&) = delete;
    ProcProcessSource& operator=(const ProcProcessSource&) = delete;

    bool snapshot(std::vector<int>& pids) override;
    Description describe(int pid, ProcessRecord& record) override;
    Recheck recheck(int pid, const ProcessRecord& known, bool followed) override;
    void watchPrograms(const std::vector<std::string>& files, bool everyProgram = true) override;
    bool mayHaveExeced() override;
    int newsHandle() const override { return news_; }
    int pauseFor(int interval) override;
    void forget(int pid) override;

private:
    bool young(int pid);
    void noteOpenedPrograms();
    void addWatches();
    std::string windowsFile(int pid, std::string_view program);
    bool settling(int pid, std::string_view exe, std::string_view cmdline);
    bool unreadableForAMoment(int pid);
    bool readScript(int pid, std::string_view exe, std::string_view cmdline, ProcessRecord& record);
    bool list(std::vector<int>& pids);
    void takeNews();
    // Whether the followed process `pid` has exited, as its pidfd tells; opens that on first ask.
    bool exitedAsWaitedFor(int pid);

    // The task count and last id of /proc/loadavg, as text ("110 16608\n"); empty when unreadable.
    struct Counters {
        std::array<char, 64> text{};
        std::size_t size = 0;
        friend bool operator==(const Counters& a, const Counters& b) {
            return a.size > 0 &&
                   std::string_view(a.text.data(), a.size) == std::string_view(b.text.data(), b.size);
        }
    };
    bool readTaskCounters();

    DIR* proc_ = nullptr;
    int loadavg_ = -1;
    Counters counters_;
    Counters previous_;
    Counters listedAt_;
    bool settled_ = false;
    std::vector<int> listed_;
    int sinceListing_ = 0;
    // Reading buffers, kept so that describing a process allocates nothing but its record.
    std::array<char, 4096> exe_{};
    std::array<char, 4096> exeAgain_{};
    std::array<char, 4096> parentExe_{};
    std::array<char, 32768> cmdline_{};
    std::array<char, 32768> parentCmdline_{};
    std::array<char, 8192> scriptPath_{};
    std::array<char, 65536> environ_{};
    // When the processes of their own programs stop being watched for an exec (clock ticks).
    std::unordered_map<int, long long> youngUntil_;
    std::unordered_set<int> wineLoaders_;
    int followYoungMs_;
    int restingPauseMs_;
    int armedMs_;
    // Told by the kernel when a library program is opened; -1 until programs are given.
    int programsOpened_ = -1;
    std::vector<int> watches_;
    std::vector<std::string> programs_;
    int missingPrograms_ = 0;
    int sinceWatched_ = 0;
    // Every known process is looked at while sweeping_: for sweepScans_ more scans and until
    // sweepUntilMs_ (monotonic clock).
    bool sweeping_ = false;
    int sweepScans_ = 0;
    long long sweepUntilMs_ = 0;
    // Until when (clock ticks) every process that may exec is read again; the time of the scan.
    long long armedUntil_ = 0;
    long long now_ = 0;
    // The news the watcher may sleep on (epoll), -1 without; the pidfds of the followed processes
    // in it, and those followed processes that have none (the pidfd could not be opened).
    int news_ = -1;
    struct Waited {
        int handle = -1;
        bool exited = false;
    };
    std::unordered_map<int, Waited> waited_;
    std::unordered_set<int> unwaited_;
    bool everyProgram_ = true;
    long long quickUntilMs_ = 0;
};

}  // namespace pw
