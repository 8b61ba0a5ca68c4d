#include "mapper/Simulation.h"

#include <ostream>

#include "input/KeyEmitter.h"
#include "input/PollingLoop.h"
#include "input/sdl/SdlJoystickDevice.h"
#include "input/sdl/SdlVirtualJoystick.h"

namespace pw {
namespace {

// Prints what would be sent, each line prefixed with the number of the running tick.
class PrintingSink final : public KeyOutput, public Pauser {
public:
    PrintingSink(std::ostream& out, const long long& tick) : out_(out), tick_(tick) {}
    void keyDown(std::uint8_t vk, std::uint8_t scan) override { line("down", vk, scan); }
    void keyUp(std::uint8_t vk, std::uint8_t scan) override { line("up", vk, scan); }
    void beep(int value) override { out_ << tick_ << " beep " << value << '\n'; }
    void pause(std::int32_t units) override { out_ << tick_ << " pause " << units << '\n'; }

private:
    void line(const char* what, std::uint8_t vk, std::uint8_t scan) {
        out_ << tick_ << ' ' << what << ' ' << static_cast<int>(vk) << ' ' << static_cast<int>(scan) << '\n';
    }
    std::ostream& out_;
    const long long& tick_;
};

// A timer that is only a flag: the script decides when ticks happen.
class ScriptedHost final : public LoopHost {
public:
    void setTimerEnabled(bool on) override { enabled_ = on; }
    bool timerEnabled() const override { return enabled_; }
    void setMainWindowVisible(bool) override {}

private:
    bool enabled_ = true;
};

}  // namespace

bool applyToPad(const SimStatement& s, SdlVirtualJoystick& pad) {
    using K = SimStatement::Kind;
    switch (s.kind) {
        case K::Press:
            pad.setButton(s.number - 1, true);
            return true;
        case K::Release:
            pad.setButton(s.number - 1, false);
            return true;
        case K::Axis:
            pad.setAxis(s.number, static_cast<std::int16_t>(s.value));
            return true;
        case K::Hat:
            pad.setHat(static_cast<HatDirection>(s.value));
            return true;
        default:
            return false;
    }
}

bool runSimulation(const SimScript& script, std::ostream& out, std::string& error,
                   const std::atomic<bool>* stop, const GameActivator& activateGame) {
    SdlVirtualJoystick pad(script.axes, script.buttons, script.hats);
    if (!pad.ok()) {
        error = "cannot create the virtual controller: " + pad.error();
        return false;
    }
    SdlJoystickDevice device;
    Joystick joystick(device);
    joystick.setId(pad.deviceIndex());
    joystick.openJoystick();
    if (!joystick.isOpen()) {
        error = "cannot open the virtual controller";
        return false;
    }

    long long tick = 0;
    PrintingSink sink(out, tick);
    KeyEmitter emitter(sink, sink);
    MappingState state;
    state.activeGame = "simulation";
    ScriptedHost host;
    PollingLoop loop(state, joystick, emitter, host);

    const auto stopping = [stop] { return stop != nullptr && stop->load(std::memory_order_relaxed); };
    using K = SimStatement::Kind;
    for (const SimStatement& s : script.statements) {
        if (stopping()) {
            break;
        }
        switch (s.kind) {
            case K::Assign:
                state.slots.assign(s.action, s.keySequence);
                break;
            case K::Press:
            case K::Release:
            case K::Axis:
            case K::Hat:
                applyToPad(s, pad);
                break;
            case K::Game:
                if (!activateGame) {
                    error = "line " + std::to_string(s.line) + ": no game library to take the game from";
                    return false;
                }
                activateGame(s.keySequence, s.game, state, joystick);
                break;
            case K::Tick:
                for (int i = 0; i < s.number && !stopping(); ++i) {
                    ++tick;
                    loop.tick();
                }
                break;
        }
    }
    loop.releaseAll();
    out.flush();
    return true;
}

}  // namespace pw
