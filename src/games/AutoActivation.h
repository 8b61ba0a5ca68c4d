#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "input/PollingLoop.h"
#include "store/SettingsStore.h"

namespace pw {

class GameActivation;

// One game of the lookup list: its stored command line, group and name.
struct LookupEntry {
    std::string exe;
    std::string group;
    std::string game;

    // The line the matching looks in: exe;group;game.
    std::string line() const { return exe + ";" + group + ";" + game; }
};

// Turns the process watcher's reports into automatic game activation: when a program of the
// library starts, its game becomes the active game; when it ends, the active game is cleared.
class AutoActivation {
public:
    AutoActivation(SettingsStore& store, MappingState& state, GameActivation& activation,
                   std::function<void()> enableTimer);

    // Rebuilds the lookup list from the store: every game of every group, in store order.
    void alle_programme_aufbauen();

    void processCreated(std::string_view exeFile);     // FnugryProcessNotify1ProcessCreated
    void processTerminated(std::string_view exeFile);  // FnugryProcessNotify1ProcessTerminated

    // Matches the last reported process against the lookup list and enters (started) or leaves
    // the active game. The matched entry, or nullptr when nothing matched.
    const LookupEntry* start_eintragen(bool started);

    // Set by the launcher when it has already activated the game it starts.
    bool launchPending = false;

    const std::vector<LookupEntry>& lookupList() const { return lookup_; }
    const std::string& lastProcessPath() const { return lastProcessPath_; }

    // The first entry whose line contains the reported path, case folded on both sides. A bare
    // name without folder (what is reported when the executable cannot be read) must be the
    // start of a file name in the line.
    const LookupEntry* match(std::string_view reportedPath) const;

private:
    SettingsStore& store_;
    MappingState& state_;
    GameActivation& activation_;
    std::function<void()> enableTimer_;
    std::vector<LookupEntry> lookup_;
    std::vector<std::string> foldedLines_;
    std::string lastProcessPath_;
    bool savedCaptureMode_ = false;
};

}  // namespace pw
