#pragma once

#include <filesystem>
#include <memory>

#include "app/dialogs/QtUserDialogs.h"
#include "app/window/AppContext.h"
#include "app/window/GameLists.h"
#include "app/window/main/MainWindow.h"
#include "mapper/MapperCore.h"
#include "texts/TextVariables.h"

namespace pw {

class SettingsStore;

// Everything the desktop program runs on, wired together: the texts, the dialogs, the mapper
// (controller, polling loop, activation, process watcher), the shared lists and the main window
// with its pages. Made before the start-up sequence; the store and key output are handed in.
class DesktopSession {
public:
    DesktopSession(SettingsStore& store, KeyOutput& keys, std::filesystem::path programDirectory,
                   bool trayAvailable);
    DesktopSession(const DesktopSession&) = delete;
    DesktopSession& operator=(const DesktopSession&) = delete;

    TextVariables& texts() { return texts_; }
    MapperCore& core() { return core_; }
    AppContext& context() { return context_; }
    MainWindow& window() { return window_; }

private:
    TextVariables texts_;
    QtUserDialogs dialogs_;
    MapperCore core_;
    GameLists lists_;
    AppContext context_;
    MainWindow window_;
};

}  // namespace pw
