// src/games: the game library, command lines, launch, icons, the process watcher, automatic activation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

namespace pw {

// One running process as the watcher reports it.
struct ProcessRecord {
    int pid = 0;
    // The program the process runs: its executable's path; for a Windows program under Wine the
    // .exe as its command line names it; the command's name where the executable cannot be read.
    std::string exeFile;
    // The file that program is on this system, every link on the way resolved: the executable or
    // the script itself, or for a Windows program the .exe its Wine prefix names. Empty when it
    // cannot be told.
    std::string linuxFile;
    // Whether the process may still replace its program with another one: a shell, an interpreter,
    // a Wine loader, a program that only sets something up and execs (env, nice), or one that has
    // only just started. The watcher asks the source again about such a process at every scan.
    bool mayExec = false;
    // What the source read the program from (executable and command line), to tell an exec.
    std::uint64_t image = 0;
    // The executable alone, to tell an exec by a process that was not expected to exec; 0 when
    // it could not be read.
    std::uint64_t executable = 0;

    friend bool operator==(const ProcessRecord&, const ProcessRecord&) = default;
};

// The longest exeFile reported, in bytes, as the Windows program's MAX_PATH field held it. A longer
// path is cut at its end, never inside a UTF-8 sequence, so it stays the beginning of the path the
// library keeps for the game.
inline constexpr std::size_t kExeFileLimit = 260;

// Cuts `text` to at most `limit` bytes, never inside a UTF-8 sequence.
void limitExeFile(std::string& text, std::size_t limit = kExeFileLimit);

// What a source could tell about a process.
enum class Description {
    Ready,   // the record is filled in
    Gone,    // the process ended before it could be read: it is left out of this snapshot
    NotYet,  // the process does not run its own program yet (forked, not yet executed): ask again
             // at the next snapshot
};

// What a second look at a known process found.
enum class Recheck {
    Same,     // it runs what it ran
    Changed,  // it replaced its program (exec): describe it again
    Ended,    // it has exited, reaped by its parent or not (a zombie)
    Settled,  // it runs what it ran, and it is no longer expected to exec: stop asking
};

// Where the running processes come from: /proc on Linux, Toolhelp snapshots on Windows. The
// watcher asks for the details of a process once, when it first sees its id, so that a scan of a
// system with hundreds of processes stays cheap; only the few processes that matter (those that
// may still exec, and those the owner follows, the running games) are looked at again.
class ProcessSource {
public:
    virtual ~ProcessSource() = default;

    // Fills `pids` (given empty) with the ids of the running processes, in the system's order. False
    // when the list cannot be read.
    virtual bool snapshot(std::vector<int>& pids) = 0;
    // Reads the program of a process the watcher does not know yet into `record.exeFile`.
    virtual Description describe(int pid, ProcessRecord& record) = 0;
    // Looks again at a known process as `known` describes it; `followed` when the owner follows
    // it (its end matters even as a zombie). A source that cannot tell says Same.
    virtual Recheck recheck(int pid, const ProcessRecord& known, bool followed) {
        (void)pid;
        (void)known;
        (void)followed;
        return Recheck::Same;
    }
    // The library's program files, resolved: a source may look for execs only once one of them
    // has been opened (an exec opens the program, an interpreter its script, Wine its .exe).
    // `everyProgram` is false when some of the library's games name no file that could be
    // resolved (a bare name, a file that is missing): their starts can be seen only by scanning.
    virtual void watchPrograms(const std::vector<std::string>& files, bool everyProgram = true) {
        (void)files;
        (void)everyProgram;
    }
    // Whether any known process may have replaced its program since the last scan, the source
    // cannot tell which: one of the watched programs was opened, and an exec opens its program.
    // Asked once a scan, after snapshot(); while it says so, the watcher looks again at every known
    // process, not only at those that may exec (a launcher of its own that execs the game long
    // after its start).
    virtual bool mayHaveExeced() { return false; }

