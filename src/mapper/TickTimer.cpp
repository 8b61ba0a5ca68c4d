#include "mapper/TickTimer.h"

#include <QSocketNotifier>
#include <algorithm>

#if defined(__linux__)
#include <sys/eventfd.h>
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
    wakeFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd_ >= 0) {
        wakeNotifier_ = new QSocketNotifier(wakeFd_, QSocketNotifier::Read, this);
        wakeNotifier_->setEnabled(false);
        connect(wakeNotifier_, &QSocketNotifier::activated, this, &TickTimer::onControllerChange);
    }
#endif
    fallback_.setTimerType(Qt::PreciseTimer);
    fallback_.setInterval(1);  // the period in whole milliseconds, set again at every start
    connect(&fallback_, &QTimer::timeout, this, &TickTimer::onTimeout);
}

TickTimer::~TickTimer() {
#if defined(__linux__)
    delete deviceNotifier_;
    delete plugNotifier_;
    if (fd_ >= 0) {
        delete notifier_;
        ::close(fd_);
    }
    if (wakeFd_ >= 0) {
        delete wakeNotifier_;
        ::close(wakeFd_);
    }
#endif
}

void TickTimer::wake() {
#if defined(__linux__)
    if (wakeFd_ >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto n = ::write(wakeFd_, &one, sizeof one);
    }
#endif
}

void TickTimer::drainWakes() {
#if defined(__linux__)
    std::uint64_t count = 0;
    if (wakeFd_ >= 0) {
        [[maybe_unused]] const auto n = ::read(wakeFd_, &count, sizeof count);
    }
#endif
    if (wakeJoystick_ != nullptr) {
        wakeJoystick_->drainChanges();
    }
}

void TickTimer::armTimerFd(bool on, long periodNs, bool now) {
#if defined(__linux__)
    itimerspec spec{};
    if (on) {
        spec.it_interval.tv_sec = periodNs / 1'000'000'000;
        spec.it_interval.tv_nsec = periodNs % 1'000'000'000;
        spec.it_value = spec.it_interval;
        if (now) {
            spec.it_value = {0, 1};  // as soon as the event loop is back
        }
    }
    ::timerfd_settime(fd_, 0, &spec, nullptr);
    if (!on) {
        std::uint64_t expirations = 0;
        [[maybe_unused]] const auto n = ::read(fd_, &expirations, sizeof expirations);
    }
#else
    (void)on;
    (void)periodNs;
    (void)now;
#endif
}

// The timerfd's watch stays on while the timer is enabled, rests included: a disarmed timerfd is
// never readable, and the event loop is not woken to change its watch at every rest and wake.
// The first tick comes as soon as the event loop is back, not a period later: a game that has just
// been activated types at once.
void TickTimer::arm(bool on) {
    if (fd_ >= 0) {
        armTimerFd(on, periodNs_, true);
        notifier_->setEnabled(on);
    } else if (on) {
        fallback_.start(static_cast<int>(std::max(periodNs_ / 1'000'000, 1L)));
        QTimer::singleShot(0, this, &TickTimer::onTimeout);
    } else {
        fallback_.stop();
    }
}

// Only where something will end the rest: the device's own events, wake() calls, or the slow
// looks for a device that is not there.
bool TickTimer::canRest() const {
    if (wakeJoystick_ == nullptr || fd_ < 0 || wakeFd_ < 0) {
        return false;
    }
    return wakeJoystick_->changeHandle() >= 0 || wakesOnRequest_ || wakeJoystick_->lookingForDevice();
}

void TickTimer::rest() {
    if (!canRest()) {
        return;
    }
    // A change that came after the last sample must not be lost: forget what woke us so far and
    // sample once more. Whatever comes from now on leaves a handle readable.
    drainWakes();
    ++ticks_;
    loop_->tick();
    if (!enabled_) {
        return;
    }
    if (!loop_->atRest() || !canRest()) {
        watchChanges(true);
        return;
    }
    resting_ = true;
    watchChanges(true);
#if defined(__linux__)
    if (wakeJoystick_->lookingForDevice() || looksLeft_ > 0) {
        armTimerFd(true, static_cast<long>(kLookIntervalMs) * 1'000'000);
    } else {
        armTimerFd(false, 0);
    }
#endif
}

