#include "input/sdl/SdlVirtualJoystick.h"

#include <SDL.h>

namespace pw {

SdlVirtualJoystick::SdlVirtualJoystick(int axes, int buttons, int hats) {
    if (!subsystem_.ok()) {
        error_ = subsystem_.error();
        return;
    }
    const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, axes, buttons, hats);
    if (index < 0) {
        error_ = SDL_GetError();
        return;
    }
    attached_ = true;
    instanceId_ = SDL_JoystickGetDeviceInstanceID(index);
    handle_ = SDL_JoystickOpen(index);
    if (handle_ == nullptr) {
        error_ = SDL_GetError();
        detach();
    }
}

SdlVirtualJoystick::~SdlVirtualJoystick() {
    changed_ = nullptr;  // whoever listens may be gone already
    detach();
    if (handle_ != nullptr) {
        SDL_JoystickClose(handle_);
    }
}

int SdlVirtualJoystick::deviceIndex() const {
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
        if (SDL_JoystickGetDeviceInstanceID(i) == instanceId_) {
            return i;
        }
    }
    return -1;
}

void SdlVirtualJoystick::setButton(int index, bool pressed) {
    if (handle_ != nullptr) {
        SDL_JoystickSetVirtualButton(handle_, index, pressed ? SDL_PRESSED : SDL_RELEASED);
    }
    if (changed_) {
        changed_();
    }
}

void SdlVirtualJoystick::setAxis(int index, std::int16_t value) {
    if (handle_ != nullptr) {
        SDL_JoystickSetVirtualAxis(handle_, index, value);
    }
    if (changed_) {
        changed_();
    }
}

void SdlVirtualJoystick::setHat(HatDirection direction) {
    static constexpr Uint8 kBits[] = {SDL_HAT_CENTERED, SDL_HAT_UP,        SDL_HAT_RIGHTUP,
                                      SDL_HAT_RIGHT,    SDL_HAT_RIGHTDOWN, SDL_HAT_DOWN,
                                      SDL_HAT_LEFTDOWN, SDL_HAT_LEFT,      SDL_HAT_LEFTUP};
    if (handle_ != nullptr) {
        SDL_JoystickSetVirtualHat(handle_, 0, kBits[static_cast<std::size_t>(direction)]);
    }
    if (changed_) {
        changed_();
    }
}

void SdlVirtualJoystick::detach() {
    if (!attached_) {
        return;
    }
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
        if (SDL_JoystickGetDeviceInstanceID(i) == instanceId_) {
            SDL_JoystickDetachVirtual(i);
            break;
        }
    }
    attached_ = false;
    if (changed_) {
        changed_();
    }
}

}  // namespace pw
