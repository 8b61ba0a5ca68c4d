#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "input/sdl/SdlJoystickDevice.h"

namespace pw {

enum class HatDirection : std::uint8_t {
    Centered,
    Up,
    UpRight,
    Right,
    DownRight,
    Down,
    DownLeft,
    Left,
    UpLeft
};

// A controller that exists only inside SDL: the scripted controller of --simulate and the device
// of the tests. It goes through the same SDL joystick path as a real one; changes are seen by the
// next SDL update, that is by the next sample.
class SdlVirtualJoystick {
public:
    SdlVirtualJoystick(int axes, int buttons, int hats);
    ~SdlVirtualJoystick();
    SdlVirtualJoystick(const SdlVirtualJoystick&) = delete;
    SdlVirtualJoystick& operator=(const SdlVirtualJoystick&) = delete;

    bool ok() const { return handle_ != nullptr; }
    const std::string& error() const { return error_; }
    // Its index among the attached joysticks, to open it as the ID-th.
    int deviceIndex() const;

    // Told after every change below, from the thread that made it: a loop at rest wakes on it,
    // as it wakes on a real device's events.
    void setChangeHandler(std::function<void()> changed) { changed_ = std::move(changed); }

    void setButton(int index, bool pressed);  // index counted from 0
    void setAxis(int index, std::int16_t value);
    void setHat(HatDirection direction);
    // Unplugs the device; it reads as nothing from then on.
    void detach();

private:
    SdlJoystickSubsystem subsystem_;
    _SDL_Joystick* handle_ = nullptr;
    std::int32_t instanceId_ = -1;
    bool attached_ = false;
    std::string error_;
    std::function<void()> changed_;
};

}  // namespace pw