    // A handle of the operating system that turns readable when the next scan should not wait:
    // a watched program was opened, a followed process ended. -1 when the source has none; then
    // the watcher scans at its interval. What made it readable is taken in by the next snapshot().
    virtual int newsHandle() const { return -1; }
    // How long the watcher may wait for news before the next scan, given its interval in ms. The
    // interval itself while a start or an end that matters could be missed without scanning (a
    // library program that cannot be watched, a followed process that cannot be waited for, the
    // moments after a library program was opened); longer while every start of a library program
    // and every end of a followed process makes newsHandle() readable: then only the reports of
    // other processes wait, and no process is read in between. An interval of 0 stays 0.
    virtual int pauseFor(int interval) { return interval; }
    // The watcher has let the process `pid` go (it ended): what the source keeps for it goes too.
    virtual void forget(int pid) { (void)pid; }
};

// Raised for a watcher setting that cannot be used.
class ProcessNotifyError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The pause between two scans, checked: a negative value throws ProcessNotifyError.
int checkedPollInterval(int milliseconds);

// How much processor time the poll thread may claim next to the rest of the system, weakest first.
enum class PollPriority { Idle, Lowest, Lower, Normal, Higher, Highest, TimeCritical };

// The watcher's list of known processes and one scan compared against it.
//
// A process is known by its id alone. Within one scan every new process is reported first, in the
// snapshot's order, then every process that is gone, the most recently seen first. A process that
// starts and ends between two scans is never reported; an id reused between two scans is taken for
// the process that had it.
//
// A process that may still exec, or that the owner follows, is looked at again at every scan: one
// that replaced its program is reported as created once more, with the same id and its new
// program (the owner decides what that means for a game it already knows), and one that has
// exited is reported as ended even while it waits to be reaped. While the source says that some
// process may have execed (ProcessSource::mayHaveExeced), every known process is looked at so.
class ProcessDiff {
public:
    using Notify = std::function<void(const ProcessRecord&)>;

    // The first look: whatever runs now is known from the start and reported only when it ends.
    // When the snapshot fails, the list starts empty.
    void start(ProcessSource& source);

    // One scan. False when the snapshot could not be read: then nothing is reported and the list
    // stays as it was, so the next good snapshot is compared with the last one. (Taking a failed
    // read for an empty system would report every process ended, the running game with it, and
    // started again a moment later.)
    //
    // A handler that throws ends the scan; the list stays whole. The process it was told of is
    // never reported again for the same start or end; the rest of the scan's news comes with the
    // next scan.
    bool cycle(ProcessSource& source, const Notify& created, const Notify& terminated);

    // How many processes are known.
    std::size_t size() const { return entries_.size(); }

    // Looks at the process `pid` again at every scan from the next one on, until it ends: a game
    // whose end must be seen even as a zombie. A process that is not in the next snapshot (it ended
    // before it was ever seen) is reported as ended then, with nothing but its id.
    void follow(int pid);

    // How many processes are looked at again at every scan.
    std::size_t followed() const { return followed_.size(); }
    // Whether a process the owner follows has not been found yet: the next scan should not wait.
    bool followPending() const { return !wanted_.empty(); }

private:
    struct Entry {
        ProcessRecord record;
        std::uint64_t seenInScan = 0;
        bool ended = false;
        bool exited = false;     // reported ended while still listed (a zombie)
        bool followed = false;   // by the owner's wish
        bool rechecked = false;  // in followed_
    };

    bool takeSnapshot(ProcessSource& source);
    // Reads a new process and appends it; false when there is nothing to append this scan. A
    // process caught in the middle of its fork or exec is noted in notYet_.
    bool learn(ProcessSource& source, int pid);
    void dropEnded(ProcessSource& source);
    void addRechecked(std::size_t position);
    void recheckFollowed(ProcessSource& source, const Notify& created, const Notify& terminated);
    void recheckAll(ProcessSource& source, std::size_t known, const Notify& created,
                    const Notify& terminated);
    // Asks the processes of notYet_ once more; those still under way stay in it.
    void askAgain(ProcessSource& source, const Notify& created);
    // What a second look at a known process found, its entry brought up to date.
    enum class Look { Nothing, Ended, NewProgram };
    Look lookAgain(ProcessSource& source, Entry& entry);

    // In the order the processes were first seen.
    std::vector<Entry> entries_;
    // pid -> position in entries_.
    std::unordered_map<int, std::size_t> index_;
    // The last snapshot, kept so that its storage is reused.
    std::vector<int> pids_;
    // The new processes of this scan that did not run their own program yet, and those being
    // asked again (kept apart, so that one still under way is asked at the next turn).
    std::vector<int> notYet_;
    std::vector<int> asking_;
    std::uint64_t scan_ = 0;
    // The ids looked at again at every scan, and those the owner asked for before they were known.
    std::vector<int> followed_;
    std::vector<int> wanted_;
};

}  // namespace pw
