#include <gtest/gtest.h>

#include "input/PollingLoop.h"
#include "support/RecordingKeyOutput.h"
#include "support/VirtualPad.h"

namespace pw {
namespace {

using A = ControllerAction;
using Events = std::vector<std::string>;

class HostStub final : public LoopHost {
public:
    void setTimerEnabled(bool on) override { enabled = on; }
    bool timerEnabled() const override { return enabled; }
    void setMainWindowVisible(bool v) override {
        visible = v;
        ++visibilityCalls;
    }

    bool enabled = true;
    std::optional<bool> visible;
    int visibilityCalls = 0;
};

class Loop : public ::testing::Test {
protected:
    Loop() {
        loop.setCaptureStep([this](Joystick& j) { captured.push_back(j.detectAction()); });
        state.slots.assign(A::Button1, "65");
        state.slots.assign(A::CoolUpRight, "66");
        state.slots.assign(A::Up, "87");
    }

    Events tick() {
        loop.tick();
        return log.take();
    }

    test::VirtualPad p;
    test::EventLog log;
    test::RecordingKeyOutput out{log};
    test::RecordingPauser pauser{log};
    KeyEmitter emitter{out, pauser};
    MappingState state;
    HostStub host;
    PollingLoop loop{state, p.joystick, emitter, host};
    std::vector<std::optional<A>> captured;
};

TEST_F(Loop, NoGameNoCaptureRestoresTheWindowAndStopsTheTimer) {
    state.mainWindowShown = false;
    p.pad.setButton(0, true);
    EXPECT_EQ(tick(), Events{});
    EXPECT_EQ(host.visible, false);
    EXPECT_FALSE(host.enabled);
    state.mainWindowShown = true;
    tick();
    EXPECT_EQ(host.visible, true);
}

TEST_F(Loop, NoGameWithCaptureRunsTheCaptureStepAndKeepsTheTimer) {
    state.captureMode = true;
    p.pad.setButton(0, true);
    EXPECT_EQ(tick(), Events{});
    EXPECT_EQ(tick(), Events{});
    EXPECT_TRUE(host.enabled);
    ASSERT_EQ(captured.size(), 2u);
    EXPECT_EQ(captured[1], A::Button1);
}

TEST_F(Loop, GameWithNoMappingSendsNothingAndLeavesTheWindowAlone) {
    state.activeGame = "/games/doom.exe";
    state.noMapping = true;
    p.pad.setButton(0, true);
    EXPECT_EQ(tick(), Events{});
    EXPECT_EQ(tick(), Events{});
    EXPECT_TRUE(host.enabled);
    EXPECT_EQ(host.visibilityCalls, 0);
    EXPECT_TRUE(loop.atRest()) << "nothing to key: the loop may sleep though a button is on";
    state.captureMode = true;
    tick();
    EXPECT_FALSE(loop.atRest()) << "but not while a capture runs";
}

TEST_F(Loop, NoMappingWithoutGameOrCaptureStopsTheTimerAndGivesTheWindowBack) {
    state.noMapping = true;
    host.visible = false;
    tick();
    EXPECT_FALSE(host.enabled);
    EXPECT_EQ(host.visible, true);
    // With the tray chosen the window stays away.
    state.mainWindowShown = false;
    host.enabled = true;
    tick();
    EXPECT_EQ(host.visible, false);
}

TEST_F(Loop, RunningGameHidesTheWindowAndEmitsInTickOrder) {
    state.activeGame = "/games/doom.exe";
    host.enabled = false;
    p.pad.setButton(0, true);
    p.pad.setHat(HatDirection::UpRight);
    p.push(1, -1);
    EXPECT_EQ(tick(), (Events{"down 65 30", "up 65 30", "down 66 48", "up 66 48", "down 87 17", "up 87 17"}));
    EXPECT_TRUE(host.enabled);
    EXPECT_EQ(host.visible, false);
}

TEST_F(Loop, AStateChangeIsSeenByTheNextTick) {
    state.activeGame = "/games/doom.exe";
    EXPECT_EQ(tick(), Events{});
    p.pad.setButton(0, true);
    EXPECT_EQ(tick(), (Events{"down 65 30", "up 65 30"}));
}

TEST_F(Loop, ATickIsAtRestOnlyWhenNothingIsOnNothingHeldAndNoCaptureRuns) {
    state.activeGame = "/games/doom.exe";
    tick();
    EXPECT_TRUE(loop.atRest()) << "a game with the controller at rest";
    p.pad.setButton(0, true);
    tick();
    EXPECT_FALSE(loop.atRest()) << "an action is on";
    p.pad.setButton(0, false);
    tick();
    EXPECT_TRUE(loop.atRest()) << "a tap leaves nothing held";

    p.pad.setButton(0, true);
    while (!state.slots[A::Button1].held) {
        tick();
    }
    p.pad.setButton(0, false);
    EXPECT_EQ(tick(), Events{"up 65 30"});
    EXPECT_TRUE(loop.atRest()) << "the release happened in this tick; the next changes nothing";

    state.captureMode = true;
    tick();
    EXPECT_FALSE(loop.atRest()) << "capture runs";
    state.captureMode = false;
    state.activeGame.clear();
    tick();
    EXPECT_FALSE(loop.atRest()) << "no game: the timer stops instead";
}

TEST_F(Loop, ChangesBetweenTicksAreKeyedAtOnceForTheActionsTheyTurnOnly) {
    state.activeGame = "/games/doom.exe";
    p.pad.setButton(0, true);
    loop.passChanges();
    EXPECT_EQ(log.take(), Events{}) << "nothing is handed on before a tick has emitted";
    ASSERT_EQ(tick(), (Events{"down 65 30", "up 65 30"}));
    tick();
    const auto counter = state.slots[A::Button1].counter;
    loop.passChanges();
    EXPECT_EQ(log.take(), Events{}) << "no change, no keys";

    p.pad.setHat(HatDirection::UpRight);
    loop.passChanges();
    EXPECT_EQ(log.take(), (Events{"down 66 48", "up 66 48"})) << "the new action taps at once";
    EXPECT_EQ(state.slots[A::Button1].counter, counter) << "the held button keeps its count of ticks";
    tick();
    EXPECT_EQ(state.slots[A::Button1].counter, counter - 1) << "and counts on with the next tick";
    p.pad.setHat(HatDirection::Centered);
    loop.passChanges();

    while (!state.slots[A::Button1].held) {
        tick();
    }
    log.take();
    p.pad.setButton(0, false);
    loop.passChanges();
    EXPECT_EQ(log.take(), Events{"up 65 30"}) << "the release goes up at once";
    EXPECT_EQ(tick(), Events{}) << "and the next tick owes nothing";

    state.captureMode = true;
    tick();
    p.pad.setButton(0, true);
    loop.passChanges();
    EXPECT_EQ(log.take(), Events{}) << "a capture waits for its tick";
}

TEST_F(Loop, CaptureModeDuringAGameSamplesTwiceButEmitsOnce) {
    state.activeGame = "/games/doom.exe";
    state.captureMode = true;
    p.pad.setButton(0, true);
    EXPECT_EQ(tick(), (Events{"down 65 30", "up 65 30"}));
    EXPECT_EQ(captured.size(), 1u);
}

TEST_F(Loop, HeldKeysAreReleasedWhenTheGameEnds) {
    state.activeGame = "/games/doom.exe";
    p.pad.setButton(0, true);
    tick();
    tick();
    ASSERT_EQ(tick(), Events{"down 65 30"});
    state.activeGame.clear();  // the game's process ended, the button is still down
    EXPECT_EQ(tick(), Events{"up 65 30"});
    EXPECT_FALSE(state.slots[A::Button1].held);
    EXPECT_EQ(state.slots[A::Button1].counter, emitter.tapMark());
    EXPECT_EQ(tick(), Events{}) << "released once";
}

TEST_F(Loop, HeldKeysAreReleasedWhenNoMappingIsSet) {
    state.activeGame = "/games/doom.exe";
    p.push(1, -1);
    tick();
    tick();
    ASSERT_EQ(tick(), Events{"down 87 17"});
    state.noMapping = true;
    EXPECT_EQ(tick(), Events{"up 87 17"});
}

TEST_F(Loop, ReleaseAllLetsGoOfEveryHeldKeyInTickOrder) {
    state.activeGame = "/games/doom.exe";
    p.pad.setButton(0, true);
    p.push(1, -1);
    tick();
    tick();
    tick();
    loop.releaseAll();
    EXPECT_EQ(log.take(), (Events{"up 65 30", "up 87 17"}));
    loop.releaseAll();
    EXPECT_EQ(log.take(), Events{});
}

TEST_F(Loop, WithoutAControllerOnlyOwedKeyUpsAreSent) {
    state.activeGame = "/games/doom.exe";
    p.pad.setButton(0, true);
    tick();
    tick();
    tick();
    p.pad.detach();
    EXPECT_EQ(tick(), Events{"up 65 30"});
    EXPECT_EQ(tick(), Events{});
}

}  // namespace
}  // namespace pw
