// The cost of one tick. "nothing on": a game runs, all 28 actions are assigned, the controller is
// at rest, so the tick samples the SDL device and passes 28 actions that are all off. The
// allocations counter counts operator new calls per tick; it must stay 0.
#include <benchmark/benchmark.h>

#include "BenchSupport.h"
#include "support/AllocationCounter.h"
#include "support/VirtualPad.h"

using namespace pw;

namespace {

class AlwaysOn final : public LoopHost {
public:
    void setTimerEnabled(bool) override {}
    bool timerEnabled() const override { return true; }
    void setMainWindowVisible(bool) override {}
};

void runTicks(benchmark::State& st, bool buttonHeld) {
    test::VirtualPad p;
    bench::CountingOutput out;
    KeyEmitter emitter(out, out);
    MappingState state;
    bench::assignAll(state);
    state.activeGame = "/games/game.exe";
    AlwaysOn host;
    PollingLoop loop(state, p.joystick, emitter, host);
    p.pad.setButton(0, buttonHeld);
    for (int i = 0; i < 20; ++i) {
        loop.tick();
    }
    const long before = test::allocationCount();
    for (auto _ : st) {
        loop.tick();
    }
    st.counters["allocations/tick"] = benchmark::Counter(
        static_cast<double>(test::allocationCount() - before) / static_cast<double>(st.iterations()));
}

void BM_TickNothingOn(benchmark::State& st) {
    runTicks(st, false);
}
void BM_TickOneKeyHeld(benchmark::State& st) {
    runTicks(st, true);
}

void BM_TickNoGame(benchmark::State& st) {
    SdlJoystickDevice device;
    Joystick joystick(device);
    bench::CountingOutput out;
    KeyEmitter emitter(out, out);
    MappingState state;
    AlwaysOn host;
    PollingLoop loop(state, joystick, emitter, host);
    for (auto _ : st) {
        loop.tick();
    }
}

}  // namespace

BENCHMARK(BM_TickNothingOn);
BENCHMARK(BM_TickOneKeyHeld);
BENCHMARK(BM_TickNoGame);
BENCHMARK_MAIN();
