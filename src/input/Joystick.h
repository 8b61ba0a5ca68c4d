#pragma once

#include <array>
#include <functional>
#include <optional>

#include "input/ControllerAction.h"
#include "input/JoystickDevice.h"
#include "input/JoystickState.h"

namespace pw {

// Axes whose dead zone and range can be set, in the order of their offsets in JoystickState.
enum class Axis : std::uint8_t { X, Y, Z, Rx, Ry, Rz };
inline constexpr std::size_t kAxisCount = 6;

inline constexpr std::int32_t kDefaultDeadZone = 50;
inline constexpr std::int32_t kDefaultRange = 1000;
// Samples between two looks for a device while none is open: a quarter second at the 1 ms tick.
inline constexpr int kReopenSamples = 250;

// The controller as the program sees it: opens one device, samples it into a JoystickState,
// keeps the derived InputStates and decides which of the 28 actions are on.
class Joystick {
public:
    explicit Joystick(JoystickDevice& device);
    ~Joystick();
    Joystick(const Joystick&) = delete;
    Joystick& operator=(const Joystick&) = delete;

    // Settings. Changing Enabled or ID re-opens the joystick; a dead zone is clamped to 0 ... 100
    // and a range to >= 0.
    bool enabled() const { return enabled_; }
    void setEnabled(bool on);
    int id() const { return id_; }
    void setId(int id);
    bool autoCenter() const { return autoCenter_; }
    void setAutoCenter(bool on) { autoCenter_ = on; }
    std::int32_t deadZone(Axis a) const { return deadZone_[static_cast<std::size_t>(a)]; }
    void setDeadZone(Axis a, std::int32_t percent);
    std::int32_t range(Axis a) const { return range_[static_cast<std::size_t>(a)]; }
    void setRange(Axis a, std::int32_t range);

    // While ActiveOnly is set, the controller reads neutral unless the program's own window is in
    // the foreground; the probe answers that question.
    bool activeOnly() const { return activeOnly_; }
    void setActiveOnly(bool on) { activeOnly_ = on; }
    void setForegroundProbe(std::function<bool()> probe) { isForeground_ = std::move(probe); }

    // Closes the joystick, then opens the ID-th attached one and takes its counts. Without one the
    // counts stay 0 and every sample is neutral, and the samples look for it again every
    // kReopenSamples: a controller attached later, or unplugged and plugged in again (a wireless
    // pad that sleeps and wakes), is read again without any action of the user.
    void openJoystick();
    // Closes the joystick for good: no sample looks for a device until the next openJoystick().
    void closeJoystick();
    bool isOpen() const { return open_; }
    // Whether a device should be open but is not: the samples look for one.
    bool lookingForDevice() const { return wanted_ && !open_; }
    // Has the next sample look for the device at once (a slow look, a hot-plug event).
    void lookSoon() {
        if (lookingForDevice()) {
            reopenIn_ = 1;
        }
    }
    // The open device's change handle (see JoystickDevice), -1 when none is open.
    int changeHandle() const { return open_ ? device_.changeHandle() : -1; }
    void drainChanges() {
        if (open_) {
            device_.drainChanges();
        }
    }
    // The device's hot-plug handle (see JoystickDevice), open or not; -1 when it has none.
    int plugHandle() const { return device_.plugHandle(); }
    void drainPlugs() { device_.drainPlugs(); }

    // Reads the device into the state and recomputes the input states. Allocates nothing.
    void sample();

    bool actionIsOn(ControllerAction a) const;

    // Samples afresh and names the one action that is on (the last in detection order), if any.
    std::optional<ControllerAction> detectAction();

    // Re-opens the joystick with the standard settings (dead zone 50, range 1000, auto-centre,
    // the first joystick, enabled).
    void dx_erneuern();

    const JoystickState& state() const { return state_; }
    const DeviceFacts& facts() const { return facts_; }
    const InputStates& inputStates() const { return current_; }

private:
    void resetState();
    void closeDevice();
    bool takeDevice(bool first);

    JoystickDevice& device_;
    bool enabled_ = true;
    int id_ = 0;
    bool autoCenter_ = true;
    bool activeOnly_ = false;
    std::array<std::int32_t, kAxisCount> deadZone_{};
    std::array<std::int32_t, kAxisCount> range_{};
    std::function<bool()> isForeground_;

    bool open_ = false;
    bool wanted_ = false;  // a device should be open: the samples look for one
    int reopenIn_ = 0;     // samples until the next look
    JoystickCaps caps_{};
    DeviceFacts facts_{};
    RawJoystickSample raw_{};
    JoystickState state_{};
    InputStates current_{};
    InputStates previous_{};
};

}  // namespace pw
