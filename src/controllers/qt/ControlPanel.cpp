#include "controllers/qt/ControlPanel.h"

#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QProcessEnvironment>
#include <chrono>
#include <thread>

#include "controllers/ControlPanelKeys.h"

namespace pw {
namespace {

void prepare(QProcess& process, const QStringList& words, int showState) {
    process.setProgram(words.front());
    process.setArguments(words.mid(1));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (showState == 0) {
        environment.insert(QString::fromLatin1(kControlPanelHiddenVariable), QStringLiteral("1"));
    } else {
        environment.remove(QString::fromLatin1(kControlPanelHiddenVariable));
    }
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
}

int exitCodeOf(const QProcess& process) {
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

// Debian 12's <sys/pidfd.h> declares pidfd_open without C linkage; the system call is the same.
int openPidfd(qint64 pid) {
    return static_cast<int>(::syscall(SYS_pidfd_open, static_cast<pid_t>(pid), 0));
}

// Waits at most `milliseconds` for a process that is not our child to end; true when it has.
// A pidfd turns readable when the process ends, whoever its parent is.
bool waitForEnd(qint64 pid, int milliseconds) {
    const int fd = openPidfd(pid);
    if (fd < 0) {
        if (errno == ESRCH) {
            return true;  // gone and reaped already
        }
        // A kernel without pidfds: wait the whole time, and take a process that can still be
        // signalled (perhaps not yet reaped) as running.
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
        return ::kill(static_cast<pid_t>(pid), 0) != 0;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    pollfd watch{fd, POLLIN, 0};
    int ready = 0;
    while (true) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        ready = ::poll(&watch, 1, static_cast<int>(std::max<std::int64_t>(left.count(), 0)));
        if (ready >= 0 || errno != EINTR) {
            break;
        }
    }
    ::close(fd);
    return ready > 0;
}

}  // namespace

int runToClose(const QString& commandLine, int showState, int waitMilliseconds) {
    QStringList words = QProcess::splitCommand(commandLine);
    if (words.isEmpty()) {
        return -1;
    }
    words.append(QString::fromLatin1(kControlPanelClose));
    QProcess process;
    prepare(process, words, showState);
    // Detached: the panel is no child of ours, so it can outlive the wait (and us) and is reaped
    // by the system when it ends. Its output still goes where ours goes.
    qint64 pid = 0;
    if (!process.startDetached(&pid)) {
        return -1;
    }
    waitForEnd(pid, waitMilliseconds);
    return 0;
}

QString controlPanelCommand() {
    const QString name = QString::fromLatin1(kControlPanelCommand);
    if (QCoreApplication::instance() == nullptr) {
        return name;
    }
    const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath(name);
    const QFileInfo info(beside);
    // The command line is split as a shell would: quoting keeps a folder with spaces in one word.
    if (info.isFile() && info.isExecutable() && !beside.contains(QLatin1Char('"'))) {
        return QLatin1Char('"') + beside + QLatin1Char('"');
    }
    return name;
}

int systemLanguageId() {
    return languageIdFromLocaleName(QLocale::system().name().toStdString());
}

int runAndDrive(const QString& commandLine, int showState, const QString& mode, KeyOutput& /*keys*/,
                Pauser& /*pauser*/, int /*languageId*/) {
    if (mode == QLatin1String(kControlPanelClose)) {
        return runToClose(commandLine, showState, kCloseWaitMilliseconds);
    }
    QStringList words = QProcess::splitCommand(commandLine);
    if (words.isEmpty()) {
        return -1;
    }
    if (mode == QLatin1String(kControlPanelCalibrate)) {
        words.append(mode);
    }
    QProcess process;
    prepare(process, words, showState);
    process.start();
    if (!process.waitForStarted(-1)) {
        return -1;
    }
    process.closeWriteChannel();
    process.waitForFinished(-1);
    return exitCodeOf(process);
}

void input_erneuern(Joystick& joystick, KeyOutput& keys, Pauser& pauser, int languageId,
                    const std::function<void(bool busy)>& busy) {
    if (busy) {
        busy(true);
    }
    runAndDrive(controlPanelCommand(), 0, QStringLiteral("Close"), keys, pauser, languageId);
    joystick.dx_erneuern();
    if (busy) {
        busy(false);
    }
}

}  // namespace pw
