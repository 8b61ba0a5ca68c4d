#pragma once

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <functional>

#include "input/PollingLoop.h"

namespace pw {

// The 1 ms timer whose timeout is the polling loop's tick. A precise QTimer on the main thread: it
// sleeps between ticks instead of spinning, and when disabled it costs nothing at all.
class TickTimer final : public QObject, public LoopHost {
    Q_OBJECT
public:
    explicit TickTimer(QObject* parent = nullptr);

    void attach(PollingLoop* loop) { loop_ = loop; }
    void setVisibilityHandler(std::function<void(bool)> handler) { showWindow_ = std::move(handler); }

    // Disabling the timer also lets go of every held key: nothing stays pressed while no tick runs.
    void setTimerEnabled(bool on) override;
    bool timerEnabled() const override { return timer_.isActive(); }
    void setMainWindowVisible(bool visible) override;

    std::uint64_t tickCount() const { return ticks_; }

private:
    void onTimeout();

    QTimer timer_;
    PollingLoop* loop_ = nullptr;
    std::function<void(bool)> showWindow_;
    std::uint64_t ticks_ = 0;
};

}  // namespace pw
