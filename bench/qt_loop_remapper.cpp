// The second yardstick of the kernel stage's latency figures: the least a Qt program can do. Its
// event loop watches a game pad's evdev node with a QSocketNotifier and, for every change of the
// A button, writes KEY_A to a uinput keyboard of its own, "Qt loop remapper keyboard". Beside
// bench_trivial_remapper it shows what the event loop alone costs on the way. It runs on the event
// loop padwarden --headless runs on, Qt's own for Unix rather than GLib's.
//
//   bench_qt_loop_remapper /dev/input/eventN
#include <fcntl.h>
#include <linux/uinput.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <array>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    qputenv("QT_NO_GLIB", "1");
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_qt_loop_remapper /dev/input/eventN\n");
        return 2;
    }
    const int pad = ::open(argv[1], O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (pad < 0) {
        std::perror(argv[1]);
        return 1;
    }
    const int keyboard = ::open("/dev/uinput", O_WRONLY | O_CLOEXEC);
    uinput_setup setup{};
    setup.id.bustype = BUS_VIRTUAL;
    std::snprintf(setup.name, sizeof setup.name, "Qt loop remapper keyboard");
    if (keyboard < 0 || ::ioctl(keyboard, UI_SET_EVBIT, EV_KEY) < 0 ||
        ::ioctl(keyboard, UI_SET_KEYBIT, KEY_A) < 0 || ::ioctl(keyboard, UI_DEV_SETUP, &setup) < 0 ||
        ::ioctl(keyboard, UI_DEV_CREATE) < 0) {
        std::perror("uinput keyboard");
        return 1;
    }
    QTimer someTimer;  // any real program has a timer or two in its loop
    someTimer.start(60000);
    QSocketNotifier changes(pad, QSocketNotifier::Read);
    QObject::connect(&changes, &QSocketNotifier::activated, [&] {
        std::array<input_event, 16> in{};
        ssize_t got = 0;
        while ((got = ::read(pad, in.data(), sizeof in)) > 0) {
            for (std::size_t i = 0; i < static_cast<std::size_t>(got) / sizeof(input_event); ++i) {
                if (in[i].type == EV_KEY && in[i].code == BTN_A) {
                    std::array<input_event, 2> out{};
                    out[0].type = EV_KEY;
                    out[0].code = KEY_A;
                    out[0].value = in[i].value;
                    out[1].type = EV_SYN;
                    out[1].code = SYN_REPORT;
                    [[maybe_unused]] const auto n = ::write(keyboard, out.data(), sizeof out);
                }
            }
        }
    });
    const int code = app.exec();
    ::ioctl(keyboard, UI_DEV_DESTROY);
    return code;
}
