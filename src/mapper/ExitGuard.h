#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace pw {

// Makes SIGINT and SIGTERM end the program through its normal exit, and runs a last action (let
// go of every held key) once on the way out, however the event loop ends.
class ExitGuard final : public QObject {
    Q_OBJECT
public:
    explicit ExitGuard(std::function<void()> atExit, QObject* parent = nullptr);
    ~ExitGuard() override;

    // Runs the last action now unless it has run already.
    void runOnce();
    // Whether SIGINT or SIGTERM has come: a program still starting up checks this before it enters
    // its event loop, since a quit asked for before then is lost.
    bool stopRequested() const { return stopRequested_; }

private:
    std::function<void()> atExit_;
    QSocketNotifier* notifier_ = nullptr;
    bool done_ = false;
    bool stopRequested_ = false;
};

}  // namespace pw
