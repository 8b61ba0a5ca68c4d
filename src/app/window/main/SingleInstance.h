#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

namespace pw {

// One desktop program per user and program folder: the first start listens on a local socket,
// a second start finds it there, asks it to show its window and ends, so keys are never sent twice
// for one controller.
class SingleInstance final : public QObject {
    Q_OBJECT
public:
    // The socket name for this user and program folder.
    static QString socketName(const QString& programFolder);

    explicit SingleInstance(QString name, QObject* parent = nullptr);

    // True when another instance answered and was asked to show its window: this one should end.
    bool handOverToRunningInstance(int timeoutMs = 1000);
    // Starts listening for later starts. A socket left behind by a crashed instance is taken over.
    // False (with errorString()) when the socket cannot be made; the program runs all the same.
    bool listen();
    QString errorString() const { return server_.errorString(); }

Q_SIGNALS:
    // A later start asked for the window.
    void showRequested();

private:
    QString name_;
    QLocalServer server_;
};

}  // namespace pw
