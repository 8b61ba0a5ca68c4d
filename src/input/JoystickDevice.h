#pragma once

#include <array>
#include <cstdint>

namespace pw {

// What a device reports when it is opened: its counts and, per axis X, Y, Z, R, the raw range
// that its positions use.
struct JoystickCaps {
    std::int32_t buttonCount = 0;
    std::int32_t hatCount = 0;
    std::int32_t axisCount = 0;
    std::array<std::uint32_t, 4> minimum{};
    std::array<std::uint32_t, 4> maximum{};
};

// One raw reading: positions of X, Y, Z and R within the caps' range, the first hat in hundredths
// of a degree (kHatCentred when centred) and the first 32 buttons as a bit mask.
struct RawJoystickSample {
    std::array<std::uint32_t, 4> position{};
    std::uint32_t hat = 0;
    std::uint32_t buttons = 0;
};

// A source of controller readings. One real backend per platform (SDL2 on Linux); the domain does
// the scaling, so a backend only reports raw positions.
class JoystickDevice {
public:
    virtual ~JoystickDevice() = default;

    // Opens the id-th attached controller (0 = the first). False when there is none.
    virtual bool open(int id, JoystickCaps& caps) = 0;
    virtual void close() = 0;
    // Refreshes and reads the open device. False when nothing could be read (no device, unplugged,
    // or another device has come that should be read instead); the caller then re-opens.
    virtual bool read(RawJoystickSample& sample) = 0;
    // Opens again after a device went away or none was there, as the last open() did but without
    // asking anything slow (the settings): called from the 1 ms tick while no device is open.
    virtual bool reopen(int id, JoystickCaps& caps) { return open(id, caps); }
    // A file descriptor that turns readable whenever the open device reports a change (its evdev
    // node), so that a loop at rest can sleep until then; -1 when the device has none.
    virtual int changeHandle() const { return -1; }
    // Forgets the changes that made the handle readable; the next read() sees their result.
    virtual void drainChanges() {}
    // A file descriptor that turns readable whenever a device may have come or gone (the folder
    // of device nodes), open device or not, so that a loop at rest hears of a pad plugged in; -1
    // when there is none.
    virtual int plugHandle() const { return -1; }
    virtual void drainPlugs() {}
};

}  // namespace pw
