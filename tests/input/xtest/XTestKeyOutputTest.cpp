#include <gtest/gtest.h>
#include <linux/input-event-codes.h>
#include <poll.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "input/uinput/EvdevKeyMap.h"
#include "input/uinput/LayoutKeyMap.h"
#include "input/xtest/XTestKeyOutput.h"
#include "input/xtest/XvfbServer.h"

// Xlib defines None, a name gtest uses, so its headers come after gtest's.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace pw {
namespace {

using Clock = std::chrono::steady_clock;

// How long to wait for the server to show the effect of a request before giving up.
constexpr auto kPatience = std::chrono::seconds(10);

constexpr std::uint8_t kVkA = 'A';
constexpr std::uint8_t kVkControl = 0x11;
constexpr std::uint8_t kVkF12 = 0x7B;
// Named for the German keyboard's keys; on a US one they are [ and ;.
constexpr std::uint8_t kVkSharpS = 219;
constexpr std::uint8_t kVkUe = 186;
// The punctuation keys whose character differs between layouts.
constexpr std::uint8_t kPunctuationVks[] = {186, 191, 192, 219, 220, 221, 222, 226};

bool keyIsDown(Display* display, int keycode) {
    char keys[32];
    XQueryKeymap(display, keys);
    return (keys[keycode / 8] & (1 << (keycode % 8))) != 0;
}

// Whether the key reaches the given state before patience runs out.
bool waitForKey(Display* display, int keycode, bool down) {
    const auto deadline = Clock::now() + kPatience;
    while (keyIsDown(display, keycode) != down) {
        if (Clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// The next event on the connection, or nothing if none comes in time.
std::optional<XEvent> nextEvent(Display* display) {
    const auto deadline = Clock::now() + kPatience;
    while (XPending(display) == 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            return std::nullopt;
        }
        pollfd readable{ConnectionNumber(display), POLLIN, 0};
        ::poll(&readable, 1, static_cast<int>(left.count()));
    }
    XEvent event;
    XNextEvent(display, &event);
    return event;
}

// What a window saw of a key: "press Control_L", "release F12 +ctrl".
std::string describeKeyEvent(Display* display, const XEvent& event) {
    if (event.type != KeyPress && event.type != KeyRelease) {
        return "event type " + std::to_string(event.type);
    }
    const KeySym keysym = XkbKeycodeToKeysym(display, static_cast<KeyCode>(event.xkey.keycode), 0, 0);
    const char* name = XKeysymToString(keysym);
    std::string text =
        std::string(event.type == KeyPress ? "press " : "release ") + (name != nullptr ? name : "?");
    if ((event.xkey.state & ControlMask) != 0) {
        text += " +ctrl";
    }
    return text;
}

class XTestKeyOutputTest : public test::XvfbTest {
protected:
    void SetUp() override {
        XvfbTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        observer_ = XOpenDisplay(display());
        ASSERT_NE(observer_, nullptr);
        // A key held while the test looks must not repeat.
        XAutoRepeatOff(observer_);
        XSync(observer_, False);
    }

    void TearDown() override {
        if (observer_ != nullptr) {
            XCloseDisplay(observer_);
        }
        XvfbTest::TearDown();
    }

    std::unique_ptr<XTestKeyOutput> makeOutput(std::function<void(int)> beeper = {}) {
        std::string error;
        auto output = XTestKeyOutput::create(display(), std::move(beeper), error);
        EXPECT_NE(output, nullptr) << error;
        return output;
    }

    int keycodeOf(KeySym keysym) const { return XKeysymToKeycode(observer_, keysym); }

    // A mapped window holding the input focus, listening to keys.
    void focusNewWindow() {
        const Window window =
            XCreateSimpleWindow(observer_, DefaultRootWindow(observer_), 0, 0, 100, 100, 0, 0, 0);
        XSelectInput(observer_, window, KeyPressMask | KeyReleaseMask | StructureNotifyMask);
        XMapWindow(observer_, window);
        for (;;) {
            const auto event = nextEvent(observer_);
            ASSERT_TRUE(event.has_value()) << "the window was never mapped";
            if (event->type == MapNotify) {
                break;
            }
        }
        XSetInputFocus(observer_, window, RevertToParent, CurrentTime);
        XSync(observer_, False);
    }

    Display* observer_ = nullptr;
};

TEST_F(XTestKeyOutputTest, KeyDownHoldsTheLetterKeyUntilKeyUp) {
    auto output = makeOutput();
    ASSERT_NE(output, nullptr);
    const int keycodeA = keycodeOf(XK_a);
    ASSERT_NE(keycodeA, 0);
    EXPECT_EQ(output->keycode(kVkA), keycodeA);

    output->keyDown(kVkA, 0x1E);
    EXPECT_TRUE(waitForKey(observer_, keycodeA, true)) << "A was not pressed";
    output->keyUp(kVkA, 0x1E);
    EXPECT_TRUE(waitForKey(observer_, keycodeA, false)) << "A was not released";
}

TEST_F(XTestKeyOutputTest, KeysReachTheFocusedWindowInTheOrderSent) {
    auto output = makeOutput();
    ASSERT_NE(output, nullptr);
    focusNewWindow();
    ASSERT_FALSE(HasFatalFailure());

    output->keyDown(kVkControl, 0x1D);
    output->keyDown(kVkF12, 0x58);
    output->keyUp(kVkF12, 0x58);
    output->keyUp(kVkControl, 0x1D);

    std::vector<std::string> seen;
    while (seen.size() < 4) {
        const auto event = nextEvent(observer_);
        ASSERT_TRUE(event.has_value()) << "only " << seen.size() << " key events arrived";
        if (event->type == KeyPress || event->type == KeyRelease) {
            seen.push_back(describeKeyEvent(observer_, *event));
        }
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"press Control_L", "press F12 +ctrl", "release F12 +ctrl",
                                              "release Control_L +ctrl"}));
}

TEST_F(XTestKeyOutputTest, OnAUsServerEveryKeyIsWhereTheUinputKeyboardPutsIt) {
    auto output = makeOutput();
    ASSERT_NE(output, nullptr);
    for (int virtualKey = 0; virtualKey < 256; ++virtualKey) {
        const auto vk = static_cast<std::uint8_t>(virtualKey);
        const int evdevCode = usEvdevCode(vk);
        if (evdevCode == 0) {
            EXPECT_EQ(output->keycode(vk), 0) << "virtual key " << virtualKey;
        } else if (evdevCode + 8 <= 255) {
            EXPECT_EQ(output->keycode(vk), evdevCode + 8) << "virtual key " << virtualKey;
        }
    }
}

TEST_F(XTestKeyOutputTest, CharacterKeysFollowTheServerLayout) {
    std::string error;
    ASSERT_TRUE(xvfb_.setLayout("de", error)) << error;
    auto output = makeOutput();
    ASSERT_NE(output, nullptr);

    EXPECT_EQ(output->keycode('Z'), KEY_Y + 8);
    EXPECT_EQ(output->keycode('Y'), KEY_Z + 8);
    EXPECT_EQ(output->keycode(0xBB), KEY_RIGHTBRACE + 8);  // '+'
    EXPECT_EQ(output->keycode(0xBD), KEY_SLASH + 8);       // '-'
    EXPECT_EQ(output->keycode('5'), KEY_5 + 8);
    EXPECT_EQ(output->keycode(0xDB), KEY_MINUS + 8);  // ß
    EXPECT_EQ(output->keycode(kVkF12), KEY_F12 + 8);

    output->keyDown('Z', 0x2C);
    EXPECT_TRUE(waitForKey(observer_, KEY_Y + 8, true));
    EXPECT_EQ(XkbKeycodeToKeysym(observer_, KEY_Y + 8, 0, 0), static_cast<KeySym>(XK_z));
    output->keyUp('Z', 0x2C);
    EXPECT_TRUE(waitForKey(observer_, KEY_Y + 8, false));
}

TEST_F(XTestKeyOutputTest, OnAGermanServerSharpSAndUeAreWhereTheUinputKeyboardPutsThem) {
    std::string error;
    ASSERT_TRUE(xvfb_.setLayout("de", error)) << error;
    auto output = makeOutput();
    ASSERT_NE(output, nullptr);
    const LayoutKeyMap uinputMap = LayoutKeyMap::fromNames({"de", "", ""});
    EXPECT_EQ(output->keycode(kVkSharpS), uinputMap.evdevCode(kVkSharpS) + 8);
    EXPECT_EQ(output->keycode(kVkUe), uinputMap.evdevCode(kVkUe) + 8);
    EXPECT_EQ(output->keycode(kVkSharpS), KEY_MINUS + 8);
    EXPECT_EQ(output->keycode(kVkUe), KEY_LEFTBRACE + 8);

    focusNewWindow();
    ASSERT_FALSE(HasFatalFailure());
    output->keyDown(kVkSharpS, 0x0C);
    output->keyUp(kVkSharpS, 0x0C);
    output->keyDown(kVkUe, 0x1A);
    output->keyUp(kVkUe, 0x1A);
    std::vector<std::string> seen;
    while (seen.size() < 4) {
        const auto event = nextEvent(observer_);
        ASSERT_TRUE(event.has_value()) << "only " << seen.size() << " key events arrived";
        if (event->type == KeyPress || event->type == KeyRelease) {
            seen.push_back(describeKeyEvent(observer_, *event));
        }
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"press ssharp", "release ssharp", "press udiaeresis",
                                              "release udiaeresis"}));
}

