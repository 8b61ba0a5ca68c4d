#include "input/xtest/XTestKeyOutput.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <cstdlib>
#include <optional>
#include <utility>

#include "input/uinput/EvdevKeyMap.h"
#include "input/uinput/LayoutKeyMap.h"

namespace pw {
namespace {

// Under the evdev rules an X keycode is the evdev code plus 8.
constexpr int kEvdevOffset = 8;

// The keysym naming each virtual key, 0 for keys placed by position. Position is used where the
// keysym is on more than one key (Print, Cancel, the keypad's decimal and separator keys), where
// layouts disagree on the keysym (right Alt is AltGr on many), and for the punctuation keys whose
// characters differ between layouts (; / ` [ \ ] ' and the extra key beside left Shift): those
// go where the uinput keyboard puts them under the server's layout, so both backends press the
// same key. XKeysymToKeycode prefers a key that has the keysym unshifted.
constexpr std::array<KeySym, 256> buildKeysyms() {
    std::array<KeySym, 256> k{};
    k[0x08] = XK_BackSpace;
    k[0x09] = XK_Tab;
    k[0x0C] = XK_KP_Begin;  // keypad 5 with Num Lock off
    k[0x0D] = XK_Return;
    k[0x10] = XK_Shift_L;
    k[0x11] = XK_Control_L;
    k[0x12] = XK_Alt_L;
    k[0x13] = XK_Pause;
    k[0x14] = XK_Caps_Lock;
    k[0x1B] = XK_Escape;
    k[0x20] = XK_space;
    k[0x21] = XK_Prior;
    k[0x22] = XK_Next;
    k[0x23] = XK_End;
    k[0x24] = XK_Home;
    k[0x25] = XK_Left;
    k[0x26] = XK_Up;
    k[0x27] = XK_Right;
    k[0x28] = XK_Down;
    k[0x29] = XK_Select;
    k[0x2C] = XK_Print;
    k[0x2D] = XK_Insert;
    k[0x2E] = XK_Delete;
    for (std::size_t i = 0; i < 10; ++i) {
        k['0' + i] = XK_0 + i;
        k[0x60 + i] = XK_KP_0 + i;
    }
    for (std::size_t i = 0; i < 26; ++i) {
        k['A' + i] = XK_a + i;
    }
    k[0x5B] = XK_Super_L;
    k[0x5C] = XK_Super_R;
    k[0x5D] = XK_Menu;
    k[0x6A] = XK_KP_Multiply;
    k[0x6B] = XK_KP_Add;
    k[0x6D] = XK_KP_Subtract;
    k[0x6F] = XK_KP_Divide;
    for (std::size_t i = 0; i < 24; ++i) {
        k[0x70 + i] = XK_F1 + i;
    }
    k[0x90] = XK_Num_Lock;
    k[0x91] = XK_Scroll_Lock;
    k[0xA0] = XK_Shift_L;
    k[0xA1] = XK_Shift_R;
    k[0xA2] = XK_Control_L;
    k[0xA3] = XK_Control_R;
    k[0xA4] = XK_Alt_L;
    k[0xBB] = XK_plus;
    k[0xBC] = XK_comma;
    k[0xBD] = XK_minus;
    k[0xBE] = XK_period;
    return k;
}

constexpr std::array<KeySym, 256> kKeysyms = buildKeysyms();

std::string displayLabel(const char* displayName) {
    if (displayName != nullptr) {
        return displayName;
    }
    const char* fromEnvironment = std::getenv("DISPLAY");
    return fromEnvironment != nullptr ? fromEnvironment : "";
}

}  // namespace

std::unique_ptr<XTestKeyOutput> XTestKeyOutput::create(const char* displayName,
                                                       std::function<void(int)> beeper, std::string& error) {
    const std::string label = displayLabel(displayName);
    if (label.empty()) {
        error = "no X display answers ($DISPLAY is not set)";
        return nullptr;
    }
    Display* display = XOpenDisplay(displayName);
    if (display == nullptr) {
        error = "the X display " + label + " does not answer";
        return nullptr;
    }
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    if (XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor) == False) {
        XCloseDisplay(display);
        error = "the X display " + label + " has no XTEST extension";
        return nullptr;
    }
    return std::unique_ptr<XTestKeyOutput>(new XTestKeyOutput(display, std::move(beeper)));
}

XTestKeyOutput::XTestKeyOutput(Display* display, std::function<void(int)> beeper)
    : display_(display), beeper_(std::move(beeper)) {
    int minKeycode = 0;
    int maxKeycode = 0;
    XDisplayKeycodes(display_, &minKeycode, &maxKeycode);
    // Keys placed by position differ from their US place only where the uinput keyboard moves
    // them for the layout. A server without evdev keycodes gives no layout: US places, as before.
    const std::optional<LayoutKeyMap> layout = LayoutKeyMap::fromXServer(DisplayString(display_));
    for (std::size_t virtualKey = 0; virtualKey < 256; ++virtualKey) {
        const auto vk = static_cast<std::uint8_t>(virtualKey);
        int keycode = 0;
        int evdevCode = 0;
        if (kKeysyms[virtualKey] != 0) {
            keycode = XKeysymToKeycode(display_, kKeysyms[virtualKey]);
            evdevCode = usEvdevCode(vk);
        } else {
            evdevCode = layout ? layout->evdevCode(vk) : usEvdevCode(vk);
        }
        if (keycode == 0) {
            keycode = evdevCode != 0 ? evdevCode + kEvdevOffset : 0;
        }
        if (keycode >= minKeycode && keycode <= maxKeycode) {
            keycodes_[virtualKey] = static_cast<std::uint8_t>(keycode);
        }
    }
}

XTestKeyOutput::~XTestKeyOutput() {
    for (std::size_t keycode = 0; keycode < held_.size(); ++keycode) {
        if (held_[keycode]) {
            XTestFakeKeyEvent(display_, static_cast<unsigned>(keycode), False, CurrentTime);
        }
    }
    XCloseDisplay(display_);  // flushes
}

void XTestKeyOutput::send(std::uint8_t virtualKey, bool press) {
    const std::uint8_t keycode = keycodes_[virtualKey];
    if (keycode == 0) {
        return;
    }
    held_[keycode] = press;
    XTestFakeKeyEvent(display_, keycode, press ? True : False, CurrentTime);
    XFlush(display_);
}

void XTestKeyOutput::keyDown(std::uint8_t virtualKey, std::uint8_t /*scanCode*/) {
    send(virtualKey, true);
}

void XTestKeyOutput::keyUp(std::uint8_t virtualKey, std::uint8_t /*scanCode*/) {
    send(virtualKey, false);
}

void XTestKeyOutput::beep(int value) {
    if (beeper_) {
        beeper_(value);
        return;
    }
    XBell(display_, 0);
    XFlush(display_);
}

std::string XTestKeyOutput::displayName() const {
    return DisplayString(display_);
}

}  // namespace pw
