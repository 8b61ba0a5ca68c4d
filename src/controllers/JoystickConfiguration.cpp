#include "controllers/JoystickConfiguration.h"

#include <algorithm>
#include <charconv>
#include <vector>

#include "store/RegistryAccess.h"

namespace pw {
namespace {

constexpr std::string_view kGuidValue = "Joystick1Configuration";
constexpr std::string_view kOemNameValue = "Joystick1OEMName";
constexpr std::string_view kDeviceNameValue = "Joystick1Name";
constexpr int kHighestSdlAxis = 255;

std::string axisValueName(std::size_t axis) {
    return "Axis" + std::to_string(axis);
}

// A value written by another platform with another type reads as absent.
std::string readText(SettingsStore& store, std::string_view path, std::string_view name) {
    const auto value = store.readValue(path, name);
    return value && value->isString() ? value->data : std::string();
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    return text;
}

std::optional<std::int32_t> parseNumber(std::string_view text) {
    text = trimmed(text);
    std::int32_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return number;
}

bool valid(const AxisCalibration& a) {
    return a.sdlAxis >= -1 && a.sdlAxis <= kHighestSdlAxis && a.minimum >= -32768 && a.minimum < a.centre &&
           a.centre < a.maximum && a.maximum <= 32767;
}

}  // namespace

std::string joystickSettingsPath(std::string_view driverKey) {
    return joinKeyPath(joinKeyPath(kJoystickDriversPath, driverKey), "CurrentJoystickSettings");
}

std::string driverKeyInUse(SettingsStore& store) {
    std::string driver = readText(store, kProgramKeyPath, "JDriver");
    // A driver key with "\" would reach into another key of the joystick configuration.
    if (driver.empty() || driver.find('\\') != std::string::npos) {
        return std::string(kFixedDriverKey);
    }
    return driver;
}

std::optional<AxisCalibration> parseAxisCalibration(std::string_view text) {
    std::vector<std::int32_t> numbers;
    while (true) {
        const std::size_t comma = text.find(',');
        const auto number = parseNumber(text.substr(0, comma));
        if (!number || numbers.size() == 4) {
            return std::nullopt;
        }
        numbers.push_back(*number);
        if (comma == std::string_view::npos) {
            break;
        }
        text.remove_prefix(comma + 1);
    }
    if (numbers.size() != 4) {
        return std::nullopt;
    }
    const AxisCalibration axis{numbers[0], numbers[1], numbers[2], numbers[3]};
    if (!valid(axis)) {
        return std::nullopt;
    }
    return axis;
}

std::string formatAxisCalibration(const AxisCalibration& axis) {
    return std::to_string(axis.sdlAxis) + "," + std::to_string(axis.minimum) + "," +
           std::to_string(axis.centre) + "," + std::to_string(axis.maximum);
}

JoystickConfiguration readJoystickConfiguration(SettingsStore& store) {
    const std::string path = joystickSettingsPath(driverKeyInUse(store));
    JoystickConfiguration config;
    config.guid = readText(store, path, kGuidValue);
    config.oemName = readText(store, path, kOemNameValue);
    config.deviceName = readText(store, path, kDeviceNameValue);
    for (std::size_t i = 0; i < config.axes.size(); ++i) {
        if (const auto axis = parseAxisCalibration(readText(store, path, axisValueName(i)))) {
            config.axes[i] = *axis;
        }
    }
    return config;
}

bool writeJoystickConfiguration(SettingsStore& store, const JoystickConfiguration& config) {
    if (config.oemName.find('\\') != std::string::npos ||
        !std::all_of(config.axes.begin(), config.axes.end(), valid)) {
        return false;
    }
    const std::string path = joystickSettingsPath(driverKeyInUse(store));
    store.batch([&] {
        store.createKey(path);
        store.writeValue(path, kGuidValue, RegistryValue::string(config.guid));
        store.writeValue(path, kOemNameValue, RegistryValue::string(config.oemName));
        store.writeValue(path, kDeviceNameValue, RegistryValue::string(config.deviceName));
        for (std::size_t i = 0; i < config.axes.size(); ++i) {
            store.writeValue(path, axisValueName(i),
                             RegistryValue::string(formatAxisCalibration(config.axes[i])));
        }
        if (!config.oemName.empty()) {
            const std::string oemPath = joinKeyPath(kJoystickOemPath, config.oemName);
            store.createKey(oemPath);
            store.writeValue(oemPath, "OEMName", RegistryValue::string(config.deviceName));
        }
    });
    return true;
}

}  // namespace pw
