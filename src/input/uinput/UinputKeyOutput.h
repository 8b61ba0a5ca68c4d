#pragma once

#include <bitset>
#include <functional>
#include <memory>
#include <string>

#include "input/KeyOutput.h"
#include "input/uinput/LayoutKeyMap.h"

struct libevdev_uinput;

namespace pw {

inline constexpr const char* kDefaultUinputPath = "/dev/uinput";

// Why no virtual keyboard could be made: what failed, with the system's error text, and what the
// user can do about it.
struct UinputError {
    std::string reason;
    std::string fix;
};

// Sends keys through a virtual keyboard made with uinput. The kernel hands its events to
// everything that reads keyboards (X server, Wayland compositor, console), so keys reach every
// program, and a game reading raw input sees a real device. The device lives as long as this object;
// when it goes away the kernel releases any key still held.
class UinputKeyOutput final : public KeyOutput {
public:
    // The device name other programs see.
    static constexpr const char* kDeviceName = "PadWarden virtual keyboard";

    // Creates the device with every key `map` can send. Nullptr on failure, with `error` one line
    // that says why and how to fix it. `beeper` may be empty: beeps are then dropped.
    static std::unique_ptr<UinputKeyOutput> create(LayoutKeyMap map, std::function<void(int)> beeper,
                                                   std::string& error,
                                                   const std::string& uinputPath = kDefaultUinputPath);
    // The same, with the reason and the fix apart, for a caller that words its own message.
    static std::unique_ptr<UinputKeyOutput> create(LayoutKeyMap map, std::function<void(int)> beeper,
                                                   UinputError& error, const std::string& uinputPath);

    ~UinputKeyOutput() override;
    UinputKeyOutput(const UinputKeyOutput&) = delete;
    UinputKeyOutput& operator=(const UinputKeyOutput&) = delete;

    void keyDown(std::uint8_t virtualKey, std::uint8_t scanCode) override;
    void keyUp(std::uint8_t virtualKey, std::uint8_t scanCode) override;
    void beep(int value) override;

    // The /dev/input/eventN node of the device; empty if the kernel did not say.
    std::string deviceNode() const;
    const LayoutKeyMap& keyMap() const { return map_; }

private:
    static constexpr std::size_t kEvdevCodes = 0x300;  // KEY_CNT

    UinputKeyOutput(LayoutKeyMap map, std::function<void(int)> beeper, int fd, libevdev_uinput* device);
    void send(std::uint8_t virtualKey, int value);

    LayoutKeyMap map_;
    std::function<void(int)> beeper_;
    int fd_;
    libevdev_uinput* device_;
    // Keys this device holds down: the kernel drops a second press of a held key, so a key sent
    // down again while held goes out as a repeat.
    std::bitset<kEvdevCodes> down_;
};

}  // namespace pw
