#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "games/ProcessWatcher.h"
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

// Where a stored program file is on this system, every link on the way resolved: a Linux path as
// it is, a Windows path ("C:\Games\x.exe") through the Wine prefix of the environment. Empty when
// it names no file.
using PathResolver = std::function<std::string(const std::string& file)>;

// Turns the process watcher's reports into automatic game activation: when a program of the
// library starts, its game becomes the active game; when it ends, the active game is cleared.
class AutoActivation {
public:
    AutoActivation(SettingsStore& store, MappingState& state, GameActivation& activation,
                   std::function<void()> enableTimer);

    // Rebuilds the lookup list from the store: every game of every group, in store order.
    void alle_programme_aufbauen();

    // The watcher's reports. A process is known by its id: a recognised game stays that game
    // through an exec into a program outside the library, and its end is the end of that game.
    void processCreated(const ProcessRecord& process);     // FnugryProcessNotify1ProcessCreated
    void processTerminated(const ProcessRecord& process);  // FnugryProcessNotify1ProcessTerminated
    // A report that carries only the program, for a source that knows no ids.
    void processCreated(std::string_view exeFile);
    void processTerminated(std::string_view exeFile);

    // The launcher started `pid` for the library game group\game, whose program is `file`: that
    // process is this game for its whole life, whatever it execs, and the game is active now.
    void launched(int pid, const std::string& group, const std::string& game, const std::string& file);

    // Used to resolve the library's program files for matching (symlinks, Windows paths). Without
    // one, a line matches only by its text. The lookup list is rebuilt.
    void setPathResolver(PathResolver resolver);
    // Told the library's program files, resolved, after every rebuild of the lookup list, and
    // whether every game's program was among them.
    using LibraryListener = std::function<void(const std::vector<std::string>& files, bool everyGame)>;
    void setLibraryListener(LibraryListener listener) { libraryListener_ = std::move(listener); }
    // Told the id of every process that is a running game, so that the watcher follows it.
    void setFollower(std::function<void(int pid)> follow) { follow_ = std::move(follow); }

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
    // The first entry that the process's program is, by its reported path as above, by the file
    // it is on this system, or by its Windows path (compared without case).
    const LookupEntry* match(const ProcessRecord& process) const;

    // The recognised games that run, the earliest started first; the last one is the active game.
    struct RunningGame {
        int pid = 0;
        std::string path;
        std::string group;
        std::string game;
    };
    const std::vector<RunningGame>& runningGames() const { return running_; }

private:
    struct Keys {
        std::string linuxFile;    // the stored program, resolved
        std::string windowsFile;  // the stored program as a Windows path, folded
    };
    void enter(const LookupEntry& entry, int pid, const std::string& path);

    SettingsStore& store_;
    MappingState& state_;
    GameActivation& activation_;
    std::function<void()> enableTimer_;
    std::vector<LookupEntry> lookup_;
    std::vector<std::string> foldedLines_;
    std::vector<Keys> keys_;
    std::vector<RunningGame> running_;
    PathResolver resolver_;
    std::function<void(int)> follow_;
    LibraryListener libraryListener_;
    std::string lastProcessPath_;
    bool savedCaptureMode_ = false;
};

}  // namespace pw
