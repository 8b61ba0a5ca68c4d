#include "mapper/ExitGuard.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>

namespace pw {
namespace {

int g_signalPipe[2] = {-1, -1};

extern "C" void onTerminateSignal(int signo) {
    const char byte = static_cast<char>(signo);
    [[maybe_unused]] const auto n = ::write(g_signalPipe[1], &byte, 1);
}

}  // namespace

ExitGuard::ExitGuard(std::function<void()> atExit, QObject* parent)
    : QObject(parent), atExit_(std::move(atExit)) {
    if (g_signalPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0) {
        g_signalPipe[0] = g_signalPipe[1] = -1;
    }
    if (g_signalPipe[0] >= 0) {
        notifier_ = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, [this] {
            char byte = 0;
            [[maybe_unused]] const auto n = ::read(g_signalPipe[0], &byte, 1);
            stopRequested_ = true;
            runOnce();
            QCoreApplication::quit();
        });
        struct sigaction sa {};
        sa.sa_handler = onTerminateSignal;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESTART;
        ::sigaction(SIGINT, &sa, nullptr);
        ::sigaction(SIGTERM, &sa, nullptr);
    }
    if (auto* app = QCoreApplication::instance()) {
        connect(app, &QCoreApplication::aboutToQuit, this, &ExitGuard::runOnce);
    }
}

ExitGuard::~ExitGuard() {
    runOnce();
    ::signal(SIGINT, SIG_DFL);
    ::signal(SIGTERM, SIG_DFL);
}

void ExitGuard::runOnce() {
    if (!done_) {
        done_ = true;
        if (atExit_) {
            atExit_();
        }
    }
}

}  // namespace pw
