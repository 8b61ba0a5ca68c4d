#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "input/JoystickCalibration.h"
#include "store/SettingsStore.h"

namespace pw {

// The joystick configuration lives in the store under the key paths the Windows configuration
// uses, so registered controllers (copies of the settings key) and .reg files move between the two.
//
//   System\CurrentControlSet\Control\MediaResources\Joystick\<driver key>\CurrentJoystickSettings
//
// The driver key is the program key's "JDriver" value; while that is empty, our own layout
// "<FixedKey>" is meant. On Linux the settings key says which attached device is joystick 1 and
// how it is calibrated, in these values (all strings):
//
//   Joystick1Configuration  the device's SDL joystick GUID, 32 hex digits as
//                           SDL_JoystickGetGUIDString writes them (compared without case)
//   Joystick1OEMName        the name of the device's key below
//                           System\CurrentControlSet\Control\MediaProperties\PrivateProperties\Joystick\OEM,
//                           whose value "OEMName" is the name the program shows
//   Joystick1Name           the name SDL gives the device
//   Axis0 ... Axis3         X, Y, Z and R: "sdlAxis,minimum,centre,maximum", e.g. "1,-32768,0,32767".
//                           sdlAxis is the SDL axis that feeds it (-1: none, the axis rests in the
//                           middle); the three raw SDL values satisfy -32768 <= minimum < centre <
//                           maximum <= 32767. A missing or malformed value means SDL axis i over its
//                           full travel.
//
// A value written by Windows (Joystick1Configuration there is binary) is no configuration on
// Linux: it is ignored, and the first attached device is joystick 1 as without a configuration.

inline constexpr std::string_view kFixedDriverKey = "<FixedKey>";
inline constexpr std::string_view kJoystickDriversPath =
    "System\\CurrentControlSet\\Control\\MediaResources\\Joystick";
inline constexpr std::string_view kJoystickOemPath =
    "System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\Joystick\\OEM";

// The settings key of a driver key ("<FixedKey>", "msjstick.drv<0000>").
std::string joystickSettingsPath(std::string_view driverKey);
// The driver key the configuration in use is kept under: "JDriver", or "<FixedKey>" while that is
// empty, no text, or not one key name.
std::string driverKeyInUse(SettingsStore& store);

// "1,-32768,0,32767" and back; nullopt for anything else (extra spaces are allowed around numbers).
std::optional<AxisCalibration> parseAxisCalibration(std::string_view text);
std::string formatAxisCalibration(const AxisCalibration& axis);

// The configuration in use; a store without one gives an unconfigured JoystickConfiguration.
// StoreError when the store cannot be read.
JoystickConfiguration readJoystickConfiguration(SettingsStore& store);

// Installs the configuration as the one in use, in one transaction: the values above in the
// settings key (created when missing) and, when it has an OEM name, the OEM key with "OEMName" set
// to the device name. False, with nothing written, when the OEM name is no single key name (it
// contains "\") or a calibration breaks the rules above. StoreError when the store refuses.
bool writeJoystickConfiguration(SettingsStore& store, const JoystickConfiguration& config);

}  // namespace pw
