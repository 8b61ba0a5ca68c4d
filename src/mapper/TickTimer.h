#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

#include "input/PollingLoop.h"

class QSocketNotifier;

namespace pw {

// The 1 ms timer whose timeout is the polling loop's tick, on the main thread. It sleeps between
// ticks instead of spinning, and when disabled it costs nothing at all.
//
// On Linux the period comes from a timerfd watched by the event loop: the kernel keeps a steady
// 1 ms cadence, where a QTimer's waits are rounded up to whole milliseconds and drift to about
// 1.15 ms. Ticks missed while the thread was busy are not made up; the next tick simply runs.
// Where no timerfd can be had, a precise QTimer takes over.
//
// Between ticks the controller's own events are watched too (see setWakeJoystick): while the loop
// rests they end the rest, and while it ticks they have the loop hand the change on at once
// (PollingLoop::passChanges), so that a press or a release does not wait for the next tick. A
// device that comes or goes ends a rest as well, so that a pad plugged in (the configured one, in
// the stead of the pad read so far) is taken up at once.
class TickTimer final : public QObject, public LoopHost {
    Q_OBJECT
public:
    explicit TickTimer(QObject* parent = nullptr);
    ~TickTimer() override;

    void attach(PollingLoop* loop) { loop_ = loop; }
    // The joystick whose device events end a rest (usually the loop's own); null: no rest.
    void setWakeJoystick(Joystick* joystick) { wakeJoystick_ = joystick; }
    // Whether someone calls wake() on every change of the controller (the virtual pad).
    void setWakesOnRequest(bool on) { wakesOnRequest_ = on; }
    // Ends a rest at once; may be called from any thread.
    void wake();
    bool resting() const { return resting_; }

    static constexpr int kLookIntervalMs = 250;
    // After a device came or went, the loop at rest still looks this many times, kLookIntervalMs
    // apart: SDL hears of a new device from udev a moment after its node appears.
    static constexpr int kLooksAfterPlug = 8;
    void setVisibilityHandler(std::function<void(bool)> handler) { showWindow_ = std::move(handler); }

    // Disabling the timer also lets go of every held key: nothing stays pressed while no tick runs.
    void setTimerEnabled(bool on) override;
    bool timerEnabled() const override { return enabled_; }
    void setMainWindowVisible(bool visible) override;

    std::uint64_t tickCount() const { return ticks_; }
    // Changes handed on between ticks.
    std::uint64_t changeCount() const { return changes_; }
    // The tick period, 1 ms unless a test asks for a slower one. Takes effect when the timer is next
    // armed: at a start, or when a rest ends.
    void setPeriod(std::chrono::nanoseconds period) { periodNs_ = period.count(); }
    // "timerfd" or "QTimer": which clock drives the ticks.
    const char* source() const { return fd_ >= 0 ? "timerfd" : "QTimer"; }

private:
    void onTimeout();
    void onTimerFd();
    void armTimerFd(bool on, long periodNs, bool now = false);
    void arm(bool on);
    void rest();
    void endRest();
    bool canRest() const;
    void drainWakes();
    void onControllerChange();
    void onPlug();
    // Keeps the watch on the controller's events in step with its handle, which a tick may have
    // closed or replaced.
    void watchChanges(bool on);
    // Keeps `notifier` on `handle`, which may differ from the one it watched; on at the end.
    void watch(QSocketNotifier*& notifier, int& watched, int handle, void (TickTimer::*slot)());

    int fd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    QTimer fallback_;
    bool enabled_ = false;
    PollingLoop* loop_ = nullptr;
    std::function<void(bool)> showWindow_;
    std::uint64_t ticks_ = 0;
    std::uint64_t changes_ = 0;
    long periodNs_ = 1'000'000;

    Joystick* wakeJoystick_ = nullptr;
    bool wakesOnRequest_ = false;
    bool resting_ = false;
    int wakeFd_ = -1;  // an eventfd that wake() writes
    QSocketNotifier* wakeNotifier_ = nullptr;
    int deviceFd_ = -1;
    QSocketNotifier* deviceNotifier_ = nullptr;
    int plugFd_ = -1;
    QSocketNotifier* plugNotifier_ = nullptr;
    int looksLeft_ = 0;
};

}  // namespace pw
