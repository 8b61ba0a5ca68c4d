#pragma once

#include <SDL.h>

#include <array>
#include <cstdint>
#include <string>

#include "input/sdl/SdlJoystickDevice.h"

namespace pw::test {

// An SDL virtual controller of a model of its own (vendor, product and name make its GUID), so
// that two attached pads can be told apart by GUID as two real models can. Detached on destruction.
class ModelPad {
public:
    ModelPad(const char* name, std::uint16_t product, int axes = 4, int buttons = 12, int hats = 1) {
        SDL_VirtualJoystickDesc desc{};
        desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
        desc.naxes = static_cast<Uint16>(axes);
        desc.nbuttons = static_cast<Uint16>(buttons);
        desc.nhats = static_cast<Uint16>(hats);
        desc.vendor_id = 0x1209;  // the open vendor id of pid.codes
        desc.product_id = product;
        desc.name = name;
        const int index = SDL_JoystickAttachVirtualEx(&desc);
        if (index >= 0) {
            instanceId_ = SDL_JoystickGetDeviceInstanceID(index);
            handle_ = SDL_JoystickOpen(index);
        }
    }
    ~ModelPad() {
        detach();
        if (handle_ != nullptr) {
            SDL_JoystickClose(handle_);
        }
    }
    ModelPad(const ModelPad&) = delete;
    ModelPad& operator=(const ModelPad&) = delete;

    bool ok() const { return handle_ != nullptr; }
    std::int32_t instanceId() const { return instanceId_; }
    std::string guid() const {
        std::array<char, 33> text{};
        SDL_JoystickGetGUIDString(SDL_JoystickGetGUID(handle_), text.data(), static_cast<int>(text.size()));
        return text.data();
    }
    void setAxis(int axis, std::int16_t value) { SDL_JoystickSetVirtualAxis(handle_, axis, value); }
    void setButton(int button, bool down) {
        SDL_JoystickSetVirtualButton(handle_, button, down ? SDL_PRESSED : SDL_RELEASED);
    }
    void setHat(Uint8 bits) { SDL_JoystickSetVirtualHat(handle_, 0, bits); }
    // Unplugs it; it reads as nothing from then on.
    void detach() {
        for (int i = 0; i < SDL_NumJoysticks(); ++i) {
            if (SDL_JoystickGetDeviceInstanceID(i) == instanceId_) {
                SDL_JoystickDetachVirtual(i);
                return;
            }
        }
    }

private:
    SdlJoystickSubsystem subsystem_;
    SDL_Joystick* handle_ = nullptr;
    SDL_JoystickID instanceId_ = -1;
};

}  // namespace pw::test
