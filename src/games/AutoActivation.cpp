#include "games/AutoActivation.h"

#include "profiles/Activation.h"
#include "store/RegistryAccess.h"

namespace pw {

AutoActivation::AutoActivation(SettingsStore& store, MappingState& state, GameActivation& activation,
                               std::function<void()> enableTimer)
    : store_(store), state_(state), activation_(activation), enableTimer_(std::move(enableTimer)) {}

void AutoActivation::alle_programme_aufbauen() {
    lookup_.clear();
    foldedLines_.clear();
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
            }
        } catch (const StoreError&) {
            // An error inside one group abandons the rest of that group.
        }
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
    lastProcessPath_ = std::string(exeFile.substr(0, 260));
    start_eintragen(true);
    if (!state_.activeGame.empty() && enableTimer_) {
        enableTimer_();
    }
}

void AutoActivation::processTerminated(std::string_view exeFile) {
    lastProcessPath_ = std::string(exeFile.substr(0, 260));
    start_eintragen(false);
}

}  // namespace pw
