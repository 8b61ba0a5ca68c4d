// The mapper's wiring as the desktop program runs it, on a virtual controller.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QWindow>
#include <chrono>

#include "mapper/MapperCore.h"
#include "store/sqlite/SqliteSettingsStore.h"
#include "support/QtApp.h"
#include "support/RecordingAnnouncer.h"
#include "support/RecordingKeyOutput.h"
#include "support/TempDir.h"

namespace pw {
namespace {

// Lets Qt handle events until the application state is `wanted` (a safety net of 10 s).
bool stateBecomes(Qt::ApplicationState wanted) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (QGuiApplication::applicationState() != wanted && std::chrono::steady_clock::now() < end) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return QGuiApplication::applicationState() == wanted;
}

TEST(MapperCore, WhileActiveOnlyIsSetTheControllerReadsOnlyWhileOurWindowHasTheFocus) {
    test::ensureGuiApp();
    test::TempDir home;
    const auto store = SqliteSettingsStore::open(home.file("registry.sqlite"));
    TextVariables texts;
    test::RecordingAnnouncer announcer;
    test::EventLog log;
    test::RecordingKeyOutput keys(log);
    SdlVirtualJoystick pad(4, 12, 1);
    ASSERT_TRUE(pad.ok()) << pad.error();
    MapperCore core(*store, texts, announcer, keys, &pad);
    core.openController();
    pad.setButton(0, true);

    // No window of ours has had the focus yet: another program is in front (the control panel).
    ASSERT_EQ(QGuiApplication::applicationState(), Qt::ApplicationInactive);
    EXPECT_FALSE(programIsInFront());
    core.joystick().setActiveOnly(true);
    core.joystick().sample();
    EXPECT_FALSE(core.joystick().actionIsOn(ControllerAction::Button1)) << "another program has the focus";

    // A game runs; with the button not read the loop rests.
    core.state().activeGame = "/opt/game/game";
    core.state().noMapping = false;
    core.state().slots.assign(ControllerAction::Button1, "17_65");
    core.timer().setTimerEnabled(true);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!core.timer().resting() && std::chrono::steady_clock::now() < end) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    ASSERT_TRUE(core.timer().resting());
    EXPECT_EQ(log.events(), std::vector<std::string>{});

    QWindow ours;
    ours.show();
    ours.requestActivate();
    ASSERT_TRUE(stateBecomes(Qt::ApplicationActive));
    EXPECT_TRUE(programIsInFront());
    // The button has been held all along: the focus coming back ends the rest and keys it.
    while (log.events().empty() && std::chrono::steady_clock::now() < end) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    ASSERT_FALSE(log.events().empty()) << "the held button is keyed once our window has the focus";
    EXPECT_EQ(log.events().front().substr(0, 7), "down 17") << log.events().front();
    core.timer().setTimerEnabled(false);
    core.state().activeGame.clear();
    core.joystick().sample();
    EXPECT_TRUE(core.joystick().actionIsOn(ControllerAction::Button1)) << "our window has the focus";

    core.joystick().setActiveOnly(false);
    core.joystick().sample();
    EXPECT_TRUE(core.joystick().actionIsOn(ControllerAction::Button1))
        << "without ActiveOnly the focus does not matter";
}

}  // namespace
}  // namespace pw
