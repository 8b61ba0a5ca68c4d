// The yardstick of the kernel stage's latency figures: the least a remapper can do. It blocks on
// a game pad's evdev node and, for every change of its A button, writes KEY_A to a uinput
// keyboard of its own, "trivial remapper keyboard". Plain C in all but name.
//
//   bench_trivial_remapper /dev/input/eventN
#include <fcntl.h>
#include <linux/uinput.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace {

int emit(int fd, unsigned short type, unsigned short code, int value) {
    struct input_event e;
    std::memset(&e, 0, sizeof e);
    e.type = type;
    e.code = code;
    e.value = value;
    return write(fd, &e, sizeof e) == static_cast<ssize_t>(sizeof e) ? 0 : -1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_trivial_remapper /dev/input/eventN\n");
        return 2;
    }
    const int pad = open(argv[1], O_RDONLY | O_CLOEXEC);
    if (pad < 0) {
        std::perror(argv[1]);
        return 1;
    }
    const int keyboard = open("/dev/uinput", O_WRONLY | O_CLOEXEC);
    if (keyboard < 0) {
        std::perror("/dev/uinput");
        return 1;
    }
    struct uinput_setup setup;
    std::memset(&setup, 0, sizeof setup);
    setup.id.bustype = BUS_VIRTUAL;
    std::snprintf(setup.name, sizeof setup.name, "trivial remapper keyboard");
    if (ioctl(keyboard, UI_SET_EVBIT, EV_KEY) < 0 || ioctl(keyboard, UI_SET_KEYBIT, KEY_A) < 0 ||
        ioctl(keyboard, UI_DEV_SETUP, &setup) < 0 || ioctl(keyboard, UI_DEV_CREATE) < 0) {
        std::perror("uinput keyboard");
        return 1;
    }
    struct input_event e;
    while (read(pad, &e, sizeof e) == static_cast<ssize_t>(sizeof e)) {
        if (e.type == EV_KEY && e.code == BTN_A &&
            (emit(keyboard, EV_KEY, KEY_A, e.value) < 0 || emit(keyboard, EV_SYN, SYN_REPORT, 0) < 0)) {
            std::perror("write");
            return 1;
        }
    }
    ioctl(keyboard, UI_DEV_DESTROY);
    return 0;
}
