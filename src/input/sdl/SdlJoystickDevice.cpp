#include "input/sdl/SdlJoystickDevice.h"

#include <SDL.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <exception>

#include "input/JoystickState.h"

namespace pw {

SdlJoystickSubsystem::SdlJoystickSubsystem() {
    // Read the controller while another program (the game) has the focus.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    // SIGINT and SIGTERM are the program's: SDL would turn them into a quit event nobody reads,
    // and the program would no longer end on them.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) {
        error_ = SDL_GetError();
        return;
    }
    SDL_JoystickEventState(SDL_IGNORE);
    ok_ = true;
}

SdlJoystickSubsystem::~SdlJoystickSubsystem() {
    if (ok_) {
        SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    }
}

namespace {

std::string lowerCase(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

}  // namespace

SdlJoystickDevice::SdlJoystickDevice() = default;

void SdlJoystickDevice::setConfiguration(const JoystickConfiguration& config) {
    fixedConfiguration_ = config;
    configurationSource_ = nullptr;
}

void SdlJoystickDevice::setConfigurationSource(std::function<JoystickConfiguration()> source) {
    configurationSource_ = std::move(source);
}

JoystickConfiguration SdlJoystickDevice::configuration() {
    if (!configurationSource_) {
        return fixedConfiguration_;
    }
    try {
        return configurationSource_();
    } catch (const std::exception&) {
        // An unreadable store leaves the controller usable, as the first attached device.
        return {};
    }
}

// The first attached device with the configured GUID; -1 when none is attached. Two devices of
// one model share a GUID, and then the first of them is joystick 1.
int SdlJoystickDevice::configuredDeviceIndex(const JoystickConfiguration& config) const {
    const std::string wanted = lowerCase(config.guid);
    std::array<char, 33> text{};
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
        SDL_JoystickGetGUIDString(SDL_JoystickGetDeviceGUID(i), text.data(), static_cast<int>(text.size()));
        if (lowerCase(text.data()) == wanted) {
            return i;
        }
    }
    return -1;
}

SdlJoystickDevice::~SdlJoystickDevice() {
    close();
}

bool SdlJoystickDevice::open(int id, JoystickCaps& caps) {
    close();
    if (!subsystem_.ok() || id < 0) {
        return false;
    }
    SDL_JoystickUpdate();  // takes notice of devices plugged in since the last look
    const JoystickConfiguration config = id == 0 ? configuration() : JoystickConfiguration{};
    int index = config.configured() ? configuredDeviceIndex(config) : -1;
    const bool calibrated = index >= 0;
    if (!calibrated) {
        if (id >= SDL_NumJoysticks()) {
            return false;
        }
        index = id;
    }
    joystick_ = SDL_JoystickOpen(index);
    if (joystick_ == nullptr) {
        return false;
    }
    calibrated_ = calibrated;
    axisMap_ = config.axes;
    axes_ = std::max(SDL_JoystickNumAxes(joystick_), 0);
    hats_ = std::max(SDL_JoystickNumHats(joystick_), 0);
    buttons_ = std::max(SDL_JoystickNumButtons(joystick_), 0);
    caps = JoystickCaps{};
    caps.buttonCount = buttons_;
    caps.hatCount = hats_;
    caps.axisCount = axes_;
    caps.minimum.fill(0);
    caps.maximum.fill(65535);
    return true;
}

void SdlJoystickDevice::close() {
    if (joystick_ != nullptr) {
        SDL_JoystickClose(joystick_);
        joystick_ = nullptr;
    }
    axes_ = hats_ = buttons_ = 0;
    calibrated_ = false;
}

std::uint32_t hatAngleFromSdl(std::uint8_t hat) {
    switch (hat) {
        case SDL_HAT_UP:
            return 0;
        case SDL_HAT_RIGHTUP:
            return 4500;
        case SDL_HAT_RIGHT:
            return 9000;
        case SDL_HAT_RIGHTDOWN:
            return 13500;
        case SDL_HAT_DOWN:
            return 18000;
        case SDL_HAT_LEFTDOWN:
            return 22500;
        case SDL_HAT_LEFT:
            return 27000;
        case SDL_HAT_LEFTUP:
            return 31500;
        default:
            return kHatCentred;
    }
}

bool SdlJoystickDevice::read(RawJoystickSample& sample) {
    if (joystick_ == nullptr) {
        return false;
    }
    SDL_JoystickUpdate();
    if (SDL_JoystickGetAttached(joystick_) == SDL_FALSE) {
        return false;
    }
    for (std::size_t i = 0; i < 4; ++i) {
        if (calibrated_) {
            const AxisCalibration& axis = axisMap_[i];
            // An axis the device lacks rests in the middle.
            const std::int32_t raw = axis.sdlAxis >= 0 && axis.sdlAxis < axes_
                                         ? SDL_JoystickGetAxis(joystick_, axis.sdlAxis)
                                         : axis.centre;
            sample.position[i] = calibratedPosition(axis, raw);
        } else {
            const int raw =
                static_cast<int>(i) < axes_ ? SDL_JoystickGetAxis(joystick_, static_cast<int>(i)) : 0;
            sample.position[i] = static_cast<std::uint32_t>(raw + 32768);
        }
    }
    sample.hat = hats_ > 0 ? hatAngleFromSdl(SDL_JoystickGetHat(joystick_, 0)) : kHatCentred;
    std::uint32_t mask = 0;
    const int buttons = std::min(buttons_, 32);
    for (int i = 0; i < buttons; ++i) {
        if (SDL_JoystickGetButton(joystick_, i) != 0) {
            mask |= 1u << i;
        }
    }
    sample.buttons = mask;
    return true;
}

std::string SdlJoystickDevice::name() const {
    const char* n = joystick_ != nullptr ? SDL_JoystickName(joystick_) : nullptr;
    return n != nullptr ? n : "";
}

}  // namespace pw
