// End to end on a booted kernel (the kernel stage runs this inside qemu, as root): the time from a
// uinput game pad's button event written to the key event read back through evdev, for
// `padwarden --headless` with a library game running, and beside it for the least a remapper can
// do (bench_trivial_remapper: a blocking read of the pad's node, a write to its own keyboard).
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "BenchLibrary.h"
#include "kernel/KernelStageSupport.h"
#include "support/TempDir.h"

using namespace pw;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

void stop(pid_t pid) {
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
}

void drain(int fd) {
    input_event e{};
    while (::read(fd, &e, sizeof e) == static_cast<ssize_t>(sizeof e)) {
    }
}

double percentile(std::vector<double> v, double p) {
    if (v.empty()) {
        return 0;
    }
    std::sort(v.begin(), v.end());
    return v[static_cast<std::size_t>(p / 100.0 * static_cast<double>(v.size() - 1))];
}

struct Figures {
    std::vector<double> us;
    std::vector<double> pressUs;  // the presses alone, and the releases
    std::vector<double> releaseUs;
    int missed = 0;
    double at(double p) const { return percentile(us, p); }
};

// Whether `fd` has KEY_A with the value among its waiting events.
bool readKeyA(int fd, int value) {
    input_event e{};
    bool found = false;
    while (::read(fd, &e, sizeof e) == static_cast<ssize_t>(sizeof e)) {
        found = found || (e.type == EV_KEY && e.code == KEY_A && e.value == value);
    }
    return found;
}

// Presses and releases the A button and times each change to the first key event that answers
// it on each keyboard: both remappers run side by side and answer the same changes, so the
// machine's hiccups fall on both alike. Each press is held long enough that its key is held when
// the release comes (from the third tick on), and short of the twelfth tick, from which the
// emitter paces a held key's repeats with a pause of 8.6 ms in every tick: a release that meets
// that pause waits for it, which is the key sequence's own timing, not the way a change travels.
std::array<Figures, 2> measure(test::UinputPad& pad, const std::array<int, 2>& keyboards, int changes) {
    std::array<Figures, 2> f;
    std::mt19937 random(42);
    std::uniform_int_distribution<int> gapUs(5000, 9000);
    for (int i = 0; i < changes; ++i) {
        const bool down = i % 2 == 0;
        for (int keyboard : keyboards) {
            drain(keyboard);
        }
        std::array<bool, 2> answered{false, false};
        const auto t0 = Clock::now();
        pad.button(BTN_A, down);
        const auto end = t0 + 1s;
        while ((!answered[0] || !answered[1]) && Clock::now() < end) {
            std::array<pollfd, 2> p{{{keyboards[0], POLLIN, 0}, {keyboards[1], POLLIN, 0}}};
            if (::poll(p.data(), p.size(), 100) <= 0) {
                continue;
            }
            const auto now = Clock::now();
            for (std::size_t k = 0; k < 2; ++k) {
                if (!answered[k] && (p[k].revents & POLLIN) != 0 && readKeyA(keyboards[k], down ? 1 : 0)) {
                    answered[k] = true;
                    const double us = std::chrono::duration<double, std::micro>(now - t0).count();
                    f[k].us.push_back(us);
                    (down ? f[k].pressUs : f[k].releaseUs).push_back(us);
                }
            }
        }
        for (std::size_t k = 0; k < 2; ++k) {
            f[k].missed += answered[k] ? 0 : 1;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(gapUs(random)));
    }
    pad.button(BTN_A, false);
    return f;
}

}  // namespace

int main(int argc, char** argv) {
    const int changes = argc > 1 ? std::atoi(argv[1]) : 500;
    if (!test::inKernelStage()) {
        std::printf("end-to-end latency: needs /dev/uinput; run tests/kernel/run-kernel-stage\n");
        return 0;
    }
    test::TempDir home;
    ::setenv("PADWARDEN_HOME", home.path().c_str(), 1);
    const auto game = home.file("game.bin");
    std::filesystem::copy_file("/bin/sleep", game);
    bench::writeBenchLibrary(home.path(), game.string());
    test::UinputPad pad;
    if (!pad.ok()) {
        std::printf("end-to-end latency: no uinput pad (error %d)\n", pad.error());
        return 1;
    }

    const auto err = home.file("err.txt");
    const pid_t mapper = bench::startProgram({PADWARDEN_PROGRAM, "--headless"}, {}, err);
    test::KeyboardReader padwarden;
    if (!test::waitFor(err, "watching") || !padwarden.open()) {
        std::printf("end-to-end latency: padwarden --headless did not come up:\n%s\n",
                    test::readFile(err).c_str());
        return 1;
    }
    const pid_t gamePid = bench::startProgram({game.string(), "600"});
    if (!test::waitFor(err, "game Action\\Bench started")) {
        std::printf("end-to-end latency: the game was not recognised:\n%s\n", test::readFile(err).c_str());
        return 1;
    }
    const pid_t remapper = bench::startProgram({TRIVIAL_REMAPPER, pad.devnode()});
    test::KeyboardReader trivial;
    if (!trivial.open(30s, "trivial remapper keyboard")) {
        std::printf("end-to-end latency: the trivial remapper did not come up\n");
        return 1;
    }
    std::this_thread::sleep_for(300ms);
    const auto [ours, theirs] = measure(pad, {padwarden.fd(), trivial.fd()}, changes);
    stop(remapper);
    stop(gamePid);
    stop(mapper);

    std::printf(
        "end to end on this kernel, from the pad's event written to the key event read (%d changes, both "
        "remappers side by side)\n",
        changes);
    std::printf("  %-18s p50 %7.0f us   p99 %7.0f us   max %7.0f us   %d unanswered\n", "PadWarden",
                ours.at(50), ours.at(99), ours.at(100), ours.missed);
    std::printf("  %-18s p50 %7.0f us   p99 %7.0f us   max %7.0f us   %d unanswered\n", "trivial remapper",
                theirs.at(50), theirs.at(99), theirs.at(100), theirs.missed);
    for (const auto& [name, figures] :
         {std::pair{"PadWarden", &ours}, std::pair{"trivial remapper", &theirs}}) {
        std::printf("  %-18s presses p50 %6.0f us p99 %6.0f us, releases p50 %6.0f us p99 %6.0f us\n", name,
                    percentile(figures->pressUs, 50), percentile(figures->pressUs, 99),
                    percentile(figures->releaseUs, 50), percentile(figures->releaseUs, 99));
    }
    if (theirs.at(50) > 0 && theirs.at(99) > 0) {
        std::printf("  PadWarden / trivial: p50 %.2f x   p99 %.2f x   (target: <= 1.1 x)\n",
                    ours.at(50) / theirs.at(50), ours.at(99) / theirs.at(99));
    }
    return 0;
}
