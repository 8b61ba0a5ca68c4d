#include "input/uinput/UinputKeyOutput.h"

#include <fcntl.h>
#include <libevdev/libevdev-uinput.h>
#include <libevdev/libevdev.h>
#include <linux/input-event-codes.h>
#include <linux/input.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <utility>

namespace pw {
namespace {

constexpr const char* kAccessFix =
    "load the uinput module (sudo modprobe uinput) and install the udev rule that gives you access to it "
    "(see README, 'Access to /dev/uinput')";

}  // namespace

std::unique_ptr<UinputKeyOutput> UinputKeyOutput::create(LayoutKeyMap map, std::function<void(int)> beeper,
                                                         std::string& error, const std::string& uinputPath) {
    UinputError why;
    auto output = create(std::move(map), std::move(beeper), why, uinputPath);
    if (!output) {
        error = why.reason + "; " + why.fix;
    }
    return output;
}

std::unique_ptr<UinputKeyOutput> UinputKeyOutput::create(LayoutKeyMap map, std::function<void(int)> beeper,
                                                         UinputError& error, const std::string& uinputPath) {
    // The node is opened here rather than by libevdev so that the path can be chosen and an open
    // failure told apart from a refused device.
    const int fd = ::open(uinputPath.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        error = {uinputPath + " cannot be opened (" + std::strerror(errno) + ")", kAccessFix};
        return nullptr;
    }

    libevdev* description = libevdev_new();
    if (description == nullptr) {
        ::close(fd);
        error = {"no memory to describe the virtual keyboard", "free some memory"};
        return nullptr;
    }
    libevdev_set_name(description, kDeviceName);
    libevdev_set_id_bustype(description, BUS_VIRTUAL);
    libevdev_enable_event_type(description, EV_SYN);
    libevdev_enable_event_type(description, EV_KEY);
    for (int virtualKey = 0; virtualKey < 256; ++virtualKey) {
        const int code = map.evdevCode(static_cast<std::uint8_t>(virtualKey));
        if (code > 0) {
            libevdev_enable_event_code(description, EV_KEY, static_cast<unsigned>(code), nullptr);
        }
    }

    libevdev_uinput* device = nullptr;
    const int result = libevdev_uinput_create_from_device(description, fd, &device);
    libevdev_free(description);  // the device keeps its own copy
    if (result < 0) {
        ::close(fd);
        error = {
            "the virtual keyboard cannot be created on " + uinputPath + " (" + std::strerror(-result) + ")",
            kAccessFix};
        return nullptr;
    }
    return std::unique_ptr<UinputKeyOutput>(
        new UinputKeyOutput(std::move(map), std::move(beeper), fd, device));
}

static_assert(KEY_CNT <= 0x300, "the held-key set covers every key code");

UinputKeyOutput::UinputKeyOutput(LayoutKeyMap map, std::function<void(int)> beeper, int fd,
                                 libevdev_uinput* device)
    : map_(std::move(map)), beeper_(std::move(beeper)), fd_(fd), device_(device) {}

UinputKeyOutput::~UinputKeyOutput() {
    libevdev_uinput_destroy(device_);
    ::close(fd_);
}

void UinputKeyOutput::send(std::uint8_t virtualKey, int value) {
    const int code = map_.evdevCode(virtualKey);
    if (code == 0) {
        return;
    }
    // A failed write cannot be retried meaningfully; the next event tries again.
    // The key and its report in one write: the kernel takes both in one call, and a reader wakes once.
    std::array<input_event, 2> events{};
    events[0].type = EV_KEY;
    events[0].code = static_cast<std::uint16_t>(code);
    events[0].value = value;
    events[1].type = EV_SYN;
    events[1].code = SYN_REPORT;
    [[maybe_unused]] const auto n = ::write(fd_, events.data(), sizeof events);
}

void UinputKeyOutput::keyDown(std::uint8_t virtualKey, std::uint8_t /*scanCode*/) {
    const int code = map_.evdevCode(virtualKey);
    if (code <= 0 || static_cast<std::size_t>(code) >= down_.size()) {
        return;
    }
    const bool held = down_.test(static_cast<std::size_t>(code));
    down_.set(static_cast<std::size_t>(code));
    send(virtualKey, held ? 2 : 1);
}

void UinputKeyOutput::keyUp(std::uint8_t virtualKey, std::uint8_t /*scanCode*/) {
    const int code = map_.evdevCode(virtualKey);
    if (code > 0 && static_cast<std::size_t>(code) < down_.size()) {
        down_.reset(static_cast<std::size_t>(code));
    }
    send(virtualKey, 0);
}

void UinputKeyOutput::beep(int value) {
    if (beeper_) {
        beeper_(value);
    }
}

std::string UinputKeyOutput::deviceNode() const {
    const char* node = libevdev_uinput_get_devnode(device_);
    return node != nullptr ? node : "";
}

}  // namespace pw
