#pragma once

#include <QApplication>

namespace pw::test {

// The QApplication that widget tests run under (offscreen), made on first use and kept.
inline QApplication& ensureWidgetsApp() {
    if (auto* existing = qobject_cast<QApplication*>(QCoreApplication::instance()); existing != nullptr) {
        return *existing;
    }
    static int argc = 1;
    static char name[] = "padwarden_gui_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

}  // namespace pw::test
