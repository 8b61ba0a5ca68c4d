// The whole program on a booted kernel (tests/kernel/run-kernel-stage runs this inside qemu, as
// root): a uinput game pad laid out as the xpad driver lays out an Xbox pad is the controller,
// `padwarden --headless` types through its uinput keyboard, and the keys are read back from
// "PadWarden virtual keyboard" through evdev. The library comes in as a user brings it, with
// --import, and the game is a process started from outside.
#include <SDL.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <libevdev/libevdev-uinput.h>
#include <libevdev/libevdev.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "kernel/KernelStageSupport.h"
#include "support/TempDir.h"

namespace pw {
namespace {

using namespace std::chrono_literals;

using namespace test;

struct Process {
    pid_t pid = -1;
    bool stop() {
        if (pid <= 0) {
            return false;
        }
        ::kill(pid, SIGTERM);
        int status = 0;
        ::waitpid(pid, &status, 0);
        pid = -1;
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
};

// A home with the library imported from a registry file, the game's program a script that runs
// until its end file appears.
class KernelStage : public ::testing::Test {
protected:
    void SetUp() override {
        if (!inKernelStage()) {
            GTEST_SKIP() << "needs /dev/uinput: run tests/kernel/run-kernel-stage";
        }
    }
    void TearDown() override {
        mapper.stop();
        endGame();
    }

