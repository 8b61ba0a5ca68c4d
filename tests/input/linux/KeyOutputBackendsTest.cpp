#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "input/linux/KeyOutputBackends.h"
#include "input/xtest/XvfbServer.h"

// Xlib defines None, a name gtest uses, so its headers come after gtest's.
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace pw {
namespace {

constexpr const char* kMissingUinput = "/nonexistent/padwarden/uinput";

using ChooseKeyOutputTest = test::XvfbTest;

TEST_F(ChooseKeyOutputTest, WithoutUinputTheXDisplayGetsTheKeys) {
    std::vector<int> beeps;
    KeyOutputChoice choice =
        chooseKeyOutput([&beeps](int value) { beeps.push_back(value); }, kMissingUinput, display());
    ASSERT_NE(choice.output, nullptr) << choice.message;
    EXPECT_EQ(choice.backendName, "xtest");
    EXPECT_NE(choice.message.find(display()), std::string::npos) << choice.message;
    EXPECT_NE(choice.message.find(kMissingUinput), std::string::npos) << choice.message;
    EXPECT_EQ(choice.message.find('\n'), std::string::npos) << choice.message;

    // The chosen output really reaches the server, and keeps the beeper.
    Display* observer = XOpenDisplay(display());
    ASSERT_NE(observer, nullptr);
    const int keycode = XKeysymToKeycode(observer, XK_b);
    choice.output->keyDown('B', 0x30);
    bool pressed = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!pressed && std::chrono::steady_clock::now() < deadline) {
        char keys[32];
        XQueryKeymap(observer, keys);
        pressed = (keys[keycode / 8] & (1 << (keycode % 8))) != 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    choice.output->keyUp('B', 0x30);
    XCloseDisplay(observer);
    EXPECT_TRUE(pressed);
    choice.output->beep(2000);
    EXPECT_EQ(beeps, std::vector<int>{2000});
}

TEST(ChooseKeyOutput, WithNeitherBackendThereIsOneLineSayingWhyAndWhatToDo) {
    const KeyOutputChoice choice = chooseKeyOutput({}, kMissingUinput, ":65003");
    EXPECT_EQ(choice.output, nullptr);
    EXPECT_EQ(choice.backendName, "");
    const std::string& message = choice.message;
    EXPECT_TRUE(message.starts_with("padwarden: no keys can be sent: ")) << message;
    EXPECT_NE(message.find(kMissingUinput), std::string::npos) << message;
    EXPECT_NE(message.find(":65003"), std::string::npos) << message;
    EXPECT_NE(message.find("udev rule"), std::string::npos) << message;
    EXPECT_NE(message.find("X session"), std::string::npos) << message;
    EXPECT_EQ(message.find('\n'), std::string::npos) << message;
}

}  // namespace
}  // namespace pw
