// Latency from a change of the SDL virtual controller to the key-output call that it causes,
// with the mapping loop running on its precise 1 ms timer. Another thread presses and releases a
// button at random moments, as a hand would; the key output notes when the key event arrives.
#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string_view>
#include <thread>
#include <vector>

#include "BenchSupport.h"
#include "mapper/TickTimer.h"
#include "support/VirtualPad.h"

using namespace pw;
using SteadyTime = std::chrono::steady_clock;

namespace {

std::atomic<std::int64_t> g_changedAt{0};  // ns since epoch of the last change; 0 = none pending
std::vector<double> g_latencies;           // microseconds; written on the main thread only

std::int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(SteadyTime::now().time_since_epoch()).count();
}

class StampingOutput final : public KeyOutput, public Pauser {
public:
    void keyDown(std::uint8_t, std::uint8_t) override { stamp(); }
    void keyUp(std::uint8_t, std::uint8_t) override { stamp(); }
    void beep(int) override {}
    void pause(std::int32_t) override {}

private:
    static void stamp() {
        const std::int64_t changed = g_changedAt.exchange(0);
        if (changed != 0) {
            g_latencies.push_back(static_cast<double>(nowNs() - changed) / 1000.0);
        }
    }
};

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    const auto i = static_cast<std::size_t>(p / 100.0 * static_cast<double>(v.size() - 1));
    return v[i];
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int changes = argc > 1 ? std::atoi(argv[1]) : 600;

    test::VirtualPad p;
    StampingOutput out;
    KeyEmitter emitter(out, out);
    MappingState state;
    state.slots.assign(ControllerAction::Button1, "65");
    state.activeGame = "/games/game.exe";
    TickTimer timer;
    PollingLoop loop(state, p.joystick, emitter, timer);
    timer.attach(&loop);
    // "wake": the loop sleeps at rest and the pad's changes wake it, as in the program.
    const bool wake = argc > 2 && std::string_view(argv[2]) == "wake";
    if (wake) {
        timer.setWakeJoystick(&p.joystick);
        timer.setWakesOnRequest(true);
        p.pad.setChangeHandler([&timer] { timer.wake(); });
    }
    timer.setTimerEnabled(true);

    std::thread hand([&] {
        std::mt19937 random(42);
        std::uniform_int_distribution<int> gapUs(4000, 9000);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        for (int i = 0; i < changes; ++i) {
            // Held for several ticks, so the release reloads the counter and the next press taps
            // on its first tick: every change is answered by the tick right after it.
            g_changedAt.store(nowNs());
            p.pad.setButton(0, i % 2 == 0);
            std::this_thread::sleep_for(std::chrono::microseconds(gapUs(random)));
        }
        QMetaObject::invokeMethod(QCoreApplication::instance(), [] { QCoreApplication::quit(); });
    });
    QCoreApplication::exec();
    hand.join();
    timer.setTimerEnabled(false);
    p.pad.setChangeHandler(nullptr);

    if (g_latencies.empty()) {
        std::printf("no key events arrived\n");
        return 1;
    }
    std::printf("latency from a virtual-joystick change to the key-output call (%zu changes, %s)\n",
                g_latencies.size(), wake ? "loop waking on the pad" : "loop ticking every 1 ms");
    std::printf(
        "  p50 %.0f us   p90 %.0f us   p99 %.0f us   max %.0f us   (target: p99 <= 300 us while waking on "
        "the pad)\n",
        percentile(g_latencies, 50), percentile(g_latencies, 90), percentile(g_latencies, 99),
        percentile(g_latencies, 100));
    return 0;
}
