#include "controllers/Calibration.h"

#include <algorithm>
#include <cctype>

namespace pw {

AxisMapping defaultAxisMapping() {
    return {0, 1, 2, 3};
}

AxisMapping axisMappingOf(const JoystickConfiguration& config) {
    AxisMapping mapping{};
    for (std::size_t i = 0; i < mapping.size(); ++i) {
        mapping[i] = config.axes[i].sdlAxis;
    }
    return mapping;
}

std::array<AxisCalibration, 4> fullTravelAxes() {
    return {AxisCalibration{0}, AxisCalibration{1}, AxisCalibration{2}, AxisCalibration{3}};
}

void CalibrationRecorder::restart() {
    travel_.clear();
}

void CalibrationRecorder::record(std::span<const std::int16_t> rawAxes) {
    for (std::size_t i = 0; i < rawAxes.size(); ++i) {
        const std::int32_t value = rawAxes[i];
        if (i == travel_.size()) {
            travel_.push_back(AxisTravel{value, value, value});
            continue;
        }
        AxisTravel& t = travel_[i];
        t.minimum = std::min(t.minimum, value);
        t.maximum = std::max(t.maximum, value);
        t.centre = value;
    }
}

std::optional<AxisTravel> CalibrationRecorder::travel(int sdlAxis) const {
    if (sdlAxis < 0 || static_cast<std::size_t>(sdlAxis) >= travel_.size()) {
        return std::nullopt;
    }
    return travel_[static_cast<std::size_t>(sdlAxis)];
}

bool CalibrationOutcome::accepted() const {
    return std::all_of(verdicts.begin(), verdicts.end(),
                       [](AxisVerdict v) { return v == AxisVerdict::Valid || v == AxisVerdict::Unused; });
}

CalibrationOutcome calibrationFrom(const CalibrationRecorder& recorder, const AxisMapping& mapping) {
    CalibrationOutcome outcome;
    for (std::size_t i = 0; i < mapping.size(); ++i) {
        const int sdlAxis = mapping[i];
        if (sdlAxis < 0) {
            outcome.axes[i] = AxisCalibration{-1};
            outcome.verdicts[i] = AxisVerdict::Unused;
            continue;
        }
        const auto travel = recorder.travel(sdlAxis);
        if (!travel) {
            outcome.axes[i] = AxisCalibration{sdlAxis};
            outcome.verdicts[i] = AxisVerdict::NotRecorded;
            continue;
        }
        outcome.axes[i] = AxisCalibration{sdlAxis, travel->minimum, travel->centre, travel->maximum};
        const bool ordered = travel->minimum < travel->centre && travel->centre < travel->maximum;
        outcome.verdicts[i] = ordered ? AxisVerdict::Valid : AxisVerdict::NotMoved;
    }
    return outcome;
}

bool sameGuid(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

std::string oemKeyName(std::string_view deviceName, std::string_view guid) {
    std::string name(deviceName.empty() ? guid : deviceName);
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}

JoystickConfiguration joystick1Configuration(std::string_view guid, std::string_view deviceName) {
    JoystickConfiguration config;
    config.guid = guid;
    config.deviceName = deviceName;
    config.oemName = oemKeyName(deviceName, guid);
    config.axes = fullTravelAxes();
    return config;
}

JoystickConfiguration calibratedConfiguration(const JoystickConfiguration& current, std::string_view guid,
                                              std::string_view deviceName,
                                              const std::array<AxisCalibration, 4>& axes) {
    JoystickConfiguration config = current.configured() && sameGuid(current.guid, guid)
                                       ? current
                                       : joystick1Configuration(guid, deviceName);
    config.axes = axes;
    // An OEM name from elsewhere (an imported file) may hold "\", which no key name can.
    std::replace(config.oemName.begin(), config.oemName.end(), '\\', '/');
    return config;
}

std::optional<Joystick1Choice> joystick1Among(const JoystickConfiguration& config,
                                              const std::vector<std::string>& attachedGuids) {
    if (config.configured()) {
        for (std::size_t i = 0; i < attachedGuids.size(); ++i) {
            if (sameGuid(attachedGuids[i], config.guid)) {
                return Joystick1Choice{i, true};
            }
        }
    }
    if (attachedGuids.empty()) {
        return std::nullopt;
    }
    return Joystick1Choice{0, false};
}

}  // namespace pw
