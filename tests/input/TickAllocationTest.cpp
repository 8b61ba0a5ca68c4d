// The 1 ms tick must not allocate: every operator new in this program is counted, and a tick of
// a running game with all 28 actions assigned, held, repeating or playing sequences adds none.
#include <gtest/gtest.h>

#include "input/PollingLoop.h"
#include "support/AllocationCounter.h"
#include "support/VirtualPad.h"

namespace pw {
namespace {

class NullOutput final : public KeyOutput, public Pauser {
public:
    void keyDown(std::uint8_t, std::uint8_t) override { ++events; }
    void keyUp(std::uint8_t, std::uint8_t) override { ++events; }
    void beep(int) override { ++events; }
    void pause(std::int32_t) override { ++events; }
    long events = 0;
};

class AlwaysOn final : public LoopHost {
public:
    void setTimerEnabled(bool) override {}
    bool timerEnabled() const override { return true; }
    void setMainWindowVisible(bool) override {}
};

TEST(TickAllocation, ATickAllocatesNothing) {
    test::VirtualPad p;
    NullOutput sink;
    KeyEmitter emitter(sink, sink);
    MappingState state;
    state.activeGame = "/games/game.exe";
    for (ControllerAction a : kAllActions) {
        state.slots.assign(a, "17_65");
    }
    state.slots.assign(ControllerAction::Button2, "(0)65(3)16_66(5)67");
    AlwaysOn host;
    PollingLoop loop(state, p.joystick, emitter, host);

    const auto ticksAllocate = [&](int ticks) {
        const long before = test::allocationCount();
        for (int i = 0; i < ticks; ++i) {
            loop.tick();
        }
        return test::allocationCount() - before;
    };

    ticksAllocate(5);  // the first SDL updates may set up internal buffers
    EXPECT_EQ(ticksAllocate(200), 0) << "controller at rest";

    p.pad.setButton(0, true);
    p.pad.setButton(1, true);
    p.pad.setHat(HatDirection::DownLeft);
    p.push(0, 1);
    p.push(2, -1);
    const long eventsBefore = sink.events;
    EXPECT_EQ(ticksAllocate(200), 0) << "taps, held keys, repeats and a timed sequence";
    EXPECT_GT(sink.events, eventsBefore);

    p.pad.setButton(0, false);
    EXPECT_EQ(ticksAllocate(10), 0) << "releases";
}

}  // namespace
}  // namespace pw
