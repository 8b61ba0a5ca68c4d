#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <array>
#include <functional>
#include <utility>

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

TEST_F(TimerLoop, TheFirstTickComesAtOnceNotAPeriodAfterTheStart) {
    state.activeGame = "/games/game.exe";
    p.pad.setButton(0, true);
    timer.setPeriod(std::chrono::seconds(10));
    timer.setTimerEnabled(true);
    QElapsedTimer elapsed;
    elapsed.start();
    ASSERT_TRUE(runUntil([&] { return timer.tickCount() >= 1; }));
    EXPECT_LT(elapsed.elapsed(), 5000) << "the held button types without waiting for the period";
    ASSERT_FALSE(log.events().empty());
    EXPECT_EQ(log.events().front().rfind("down 65", 0), 0u) << log.events().front();
    timer.setTimerEnabled(false);
    timer.setTimerEnabled(true);  // as when the window is shown again: a new start, a new first tick
    ASSERT_TRUE(runUntil([&] { return timer.tickCount() >= 2; }));
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

// The loop at rest sleeps until the controller changes, and then ticks at once.
class RestingLoop : public TimerLoop {
protected:
    RestingLoop() {
        timer.setWakeJoystick(&p.joystick);
        timer.setWakesOnRequest(true);
        p.pad.setChangeHandler([this] { timer.wake(); });
        state.activeGame = "/games/game.exe";
    }
    ~RestingLoop() override { p.pad.setChangeHandler(nullptr); }

    // Handles events for 30 ticks' time; true when no tick ran meanwhile.
    bool noTickFor30Ms() {
        const auto ticks = timer.tickCount();
        QElapsedTimer elapsed;
        elapsed.start();
        while (elapsed.elapsed() < 30) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        }
        return timer.tickCount() == ticks;
    }
};

TEST_F(RestingLoop, AtRestNoTickRunsUntilThePadChangesAndThenOneRunsAtOnce) {
    timer.setTimerEnabled(true);
    ASSERT_TRUE(runUntil([&] { return timer.resting(); }));
    EXPECT_TRUE(noTickFor30Ms());
    EXPECT_TRUE(timer.timerEnabled());

    p.pad.setButton(0, true);
    ASSERT_TRUE(runUntil([&] { return !log.events().empty(); }));
    EXPECT_EQ(log.take(), (std::vector<std::string>{"down 65 30", "up 65 30"}))
        << "the same tap as without rest";
    EXPECT_FALSE(timer.resting());
    const auto ticks = timer.tickCount();
    ASSERT_TRUE(runUntil([&] { return timer.tickCount() >= ticks + 20; })) << "while on, it ticks on";
    EXPECT_FALSE(timer.resting());

    p.pad.setButton(0, false);
    ASSERT_TRUE(runUntil([&] { return timer.resting(); }));
    EXPECT_TRUE(noTickFor30Ms());
}

TEST_F(RestingLoop, WhileTickingAChangeIsKeyedWithoutWaitingForTheNextTick) {
    timer.setTimerEnabled(true);
    ASSERT_TRUE(runUntil([&] { return timer.resting(); }));
    // From the wake on, a tick every ten seconds: whatever is keyed in between came without a tick.
    timer.setPeriod(std::chrono::seconds(10));
    p.pad.setButton(0, true);
    ASSERT_TRUE(runUntil([&] { return log.events().size() >= 2; }));
    EXPECT_EQ(log.take(), (std::vector<std::string>{"down 65 30", "up 65 30"}));
    ASSERT_FALSE(timer.resting()) << "the button is on";
    const auto ticks = timer.tickCount();

    state.slots.assign(ControllerAction::Button2, "67");
    p.pad.setButton(1, true);
    ASSERT_TRUE(runUntil([&] { return log.events().size() >= 2; }));
    EXPECT_EQ(log.take(), (std::vector<std::string>{"down 67 46", "up 67 46"})) << "the second button taps";
    EXPECT_EQ(timer.tickCount(), ticks) << "no tick ran for it";
    EXPECT_GT(timer.changeCount(), 0u);

    timer.setTimerEnabled(false);
    p.pad.setButton(1, false);
    p.pad.setButton(1, true);
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_TRUE(log.events().empty()) << "a stopped loop keys nothing";
}