TEST_F(XTestKeyOutputTest, PunctuationKeysAgreeWithTheUinputKeyboardOnEveryLayout) {
    for (const char* layout : {"us", "de", "fr", "ch", "gb"}) {
        std::string error;
        ASSERT_TRUE(xvfb_.setLayout(layout, error)) << error;
        auto output = makeOutput();
        ASSERT_NE(output, nullptr);
        const LayoutKeyMap uinputMap = LayoutKeyMap::fromNames({layout, "", ""});
        for (const std::uint8_t vk : kPunctuationVks) {
            EXPECT_EQ(output->keycode(vk), uinputMap.evdevCode(vk) + 8)
                << layout << ", virtual key " << int{vk};
        }
    }
}

TEST_F(XTestKeyOutputTest, KeysStillHeldAreReleasedWhenTheOutputGoes) {
    auto output = makeOutput();
    ASSERT_NE(output, nullptr);
    const int keycodeA = keycodeOf(XK_a);
    const int keycodeControl = keycodeOf(XK_Control_L);
    output->keyDown(kVkControl, 0x1D);
    output->keyDown(kVkA, 0x1E);
    ASSERT_TRUE(waitForKey(observer_, keycodeA, true));
    ASSERT_TRUE(waitForKey(observer_, keycodeControl, true));

    output.reset();
    EXPECT_TRUE(waitForKey(observer_, keycodeA, false));
    EXPECT_TRUE(waitForKey(observer_, keycodeControl, false));
}

