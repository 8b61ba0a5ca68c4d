#pragma once

#include <array>
#include <functional>
#include <string>

#include "input/JoystickCalibration.h"
#include "input/JoystickDevice.h"

struct _SDL_Joystick;

namespace pw {

// Keeps SDL's joystick subsystem up while it lives. SDL counts the users of a subsystem, so any
// number of these may exist. Joystick events are switched off: the loop reads device state, and an
// event queue that nobody drains would only fill up.
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
// degree, centred as kHatCentred. An unplugged device reads as nothing.
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
    void close() override;
    bool read(RawJoystickSample& sample) override;

    // The name SDL gives the open device, empty when none is open.
    std::string name() const;
    // Whether the open device is read through the configuration's mapping and calibration.
    bool calibrated() const { return calibrated_; }

private:
    JoystickConfiguration configuration();
    int configuredDeviceIndex(const JoystickConfiguration& config) const;

    SdlJoystickSubsystem subsystem_;
    JoystickConfiguration fixedConfiguration_;
    std::function<JoystickConfiguration()> configurationSource_;
    bool calibrated_ = false;
    std::array<AxisCalibration, 4> axisMap_{};
    _SDL_Joystick* joystick_ = nullptr;
    int axes_ = 0;
    int hats_ = 0;
    int buttons_ = 0;
};

// SDL's hat bits as hundredths of a degree clockwise from forward.
std::uint32_t hatAngleFromSdl(std::uint8_t hat);

}  // namespace pw
