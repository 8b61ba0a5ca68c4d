#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "app/window/AppContext.h"
#include "app/window/GameLists.h"
#include "controllers/ControllerRegistry.h"
#include "games/AutoActivation.h"
#include "input/Joystick.h"
#include "input/KeyEmitter.h"
#include "input/PollingLoop.h"
#include "mapper/TickTimer.h"
#include "profiles/Activation.h"
#include "store/RegistryAccess.h"
#include "store/sqlite/SqliteSettingsStore.h"
#include "support/FakeJoystickDevice.h"
#include "support/RecordingKeyOutput.h"
#include "support/TempDir.h"
#include "support/gui/ScriptedDialogs.h"
#include "support/gui/WidgetsApp.h"
#include "texts/TextVariables.h"

namespace pw::test {

// Everything a page of the main window works with, made of real parts where they can run in a
// test: a real settings store and program directory in a fresh temporary folder (with the default
// groups), the real activation and lookup list, the real timer and polling loop. The controller is
// a FakeJoystickDevice unless the test hands in another device (an SdlJoystickDevice on a virtual
// pad); keys, beeps and pauses go to `events`; questions are answered by `dialogs`.
class AppFixture {
public:
    explicit AppFixture(JoystickDevice* device = nullptr)
        : app_(ensureWidgetsApp()),
          store_(SqliteSettingsStore::open(dir.file("registry.sqlite"))),
          device_(device != nullptr ? device : &fake),
          joystick(*device_),
          keys(events),
          pauser(events),
          emitter(keys, pauser),
          loop(state, joystick, emitter, timer),
          controllers(*store_, texts, dialogs),
          activation(*store_, texts, controllers, state, [this] { ++inputRenewals; }),
          autoActivation(*store_, state, activation, [this] { timer.setTimerEnabled(true); }),
          context{*store_,        texts,    dialogs, dir.path(), state, controllers, activation,
                  autoActivation, joystick, keys,    pauser,     loop,  timer,       lists} {
        timer.attach(&loop);
        ensureDefaultGroups(*store_, dir.path().string() + "/");
        context.hideMainWindow = [this] { ++hides; };
        context.inputErneuern = [this] { ++inputRenewals; };
    }

    SettingsStore& store() { return *store_; }

    TempDir dir;  // the program directory: Profiles live here

private:
    QApplication& app_;
    std::unique_ptr<SqliteSettingsStore> store_;

public:
    FakeJoystickDevice fake;

private:
    JoystickDevice* device_;

public:
    TextVariables texts;
    ScriptedDialogs dialogs;
    MappingState state;
    Joystick joystick;
    EventLog events;
    RecordingKeyOutput keys;
    RecordingPauser pauser;
    KeyEmitter emitter;
    TickTimer timer;
    PollingLoop loop;
    ControllerRegistry controllers;
    GameActivation activation;
    AutoActivation autoActivation;
    GameLists lists;
    AppContext context;
    int hides = 0;
    int inputRenewals = 0;
};

}  // namespace pw::test
