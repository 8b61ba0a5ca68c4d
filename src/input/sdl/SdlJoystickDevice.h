#pragma once

#include <array>
#include <functional>
#include <string>

#include "input/JoystickCalibration.h"
#include "input/JoystickDevice.h"

struct _SDL_Joystick;
struct _SDL_GameController;

namespace pw {

// Keeps SDL's joystick and game controller subsystems up while it lives. SDL counts the users of
// a subsystem, so any number of these may exist. Events are switched off: the loop reads device
// state, and an event queue that nobody drains would only fill up. Devices that come and go are
// still noticed: SDL looks for them whenever the joysticks are updated. Where no udev daemon runs
// (a minimal system, a container) SDL's udev monitor would never hear of a new device, so SDL is
// told to watch /dev/input itself.
class SdlJoystickSubsystem {
public:
    SdlJoystickSubsystem();
    ~SdlJoystickSubsystem();
    SdlJoystickSubsystem(const SdlJoystickSubsystem&) = delete;
    SdlJoystickSubsystem& operator=(const SdlJoystickSubsystem&) = delete;

    bool ok() const { return ok_; }
    const std::string& error() const { return error_; }

private:
    bool ok_ = false;
    std::string error_;
};

// A controller read through SDL2. Raw axis values -32768 ... 32767 are reported as positions
// 0 ... 65535; SDL axis 0 is X, 1 is Y, 2 is Z and 3 is R. The hat is reported in hundredths of a
// degree, centred as kHatCentred. An unplugged device reads as nothing, and read() says so once,
// so that the joystick looks for it again.
//
// A device that SDL knows as a game controller (an Xbox, PlayStation or Nintendo pad) is read as
// such pads have always been seen by games: X and Y the left stick, both triggers on one Z axis
// that rests in the middle (the left trigger pulls it up, the right one down), R the right stick's
// vertical, the d-pad as the hat and ten buttons A, B, X, Y, LB, RB, Back, Start, left stick,
// right stick (see gamePadSample). Its raw axes would have the triggers rest at one end, so that a
// pad at rest turned an action on.
//
// With a joystick configuration (see input/JoystickCalibration.h), id 0 (joystick 1) is the attached
// device with the configured GUID, read through the configured axis mapping and calibration; when
// that device is not attached, or for any other id, the id-th attached device is opened and read
// as without a configuration, since a calibration belongs to its own device only.
class SdlJoystickDevice final : public JoystickDevice {
public:
    SdlJoystickDevice();
    ~SdlJoystickDevice() override;

    // A fixed configuration, taken at the next open.
    void setConfiguration(const JoystickConfiguration& config);
    // Asked at every open, so a configuration that the control panel changed takes effect at the
    // next re-open (dx_erneuern). A source that throws counts as no configuration.
    void setConfigurationSource(std::function<JoystickConfiguration()> source);

    bool open(int id, JoystickCaps& caps) override;
    // As open(), with the configuration of the last open(); false at once while SDL sees too few
    // devices.
    bool reopen(int id, JoystickCaps& caps) override;
    void close() override;
    bool read(RawJoystickSample& sample) override;
    // The open device's own evdev node, opened for us alone; SDL's virtual joysticks have none.
    int changeHandle() const override { return changeFd_; }
    void drainChanges() override;
    // An inotify watch on /dev/input: a node that comes, goes or changes its access.
    int plugHandle() const override { return plugFd_; }
    void drainPlugs() override;

    // The name SDL gives the open device, empty when none is open.
    std::string name() const;
    // Whether the open device is read through the configuration's mapping and calibration.
    bool calibrated() const { return calibrated_; }
    // Whether the open device is read as a game pad (see above).
    bool gamePad() const { return controller_ != nullptr; }

private:
    JoystickConfiguration configuration();
    int configuredDeviceIndex(const JoystickConfiguration& config) const;
    bool openWith(int id, const JoystickConfiguration& config, JoystickCaps& caps);

    SdlJoystickSubsystem subsystem_;
    JoystickConfiguration fixedConfiguration_;
    std::function<JoystickConfiguration()> configurationSource_;
    JoystickConfiguration lastConfiguration_;
    bool calibrated_ = false;
    std::array<AxisCalibration, 4> axisMap_{};
    _SDL_Joystick* joystick_ = nullptr;
    _SDL_GameController* controller_ = nullptr;
    int devicesSeen_ = 0;  // attached devices at the last look, to notice the configured one coming
    int changeFd_ = -1;
    int plugFd_ = -1;
    int axes_ = 0;
    int hats_ = 0;
    int buttons_ = 0;
};

// SDL's hat bits as hundredths of a degree clockwise from forward.
std::uint32_t hatAngleFromSdl(std::uint8_t hat);

// A game pad as SDL's game controller layer reads it: sticks -32768 ... 32767, triggers
// 0 ... 32767, buttons and d-pad pressed or not.
struct GamePadReading {
    std::int16_t leftX = 0, leftY = 0, rightX = 0, rightY = 0;
    std::int16_t leftTrigger = 0, rightTrigger = 0;
    bool a = false, b = false, x = false, y = false, leftShoulder = false, rightShoulder = false;
    bool back = false, start = false, leftStick = false, rightStick = false;
    bool dpadUp = false, dpadDown = false, dpadLeft = false, dpadRight = false;
};
inline constexpr int kGamePadButtons = 10;
inline constexpr int kGamePadAxes = 5;  // X, Y, Z, R and U (the right stick's horizontal)

// The pad's reading as positions 0 ... 65535 of X, Y, Z, R, the hat and ten buttons.
RawJoystickSample gamePadSample(const GamePadReading& pad);

}  // namespace pw
