// Ticks per second and processor time of the mapping loop with a game active and the controller
// at rest (every tick samples the SDL device and passes all 28 actions), next to a bare loop that
// only sleeps 1 ms per round.
#include <QCoreApplication>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "BenchSupport.h"
#include "mapper/TickTimer.h"
#include "support/VirtualPad.h"

using namespace pw;
using SteadyTime = std::chrono::steady_clock;

namespace {

struct Figures {
    double perSecond;
    double corePercent;
};

// wake: the timer may sleep at rest and wakes on the pad's changes; held: button 1 stays down.
Figures mappingLoop(double seconds, bool wake = false, bool held = false) {
    test::VirtualPad p;
    if (!p.joystick.isOpen()) {
        std::fprintf(stderr, "no virtual controller: %s\n", p.pad.error().c_str());
        std::exit(1);
    }
    bench::CountingOutput out;
    KeyEmitter emitter(out, out);
    MappingState state;
    bench::assignAll(state);
    state.activeGame = "/games/game.exe";
    TickTimer timer;
    PollingLoop loop(state, p.joystick, emitter, timer);
    timer.attach(&loop);
    if (wake) {
        timer.setWakeJoystick(&p.joystick);
        timer.setWakesOnRequest(true);
        p.pad.setChangeHandler([&timer] { timer.wake(); });
    }
    p.pad.setButton(0, held);

    const double cpu0 = bench::processorSeconds();
    const auto t0 = SteadyTime::now();
    timer.setTimerEnabled(true);
    QTimer::singleShot(static_cast<int>(seconds * 1000), [] { QCoreApplication::quit(); });
    QCoreApplication::exec();
    const double wall = std::chrono::duration<double>(SteadyTime::now() - t0).count();
    const double cpu = bench::processorSeconds() - cpu0;
    timer.setTimerEnabled(false);
    p.pad.setChangeHandler(nullptr);
    return {static_cast<double>(timer.tickCount()) / wall, 100.0 * cpu / wall};
}

Figures bareLoop(double seconds) {
    const double cpu0 = bench::processorSeconds();
    const auto t0 = SteadyTime::now();
    const auto end = t0 + std::chrono::duration<double>(seconds);
    long rounds = 0;
    while (SteadyTime::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ++rounds;
    }
    const double wall = std::chrono::duration<double>(SteadyTime::now() - t0).count();
    return {static_cast<double>(rounds) / wall, 100.0 * (bench::processorSeconds() - cpu0) / wall};
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    std::printf("tick rate over %.0f s each (game active, controller at rest, 28 actions per tick)\n",
                seconds);
    const Figures mapping = mappingLoop(seconds);
    const Figures resting = mappingLoop(seconds, true);
    const Figures holding = mappingLoop(seconds, true, true);
    const Figures bare = bareLoop(seconds);
    std::printf("%-34s %12s %14s\n", "", "rounds/s", "% of one core");
    std::printf("%-34s %12.1f %14.2f\n", "mapping loop (1 ms tick timer)", mapping.perSecond,
                mapping.corePercent);
    std::printf("%-34s %12.1f %14.2f\n", "at rest, waking on the controller", resting.perSecond,
                resting.corePercent);
    std::printf("%-34s %12.1f %14.2f\n", "button held, waking on the controller", holding.perSecond,
                holding.corePercent);
    std::printf("%-34s %12.1f %14.2f\n", "bare loop (sleep 1 ms per round)", bare.perSecond,
                bare.corePercent);
    std::printf("processor time, mapping / bare: %.2f x   (targets: >= 990 ticks/s, <= 4 %%, <= 1.5 x)\n",
                bare.corePercent > 0 ? mapping.corePercent / bare.corePercent : 0.0);
    return 0;
}
