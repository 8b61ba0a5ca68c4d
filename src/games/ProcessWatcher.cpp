#include "games/ProcessWatcher.h"

#include <algorithm>

namespace pw {

void limitExeFile(std::string& text, std::size_t limit) {
    if (text.size() <= limit) {
        return;
    }
    std::size_t cut = limit;
    // Step back over continuation bytes (10xxxxxx) to the start of the sequence that would be split.
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0U) == 0x80U) {
        --cut;
    }
    text.resize(cut);
}

int checkedPollInterval(int milliseconds) {
    if (milliseconds < 0) {
        throw ProcessNotifyError("Invalid poll interval value");
    }
    return milliseconds;
}

bool ProcessDiff::takeSnapshot(ProcessSource& source) {
    pids_.clear();
    if (!source.snapshot(pids_)) {
        pids_.clear();
        return false;
    }
    return true;
}

bool ProcessDiff::learn(ProcessSource& source, int pid) {
    ProcessRecord record;
    const Description description = source.describe(pid, record);
    if (description == Description::NotYet) {
        notYet_.push_back(pid);
    }
    if (description != Description::Ready) {
        return false;
    }
    record.pid = pid;
    limitExeFile(record.exeFile);
    const bool mayExec = record.mayExec;
    entries_.push_back(Entry{std::move(record), scan_});
    try {
        index_.emplace(pid, entries_.size() - 1);
    } catch (...) {
        entries_.pop_back();
        throw;
    }
    if (mayExec) {
        addRechecked(entries_.size() - 1);
    }
    return true;
}

void ProcessDiff::addRechecked(std::size_t position) {
    Entry& entry = entries_[position];
    if (!entry.rechecked) {
        followed_.push_back(entry.record.pid);
        entry.rechecked = true;
    }
}

void ProcessDiff::follow(int pid) {
    if (std::find(wanted_.begin(), wanted_.end(), pid) == wanted_.end()) {
        wanted_.push_back(pid);
    }
}

void ProcessDiff::recheckFollowed(ProcessSource& source, const Notify& created, const Notify& terminated) {
    // The owner's wishes first: a process it follows may be new in this very scan.
    for (std::size_t i = 0; i < wanted_.size();) {
        const int pid = wanted_[i];
        if (auto known = index_.find(pid); known != index_.end()) {
            entries_[known->second].followed = true;
            addRechecked(known->second);
        } else if (std::find(pids_.begin(), pids_.end(), pid) != pids_.end()) {
            ++i;  // listed, but not yet itself: asked again at the next scan
            continue;
        } else {
            // Ended before the watcher could see it: its end is all there is to say.
            wanted_.erase(wanted_.begin() + static_cast<std::ptrdiff_t>(i));
            ProcessRecord gone;
            gone.pid = pid;
            terminated(gone);
            continue;
        }
        wanted_.erase(wanted_.begin() + static_cast<std::ptrdiff_t>(i));
    }

    for (std::size_t i = 0; i < followed_.size();) {
        const auto known = index_.find(followed_[i]);
        if (known == index_.end()) {
            followed_.erase(followed_.begin() + static_cast<std::ptrdiff_t>(i));
            continue;
        }
        Entry& entry = entries_[known->second];
        if (entry.seenInScan != scan_ || entry.exited) {
            ++i;  // gone from the list: the sweep reports it
            continue;
        }
        const Look look = lookAgain(source, entry);
        // The list of those looked at again is right before the report, so that a throwing
        // handler leaves it whole.
        if (!entry.exited && (entry.followed || entry.record.mayExec)) {
            ++i;
        } else {
            entry.rechecked = false;
            followed_.erase(followed_.begin() + static_cast<std::ptrdiff_t>(i));
        }
        if (look == Look::Ended) {
            terminated(entry.record);
        } else if (look == Look::NewProgram) {
            created(entry.record);
        }
    }
}

// Every process known before this scan that was not looked at again already: one that was not
// expected to exec may have done so all the same. With some hundred processes this takes a
// millisecond or more, time in which a new process caught in the middle of its exec has mostly
// finished it: it is asked again every kAskAgainEvery processes, so that its start is reported
// then and not only once the whole list was read.
void ProcessDiff::recheckAll(ProcessSource& source, std::size_t known, const Notify& created,
                             const Notify& terminated) {
    constexpr std::size_t kAskAgainEvery = 64;
    for (std::size_t position = 0; position < known && position < entries_.size(); ++position) {
        if (position % kAskAgainEvery == kAskAgainEvery - 1) {
            askAgain(source, created);
        }
        Entry& entry = entries_[position];
        if (entry.rechecked || entry.exited || entry.ended || entry.seenInScan != scan_) {
            continue;
        }
        const Look look = lookAgain(source, entry);
        if (!entry.exited && (entry.followed || entry.record.mayExec)) {
            addRechecked(position);
        }
        if (look == Look::Ended) {
            terminated(entry.record);
        } else if (look == Look::NewProgram) {
            created(entry.record);
        }
    }
}