// A change that comes while the wake's own tick keys, after its sample, is keyed by the ticks that
// follow: the wake's handles are emptied after that tick, but the pad keeps what it was told.
TEST_F(RestingLoop, AChangeThatComesWhileTheWakeTickKeysIsNotLost) {
    class Hooked final : public KeyOutput {
    public:
        Hooked(KeyOutput& to, std::function<void()> hook) : to_(to), hook_(std::move(hook)) {}
        void keyDown(std::uint8_t k, std::uint8_t s) override {
            to_.keyDown(k, s);
            if (hook_) {
                std::exchange(hook_, nullptr)();
            }
        }
        void keyUp(std::uint8_t k, std::uint8_t s) override { to_.keyUp(k, s); }
        void beep(int value) override { to_.beep(value); }

    private:
        KeyOutput& to_;
        std::function<void()> hook_;
    };
    state.slots.assign(ControllerAction::Button2, "67");
    Hooked hooked(out, [this] {
        p.pad.setButton(0, false);
        p.pad.setButton(1, true);
    });
    KeyEmitter hookedEmitter{hooked, pauser};
    TickTimer wakeTimer;
    PollingLoop hookedLoop{state, p.joystick, hookedEmitter, wakeTimer};
    wakeTimer.attach(&hookedLoop);
    wakeTimer.setWakeJoystick(&p.joystick);
    wakeTimer.setWakesOnRequest(true);
    p.pad.setChangeHandler([&] { wakeTimer.wake(); });
    wakeTimer.setTimerEnabled(true);
    ASSERT_TRUE(runUntil([&] { return wakeTimer.resting(); }));

    p.pad.setButton(0, true);
    ASSERT_TRUE(runUntil([&] { return log.events().size() >= 4; }));
    EXPECT_EQ(log.take(), (std::vector<std::string>{"down 65 30", "up 65 30", "down 67 46", "up 67 46"}));
    p.pad.setButton(1, false);
    EXPECT_TRUE(runUntil([&] { return wakeTimer.resting(); }));
    p.pad.setChangeHandler(nullptr);
    wakeTimer.setTimerEnabled(false);
}

// The pad of the loop, with a hot-plug handle that the test writes to.
class PluggedPad final : public JoystickDevice {
public:
    explicit PluggedPad(JoystickDevice& pad) : pad_(pad) {
        if (::pipe2(fds_.data(), O_NONBLOCK | O_CLOEXEC) != 0) {
            fds_ = {-1, -1};
        }
    }
    ~PluggedPad() override {
        for (int fd : fds_) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
    }
    bool open(int id, JoystickCaps& caps) override { return pad_.open(id, caps); }
    void close() override { pad_.close(); }
    bool read(RawJoystickSample& sample) override { return pad_.read(sample); }
    int plugHandle() const override { return fds_[0]; }
    void drainPlugs() override {
        std::array<char, 16> bytes{};
        while (::read(fds_[0], bytes.data(), bytes.size()) > 0) {
        }
    }
    void plug() { [[maybe_unused]] const auto n = ::write(fds_[1], "+", 1); }

private:
    JoystickDevice& pad_;
    std::array<int, 2> fds_{};
};

// Changes of this pad wake nobody: only the hot-plug handle can end the rest, as for a pad that
// was just plugged in and is not the loop's yet.
TEST_F(RestingLoop, ADeviceThatComesEndsTheRestAndTheLoopLooksAgainForAWhile) {
    p.pad.setChangeHandler(nullptr);
    PluggedPad device(p.device);
    Joystick joystick{device};
    joystick.setId(p.pad.deviceIndex());
    joystick.openJoystick();
    TickTimer plugTimer;
    PollingLoop plugLoop{state, joystick, emitter, plugTimer};
    plugTimer.attach(&plugLoop);
    plugTimer.setWakeJoystick(&joystick);
    plugTimer.setWakesOnRequest(true);
    plugTimer.setTimerEnabled(true);
    ASSERT_TRUE(runUntil([&] { return plugTimer.resting(); }));

    p.pad.setButton(0, true);
    const auto ticks = plugTimer.tickCount();
    QElapsedTimer quiet;
    quiet.start();
    while (quiet.elapsed() < 30) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    EXPECT_EQ(plugTimer.tickCount(), ticks) << "nothing woke the loop yet";
    device.plug();
    ASSERT_TRUE(runUntil([&] { return !log.events().empty(); })) << "the device that came is looked at";
    EXPECT_EQ(log.take(), (std::vector<std::string>{"down 65 30", "up 65 30"}));
    p.pad.setButton(0, false);
    ASSERT_TRUE(runUntil([&] { return plugTimer.resting(); }));
    log.take();  // the held key's down and up, as many ticks as the release took to be seen

    // Resting again, it still looks for a while: a change that wakes nobody is keyed all the same.
    // (A tap leaves the slot's count where it was, so this press may go down as a held key.)
    p.pad.setButton(0, true);
    ASSERT_TRUE(runUntil([&] { return !log.events().empty(); }));
    EXPECT_EQ(log.events().front(), "down 65 30");
    plugTimer.setTimerEnabled(false);
}

TEST_F(RestingLoop, AProgramStateChangeEndsTheRest) {
    timer.setTimerEnabled(true);
    ASSERT_TRUE(runUntil([&] { return timer.resting(); }));
    const auto ticks = timer.tickCount();
    state.captureMode = true;
    timer.setTimerEnabled(true);
    EXPECT_GT(timer.tickCount(), ticks) << "ticked at once";
    EXPECT_FALSE(timer.resting()) << "capture keeps it ticking";
    EXPECT_FALSE(noTickFor30Ms());
}

TEST_F(TimerLoop, WithoutAnyWayToWakeItTheLoopNeverRests) {
    timer.setWakeJoystick(&p.joystick);  // a virtual pad has no evdev node, and nobody calls wake()
    state.activeGame = "/games/game.exe";
    timer.setTimerEnabled(true);
    ASSERT_TRUE(runUntil([&] { return timer.tickCount() >= 30; }));
    EXPECT_FALSE(timer.resting());
}

}  // namespace
}  // namespace pw
