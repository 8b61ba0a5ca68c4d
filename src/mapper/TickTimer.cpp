#include "mapper/TickTimer.h"

#include <QSocketNotifier>

#if defined(__linux__)
#include <sys/timerfd.h>
#include <unistd.h>
#endif

namespace pw {

TickTimer::TickTimer(QObject* parent) : QObject(parent) {
#if defined(__linux__)
    fd_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (fd_ >= 0) {
        notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
        notifier_->setEnabled(false);
        connect(notifier_, &QSocketNotifier::activated, this, &TickTimer::onTimerFd);
    }
#endif
    fallback_.setTimerType(Qt::PreciseTimer);
    fallback_.setInterval(1);
    connect(&fallback_, &QTimer::timeout, this, &TickTimer::onTimeout);
}

TickTimer::~TickTimer() {
#if defined(__linux__)
    if (fd_ >= 0) {
        delete notifier_;
        ::close(fd_);
    }
#endif
}

void TickTimer::armTimerFd(bool on) {
#if defined(__linux__)
    itimerspec spec{};
    if (on) {
        spec.it_interval.tv_nsec = 1'000'000;
        spec.it_value.tv_nsec = 1'000'000;
    }
    ::timerfd_settime(fd_, 0, &spec, nullptr);
    if (!on) {
        std::uint64_t expirations = 0;
        [[maybe_unused]] const auto n = ::read(fd_, &expirations, sizeof expirations);
    }
    notifier_->setEnabled(on);
#else
    (void)on;
#endif
}

void TickTimer::setTimerEnabled(bool on) {
    if (on == enabled_) {
        if (!on && loop_ != nullptr) {
            loop_->releaseAll();
        }
        return;
    }
    enabled_ = on;
    if (fd_ >= 0) {
        armTimerFd(on);
    } else if (on) {
        fallback_.start();
    } else {
        fallback_.stop();
    }
    if (!on && loop_ != nullptr) {
        loop_->releaseAll();
    }
}

void TickTimer::setMainWindowVisible(bool visible) {
    if (showWindow_) {
        showWindow_(visible);
    }
}

void TickTimer::onTimerFd() {
#if defined(__linux__)
    std::uint64_t expirations = 0;
    if (::read(fd_, &expirations, sizeof expirations) != sizeof expirations) {
        return;
    }
#endif
    onTimeout();
}

void TickTimer::onTimeout() {
    if (!enabled_) {
        return;
    }
    ++ticks_;
    if (loop_ != nullptr) {
        loop_->tick();
    }
}

}  // namespace pw
