#include "mapper/MapperCore.h"

#include <QGuiApplication>
#include <algorithm>

#include "controllers/JoystickConfiguration.h"
#include "controllers/qt/ControlPanel.h"
#include "games/linux/WinePaths.h"
#include "store/SettingsStore.h"

namespace pw {

MapperCore::MapperCore(SettingsStore& store, const TextVariables& texts, Announcer& announcer,
                       KeyOutput& keys, SdlVirtualJoystick* pad)
    : store_(store),
      keys_(keys),
      pad_(pad),
      controllers_(store, texts, announcer),
      activation_(store, texts, controllers_, state_, [this] { inputErneuern(); }),
      autoActivation_(store, state_, activation_, [this] { timer_.setTimerEnabled(true); }) {
    timer_.attach(&loop_);
    // At rest the loop sleeps until the controller reports a change.
    timer_.setWakeJoystick(&joystick_);
    joystick_.setForegroundProbe(programIsInFront);
    // With ActiveOnly the controller reads nothing while another program is in front, so a button
    // held as our window comes to the front changes nothing on the device: the change of focus
    // itself must end a rest, or the press would wait for the next change of the controller.
    if (auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        QObject::connect(gui, &QGuiApplication::applicationStateChanged, &timer_, [this] { timer_.wake(); });
    }
    if (pad_ == nullptr) {
        device_.setConfigurationSource([this] { return readJoystickConfiguration(store_); });
    } else {
        pad_->setChangeHandler([this] { timer_.wake(); });
        timer_.setWakesOnRequest(true);
    }
    controllers_.setLastActivatedController(controllers_.akt_controller());
    autoActivation_.setLibraryListener([this](const std::vector<std::string>& files, bool everyGame) {
        watcher_.watchPrograms(files, everyGame);
    });
    autoActivation_.setPathResolver(resolveProgramFile);
    autoActivation_.setFollower([this](int pid) { watcher_.follow(pid); });

    watcher_.setPollPriority(PollPriority::Lower);
    watcher_.onProcessCreated([this](const ProcessRecord& p) { onCreated(p); });
    watcher_.onProcessTerminated([this](const ProcessRecord& p) { onTerminated(p); });
}

bool programIsInFront() {
    // Qt knows when one of our windows has the focus, from the X server and from a Wayland
    // compositor alike; a program without windows has nothing that could be in front.
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) {
        return true;
    }
    return QGuiApplication::applicationState() == Qt::ApplicationActive;
}

MapperCore::~MapperCore() {
    if (pad_ != nullptr) {
        pad_->setChangeHandler(nullptr);
    }
    // The watcher is the last member, so its thread ends before anything its handlers use; no key
    // stays pressed after the loop is gone.
    timer_.setTimerEnabled(false);
    loop_.releaseAll();
}

void MapperCore::openController() {
    if (pad_ != nullptr) {
        joystick_.setId(pad_->deviceIndex());
    }
    joystick_.openJoystick();
}

void MapperCore::inputErneuern() {
    input_erneuern(joystick_, keys_, pauser_, systemLanguageId(), busy_);
    if (pad_ != nullptr) {
        openController();
    }
}

void MapperCore::start() {
    timer_.setTimerEnabled(true);
}

void MapperCore::onCreated(const ProcessRecord& process) {
    const bool known =
        std::any_of(autoActivation_.runningGames().begin(), autoActivation_.runningGames().end(),
                    [&](const auto& game) { return game.pid == process.pid; });
    const LookupEntry* entry = known ? nullptr : autoActivation_.match(process);
    const std::string name = entry != nullptr ? entry->group + "\\" + entry->game : std::string();
    autoActivation_.processCreated(process);
    if (entry != nullptr) {
        log("game " + name + " started (" + process.exeFile + ")" +
            (state_.activeGame.empty() ? ", but it is no longer in the library"
             : state_.noMapping ? ": activated, but it has no controller or no Profile, so no keys are sent"
                                : ": activated"));
    }
}

void MapperCore::onTerminated(const ProcessRecord& process) {
    const auto& running = autoActivation_.runningGames();
    const auto game =
        std::find_if(running.begin(), running.end(), [&](const auto& g) { return g.pid == process.pid; });
    const std::string name = game != running.end() ? game->group + "\\" + game->game : std::string();
    autoActivation_.processTerminated(process);
    if (!name.empty()) {
        log("game " + name + " ended");
    }
}

}  // namespace pw
