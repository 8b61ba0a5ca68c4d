#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include "mapper/TickTimer.h"
#include "support/RecordingKeyOutput.h"
#include "support/VirtualPad.h"

namespace pw {
namespace {

int argc = 1;
char appName[] = "tick_timer_tests";
char* argv[] = {appName, nullptr};

class TimerLoop : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (QCoreApplication::instance() == nullptr) {
            app = new QCoreApplication(argc, argv);
        }
    }

    TimerLoop() {
        timer.attach(&loop);
        timer.setVisibilityHandler([this](bool v) { visible = v; });
        state.slots.assign(ControllerAction::Button1, "65");
    }

    // Runs the event loop until the condition holds or a generous limit passes.
    template <class Pred>
    bool runUntil(Pred done) {
        QElapsedTimer elapsed;
        elapsed.start();
        while (!done() && elapsed.elapsed() < 5000) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        }
        return done();
    }

    static inline QCoreApplication* app = nullptr;
    test::VirtualPad p;
    test::EventLog log;
    test::RecordingKeyOutput out{log};
    test::RecordingPauser pauser{log};
    KeyEmitter emitter{out, pauser};
    MappingState state;
    TickTimer timer;
    PollingLoop loop{state, p.joystick, emitter, timer};
    std::optional<bool> visible;
};

TEST_F(TimerLoop, WithoutAGameTheFirstTickRestoresTheWindowAndStopsTheTimer) {
    state.mainWindowShown = true;
    timer.setTimerEnabled(true);
    ASSERT_TRUE(runUntil([&] { return !timer.timerEnabled(); }));
    EXPECT_EQ(timer.tickCount(), 1u);
    EXPECT_EQ(visible, true);
}

TEST_F(TimerLoop, ARunningGameKeepsTheTimerTickingUntilTheGameEnds) {
    state.activeGame = "/games/game.exe";
    p.pad.setButton(0, true);
    timer.setTimerEnabled(true);
    ASSERT_TRUE(runUntil([&] { return timer.tickCount() >= 20; }));
    EXPECT_TRUE(timer.timerEnabled());
    EXPECT_EQ(visible, false);
    EXPECT_TRUE(state.slots[ControllerAction::Button1].held);
    state.activeGame.clear();
    ASSERT_TRUE(runUntil([&] { return !timer.timerEnabled(); }));
    EXPECT_EQ(log.events().back(), "up 65 30") << "the held key was let go";
    EXPECT_FALSE(state.slots[ControllerAction::Button1].held);
}

TEST_F(TimerLoop, DisablingTheTimerLetsGoOfHeldKeys) {
    state.activeGame = "/games/game.exe";
    p.pad.setButton(0, true);
    timer.setTimerEnabled(true);
    ASSERT_TRUE(runUntil([&] { return state.slots[ControllerAction::Button1].held; }));
    timer.setTimerEnabled(false);
    EXPECT_FALSE(state.slots[ControllerAction::Button1].held);
    EXPECT_EQ(log.events().back(), "up 65 30");
    const auto ticks = timer.tickCount();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(timer.tickCount(), ticks) << "a disabled timer does not tick";
}

}  // namespace
}  // namespace pw
