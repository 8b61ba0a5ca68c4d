// End to end on a booted kernel (the kernel stage runs this inside qemu, as root): the time from a
// uinput game pad's button event written to the key event read back through evdev, for
// `padwarden --headless` with a library game running, and beside it for the least a remapper can
// do (bench_trivial_remapper: a blocking read of the pad's node, a write to its own keyboard).
// A second yardstick, bench_qt_loop_remapper, does the same from a Qt event loop. First each
// remapper has a pad of its own and they take turns, so that none answers while another works;
// then a third yardstick, bench_sdl_reader_remapper, which blocks on its pad outside any loop but
// reads the change through SDL as PadWarden samples it, takes turns with the trivial remapper
// alone (while it merely runs, PadWarden's figures beside it came out 15-25 % higher); last
// PadWarden and the trivial remapper answer the same changes of one pad.
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
    int missedReleases = 0;  // of them
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

// One change of the A button on `pad`, timed to the first key event that answers it on each of
// the keyboards.
struct Listener {
    int keyboard;
    Figures* figures;
};

void timeChange(test::UinputPad& pad, bool down, const std::vector<Listener>& listeners) {
    for (const Listener& l : listeners) {
        drain(l.keyboard);
    }
    std::array<bool, 3> answered{};
    std::array<pollfd, 3> p{};
    const std::size_t n = std::min(listeners.size(), p.size());
    std::size_t left = n;
    const auto t0 = Clock::now();
    pad.button(BTN_A, down);
    const auto end = t0 + 1s;
    while (left > 0 && Clock::now() < end) {
        for (std::size_t k = 0; k < n; ++k) {
            p[k] = {listeners[k].keyboard, POLLIN, 0};
        }
        if (::poll(p.data(), n, 100) <= 0) {
            continue;
        }
        const auto now = Clock::now();
        for (std::size_t k = 0; k < n; ++k) {
            if (!answered[k] && (p[k].revents & POLLIN) != 0 &&
                readKeyA(listeners[k].keyboard, down ? 1 : 0)) {
                answered[k] = true;
                --left;
                Figures& f = *listeners[k].figures;
                const double us = std::chrono::duration<double, std::micro>(now - t0).count();
                f.us.push_back(us);
                (down ? f.pressUs : f.releaseUs).push_back(us);
            }
        }
    }
    for (std::size_t k = 0; k < n; ++k) {
        listeners[k].figures->missed += answered[k] ? 0 : 1;
        listeners[k].figures->missedReleases += answered[k] || down ? 0 : 1;
    }
}

// Each press is held long enough that its key is held when the release comes (from the third
// tick on), and short of the twelfth tick, from which the emitter paces a held key's repeats with
// a pause of 8.6 ms in every tick: a release that meets that pause waits for it, which is the key
// sequence's own timing, not the way a change travels.
void gap(std::mt19937& random) {
    std::uniform_int_distribution<int> gapUs(5000, 9000);
    std::this_thread::sleep_for(std::chrono::microseconds(gapUs(random)));
}

// A press and release not counted: PadWarden's first tick after the other remappers came takes in
// their new devices (SDL looks at every new input device once), which is hot-plug, not latency.
void settle(test::UinputPad& pad, Listener padwarden, std::mt19937& random) {
    Figures ignored;
    for (bool down : {true, false}) {
        timeChange(pad, down, {Listener{padwarden.keyboard, &ignored}});
        gap(random);
    }
}

// Each remapper on a pad of its own, a press and its release for one, then for the next: as a
// user meets each, alone, while the machine's hiccups still fall on all alike.
void measureAlone(const std::vector<test::UinputPad*>& pads, const std::vector<Listener>& listeners,
                  int changes) {
    std::mt19937 random(42);
    settle(*pads[0], listeners[0], random);
    const int n = static_cast<int>(pads.size());
    for (int i = 0; i < n * changes; ++i) {
        const auto who = static_cast<std::size_t>(i / 2 % n);
        timeChange(*pads[who], i % 2 == 0, {listeners[who]});
        gap(random);
    }
}

// Both remappers on one pad, answering the same change: they share the machine's one processor at
// that moment, and the one that runs second waits for the first.
void measureTogether(test::UinputPad& pad, std::array<Listener, 2> listeners, int changes) {
    std::mt19937 random(42);
    settle(pad, listeners[0], random);
    for (int i = 0; i < changes; ++i) {
        timeChange(pad, i % 2 == 0, {listeners[0], listeners[1]});
        gap(random);
    }
    pad.button(BTN_A, false);
}

using Named = std::vector<std::pair<const char*, const Figures*>>;

// A release goes unanswered when the machine stalled so long that PadWarden ticked fewer than three
// times while the button was down: then the press was a tap, whose key went up with it already.

void print(const char* title, int changes, const Named& all) {
    std::printf("%s (%d changes each)\n", title, changes);
    for (const auto& [name, f] : all) {
        std::printf("  %-18s p50 %7.0f us   p99 %7.0f us   max %7.0f us   %d unanswered (%d releases)\n",
                    name, f->at(50), f->at(99), f->at(100), f->missed, f->missedReleases);
    }
    for (const auto& [name, f] : all) {
        std::printf("  %-18s presses p50 %6.0f us p99 %6.0f us, releases p50 %6.0f us p99 %6.0f us\n", name,
                    percentile(f->pressUs, 50), percentile(f->pressUs, 99), percentile(f->releaseUs, 50),
                    percentile(f->releaseUs, 99));
    }
}

}  // namespace