    // Imports the game Action\Test with these assignments ("[isbutton1]"="65" lines) through
    // `padwarden --import`, as a user brings a library.
    void importLibrary(const std::string& assignments, const std::string& controller = "",
                       const std::string& moreKeys = "") {
        game = home.write("game.sh", gameScript);
        ::chmod(game.c_str(), 0755);
        // A quoted text takes its backslashes doubled, as the registry editor writes them.
        const auto quoted = [](const std::string& text) {
            std::string out;
            for (char c : text) {
                out += c == '\\' ? std::string("\\\\") : std::string(1, c);
            }
            return out;
        };
        std::string reg =
            "Windows Registry Editor Version 5.00\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Orvalis\\PadWarden\\games\\Action\\Test]\r\n"
            "\"name\"=\"Test\"\r\n\"exe\"=\"" +
            quoted(game.string()) + "\"\r\n\"controller\"=\"" + quoted(controller) +
            "\"\r\n\"profil\"=\"Test.ini\"\r\n" + assignments + "\r\n" + moreKeys;
        if (!controller.empty()) {
            reg += "[HKEY_LOCAL_MACHINE\\Software\\Orvalis\\PadWarden\\controller\\" + controller +
                   "]\r\n\"x\"=\"y\"\r\n\r\n";
        }
        const auto file = home.write("library.reg", reg);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::setenv("PADWARDEN_HOME", home.path().c_str(), 1);
            std::freopen(home.file("import.txt").c_str(), "w", stdout);
            ::execl(PADWARDEN_PROGRAM, PADWARDEN_PROGRAM, "--import", file.c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << readFile(home.file("import.txt"));
    }

    void startMapper() {
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::setenv("PADWARDEN_HOME", home.path().c_str(), 1);
            std::freopen(home.file("err.txt").c_str(), "w", stderr);
            ::execl(PADWARDEN_PROGRAM, PADWARDEN_PROGRAM, "--headless", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        mapper.pid = pid;
        ASSERT_TRUE(waitFor(home.file("err.txt"), "watching")) << log();
        ASSERT_TRUE(keyboard.open()) << "no PadWarden virtual keyboard: " << log();
    }

    void startGame() {
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::execl(game.c_str(), game.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        gamePid = pid;
        ASSERT_TRUE(waitFor(home.file("err.txt"), "game Action\\Test started")) << log();
    }

    void endGame() {
        if (gamePid > 0) {
            std::ofstream(game.string() + ".end") << "";
            ::waitpid(gamePid, nullptr, 0);
            gamePid = -1;
        }
    }

    std::string log() const { return readFile(home.file("err.txt")); }

    test::TempDir home;
    std::string gameScript = "#!/bin/sh\nwhile [ ! -e \"$0.end\" ]; do sleep 0.05; done\n";
    // A game that starts no process of its own while it runs: every start of one is news to the
    // watcher, and news that concerns the game ends the loop's rest.
    static constexpr const char* kQuietGame =
        "#!/bin/bash\nmkfifo \"$0.fifo\"\nexec 3<>\"$0.fifo\"\n"
        "while [ ! -e \"$0.end\" ]; do read -r -t 0.05 -u 3 _; done\n";
    std::filesystem::path game;
    pid_t gamePid = -1;
    Process mapper;
    KeyboardReader keyboard;
};

const std::string kTwoKeys = "\"[isbutton1]\"=\"65\"\r\n\"[isbutton2]\"=\"66\"\r\n";

TEST_F(KernelStage, APressOnThePadTypesTheGamesKeyAndAHeldKeyRepeatsUntilTheGameEnds) {
    importLibrary(kTwoKeys);
    UinputPad pad;
    ASSERT_TRUE(pad.ok()) << pad.error();
    startMapper();
    startGame();

    pad.button(BTN_A, true);
    ASSERT_TRUE(keyboard.waitFor({KEY_A, 1})) << log();
    pad.button(BTN_A, false);
    ASSERT_TRUE(keyboard.waitFor({KEY_A, 0}));
    ASSERT_GE(keyboard.seen.size(), 2u);
    EXPECT_EQ(keyboard.seen[1], (KeyEvent{KEY_A, 0})) << "a press starts with a tap";

    keyboard.settle();
    pad.button(BTN_B, true);  // held: goes down, then repeats
    ASSERT_TRUE(keyboard.waitFor({KEY_B, 2})) << "a held key repeats as value 2";
    EXPECT_EQ(keyboard.seen.front(), (KeyEvent{KEY_B, 1}));
    keyboard.seen.clear();
    endGame();
    ASSERT_TRUE(keyboard.waitFor({KEY_B, 0})) << "the game's end lets the held key go";
    EXPECT_TRUE(waitFor(home.file("err.txt"), "game Action\\Test ended"));
    pad.button(BTN_B, false);
    pad.button(BTN_A, true);
    EXPECT_EQ(keyboard.read(500ms), std::vector<KeyEvent>{}) << "no game, no keys";
    EXPECT_TRUE(mapper.stop());
}

TEST_F(KernelStage, AnXboxPadAtRestTurnsNoActionOnAndItsTriggersAreZ) {
    std::string all;
    const char* const tokens[] = {"isup",       "isdown",         "isleft",      "isright",
                                  "iszup",      "iszdown",        "isrup",       "isrdown",
                                  "iscoolup",   "iscoolupright",  "iscoolright", "iscooldownright",
                                  "iscooldown", "iscooldownleft", "iscoolleft",  "iscoolupleft"};
    int key = 65;
    for (const char* t : tokens) {
        all += "\"[" + std::string(t) + "]\"=\"" + std::to_string(key++) + "\"\r\n";
    }
    for (int b = 1; b <= 12; ++b) {
        all += "\"[isbutton" + std::to_string(b) + "]\"=\"" + std::to_string(b < 11 ? 47 + b : 112 + b) +
               "\"\r\n";
    }
    importLibrary(all);
    UinputPad pad;
    ASSERT_TRUE(pad.ok());
    startMapper();
    startGame();
    EXPECT_EQ(keyboard.read(1500ms), std::vector<KeyEvent>{}) << "a pad at rest types nothing";

    pad.axis(ABS_Z, 255);  // left trigger: Z up, the fifth token, E
    ASSERT_TRUE(keyboard.waitFor({KEY_E, 1})) << log();
    pad.axis(ABS_Z, 0);
    ASSERT_TRUE(keyboard.waitFor({KEY_E, 0}));
    keyboard.settle();
    pad.axis(ABS_RZ, 255);  // right trigger: Z down, F
    ASSERT_TRUE(keyboard.waitFor({KEY_F, 1}));
    pad.axis(ABS_RZ, 0);
    ASSERT_TRUE(keyboard.waitFor({KEY_F, 0}));
    keyboard.settle();
    pad.axis(ABS_RY, 32767);  // right stick down: R up, G
    ASSERT_TRUE(keyboard.waitFor({KEY_G, 1}));
    pad.axis(ABS_RY, 0);
    ASSERT_TRUE(keyboard.waitFor({KEY_G, 0}));
    keyboard.settle();
    pad.axis(ABS_HAT0Y, -1);  // d-pad up: the hat, I
    ASSERT_TRUE(keyboard.waitFor({KEY_I, 1}));
    pad.axis(ABS_HAT0Y, 0);
    ASSERT_TRUE(keyboard.waitFor({KEY_I, 0}));
    keyboard.settle();
    pad.button(BTN_START, true);  // the eighth button: 8 (55)
    ASSERT_TRUE(keyboard.waitFor({KEY_7, 1}));
    pad.button(BTN_START, false);
    ASSERT_TRUE(keyboard.waitFor({KEY_7, 0}));
    for (const KeyEvent& e : keyboard.seen) {
        EXPECT_EQ(e.code, static_cast<unsigned>(KEY_7)) << e;
    }
}

TEST_F(KernelStage, SigtermLetsAHeldKeyGo) {
    importLibrary(kTwoKeys);
    UinputPad pad;
    ASSERT_TRUE(pad.ok());
    startMapper();
    startGame();
    pad.button(BTN_A, true);
    ASSERT_TRUE(keyboard.waitFor({KEY_A, 2})) << "held: " << log();
    keyboard.seen.clear();
    ::kill(mapper.pid, SIGTERM);
    EXPECT_TRUE(keyboard.waitFor({KEY_A, 0})) << log();
    int status = 0;
    ::waitpid(mapper.pid, &status, 0);
    mapper.pid = -1;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST_F(KernelStage, NothingReachesTheKeyboardDuringAControllerSwitch) {
    importLibrary(kTwoKeys, "Gamepad\\Pad");
    UinputPad pad;
    ASSERT_TRUE(pad.ok());
    startMapper();
    startGame();
    ASSERT_TRUE(waitFor(home.file("err.txt"), "Controller wechseln")) << log();
    // The control panel is started hidden to take the configuration up; under emulation it takes
    // seconds. Whatever it is driven with must not come out of the keyboard.
    EXPECT_EQ(keyboard.read(4000ms), std::vector<KeyEvent>{}) << log();
    pad.button(BTN_A, true);
    EXPECT_TRUE(keyboard.waitFor({KEY_A, 1})) << "the switched controller works: " << log();
    EXPECT_EQ(keyboard.seen.front(), (KeyEvent{KEY_A, 1}));
}

// Also run with udevd, by the stage's second pass.
class HotPlug : public KernelStage {};

TEST_F(HotPlug, APadAttachedDuringAGameWorksAtOnceAndAgainAfterItWasUnplugged) {
    importLibrary(kTwoKeys);
    startMapper();
    startGame();
    std::cout << "udevd " << (::access("/run/udev/control", F_OK) == 0 ? "runs" : "does not run")
              << std::endl;
    {
        UinputPad pad;  // plugged in during the game
        ASSERT_TRUE(pad.ok());
        std::this_thread::sleep_for(100ms);
        pad.button(BTN_A, true);
        // The pad is opened with the button already down: its state is read at once.
        ASSERT_TRUE(keyboard.waitFor({KEY_A, 1})) << log();
        ASSERT_TRUE(keyboard.waitFor({KEY_A, 2})) << "held";
        keyboard.seen.clear();
    }  // unplugged while the button is held
    EXPECT_TRUE(keyboard.waitFor({KEY_A, 0})) << "an unplugged pad reads neutral: " << log();
    EXPECT_EQ(keyboard.read(500ms), std::vector<KeyEvent>{});

    UinputPad again;  // plugged in again (a wireless pad wakes)
    ASSERT_TRUE(again.ok());
    again.button(BTN_B, true);
    EXPECT_TRUE(keyboard.waitFor({KEY_B, 1})) << log();
    again.button(BTN_B, false);
    EXPECT_TRUE(keyboard.waitFor({KEY_B, 0}));
}

// The GUID that SDL gives the attached device of this name, as the control panel stores it; empty
// when SDL sees no such device.
std::string sdlGuidOf(const std::string& name) {
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) {
        return {};
    }
    std::string guid;
    for (int i = 0; i < SDL_NumJoysticks() && guid.empty(); ++i) {
        if (const char* n = SDL_JoystickNameForIndex(i); n != nullptr && name == n) {
            std::array<char, 33> text{};
            SDL_JoystickGetGUIDString(SDL_JoystickGetDeviceGUID(i), text.data(),
                                      static_cast<int>(text.size()));
            guid = text.data();
        }
    }
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    return guid;
}

// Joystick 1 is configured as a stick that is not there when the game starts: the pad that is
// there is read in its stead until the stick comes, however long the loop has rested by then.
TEST_F(HotPlug, TheConfiguredStickPluggedInDuringAGameTakesOverFromThePadReadInItsStead) {
    constexpr const char* kStick = "PadWarden Test Stick";
    std::string guid;
    {
        UinputPad probe(kStick, 0x1209, 0x0001);
        ASSERT_TRUE(probe.ok());
        std::this_thread::sleep_for(200ms);
        guid = sdlGuidOf(kStick);
    }
    ASSERT_EQ(guid.size(), 32u) << "SDL did not see the stick";
    gameScript = kQuietGame;
    importLibrary(
        kTwoKeys, "",
        "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\MediaResources\\Joystick\\<FixedKey>\\"
        "CurrentJoystickSettings]\r\n\"Joystick1Configuration\"=\"" +
            guid + "\"\r\n\r\n");
    UinputPad pad;
    ASSERT_TRUE(pad.ok());
    startMapper();
    startGame();
    pad.button(BTN_A, true);
    ASSERT_TRUE(keyboard.waitFor({KEY_A, 1})) << "the pad is read in the stick's stead: " << log();
    pad.button(BTN_A, false);
    ASSERT_TRUE(keyboard.waitFor({KEY_A, 0}));
    std::this_thread::sleep_for(300ms);  // the loop rests
    keyboard.seen.clear();

    UinputPad stick(kStick, 0x1209, 0x0001);
    ASSERT_TRUE(stick.ok());
    std::this_thread::sleep_for(100ms);
    stick.button(BTN_B, true);
    EXPECT_TRUE(keyboard.waitFor({KEY_B, 1}, 3s)) << "the stick took over: " << log();
    stick.button(BTN_B, false);
    EXPECT_TRUE(keyboard.waitFor({KEY_B, 0}));
    // The stick's key may still go up (a press held past the tap); only the pad's key must not come.
    pad.button(BTN_A, true);
    const auto after = keyboard.read(500ms);
    EXPECT_TRUE(std::none_of(after.begin(), after.end(), [](const KeyEvent& e) { return e.code == KEY_A; }))
        << "the pad gave way";
}

}  // namespace
}  // namespace pw
