#include "input/Joystick.h"

#include <algorithm>

#include "input/AxisScaling.h"

namespace pw {

Joystick::Joystick(JoystickDevice& device) : device_(device) {
    deadZone_.fill(kDefaultDeadZone);
    range_.fill(kDefaultRange);
    resetState();
}

Joystick::~Joystick() {
    closeJoystick();
}

void Joystick::setEnabled(bool on) {
    if (on != enabled_) {
        enabled_ = on;
        openJoystick();
    }
}

void Joystick::setId(int id) {
    if (id != id_) {
        id_ = id;
        openJoystick();
    }
}

void Joystick::setDeadZone(Axis a, std::int32_t percent) {
    deadZone_[static_cast<std::size_t>(a)] = std::clamp(percent, 0, 100);
}

void Joystick::setRange(Axis a, std::int32_t range) {
    range_[static_cast<std::size_t>(a)] = std::max(range, 0);
}

void Joystick::resetState() {
    // A neutral sample: axes at rest, no button, and every hat centred. A zeroed hat would read as
    // "forward" and turn a hat action on for a device that has a hat.
    state_ = JoystickState{};
    state_.hat.fill(kHatCentred);
}

void Joystick::closeJoystick() {
    wanted_ = false;
    closeDevice();
}

void Joystick::closeDevice() {
    if (open_) {
        device_.close();
    }
    open_ = false;
    caps_ = JoystickCaps{};
    facts_ = DeviceFacts{};
    resetState();
    previous_ = current_;
    current_.reset();
}

void Joystick::openJoystick() {
    closeJoystick();
    if (!enabled_ || id_ < 0) {
        return;
    }
    wanted_ = true;
    takeDevice(true);
}

// Opens the device and takes its counts; a failed look schedules the next one.
bool Joystick::takeDevice(bool first) {
    JoystickCaps caps;
    if (!(first ? device_.open(id_, caps) : device_.reopen(id_, caps))) {
        reopenIn_ = kReopenSamples;
        return false;
    }
    open_ = true;
    caps_ = caps;
    facts_ = DeviceFacts{caps.buttonCount, caps.hatCount, caps.axisCount};
    return true;
}

void Joystick::sample() {
    resetState();
    previous_ = current_;
    current_.reset();
    if (activeOnly_ && isForeground_ && !isForeground_()) {
        return;
    }
    if (!open_ && wanted_ && --reopenIn_ <= 0) {
        takeDevice(false);
    }
    if (!open_) {
        return;
    }
    if (!device_.read(raw_)) {
        // Gone (unplugged, asleep) or to be replaced: this sample is neutral, so every held key
        // goes up, and the next sample looks for the device again.
        closeDevice();
        reopenIn_ = 1;
        return;
    }
    const auto scaled = [this](std::size_t rawAxis, Axis settings) {
        const auto s = static_cast<std::size_t>(settings);
        return scaleAxis(raw_.position[rawAxis], caps_.minimum[rawAxis], caps_.maximum[rawAxis], deadZone_[s],
                         range_[s]);
    };
    state_.x = scaled(0, Axis::X);
    state_.y = scaled(1, Axis::Y);
    state_.z = scaled(2, Axis::Z);
    // The rudder takes the dead zone and range of Rx, as the multimedia path always did.
    state_.rz = scaled(3, Axis::Rx);
    state_.hat[0] = raw_.hat;
    const int buttons = std::clamp(facts_.buttonCount, 0, 32);
    for (int i = 0; i < buttons; ++i) {
        if ((raw_.buttons >> i) & 1u) {
            state_.button[static_cast<std::size_t>(i)] = 0x80;
        }
    }

    for (int n = 1; n <= 32; ++n) {
        if (state_.pressed(n - 1)) {
            current_.set(buttonBit(n));
        }
    }
    current_.set(inputBit(InputState::Left), state_.x < 0);
    current_.set(inputBit(InputState::Right), state_.x > 0);
    current_.set(inputBit(InputState::Up), state_.y < 0);
    current_.set(inputBit(InputState::Down), state_.y > 0);
}

bool Joystick::actionIsOn(ControllerAction a) const {
    using A = ControllerAction;
    const auto hatIs = [this](std::uint32_t value) { return facts_.hatCount >= 1 && state_.hat[0] == value; };
    const bool threeAxes = facts_.axisCount >= 3;
    switch (a) {
        case A::Up:
            return current_.test(inputBit(InputState::Up));
        case A::Down:
            return current_.test(inputBit(InputState::Down));
        case A::Left:
            return current_.test(inputBit(InputState::Left));
        case A::Right:
            return current_.test(inputBit(InputState::Right));
        case A::ZUp:
            return state_.z > 0 && state_.z != 65535 && threeAxes;
        case A::ZDown:
            return state_.z < 0 && threeAxes;
        case A::RUp:
            return state_.rz > 0 && state_.rz != 65535 && threeAxes;
        case A::RDown:
            return state_.rz < 0 && threeAxes;
        case A::CoolUp:
            return hatIs(0);
        case A::CoolUpRight:
            return hatIs(4500);
        case A::CoolRight:
            return hatIs(9000);
        case A::CoolDownRight:
            return hatIs(13500);
        case A::CoolDown:
            return hatIs(18000);
        case A::CoolDownLeft:
            return hatIs(22500);
        case A::CoolLeft:
            return hatIs(27000);
        case A::CoolUpLeft:
            return hatIs(31500);
        default:
            break;
    }
    const int n = static_cast<int>(index(a) - index(A::Button1)) + 1;
    return current_.test(buttonBit(n)) && facts_.buttonCount >= n;
}

std::optional<ControllerAction> Joystick::detectAction() {
    sample();
    std::optional<ControllerAction> winner;
    for (ControllerAction a : kDetectOrder) {
        if (actionIsOn(a)) {
            winner = a;
        }
    }
    return winner;
}

void Joystick::dx_erneuern() {
    openJoystick();
    deadZone_.fill(kDefaultDeadZone);
    range_.fill(kDefaultRange);
    autoCenter_ = true;
    setId(0);
    setEnabled(true);
}

}  // namespace pw
