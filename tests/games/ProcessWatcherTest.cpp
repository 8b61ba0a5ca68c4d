// The watcher's rules on a scripted process list: which scan reports what, in which order. Real
// processes cannot be made to appear in a chosen order, so here the list is written out.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "games/ProcessWatcher.h"
#include "support/AllocationCounter.h"

namespace pw {
namespace {

using Reports = std::vector<std::string>;

// Answers snapshots from a script, one per call; when the script is used up, the steady list.
class ScriptedSource final : public ProcessSource {
public:
    bool snapshot(std::vector<int>& pids) override {
        if (script.empty()) {
            pids.insert(pids.end(), steady.begin(), steady.end());
            return true;
        }
        const std::optional<std::vector<int>> next = std::move(script.front());
        script.pop_front();
        if (!next) {
            return false;
        }
        pids = *next;
        return true;
    }

    Description describe(int pid, ProcessRecord& record) override {
        described.push_back(pid);
        if (auto waiting = notYet.find(pid); waiting != notYet.end() && waiting->second > 0) {
            --waiting->second;
            return Description::NotYet;
        }
        const auto program = programs.find(pid);
        if (program == programs.end()) {
            return Description::Gone;
        }
        record.exeFile = program->second;
        record.mayExec = mayExec.count(pid) > 0;
        return Description::Ready;
    }

    // A process whose program changed since it was described execs; one in `exited` is a zombie.
    Recheck recheck(int pid, const ProcessRecord& known, bool) override {
        rechecked.push_back(pid);
        if (exited.count(pid) > 0) {
            return Recheck::Ended;
        }
        if (const auto program = programs.find(pid);
            program != programs.end() && program->second != known.exeFile) {
            return Recheck::Changed;
        }
        return settled.count(pid) > 0 ? Recheck::Settled : Recheck::Same;
    }

    bool mayHaveExeced() override { return sweep; }

    // std::nullopt is a snapshot that cannot be read.
    std::deque<std::optional<std::vector<int>>> script;
    std::vector<int> steady;
    // What describe() answers; a pid without a program has ended by the time it is read.
    std::map<int, std::string> programs;
    std::map<int, int> notYet;
    std::vector<int> described;
    std::set<int> mayExec;
    std::set<int> exited;
    std::set<int> settled;
    std::vector<int> rechecked;
    bool sweep = false;
};

class Watch : public ::testing::Test {
protected:
    Watch() {
        for (int pid = 1; pid < 100; ++pid) {
            source.programs[pid] = "/bin/p" + std::to_string(pid);
        }
    }

    void start(std::optional<std::vector<int>> pids) {
        source.script.push_back(std::move(pids));
        diff.start(source);
    }

    // One scan over `pids` (std::nullopt: unreadable); its reports as "+pid exe" and "-pid exe".
    Reports scan(std::optional<std::vector<int>> pids) {
        source.script.push_back(std::move(pids));
        Reports reports;
        read = diff.cycle(
            source, [&](const ProcessRecord& r) { reports.push_back("+" + label(r)); },
            [&](const ProcessRecord& r) { reports.push_back("-" + label(r)); });
        return reports;
    }

    static std::string label(const ProcessRecord& r) { return std::to_string(r.pid) + " " + r.exeFile; }

