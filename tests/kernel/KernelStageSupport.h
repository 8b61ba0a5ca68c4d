// The devices of the kernel stage: a uinput game pad laid out as the xpad driver lays out an
// Xbox pad, and a reader of a virtual keyboard found by its name.
#pragma once

#include <fcntl.h>
#include <libevdev/libevdev-uinput.h>
#include <libevdev/libevdev.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace pw::test {

using namespace std::chrono_literals;

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Waits (up to `limit`) until the file contains the text.
inline bool waitFor(const std::filesystem::path& file, const std::string& text,
                    std::chrono::seconds limit = 60s) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (readFile(file).find(text) != std::string::npos) {
            return true;
        }
        std::this_thread::sleep_for(10ms);
    }
    return false;
}

inline bool inKernelStage() {
    return ::access("/dev/uinput", W_OK) == 0;
}

// An Xbox pad as the xpad driver reports it: sticks -32768 ... 32767, triggers 0 ... 255 on
// ABS_Z and ABS_RZ (so SDL reads them resting at -32768), the d-pad as hat 0. Another name and
// ids make another model with the same controls, one SDL knows as a plain joystick.
class UinputPad {
public:
    explicit UinputPad(const char* name = "Microsoft X-Box 360 pad", int vendor = 0x045e,
                       int product = 0x028e) {
        libevdev* dev = libevdev_new();
        libevdev_set_name(dev, name);
        libevdev_set_id_bustype(dev, BUS_USB);
        libevdev_set_id_vendor(dev, vendor);
        libevdev_set_id_product(dev, product);
        libevdev_set_id_version(dev, 0x0114);
        libevdev_enable_event_type(dev, EV_KEY);
        for (unsigned code : {BTN_A, BTN_B, BTN_X, BTN_Y, BTN_TL, BTN_TR, BTN_SELECT, BTN_START, BTN_MODE,
                              BTN_THUMBL, BTN_THUMBR}) {
            libevdev_enable_event_code(dev, EV_KEY, code, nullptr);
        }
        libevdev_enable_event_type(dev, EV_ABS);
        input_absinfo stick{0, -32768, 32767, 16, 128, 0};
        input_absinfo trigger{0, 0, 255, 0, 0, 0};
        input_absinfo hat{0, -1, 1, 0, 0, 0};
        for (unsigned code : {ABS_X, ABS_Y, ABS_RX, ABS_RY}) {
            libevdev_enable_event_code(dev, EV_ABS, code, &stick);
        }
        libevdev_enable_event_code(dev, EV_ABS, ABS_Z, &trigger);
        libevdev_enable_event_code(dev, EV_ABS, ABS_RZ, &trigger);
        libevdev_enable_event_code(dev, EV_ABS, ABS_HAT0X, &hat);
        libevdev_enable_event_code(dev, EV_ABS, ABS_HAT0Y, &hat);
        error_ = libevdev_uinput_create_from_device(dev, LIBEVDEV_UINPUT_OPEN_MANAGED, &uinput_);
        libevdev_free(dev);
    }
    ~UinputPad() {
        if (uinput_ != nullptr) {
            libevdev_uinput_destroy(uinput_);
        }
    }
    UinputPad(const UinputPad&) = delete;
    UinputPad& operator=(const UinputPad&) = delete;

    bool ok() const { return uinput_ != nullptr; }
    // The pad's own evdev node, as a remapper opens it.
    std::string devnode() const { return uinput_ != nullptr ? libevdev_uinput_get_devnode(uinput_) : ""; }
    int error() const { return error_; }
    void button(unsigned code, bool down) { write(EV_KEY, code, down ? 1 : 0); }
    void axis(unsigned code, int value) { write(EV_ABS, code, value); }

private:
    void write(unsigned type, unsigned code, int value) {
        libevdev_uinput_write_event(uinput_, type, code, value);
        libevdev_uinput_write_event(uinput_, EV_SYN, SYN_REPORT, 0);
    }

    libevdev_uinput* uinput_ = nullptr;
    int error_ = 0;
};

struct KeyEvent {
    unsigned code = 0;
    int value = 0;
    friend bool operator==(const KeyEvent&, const KeyEvent&) = default;
};

inline std::ostream& operator<<(std::ostream& os, const KeyEvent& e) {
    return os << libevdev_event_code_get_name(EV_KEY, e.code) << '=' << e.value;
}

// A virtual keyboard (PadWarden's unless named otherwise), found by its name once its program
// has made it.
class KeyboardReader {
public:
    bool open(std::chrono::seconds limit = 60s, const std::string& wanted = "PadWarden virtual keyboard") {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            for (const auto& entry : std::filesystem::directory_iterator("/dev/input")) {
                if (!entry.path().filename().string().starts_with("event")) {
                    continue;
                }
                const int fd = ::open(entry.path().c_str(), O_RDONLY | O_NONBLOCK);
                if (fd < 0) {
                    continue;
                }
                std::array<char, 256> name{};
                if (::ioctl(fd, EVIOCGNAME(name.size() - 1), name.data()) > 0 &&
                    std::string(name.data()) == wanted) {
                    fd_ = fd;
                    return true;
                }
                ::close(fd);
            }
            std::this_thread::sleep_for(20ms);
        }
        return false;
    }
    ~KeyboardReader() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }

    // Every key event that comes within `quiet` of the one before (the first within `first`).
    std::vector<KeyEvent> read(std::chrono::milliseconds first, std::chrono::milliseconds quiet = 300ms) {
        std::vector<KeyEvent> events;
        auto wait = first;
        while (true) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(wait.count())) <= 0) {
                return events;
            }
            input_event e{};
            while (::read(fd_, &e, sizeof e) == static_cast<ssize_t>(sizeof e)) {
                if (e.type == EV_KEY) {
                    events.push_back({e.type == EV_KEY ? e.code : 0u, e.value});
                }
            }
            wait = quiet;
        }
    }

    // Reads until the event comes (within `limit`), unless it came already: every event read is
    // kept in `seen`, which a test clears between its steps. A short press is a tap, whose down
    // and up may arrive in one read.
    bool waitFor(KeyEvent wanted, std::chrono::seconds limit = 30s) {
        if (std::find(seen.begin(), seen.end(), wanted) != seen.end()) {
            return true;
        }
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            bool found = false;
            for (const KeyEvent& e : read(100ms, 0ms)) {
                seen.push_back(e);
                found = found || e == wanted;
            }
            if (found) {
                return true;
            }
        }
        return false;
    }

    // Lets the events of the last step come in (until 300 ms pass without one) and forgets them.
    void settle() {
        read(300ms);
        seen.clear();
    }

    std::vector<KeyEvent> seen;
    int fd() const { return fd_; }

private:
    int fd_ = -1;
};

}  // namespace pw::test
