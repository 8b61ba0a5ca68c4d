#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace pw {

// A controller attached now, as SDL lists it. The instance id stays the device's own while it is
// attached; the index changes when devices before it come and go.
struct AttachedController {
    int deviceIndex = -1;
    std::int32_t instanceId = -1;
    std::string name;
    std::string guid;  // 32 hex digits, as the joystick configuration stores it
    int axes = 0;
    int buttons = 0;
    int hats = 0;
};

// Takes notice of devices plugged in or out since the last look, then lists them in SDL's order.
// Needs SDL's joystick subsystem (SdlJoystickSubsystem) to be up.
std::vector<AttachedController> attachedControllers();
// The instance ids of the attached devices in SDL's order: enough to see whether the list changed.
std::vector<std::int32_t> attachedInstanceIds();

// One reading of a device in its own terms: every SDL axis raw (-32768 ... 32767), the first hat
// in hundredths of a degree (kHatCentred when centred), every button.
struct ControllerReading {
    std::vector<std::int16_t> axes;
    std::uint32_t hat = 0;
    std::vector<bool> buttons;
};

// Where the properties window takes its readings from; false when the device cannot be read (it
// was unplugged).
using ReadingSource = std::function<bool(ControllerReading&)>;

// Reads the attached device with this instance id through SDL, opened for as long as the source
// lives; reads false once it is unplugged.
ReadingSource sdlReadingSource(std::int32_t instanceId);

}  // namespace pw