int main(int argc, char** argv) {
    const int changes = argc > 1 ? std::atoi(argv[1]) : 1000;
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
    // The yardsticks' own pads come after PadWarden has taken the first one.
    test::UinputPad trivialPad;
    test::UinputPad qtPad;
    if (!trivialPad.ok() || !qtPad.ok()) {
        std::printf("end-to-end latency: no more uinput pads (error %d)\n", trivialPad.error());
        return 1;
    }
    const auto start = [](const char* program, const std::string& devnode, const char* keyboardName,
                          test::KeyboardReader& keyboard) {
        const pid_t pid = bench::startProgram({program, devnode});
        if (!keyboard.open(30s, keyboardName)) {
            std::printf("end-to-end latency: %s did not come up\n", program);
        }
        return pid;
    };
    Figures ours;
    Figures trivial;
    Figures qtLoop;
    {
        test::KeyboardReader trivialKeyboard;
        test::KeyboardReader qtKeyboard;
        const pid_t t =
            start(TRIVIAL_REMAPPER, trivialPad.devnode(), "trivial remapper keyboard", trivialKeyboard);
        const pid_t q = start(QT_LOOP_REMAPPER, qtPad.devnode(), "Qt loop remapper keyboard", qtKeyboard);
        if (trivialKeyboard.fd() >= 0 && qtKeyboard.fd() >= 0) {
            std::this_thread::sleep_for(300ms);
            measureAlone({&pad, &trivialPad, &qtPad},
                         {Listener{padwarden.fd(), &ours}, Listener{trivialKeyboard.fd(), &trivial},
                          Listener{qtKeyboard.fd(), &qtLoop}},
                         changes);
        }
        stop(t);
        stop(q);
    }
    // PadWarden still runs, its game active, but it has no change to answer here.
    Figures sdlTrivial;
    Figures sdlReader;
    {
        test::UinputPad sdlPad;
        test::KeyboardReader trivialKeyboard;
        test::KeyboardReader sdlKeyboard;
        const pid_t t =
            start(TRIVIAL_REMAPPER, trivialPad.devnode(), "trivial remapper keyboard", trivialKeyboard);
        const pid_t s = sdlPad.ok() ? start(SDL_READER_REMAPPER, sdlPad.devnode(),
                                            "SDL reader remapper keyboard", sdlKeyboard)
                                    : -1;
        if (trivialKeyboard.fd() >= 0 && sdlKeyboard.fd() >= 0) {
            std::this_thread::sleep_for(300ms);
            measureAlone(
                {&trivialPad, &sdlPad},
                {Listener{trivialKeyboard.fd(), &sdlTrivial}, Listener{sdlKeyboard.fd(), &sdlReader}},
                changes);
        }
        stop(t);
        if (s > 0) {
            stop(s);
        }
    }
    Figures oursTogether;
    Figures trivialTogether;
    {
        test::KeyboardReader trivialKeyboard;
        const pid_t t = start(TRIVIAL_REMAPPER, pad.devnode(), "trivial remapper keyboard", trivialKeyboard);
        if (trivialKeyboard.fd() >= 0) {
            std::this_thread::sleep_for(300ms);
            measureTogether(
                pad,
                {Listener{padwarden.fd(), &oursTogether}, Listener{trivialKeyboard.fd(), &trivialTogether}},
                changes);
        }
        stop(t);
    }
    stop(gamePid);
    stop(mapper);
    if (trivial.us.empty() || trivialTogether.us.empty()) {
        return 1;
    }

    print(
        "end to end on this kernel, from the pad's event written to the key event read, each remapper "
        "alone on its own pad, taking turns",
        changes, {{"PadWarden", &ours}, {"trivial remapper", &trivial}, {"Qt loop remapper", &qtLoop}});
    std::printf("  PadWarden / trivial: p50 %.2f x   p99 %.2f x   (target: <= 1.1 x)\n",
                ours.at(50) / trivial.at(50), ours.at(99) / trivial.at(99));
    std::printf("  Qt loop / trivial:   p50 %.2f x   p99 %.2f x   (what the event loop alone costs)\n",
                qtLoop.at(50) / trivial.at(50), qtLoop.at(99) / trivial.at(99));
    std::printf("  PadWarden / Qt loop: p50 %.2f x   p99 %.2f x\n", ours.at(50) / qtLoop.at(50),
                ours.at(99) / qtLoop.at(99));
    if (!sdlReader.us.empty()) {
        print(
            "outside any event loop, reading the pad through SDL, beside the trivial remapper, taking "
            "turns",
            changes, {{"SDL reader", &sdlReader}, {"trivial remapper", &sdlTrivial}});
        std::printf("  SDL reader / trivial: p50 %.2f x   p99 %.2f x   (what SDL's reading alone costs)\n",
                    sdlReader.at(50) / sdlTrivial.at(50), sdlReader.at(99) / sdlTrivial.at(99));
    }
    print("both answering one pad at once", changes,
          {{"PadWarden", &oursTogether}, {"trivial remapper", &trivialTogether}});
    std::printf("  PadWarden / trivial: p50 %.2f x   p99 %.2f x\n",
                oursTogether.at(50) / trivialTogether.at(50), oursTogether.at(99) / trivialTogether.at(99));
    return 0;
}
