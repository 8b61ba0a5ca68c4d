#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "controllers/JoystickConfiguration.h"

namespace pw {

// Which SDL axis feeds X, Y, Z and R; -1 means none (that axis rests in the middle).
using AxisMapping = std::array<int, 4>;

// X, Y, Z, R fed by SDL axes 0, 1, 2, 3.
AxisMapping defaultAxisMapping();
AxisMapping axisMappingOf(const JoystickConfiguration& config);

// The four axes of a freshly installed controller: SDL axes 0 ... 3 over their full travel.
std::array<AxisCalibration, 4> fullTravelAxes();

// What the user showed of one SDL axis while calibrating: the lowest and highest value seen, and
// where it rests now (the centre once the user has let it go).
struct AxisTravel {
    std::int32_t minimum = 0;
    std::int32_t centre = 0;
    std::int32_t maximum = 0;

    friend bool operator==(const AxisTravel&, const AxisTravel&) = default;
};

// Collects the travel of every SDL axis of one device from its samples. The user moves each axis
// to both ends and lets it go; the last sample gives the centres.
class CalibrationRecorder {
public:
    // Forgets everything seen so far.
    void restart();
    // One sample: the raw values of all SDL axes of the device, axis 0 first. A device that
    // reports more axes than before starts recording the new ones from this sample.
    void record(std::span<const std::int16_t> rawAxes);

    // Nothing when the axis has not been sampled (yet).
    std::optional<AxisTravel> travel(int sdlAxis) const;
    std::size_t axisCount() const { return travel_.size(); }

private:
    std::vector<AxisTravel> travel_;
};

enum class AxisVerdict {
    Unused,       // mapped to no SDL axis: written as resting in the middle
    Valid,        // minimum < centre < maximum
    NotRecorded,  // the SDL axis has not been sampled
    NotMoved,     // minimum < centre < maximum does not hold: not moved to both ends, or not let go
};

// The calibration of X, Y, Z and R from what was recorded, through the mapping, and what was
// wrong with each axis. Only an accepted outcome is fit to be written.
struct CalibrationOutcome {
    std::array<AxisCalibration, 4> axes{};
    std::array<AxisVerdict, 4> verdicts{};

    bool accepted() const;
};
CalibrationOutcome calibrationFrom(const CalibrationRecorder& recorder, const AxisMapping& mapping);

// GUIDs as SDL writes them, compared without case.
bool sameGuid(std::string_view a, std::string_view b);

// The name of a device's OEM key: its name, with "\" (a key path separator) made "/"; a device
// without a name is called by its GUID.
std::string oemKeyName(std::string_view deviceName, std::string_view guid);

// The configuration that makes a device joystick 1: its GUID and name, its OEM key named after
// it, and the full travel of SDL axes 0 ... 3.
JoystickConfiguration joystick1Configuration(std::string_view guid, std::string_view deviceName);

// The configuration after calibrating a device: the axes replaced. When the device is not
// joystick 1 in `current`, it becomes joystick 1, since a calibration belongs to its own device;
// when it is, its names stay (an OEM name holding "\" gets "/" instead, to stay one key).
JoystickConfiguration calibratedConfiguration(const JoystickConfiguration& current, std::string_view guid,
                                              std::string_view deviceName,
                                              const std::array<AxisCalibration, 4>& axes);

// Which of the attached devices (their GUIDs, in SDL's order) is joystick 1, as the joystick opens
// it: the first with the configured GUID; without a configuration, or when that device is not
// attached, the first attached device, uncalibrated. Nothing when no device is attached.
struct Joystick1Choice {
    std::size_t index = 0;
    bool configured = false;  // read through the configuration's mapping and calibration

    friend bool operator==(const Joystick1Choice&, const Joystick1Choice&) = default;
};
std::optional<Joystick1Choice> joystick1Among(const JoystickConfiguration& config,
                                              const std::vector<std::string>& attachedGuids);

}  // namespace pw
