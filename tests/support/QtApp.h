#pragma once

#include <QCoreApplication>
#include <QGuiApplication>

namespace pw::test {

// The application object Qt tests run under, made on first use and kept for the whole program.
// A QGuiApplication, so key events and input devices work; where a test program has made its own
// application object already, that one is used.
inline QCoreApplication& ensureGuiApp() {
    if (QCoreApplication* existing = QCoreApplication::instance(); existing != nullptr) {
        return *existing;
    }
    // QCoreApplication keeps a reference to argc and the argv array: both live as long as the program.
    static int argc = 1;
    static char name[] = "padwarden_tests";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* app = new QGuiApplication(argc, argv);
    return *app;
}

}  // namespace pw::test
