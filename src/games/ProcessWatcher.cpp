#include "games/ProcessWatcher.h"

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
    if (source.describe(pid, record) != Description::Ready) {
        return false;
    }
    record.pid = pid;
    limitExeFile(record.exeFile);
    entries_.push_back(Entry{std::move(record), scan_, false});
    try {
        index_.emplace(pid, entries_.size() - 1);
    } catch (...) {
        entries_.pop_back();
        throw;
    }
    return true;
}

void ProcessDiff::start(ProcessSource& source) {
    entries_.clear();
    index_.clear();
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
    for (int pid : pids_) {
        if (auto known = index_.find(pid); known != index_.end()) {
            entries_[known->second].seenInScan = scan_;
            continue;
        }
        if (learn(source, pid)) {
            created(entries_.back().record);
        }
    }

    // Ended entries are taken off the index before their report, so that a throwing handler cannot
    // have one reported twice; they leave the list once the pass is over, however it ends.
    struct Sweep {
        ProcessDiff& diff;
        ~Sweep() { diff.dropEnded(); }
    } sweep{*this};
    for (std::size_t i = entries_.size(); i-- > 0;) {
        Entry& entry = entries_[i];
        if (entry.seenInScan == scan_ || entry.ended) {
            continue;
        }
        entry.ended = true;
        index_.erase(entry.record.pid);
        terminated(entry.record);
    }
    return true;
}

void ProcessDiff::dropEnded() {
    std::size_t kept = 0;
    bool moved = false;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].ended) {
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
