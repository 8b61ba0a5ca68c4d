// The third yardstick of the kernel stage's latency figures: a reader of the pad outside any event
// loop that still reads the pad through SDL, as PadWarden samples it. It blocks on a game pad's
// evdev node (an open of its own, as PadWarden watches it), and when the node turns readable asks
// SDL for the A button (SDL's joystick update, through the game-controller mapping where SDL has
// one) and writes each change as KEY_A to a uinput keyboard of its own, "SDL reader remapper
// keyboard". Beside bench_trivial_remapper it shows what SDL's reading costs on the way when no
// event loop is in it: the least a thread of PadWarden's own that waits on the pad could do.
//
//   bench_sdl_reader_remapper /dev/input/eventN
#include <SDL.h>
#include <fcntl.h>
#include <linux/uinput.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The joystick SDL has on the node `path`, or -1.
int indexOf(const char* path) {
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
        const char* p = SDL_JoystickPathForIndex(i);
        if (p != nullptr && std::strcmp(p, path) == 0) {
            return i;
        }
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_sdl_reader_remapper /dev/input/eventN\n");
        return 2;
    }
    // The settings PadWarden reads its controller with.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (::access("/run/udev/control", F_OK) != 0) {
        ::setenv("SDL_JOYSTICK_DISABLE_UDEV", "1", 0);
    }
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) {
        std::fprintf(stderr, "SDL: %s\n", SDL_GetError());
        return 1;
    }
    SDL_JoystickEventState(SDL_IGNORE);
    SDL_GameControllerEventState(SDL_IGNORE);
    const int index = indexOf(argv[1]);
    if (index < 0) {
        std::fprintf(stderr, "SDL has no joystick on %s\n", argv[1]);
        return 1;
    }
    SDL_GameController* controller = SDL_IsGameController(index) ? SDL_GameControllerOpen(index) : nullptr;
    SDL_Joystick* joystick =
        controller != nullptr ? SDL_GameControllerGetJoystick(controller) : SDL_JoystickOpen(index);
    const int pad = ::open(argv[1], O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (joystick == nullptr || pad < 0) {
        std::fprintf(stderr, "cannot open %s\n", argv[1]);
        return 1;
    }
    const int keyboard = ::open("/dev/uinput", O_WRONLY | O_CLOEXEC);
    uinput_setup setup{};
    setup.id.bustype = BUS_VIRTUAL;
    std::snprintf(setup.name, sizeof setup.name, "SDL reader remapper keyboard");
    if (keyboard < 0 || ::ioctl(keyboard, UI_SET_EVBIT, EV_KEY) < 0 ||
        ::ioctl(keyboard, UI_SET_KEYBIT, KEY_A) < 0 || ::ioctl(keyboard, UI_DEV_SETUP, &setup) < 0 ||
        ::ioctl(keyboard, UI_DEV_CREATE) < 0) {
        std::perror("uinput keyboard");
        return 1;
    }
    bool down = false;
    pollfd p{pad, POLLIN, 0};
    while (::poll(&p, 1, -1) >= 0) {
        std::array<input_event, 64> events;
        while (::read(pad, events.data(), sizeof events) > 0) {
        }
        SDL_JoystickUpdate();
        const bool now = controller != nullptr
                             ? SDL_GameControllerGetButton(controller, SDL_CONTROLLER_BUTTON_A) != 0
                             : SDL_JoystickGetButton(joystick, 0) != 0;
        if (now != down) {
            down = now;
            std::array<input_event, 2> out{};
            out[0].type = EV_KEY;
            out[0].code = KEY_A;
            out[0].value = now ? 1 : 0;
            out[1].type = EV_SYN;
            out[1].code = SYN_REPORT;
            [[maybe_unused]] const auto n = ::write(keyboard, out.data(), sizeof out);
        }
    }
    ::ioctl(keyboard, UI_DEV_DESTROY);
    return 0;
}
