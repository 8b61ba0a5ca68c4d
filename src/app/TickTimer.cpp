#include "app/TickTimer.h"

namespace pw {

TickTimer::TickTimer(QObject* parent) : QObject(parent) {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(1);
    connect(&timer_, &QTimer::timeout, this, &TickTimer::onTimeout);
}

void TickTimer::setTimerEnabled(bool on) {
    if (on) {
        if (!timer_.isActive()) {
            timer_.start();
        }
        return;
    }
    timer_.stop();
    if (loop_ != nullptr) {
        loop_->releaseAll();
    }
}

void TickTimer::setMainWindowVisible(bool visible) {
    if (showWindow_) {
        showWindow_(visible);
    }
}

void TickTimer::onTimeout() {
    ++ticks_;
    if (loop_ != nullptr) {
        loop_->tick();
    }
}

}  // namespace pw