void TickTimer::watch(QSocketNotifier*& notifier, int& watched, int handle, void (TickTimer::*slot)()) {
    if (handle != watched) {
        if (notifier != nullptr) {
            // Later: this may run in the old notifier's own signal.
            notifier->setEnabled(false);
            notifier->deleteLater();
            notifier = nullptr;
        }
        watched = handle;
        if (handle >= 0) {
            notifier = new QSocketNotifier(handle, QSocketNotifier::Read, this);
            connect(notifier, &QSocketNotifier::activated, this, slot);
        }
    }
    if (notifier != nullptr) {
        notifier->setEnabled(true);
    }
}

void TickTimer::watchChanges(bool on) {
#if defined(__linux__)
    if (!on || wakeJoystick_ == nullptr || wakeFd_ < 0) {
        if (deviceNotifier_ != nullptr) {
            deviceNotifier_->setEnabled(false);
        }
        if (wakeNotifier_ != nullptr) {
            wakeNotifier_->setEnabled(false);
        }
        if (plugNotifier_ != nullptr) {
            plugNotifier_->setEnabled(false);
        }
        return;
    }
    watch(plugNotifier_, plugFd_, wakeJoystick_->plugHandle(), &TickTimer::onPlug);
    watch(deviceNotifier_, deviceFd_, wakeJoystick_->changeHandle(), &TickTimer::onControllerChange);
    wakeNotifier_->setEnabled(true);
#else
    (void)on;
#endif
}

// The change is handed on first and the handles are emptied after it: what comes in between is
// in the joystick's own queue too, and the next tick reads it. Only a rest must not begin with
// news left unread, and rest() empties the handles before its last sample itself.
void TickTimer::onControllerChange() {
    if (resting_) {
        endRest();
        if (!resting_) {
            drainWakes();
        }
        return;
    }
    if (!enabled_ || loop_ == nullptr) {
        drainWakes();
        return;
    }
    ++changes_;
    loop_->passChanges();
    drainWakes();
    if (enabled_) {
        watchChanges(true);  // the sample may have found the device gone
    }
}

// A device came or went: at rest, look at once and a few times more; while ticking, every tick
// looks anyway.
void TickTimer::onPlug() {
    if (wakeJoystick_ != nullptr) {
        wakeJoystick_->drainPlugs();
    }
    looksLeft_ = kLooksAfterPlug;
    if (resting_) {
        endRest();
    }
}

void TickTimer::endRest() {
    if (!resting_) {
        return;
    }
    resting_ = false;
    if (wakeJoystick_ != nullptr) {
        wakeJoystick_->lookSoon();
    }
    // The change first, the timer after: its cadence starts from this tick either way.
    onTimeout();
    if (enabled_ && !resting_) {
        armTimerFd(true, periodNs_);
    }
}

void TickTimer::setTimerEnabled(bool on) {
    if (on == enabled_) {
        if (on && resting_) {
            endRest();  // the program's state changed: look at once
        }
        if (!on && loop_ != nullptr) {
            loop_->releaseAll();
        }
        return;
    }
    enabled_ = on;
    resting_ = false;
    arm(on);
    watchChanges(on);
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
    if (resting_) {
        looksLeft_ = std::max(looksLeft_ - 1, 0);
        endRest();  // a slow look for the device
        return;
    }
    onTimeout();
}

void TickTimer::onTimeout() {
    if (!enabled_) {
        return;
    }
    ++ticks_;
    if (loop_ != nullptr) {
        loop_->tick();
        if (enabled_ && loop_->atRest()) {
            rest();
        } else if (enabled_) {
            watchChanges(true);  // the tick may have closed or replaced the device
        }
    }
}

}  // namespace pw
