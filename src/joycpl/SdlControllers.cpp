#include "joycpl/SdlControllers.h"

#include <SDL.h>

#include <algorithm>
#include <array>

#include "input/JoystickState.h"
#include "input/sdl/SdlJoystickDevice.h"

namespace pw {
namespace {

std::string guidText(SDL_JoystickGUID guid) {
    std::array<char, 33> text{};
    SDL_JoystickGetGUIDString(guid, text.data(), static_cast<int>(text.size()));
    return text.data();
}

int deviceIndexOf(std::int32_t instanceId) {
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
        if (SDL_JoystickGetDeviceInstanceID(i) == instanceId) {
            return i;
        }
    }
    return -1;
}

// The device stays open while a reader holds it; SDL counts the openings of one device.
class SdlReader {
public:
    explicit SdlReader(std::int32_t instanceId) {
        SDL_JoystickUpdate();
        const int index = deviceIndexOf(instanceId);
        joystick_ = index >= 0 ? SDL_JoystickOpen(index) : nullptr;
    }
    ~SdlReader() {
        if (joystick_ != nullptr) {
            SDL_JoystickClose(joystick_);
        }
    }
    SdlReader(const SdlReader&) = delete;
    SdlReader& operator=(const SdlReader&) = delete;

    bool read(ControllerReading& reading) {
        if (joystick_ == nullptr) {
            return false;
        }
        SDL_JoystickUpdate();
        if (SDL_JoystickGetAttached(joystick_) == SDL_FALSE) {
            return false;
        }
        const int axes = std::max(SDL_JoystickNumAxes(joystick_), 0);
        reading.axes.resize(static_cast<std::size_t>(axes));
        for (int i = 0; i < axes; ++i) {
            reading.axes[static_cast<std::size_t>(i)] = SDL_JoystickGetAxis(joystick_, i);
        }
        reading.hat = SDL_JoystickNumHats(joystick_) > 0 ? hatAngleFromSdl(SDL_JoystickGetHat(joystick_, 0))
                                                         : kHatCentred;
        const int buttons = std::max(SDL_JoystickNumButtons(joystick_), 0);
        reading.buttons.resize(static_cast<std::size_t>(buttons));
        for (int i = 0; i < buttons; ++i) {
            reading.buttons[static_cast<std::size_t>(i)] = SDL_JoystickGetButton(joystick_, i) != 0;
        }
        return true;
    }

private:
    SdlJoystickSubsystem subsystem_;
    SDL_Joystick* joystick_ = nullptr;
};

}  // namespace

std::vector<AttachedController> attachedControllers() {
    SDL_JoystickUpdate();
    std::vector<AttachedController> list;
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
        AttachedController c;
        c.deviceIndex = i;
        c.instanceId = SDL_JoystickGetDeviceInstanceID(i);
        const char* name = SDL_JoystickNameForIndex(i);
        c.name = name != nullptr ? name : "";
        c.guid = guidText(SDL_JoystickGetDeviceGUID(i));
        // The counts are known only to an open device.
        if (SDL_Joystick* joystick = SDL_JoystickOpen(i); joystick != nullptr) {
            c.axes = std::max(SDL_JoystickNumAxes(joystick), 0);
            c.buttons = std::max(SDL_JoystickNumButtons(joystick), 0);
            c.hats = std::max(SDL_JoystickNumHats(joystick), 0);
            SDL_JoystickClose(joystick);
        }
        list.push_back(std::move(c));
    }
    return list;
}

std::vector<std::int32_t> attachedInstanceIds() {
    SDL_JoystickUpdate();
    std::vector<std::int32_t> ids;
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
        ids.push_back(SDL_JoystickGetDeviceInstanceID(i));
    }
    return ids;
}

ReadingSource sdlReadingSource(std::int32_t instanceId) {
    auto reader = std::make_shared<SdlReader>(instanceId);
    return [reader](ControllerReading& reading) { return reader->read(reading); };
}

}  // namespace pw
