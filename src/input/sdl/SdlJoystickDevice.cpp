#include "input/sdl/SdlJoystickDevice.h"

#include <SDL.h>

#include <algorithm>

#include "input/JoystickState.h"

namespace pw {

SdlJoystickSubsystem::SdlJoystickSubsystem() {
    // Read the controller while another program (the game) has the focus.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
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

SdlJoystickDevice::SdlJoystickDevice() = default;

SdlJoystickDevice::~SdlJoystickDevice() {
    close();
}

bool SdlJoystickDevice::open(int id, JoystickCaps& caps) {
    close();
    if (!subsystem_.ok() || id < 0) {
        return false;
    }
    SDL_JoystickUpdate();  // takes notice of devices plugged in since the last look
    if (id >= SDL_NumJoysticks()) {
        return false;
    }
    joystick_ = SDL_JoystickOpen(id);
    if (joystick_ == nullptr) {
        return false;
    }
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
    for (int i = 0; i < 4; ++i) {
        const int raw = i < axes_ ? SDL_JoystickGetAxis(joystick_, i) : 0;
        sample.position[static_cast<std::size_t>(i)] = static_cast<std::uint32_t>(raw + 32768);
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