void ProcessDiff::askAgain(ProcessSource& source, const Notify& created) {
    if (notYet_.empty()) {
        return;
    }
    asking_.clear();
    asking_.swap(notYet_);
    for (const int pid : asking_) {
        if (index_.find(pid) == index_.end() && learn(source, pid)) {
            created(entries_.back().record);
        }
    }
    asking_.clear();
}

ProcessDiff::Look ProcessDiff::lookAgain(ProcessSource& source, Entry& entry) {
    switch (source.recheck(entry.record.pid, entry.record, entry.followed)) {
        case Recheck::Same:
            return Look::Nothing;
        case Recheck::Settled:
            entry.record.mayExec = false;
            return Look::Nothing;
        case Recheck::Ended:
            // Reported once; the entry stays until its id leaves the list, so that the zombie is
            // not taken for a new process.
            entry.exited = true;
            return Look::Ended;
        case Recheck::Changed:
            break;
    }
    ProcessRecord fresh;
    if (source.describe(entry.record.pid, fresh) != Description::Ready) {
        return Look::Nothing;  // looked at again at the next scan
    }
    fresh.pid = entry.record.pid;
    limitExeFile(fresh.exeFile);
    const bool news = fresh.exeFile != entry.record.exeFile || fresh.linuxFile != entry.record.linuxFile;
    entry.record = std::move(fresh);
    return news ? Look::NewProgram : Look::Nothing;
}

void ProcessDiff::start(ProcessSource& source) {
    entries_.clear();
    index_.clear();
    followed_.clear();
    ++scan_;
    if (!takeSnapshot(source)) {
        return;
    }
    entries_.reserve(pids_.size());
    index_.reserve(pids_.size());
    for (int pid : pids_) {
        if (index_.find(pid) == index_.end()) {
            learn(source, pid);
        }
    }
}

bool ProcessDiff::cycle(ProcessSource& source, const Notify& created, const Notify& terminated) {
    if (!takeSnapshot(source)) {
        return false;
    }
    // Marking every entry unseen is moving on to a new scan number.
    ++scan_;
    const std::size_t knownBefore = entries_.size();
    notYet_.clear();
    for (int pid : pids_) {
        if (auto known = index_.find(pid); known != index_.end()) {
            entries_[known->second].seenInScan = scan_;
            continue;
        }
        if (learn(source, pid)) {
            created(entries_.back().record);
        }
    }
    recheckFollowed(source, created, terminated);
    if (source.mayHaveExeced()) {
        recheckAll(source, knownBefore, created, terminated);
    }
    // A process caught in the middle of its exec is asked once more when the rest of the scan is
    // done, which gave the exec time to finish: a start found by a scan is reported by that scan,
    // not by the next one an interval later. Still under way then, it waits for the next scan.
    askAgain(source, created);

    // Ended entries are taken off the index before their report, so that a throwing handler cannot
    // have one reported twice; they leave the list once the pass is over, however it ends.
    struct Sweep {
        ProcessDiff& diff;
        ProcessSource& source;
        ~Sweep() { diff.dropEnded(source); }
    } sweep{*this, source};
    for (std::size_t i = entries_.size(); i-- > 0;) {
        Entry& entry = entries_[i];
        if (entry.seenInScan == scan_ || entry.ended) {
            continue;
        }
        entry.ended = true;
        index_.erase(entry.record.pid);
        if (!entry.exited) {
            terminated(entry.record);
        }
    }
    return true;
}

void ProcessDiff::dropEnded(ProcessSource& source) {
    std::size_t kept = 0;
    bool moved = false;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].ended) {
            source.forget(entries_[i].record.pid);
            moved = true;
            continue;
        }
        if (moved) {
            entries_[kept] = std::move(entries_[i]);
            index_.find(entries_[kept].record.pid)->second = kept;
        }
        ++kept;
    }
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(kept), entries_.end());
}

}  // namespace pw