    ScriptedSource source;
    ProcessDiff diff;
    bool read = false;
};

TEST_F(Watch, WhatRunsAtTheFirstLookIsReportedOnlyWhenItEnds) {
    start(std::vector<int>{1, 2, 3});
    EXPECT_EQ(diff.size(), 3u);
    EXPECT_EQ(scan(std::vector<int>{1, 2, 3}), Reports{});
    EXPECT_EQ(scan(std::vector<int>{1, 3}), Reports{"-2 /bin/p2"});
    EXPECT_EQ(scan(std::vector<int>{}), (Reports{"-3 /bin/p3", "-1 /bin/p1"}));
}

TEST_F(Watch, StartsComeFirstInSnapshotOrderThenEndsWithTheLatestSeenFirst) {
    start(std::vector<int>{10, 20, 30});
    // Listed in the snapshot's order, not by id.
    EXPECT_EQ(scan(std::vector<int>{10, 20, 30, 45, 41}), (Reports{"+45 /bin/p45", "+41 /bin/p41"}));
    EXPECT_EQ(scan(std::vector<int>{52, 10, 50}), (Reports{"+52 /bin/p52", "+50 /bin/p50", "-41 /bin/p41",
                                                           "-45 /bin/p45", "-30 /bin/p30", "-20 /bin/p20"}));
    // The list keeps its order once entries have left it.
    EXPECT_EQ(scan(std::vector<int>{}), (Reports{"-50 /bin/p50", "-52 /bin/p52", "-10 /bin/p10"}));
    EXPECT_EQ(diff.size(), 0u);
}

TEST_F(Watch, AProcessIsKnownByItsIdAloneAndReadOnlyOnce) {
    start(std::vector<int>{1, 2});
    EXPECT_EQ(scan(std::vector<int>{1, 2, 3}), Reports{"+3 /bin/p3"});
    // Id 2 now belongs to another program, and 4 came and went between two scans: nothing to say.
    source.programs[2] = "/bin/other";
    EXPECT_EQ(scan(std::vector<int>{1, 2, 3}), Reports{});
    EXPECT_EQ(scan(std::vector<int>{1, 3, 3}), Reports{"-2 /bin/p2"}) << "the record as first read, once";
    EXPECT_EQ(source.described, (std::vector<int>{1, 2, 3}));
    // Seen again after its end: a new process.
    EXPECT_EQ(scan(std::vector<int>{1, 2, 3}), Reports{"+2 /bin/other"});
}

TEST_F(Watch, AProcessThatMayExecIsLookedAtAgainAndReportedWithItsNewProgram) {
    source.mayExec = {2, 3};
    start(std::vector<int>{1, 2});
    EXPECT_EQ(diff.followed(), 1u) << "only the one that may exec";
    EXPECT_EQ(scan(std::vector<int>{1, 2, 3}), Reports{"+3 /bin/p3"});
    source.rechecked.clear();
    source.programs[2] = "/games/game.bin";  // a wrapper execs the game, which execs no more
    source.mayExec.erase(2);
    source.programs[1] = "/bin/other";  // not looked at: it is no wrapper
    EXPECT_EQ(scan(std::vector<int>{1, 2, 3}), Reports{"+2 /games/game.bin"});
    EXPECT_EQ(source.rechecked, (std::vector<int>{2, 3}));
    EXPECT_EQ(scan(std::vector<int>{1, 2, 3}), Reports{}) << "reported once";
    source.settled = {3};
    EXPECT_EQ(scan(std::vector<int>{1, 2, 3}), Reports{});
    EXPECT_EQ(diff.followed(), 0u) << "the game that came of the exec may not exec, 3 settled";
    EXPECT_EQ(scan(std::vector<int>{1, 3}), Reports{"-2 /games/game.bin"})
        << "its end, with its last program";
}

TEST_F(Watch, WhileAnyProcessMayHaveExecedEveryKnownOneIsLookedAtOnce) {
    source.mayExec = {3};
    start(std::vector<int>{1, 2, 3});
    source.programs[1] = "/games/game.bin";  // a launcher of its own execs the game, unexpected
    EXPECT_EQ(scan(std::vector<int>{1, 2, 3}), Reports{}) << "nothing said it may exec";
    source.rechecked.clear();
    source.sweep = true;
    EXPECT_EQ(scan(std::vector<int>{1, 2, 3, 4}), (Reports{"+4 /bin/p4", "+1 /games/game.bin"}));
    EXPECT_EQ(source.rechecked, (std::vector<int>{3, 1, 2})) << "the one that may exec first, each once, "
                                                                "the new one not again";
    source.rechecked.clear();
    source.programs[2] = "/bin/sh";
    source.mayExec = {2, 3};  // a shell now: looked at again from now on
    source.exited = {1};
    EXPECT_EQ(scan(std::vector<int>{1, 2, 3, 4}), (Reports{"-1 /games/game.bin", "+2 /bin/sh"}));
    source.sweep = false;
    source.rechecked.clear();
    EXPECT_EQ(scan(std::vector<int>{1, 2, 3, 4}), Reports{});
    EXPECT_EQ(source.rechecked, (std::vector<int>{3, 2})) << "the sweep is over; the zombie is not read";
    EXPECT_EQ(scan(std::vector<int>{2, 3, 4}), Reports{}) << "the zombie was reported once";
}

TEST_F(Watch, AFollowedProcessEndsAsAZombieOnceAndOneNeverSeenEndsAtOnce) {
    start(std::vector<int>{1, 2});
    diff.follow(2);
    diff.follow(5);  // a launch that ended before any scan saw it
    diff.follow(6);  // one that the next scan sees
    EXPECT_EQ(scan(std::vector<int>{1, 2, 6}), (Reports{"+6 /bin/p6", "-5 "}));
    EXPECT_EQ(diff.followed(), 2u);
    source.exited = {2};
    EXPECT_EQ(scan(std::vector<int>{1, 2, 6}), Reports{"-2 /bin/p2"}) << "exited, not yet reaped";
    EXPECT_EQ(scan(std::vector<int>{1, 2, 6}), Reports{}) << "the zombie is no new process";
    EXPECT_EQ(scan(std::vector<int>{1, 6}), Reports{}) << "reaped: nothing more to say";
    EXPECT_EQ(scan(std::vector<int>{1, 2, 6}), Reports{"+2 /bin/p2"}) << "its id used again";
}

TEST_F(Watch, AnUnreadableListReportsNothingAndTheNextOneIsComparedWithTheLastGoodOne) {
    start(std::vector<int>{1, 2});
    EXPECT_EQ(scan(std::nullopt), Reports{});
    EXPECT_FALSE(read);
    EXPECT_EQ(diff.size(), 2u);
    EXPECT_EQ(scan(std::vector<int>{2, 3}), (Reports{"+3 /bin/p3", "-1 /bin/p1"}));
    EXPECT_TRUE(read);
}

TEST_F(Watch, AnUnreadableFirstLookStartsWithAnEmptyList) {
    start(std::nullopt);
    EXPECT_EQ(diff.size(), 0u);
    EXPECT_EQ(scan(std::vector<int>{1, 2}), (Reports{"+1 /bin/p1", "+2 /bin/p2"}));
}

TEST_F(Watch, AProcessGoneBeforeItIsReadOrNotYetItselfWaits) {
    source.programs.erase(7);
    source.notYet[8] = 1;  // still between fork and exec at the first look
    source.notYet[9] = 2;  // and still when asked again at the end of that scan
    source.notYet[10] = 1;
    start(std::vector<int>{1, 8});
    EXPECT_EQ(diff.size(), 1u);
    EXPECT_EQ(scan(std::vector<int>{1, 7, 8, 9}), Reports{"+8 /bin/p8"});
    EXPECT_EQ(scan(std::vector<int>{1, 8, 9}), Reports{"+9 /bin/p9"});
    EXPECT_EQ(source.described, (std::vector<int>{1, 8, 7, 8, 9, 9, 9}));
    // Its exec done by the end of the scan that found it, a process is reported by that scan.
    EXPECT_EQ(scan(std::vector<int>{1, 8, 9, 10}), Reports{"+10 /bin/p10"});
    EXPECT_EQ(source.described, (std::vector<int>{1, 8, 7, 8, 9, 9, 9, 10, 10}));
}

TEST_F(Watch, WhileTheSweepReadsEveryProcessAStartCaughtInItsExecIsAskedAgainOnTheWay) {
    std::vector<int> all;
    for (int pid = 1; pid < 100; ++pid) {
        all.push_back(pid);
    }
    start(all);
    source.sweep = true;
    source.programs[500] = "/games/game.bin";
    source.notYet[500] = 1;
    source.programs[90] = "/games/other.bin";  // an exec the sweep finds near its end
    all.push_back(500);
    EXPECT_EQ(scan(all), (Reports{"+500 /games/game.bin", "+90 /games/other.bin"}))
        << "reported while the sweep goes on, not after it";
    EXPECT_EQ(std::count(source.described.begin(), source.described.end(), 500), 2);

    // One still under way is asked at each turn of the sweep and at the end of the scan, then
    // waits for the next scan.
    source.programs[600] = "/games/late.bin";
    source.notYet[600] = 3;
    all.push_back(600);
    EXPECT_EQ(scan(all), Reports{});
    EXPECT_EQ(std::count(source.described.begin(), source.described.end(), 600), 3);
    EXPECT_EQ(scan(all), Reports{"+600 /games/late.bin"});
}

TEST_F(Watch, ProgramsLongerThanTheFieldAreCutWithoutSplittingACharacter) {
    const std::string deep = "/home/spieler/" + std::string(300, 'a') + "/game";
    std::string cut = deep;
    limitExeFile(cut);
    EXPECT_EQ(cut, deep.substr(0, kExeFileLimit));

    // "ü" is two bytes; the one that would straddle the limit goes as a whole.
    const std::string umlauts = "/" + std::string(kExeFileLimit - 2, 'x') + "\xC3\xBC\xC3\xBC";
    cut = umlauts;
    limitExeFile(cut);
    EXPECT_EQ(cut, umlauts.substr(0, kExeFileLimit - 1));

    const std::string exact = std::string(kExeFileLimit - 2, 'x') + "\xC3\xBC";
    cut = exact;
    limitExeFile(cut);
    EXPECT_EQ(cut, exact);

    source.programs[5] = deep;
    start(std::vector<int>{});
    EXPECT_EQ(scan(std::vector<int>{5}), Reports{"+5 " + deep.substr(0, kExeFileLimit)});
}

TEST_F(Watch, AThrowingHandlerLeavesTheListWholeAndRepeatsNothing) {
    start(std::vector<int>{1, 2, 3});
    const auto failOn = [](const std::string& bad, Reports& reports) {
        return [&reports, bad](const ProcessRecord& r) {
            const std::string text = std::to_string(r.pid);
            reports.push_back(text);
            if (text == bad) {
                throw std::runtime_error("handler failed");
            }
        };
    };
    Reports created;
    Reports ended;
    source.script.push_back(std::vector<int>{1, 5, 6, 7});
    EXPECT_THROW(diff.cycle(source, failOn("6", created), failOn("", ended)), std::runtime_error);
    source.script.push_back(std::vector<int>{5, 6, 7});
    EXPECT_THROW(diff.cycle(source, failOn("", created), failOn("2", ended)), std::runtime_error);
    source.script.push_back(std::vector<int>{5, 6, 7});
    diff.cycle(source, failOn("", created), failOn("", ended));
    EXPECT_EQ(created, (Reports{"5", "6", "7"})) << "6 once, 7 with the next scan";
    EXPECT_EQ(ended, (Reports{"3", "2", "1"})) << "2 once, 1 with the next scan";
    EXPECT_EQ(diff.size(), 3u);
    EXPECT_EQ(scan(std::vector<int>{}), (Reports{"-7 /bin/p7", "-6 /bin/p6", "-5 /bin/p5"}));
}

TEST_F(Watch, AScanOfKnownProcessesAllocatesNothing) {
    for (int pid = 1; pid <= 400; ++pid) {
        source.steady.push_back(pid * 7);
        source.programs[pid * 7] = "/usr/lib/some/rather/long/path/to/program" + std::to_string(pid);
    }
    diff.start(source);
    int reports = 0;
    const ProcessDiff::Notify count = [&](const ProcessRecord&) { ++reports; };
    diff.cycle(source, count, count);  // the snapshot's storage grows once
    const long before = test::allocationCount();
    for (int i = 0; i < 100; ++i) {
        diff.cycle(source, count, count);
    }
    EXPECT_EQ(test::allocationCount() - before, 0);
    EXPECT_EQ(reports, 0);
    EXPECT_EQ(diff.size(), 400u);
}

// The straightforward reading of the rules: one list, searched from the front, entries deleted
// where they stand. Random scans must give the same reports as the hashed list.
class PlainList {
public:
    void cycle(const std::vector<int>& pids, const std::map<int, std::string>& programs, Reports& out) {
        for (Entry& e : list_) {
            e.seen = false;
        }
        for (int pid : pids) {
            bool known = false;
            for (Entry& e : list_) {
                if (e.pid == pid) {
                    e.seen = known = true;
                    break;
                }
            }
            if (!known) {
                list_.push_back({pid, programs.at(pid), true});
                out.push_back("+" + std::to_string(pid) + " " + programs.at(pid));
            }
        }
        for (std::size_t i = list_.size(); i-- > 0;) {
            if (!list_[i].seen) {
                out.push_back("-" + std::to_string(list_[i].pid) + " " + list_[i].exe);
                list_.erase(list_.begin() + static_cast<std::ptrdiff_t>(i));
            }
        }
    }

private:
    struct Entry {
        int pid;
        std::string exe;
        bool seen;
    };
    std::vector<Entry> list_;
};

TEST_F(Watch, RandomScansReportWhatThePlainListReports) {
    std::mt19937 random(20240611);
    start(std::vector<int>{});
    PlainList plain;
    std::vector<int> running;
    for (int round = 0; round < 2000; ++round) {
        // Some processes end, some start, each scan in a shuffled order.
        std::erase_if(running, [&](int) { return random() % 6 == 0; });
        for (unsigned n = random() % 4; n > 0; --n) {
            const int pid = static_cast<int>(random() % 99) + 1;
            if (std::find(running.begin(), running.end(), pid) == running.end()) {
                running.push_back(pid);
            }
        }
        if (round % 50 == 0) {
            source.programs[static_cast<int>(random() % 99) + 1] += "'";  // an id taken by a new program
        }
        std::shuffle(running.begin(), running.end(), random);
        Reports expected;
        plain.cycle(running, source.programs, expected);
        ASSERT_EQ(scan(running), expected) << "round " << round;
    }
}

}  // namespace
}  // namespace pw
