#include "games/AutoActivation.h"

#include <algorithm>

#include "games/CommandLine.h"
#include "profiles/Activation.h"
#include "store/RegistryAccess.h"

namespace pw {

AutoActivation::AutoActivation(SettingsStore& store, MappingState& state, GameActivation& activation,
                               std::function<void()> enableTimer)
    : store_(store), state_(state), activation_(activation), enableTimer_(std::move(enableTimer)) {}

void AutoActivation::setPathResolver(PathResolver resolver) {
    resolver_ = std::move(resolver);
    alle_programme_aufbauen();
}

void AutoActivation::alle_programme_aufbauen() {
    lookup_.clear();
    foldedLines_.clear();
    keys_.clear();
    std::vector<std::string> groups;
    try {
        RegistryKey games = openProgramKey(store_);
        games.openKey("games", true);
        groups = games.subkeys();
    } catch (const StoreError&) {
        return;
    }
    for (const std::string& group : groups) {
        try {
            RegistryKey groupKey(store_);
            if (!groupKey.openKey("\\" + joinKeyPath(joinKeyPath(kProgramKeyPath, "games"), group), false)) {
                continue;
            }
            for (const std::string& game : groupKey.subkeys()) {
                RegistryKey gameKey(store_);
                gameKey.openKey("\\" + joinKeyPath(groupKey.path(), game), false);
                lookup_.push_back({gameKey.readString("exe"), group, game});
                foldedLines_.push_back(foldKeyName(lookup_.back().line()));
                Keys keys;
                const std::string& exe = lookup_.back().exe;
                const auto exists = [this](const std::string& file) {
                    return resolver_ && !file.empty() && !resolver_(file).empty();
                };
                const CommandLineParts parts = resolveCommandLine(exe, exists);
                if (resolver_ && !parts.file.empty()) {
                    keys.linuxFile = resolver_(parts.file);
                }
                if (isWindowsPath(parts.file)) {
                    keys.windowsFile = foldWindowsPath(parts.file);
                }
                keys_.push_back(std::move(keys));
            }
        } catch (const StoreError&) {
            // An error inside one group abandons the rest of that group.
        }
    }
    if (libraryListener_) {
        std::vector<std::string> files;
        bool everyGame = true;
        for (const Keys& keys : keys_) {
            if (!keys.linuxFile.empty()) {
                files.push_back(keys.linuxFile);
            } else {
                everyGame = false;
            }
        }
        libraryListener_(files, everyGame);
    }
}

namespace {

// What may stand around a file name in a lookup line ("command line;group;game"): the line's ends,
// blanks between parameters, the quotes of a quoted path and the separator before the group.
bool bordersName(char c) {
    return c == ' ' || c == '\t' || c == '"' || c == ';';
}

}  // namespace

const LookupEntry* AutoActivation::match(std::string_view reportedPath) const {
    if (reportedPath.empty()) {
        return nullptr;
    }
    const std::string folded = foldKeyName(reportedPath);
    const bool bareName = folded.find_first_of("/\\") == std::string::npos;
    for (std::size_t i = 0; i < foldedLines_.size(); ++i) {
        const std::string& line = foldedLines_[i];
        for (auto at = line.find(folded); at != std::string::npos; at = line.find(folded, at + 1)) {
            // The reported path must be a whole file name of the line: "/g/p/game" is not a part of
            // "/g/p/gamefoo", and the name of an unrelated process ("sh") enters no game whose path
            // merely contains it. A bare name may also stand for the last part of a stored path.
            const std::size_t end = at + folded.size();
            const bool begins = at == 0 || bordersName(line[at - 1]) ||
                                (bareName && (line[at - 1] == '/' || line[at - 1] == '\\'));
            const bool ends = end == line.size() || bordersName(line[end]);
            if (begins && ends) {
                return &lookup_[i];
            }
        }
    }
    return nullptr;
}

const LookupEntry* AutoActivation::match(const ProcessRecord& process) const {
    const LookupEntry* byText = match(process.exeFile);
    const std::string windows =
        isWindowsPath(process.exeFile) ? foldWindowsPath(process.exeFile) : std::string();
    for (std::size_t i = 0; i < lookup_.size(); ++i) {
        if (byText == &lookup_[i]) {
            return byText;
        }
        const Keys& keys = keys_[i];
        if ((!process.linuxFile.empty() && process.linuxFile == keys.linuxFile) ||
            (!windows.empty() && windows == keys.windowsFile)) {
            return &lookup_[i];
        }
    }
    return byText;
}

void AutoActivation::enter(const LookupEntry& found, int pid, const std::string& path) {
    const LookupEntry entry = found;  // activation may not rebuild the list, but be safe
    running_.push_back({pid, path, entry.group, entry.game});
    if (pid > 0 && follow_) {
        follow_(pid);
    }
    savedCaptureMode_ = state_.captureMode;
    state_.captureMode = false;
    state_.activeGame = path;
    if (!launchPending) {
        activation_.commandos_wechsel(entry.group, entry.game, false);
    }
    launchPending = false;
}

void AutoActivation::launched(int pid, const std::string& group, const std::string& game,
                              const std::string& file) {
    // The launcher has activated the game already; the watcher's report of this process finds it
    // known and leaves it, so nothing waits for a start that may look like another program.
    launchPending = true;
    enter(LookupEntry{file, group, game}, pid, file);
    if (enableTimer_) {
        enableTimer_();
    }
}

const LookupEntry* AutoActivation::start_eintragen(bool started) {
    const LookupEntry* entry = match(lastProcessPath_);
    if (entry == nullptr) {
        return nullptr;
    }
    if (started) {
        savedCaptureMode_ = state_.captureMode;
        state_.captureMode = false;
        state_.activeGame = lastProcessPath_;
        if (!launchPending) {
            const LookupEntry copy = *entry;  // activation may not rebuild the list, but be safe
            activation_.commandos_wechsel(copy.group, copy.game, false);
        }
        launchPending = false;
    } else {
        state_.activeGame.clear();
        state_.captureMode = savedCaptureMode_;
    }
    return entry;
}

void AutoActivation::processCreated(std::string_view exeFile) {
    ProcessRecord process;
    process.exeFile = std::string(exeFile);
    processCreated(process);
}

void AutoActivation::processTerminated(std::string_view exeFile) {
    ProcessRecord process;
    process.exeFile = std::string(exeFile);
    processTerminated(process);
}

void AutoActivation::processCreated(const ProcessRecord& process) {
    lastProcessPath_ = std::string(std::string_view(process.exeFile).substr(0, 260));
    const bool known =
        process.pid > 0 && std::any_of(running_.begin(), running_.end(),
                                       [&](const RunningGame& g) { return g.pid == process.pid; });
    // A recognised game that execs (a launcher into the real program, Wine into its loader) stays
    // the game it was.
    if (!known) {
        if (const LookupEntry* entry = match(process)) {
            enter(*entry, process.pid, lastProcessPath_);
        }
    }
    if (!state_.activeGame.empty() && enableTimer_) {
        enableTimer_();
    }
}

void AutoActivation::processTerminated(const ProcessRecord& process) {
    lastProcessPath_ = std::string(std::string_view(process.exeFile).substr(0, 260));
    auto game = running_.end();
    if (process.pid > 0) {
        game = std::find_if(running_.begin(), running_.end(),
                            [&](const RunningGame& g) { return g.pid == process.pid; });
    } else {
        // Without an id, the latest start of the same program.
        for (auto g = running_.begin(); g != running_.end(); ++g) {
            if (g->pid <= 0 && g->path == lastProcessPath_) {
                game = g;
            }
        }
    }
    if (game == running_.end()) {
        // A library game that ran before the watcher did ends: with no recognised game running,
        // the active game is left as at any end; otherwise the games that run go on.
        if (running_.empty() && match(process) != nullptr) {
            state_.activeGame.clear();
            state_.captureMode = savedCaptureMode_;
        }
        return;
    }
    const bool wasActive = game + 1 == running_.end();
    running_.erase(game);
    if (running_.empty()) {
        state_.activeGame.clear();
        state_.captureMode = savedCaptureMode_;
        return;
    }
    if (wasActive) {
        // The most recently started of the games that still run is the active one again.
        const RunningGame back = running_.back();
        state_.activeGame = back.path;
        activation_.commandos_wechsel(back.group, back.game, false);
    }
}

}  // namespace pw