TEST_F(XTestKeyOutputTest, VirtualKeysWithoutAKeySendNothing) {
    auto output = makeOutput();
    ASSERT_NE(output, nullptr);
    focusNewWindow();
    ASSERT_FALSE(HasFatalFailure());

    // 1 is the left mouse button, 0xFF is no key at all. The A after them is the first thing to come.
    output->keyDown(1, 0);
    output->keyUp(1, 0);
    output->keyDown(0xFF, 0);
    output->keyUp(0xFF, 0);
    output->keyDown(kVkA, 0x1E);
    output->keyUp(kVkA, 0x1E);

    std::vector<std::string> seen;
    while (seen.size() < 2) {
        const auto event = nextEvent(observer_);
        ASSERT_TRUE(event.has_value()) << "only " << seen.size() << " key events arrived";
        if (event->type == KeyPress || event->type == KeyRelease) {
            seen.push_back(describeKeyEvent(observer_, *event));
        }
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"press a", "release a"}));
}

TEST_F(XTestKeyOutputTest, BeepRingsTheServerBellUnlessABeeperIsGiven) {
    int opcode = 0;
    int eventBase = 0;
    int errorBase = 0;
    int major = XkbMajorVersion;
    int minor = XkbMinorVersion;
    ASSERT_TRUE(XkbQueryExtension(observer_, &opcode, &eventBase, &errorBase, &major, &minor));
    ASSERT_TRUE(XkbSelectEvents(observer_, XkbUseCoreKbd, XkbBellNotifyMask, XkbBellNotifyMask));
    XSync(observer_, False);

    std::vector<int> beeps;
    auto withBeeper = makeOutput([&beeps](int value) { beeps.push_back(value); });
    ASSERT_NE(withBeeper, nullptr);
    withBeeper->beep(2000);
    EXPECT_EQ(beeps, std::vector<int>{2000});

    auto withoutBeeper = makeOutput();
    ASSERT_NE(withoutBeeper, nullptr);
    withoutBeeper->beep(2000);
    for (;;) {
        const auto event = nextEvent(observer_);
        ASSERT_TRUE(event.has_value()) << "the bell did not ring";
        if (event->type == eventBase &&
            reinterpret_cast<const XkbEvent*>(&*event)->any.xkb_type == XkbBellNotify) {
            break;
        }
    }
}

TEST(XTestKeyOutputCreate, ADisplayThatDoesNotAnswerIsNamedInOneLine) {
    std::string error;
    // Display numbers this high are never in use.
    auto output = XTestKeyOutput::create(":65001", {}, error);
    EXPECT_EQ(output, nullptr);
    EXPECT_NE(error.find(":65001"), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
}

}  // namespace
}  // namespace pw
