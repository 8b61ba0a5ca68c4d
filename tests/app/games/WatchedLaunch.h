#pragma once

// The Start page's games started for real and watched by the real process watcher, wired to
// automatic activation as the program wires them: the watcher follows every running game and
// watches the library's programs, its reports go to automatic activation.

#include <filesystem>
#include <string>
#include <vector>

#include "games/linux/WinePaths.h"
#include "games/qt/ProcessNotify.h"
#include "support/gui/AppFixture.h"

namespace pw::test {

class WatchedLaunch {
public:
    explicit WatchedLaunch(AppFixture& fx) : fx_(fx) {
        watcher.onProcessCreated([this](const ProcessRecord& p) { fx_.autoActivation.processCreated(p); });
        watcher.onProcessTerminated(
            [this](const ProcessRecord& p) { fx_.autoActivation.processTerminated(p); });
        fx_.autoActivation.setFollower([this](int pid) { watcher.follow(pid); });
        fx_.autoActivation.setLibraryListener([this](const std::vector<std::string>& files, bool everyGame) {
            watcher.watchPrograms(files, everyGame);
        });
        fx_.autoActivation.setPathResolver(resolveProgramFile);
        fx_.timer.setVisibilityHandler([this](bool visible) { shown.push_back(visible); });
    }
    ~WatchedLaunch() {
        fx_.autoActivation.setFollower(nullptr);
        fx_.autoActivation.setLibraryListener(nullptr);
        fx_.timer.setVisibilityHandler(nullptr);
    }
    WatchedLaunch(const WatchedLaunch&) = delete;
    WatchedLaunch& operator=(const WatchedLaunch&) = delete;

    // Whether the game that runs has ended for the program: nothing runs, the window is back.
    bool windowBack() const {
        return fx_.autoActivation.runningGames().empty() && fx_.state.activeGame.empty() && !shown.empty() &&
               shown.back();
    }

    ProcessNotify watcher;
    std::vector<bool> shown;  // what the loop asked of the main window's visibility

private:
    AppFixture& fx_;
};

}  // namespace pw::test
