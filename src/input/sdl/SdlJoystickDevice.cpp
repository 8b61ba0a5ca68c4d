#include "input/sdl/SdlJoystickDevice.h"

#include <SDL.h>
#include <fcntl.h>
#include <linux/input.h>
#include <sys/inotify.h>
#include <unistd.h>

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
    // udevd answers on its control socket; without it SDL's udev monitor stays silent, and a pad
    // plugged in later would never be seen. SDL reads this variable, not a hint, and a value the
    // user set wins.
    if (::access("/run/udev/control", F_OK) != 0) {
        ::setenv("SDL_JOYSTICK_DISABLE_UDEV", "1", 0);
    }
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) {
        error_ = SDL_GetError();
        return;
    }
    SDL_JoystickEventState(SDL_IGNORE);
    SDL_GameControllerEventState(SDL_IGNORE);
    ok_ = true;
}

SdlJoystickSubsystem::~SdlJoystickSubsystem() {
    if (ok_) {
        SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
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

SdlJoystickDevice::SdlJoystickDevice() {
    // Nodes come and go with their devices; udev changes a new node's access a moment later,
    // which is when a user's program can open it.
    plugFd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (plugFd_ >= 0 &&
        ::inotify_add_watch(plugFd_, "/dev/input",
                            IN_CREATE | IN_DELETE | IN_ATTRIB | IN_MOVED_TO | IN_MOVED_FROM) < 0) {
        ::close(plugFd_);
        plugFd_ = -1;
    }
}

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

namespace {

// SDL's own virtual joysticks carry 'v' in their GUID. They keep their raw axes whatever type
// they were made with: the simulation and the virtual pad drive SDL axes by number.
bool isVirtual(int index) {
    return SDL_JoystickGetDeviceGUID(index).data[14] == 'v';
}

}  // namespace

SdlJoystickDevice::~SdlJoystickDevice() {
    close();
    if (plugFd_ >= 0) {
        ::close(plugFd_);
    }
}

bool SdlJoystickDevice::open(int id, JoystickCaps& caps) {
    close();
    if (!subsystem_.ok() || id < 0) {
        return false;
    }
    SDL_JoystickUpdate();  // takes notice of devices plugged in since the last look
    lastConfiguration_ = id == 0 ? configuration() : JoystickConfiguration{};
    return openWith(id, lastConfiguration_, caps);
}

bool SdlJoystickDevice::reopen(int id, JoystickCaps& caps) {
    close();
    if (!subsystem_.ok() || id < 0) {
        return false;
    }
    SDL_JoystickUpdate();
    if (SDL_NumJoysticks() == 0 || (!lastConfiguration_.configured() && id >= SDL_NumJoysticks())) {
        return false;
    }
    return openWith(id, lastConfiguration_, caps);
}

bool SdlJoystickDevice::openWith(int id, const JoystickConfiguration& config, JoystickCaps& caps) {
    devicesSeen_ = SDL_NumJoysticks();
    int index = config.configured() ? configuredDeviceIndex(config) : -1;
    const bool calibrated = index >= 0;
    if (!calibrated) {
        if (id >= devicesSeen_) {
            return false;
        }
        index = id;
    }
    caps = JoystickCaps{};
    if (!calibrated && !isVirtual(index) && SDL_IsGameController(index) == SDL_TRUE) {
        controller_ = SDL_GameControllerOpen(index);
    }
    if (controller_ != nullptr) {
        joystick_ = SDL_GameControllerGetJoystick(controller_);
        axes_ = kGamePadAxes;
        hats_ = 1;
        buttons_ = kGamePadButtons;
    } else {
        joystick_ = SDL_JoystickOpen(index);
        if (joystick_ == nullptr) {
            return false;
        }
        axes_ = std::max(SDL_JoystickNumAxes(joystick_), 0);
        hats_ = std::max(SDL_JoystickNumHats(joystick_), 0);
        buttons_ = std::max(SDL_JoystickNumButtons(joystick_), 0);
    }
    calibrated_ = calibrated;
    axisMap_ = config.axes;
    // Every evdev reader has its own queue, so ours takes nothing from SDL's.
    if (const char* path = SDL_JoystickPath(joystick_); path != nullptr && !isVirtual(index)) {
        changeFd_ = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    }
    caps.buttonCount = buttons_;
    caps.hatCount = hats_;
    caps.axisCount = axes_;
    caps.minimum.fill(0);
    caps.maximum.fill(65535);
    return true;
}

void SdlJoystickDevice::drainChanges() {
    if (changeFd_ < 0) {
        return;
    }
    std::array<input_event, 64> events;
    while (::read(changeFd_, events.data(), sizeof events) > 0) {
    }
}

void SdlJoystickDevice::drainPlugs() {
    if (plugFd_ < 0) {
        return;
    }
    alignas(inotify_event) std::array<char, 4096> events;
    while (::read(plugFd_, events.data(), events.size()) > 0) {
    }
}

void SdlJoystickDevice::close() {
    if (changeFd_ >= 0) {
        ::close(changeFd_);
        changeFd_ = -1;
    }
    if (controller_ != nullptr) {
        SDL_GameControllerClose(controller_);  // closes its joystick too
        controller_ = nullptr;
        joystick_ = nullptr;
    }
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

namespace {

std::uint32_t position(int raw) {
    return static_cast<std::uint32_t>(std::clamp(raw, -32768, 32767) + 32768);
}

}  // namespace

RawJoystickSample gamePadSample(const GamePadReading& pad) {
    RawJoystickSample s;
    s.position[0] = position(pad.leftX);
    s.position[1] = position(pad.leftY);
    // Both triggers share Z: at rest, or both pulled alike, it stands in the middle.
    s.position[2] = position(pad.leftTrigger - pad.rightTrigger);
    s.position[3] = position(pad.rightY);
    std::uint8_t hat = SDL_HAT_CENTERED;
    hat |= pad.dpadUp ? SDL_HAT_UP : 0;
    hat |= pad.dpadDown ? SDL_HAT_DOWN : 0;
    hat |= pad.dpadLeft ? SDL_HAT_LEFT : 0;
    hat |= pad.dpadRight ? SDL_HAT_RIGHT : 0;
    s.hat = hatAngleFromSdl(hat);
    const std::array<bool, kGamePadButtons> buttons{
        pad.a,    pad.b,     pad.x,         pad.y,         pad.leftShoulder, pad.rightShoulder,
        pad.back, pad.start, pad.leftStick, pad.rightStick};
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        s.buttons |= buttons[i] ? 1u << i : 0u;
    }
    return s;
}

bool SdlJoystickDevice::read(RawJoystickSample& sample) {
    if (joystick_ == nullptr) {
        return false;
    }
    SDL_JoystickUpdate();
    if (SDL_JoystickGetAttached(joystick_) == SDL_FALSE) {
        return false;
    }
    const int devices = SDL_NumJoysticks();
    if (devices != devicesSeen_) {
        devicesSeen_ = devices;
        // Read in the configured device's stead, the first device gives way once that one comes.
        if (!calibrated_ && lastConfiguration_.configured() &&
            configuredDeviceIndex(lastConfiguration_) >= 0) {
            return false;
        }
    }
    if (controller_ != nullptr) {
        const auto axis = [this](SDL_GameControllerAxis a) {
            return SDL_GameControllerGetAxis(controller_, a);
        };
        const auto button = [this](SDL_GameControllerButton b) {
            return SDL_GameControllerGetButton(controller_, b) != 0;
        };
        GamePadReading pad;
        pad.leftX = axis(SDL_CONTROLLER_AXIS_LEFTX);
        pad.leftY = axis(SDL_CONTROLLER_AXIS_LEFTY);
        pad.rightX = axis(SDL_CONTROLLER_AXIS_RIGHTX);
        pad.rightY = axis(SDL_CONTROLLER_AXIS_RIGHTY);
        pad.leftTrigger = axis(SDL_CONTROLLER_AXIS_TRIGGERLEFT);
        pad.rightTrigger = axis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT);
        pad.a = button(SDL_CONTROLLER_BUTTON_A);
        pad.b = button(SDL_CONTROLLER_BUTTON_B);
        pad.x = button(SDL_CONTROLLER_BUTTON_X);
        pad.y = button(SDL_CONTROLLER_BUTTON_Y);
        pad.leftShoulder = button(SDL_CONTROLLER_BUTTON_LEFTSHOULDER);
        pad.rightShoulder = button(SDL_CONTROLLER_BUTTON_RIGHTSHOULDER);
        pad.back = button(SDL_CONTROLLER_BUTTON_BACK);
        pad.start = button(SDL_CONTROLLER_BUTTON_START);
        pad.leftStick = button(SDL_CONTROLLER_BUTTON_LEFTSTICK);
        pad.rightStick = button(SDL_CONTROLLER_BUTTON_RIGHTSTICK);
        pad.dpadUp = button(SDL_CONTROLLER_BUTTON_DPAD_UP);
        pad.dpadDown = button(SDL_CONTROLLER_BUTTON_DPAD_DOWN);
        pad.dpadLeft = button(SDL_CONTROLLER_BUTTON_DPAD_LEFT);
        pad.dpadRight = button(SDL_CONTROLLER_BUTTON_DPAD_RIGHT);
        sample = gamePadSample(pad);
        return true;
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
