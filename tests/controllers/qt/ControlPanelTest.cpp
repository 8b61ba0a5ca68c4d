#include <errno.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "controllers/ControlPanelKeys.h"
#include "controllers/qt/ControlPanel.h"
#include "support/FakeJoystickDevice.h"
#include "support/QtApp.h"
#include "support/RecordingKeyOutput.h"
#include "support/ScopedVariable.h"
#include "support/TempDir.h"

namespace pw {
namespace {

using test::ScopedVariable;

using Events = std::vector<std::string>;

// What a started program tells through a FIFO: reading blocks until it has written, so the test
// needs no waiting of its own.
std::string readFifo(const std::filesystem::path& fifo) {
    std::ifstream in(fifo);
    std::string line;
    std::getline(in, line);
    return line;
}

// A process that is not our child can never linger as our zombie.
bool isOurChild(pid_t pid) {
    errno = 0;
    return !(::waitpid(pid, nullptr, WNOHANG) == -1 && errno == ECHILD);
}

// Ends a process the test started, and returns once it has ended.
void endProcess(pid_t pid) {
    const int fd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    ::kill(pid, SIGKILL);
    if (fd >= 0) {
        pollfd watch{fd, POLLIN, 0};
        ::poll(&watch, 1, -1);
        ::close(fd);
    }
}

class ControlPanel : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::ensureGuiApp(); }

    int run(const QString& commandLine, const char* mode, int languageId = kLanguageGerman,
            int showState = 0) {
        return runAndDrive(commandLine, showState, QString::fromLatin1(mode), keys, pauser, languageId);
    }
    QString inDir(const char* name) const { return QString::fromStdString(dir.file(name).string()); }
    std::filesystem::path makeFifo(const char* name) const {
        const auto path = dir.file(name);
        EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0);
        return path;
    }

    test::TempDir dir;
    test::EventLog log;
    test::RecordingKeyOutput keys{log};
    test::RecordingPauser pauser{log};
};

TEST_F(ControlPanel, ReturnsTheExitCodeOfTheProgram) {
    EXPECT_EQ(run(QStringLiteral("/bin/sh -c \"exit 3\""), "Other"), 3);
    EXPECT_EQ(run(QStringLiteral("/bin/sh -c \"exit 0\""), ""), 0);
    EXPECT_EQ(run(QStringLiteral("/bin/sh -c \"kill -KILL $$\""), "Other"), -1) << "a crash";
    EXPECT_EQ(run(QStringLiteral("/bin/sh -c \"kill -KILL $$\""), "Kali"), -1);
    EXPECT_TRUE(log.events().empty());
}

TEST_F(ControlPanel, AProgramThatCannotStartGetsNoKeys) {
    for (const char* mode : {"Kali", "Close", "Other"}) {
        SCOPED_TRACE(mode);
        EXPECT_EQ(run(QStringLiteral("/nonexistent/padwarden-none --x"), mode), -1);
        EXPECT_EQ(run(inDir(""), mode), -1) << "a folder";
        EXPECT_EQ(run(QString(), mode), -1);
        EXPECT_EQ(run(QStringLiteral("  "), mode), -1);
    }
    EXPECT_TRUE(log.events().empty());
}

TEST_F(ControlPanel, HiddenIsToldThroughTheEnvironmentWhichIsOtherwiseOurs) {
    const ScopedVariable shown(kControlPanelHiddenVariable, "0");
    const QString exitWithVariable =
        QStringLiteral("/bin/sh -c \"exit ${PADWARDEN_CONTROL_PANEL_HIDDEN:-7}\"");
    EXPECT_EQ(run(exitWithVariable, "Other", kLanguageGerman, 0), 1);
    EXPECT_EQ(run(exitWithVariable, "Other", kLanguageGerman, 1), 7) << "not passed on when shown";

    const ScopedVariable mine("PADWARDEN_TEST_MARK", "42");
    EXPECT_EQ(run(QStringLiteral("/bin/sh -c \"exit $PADWARDEN_TEST_MARK\""), "Other"), 42);
}

TEST_F(ControlPanel, KaliIsToldOnTheCommandLineAndNothingIsTyped) {
    // The keys would reach whichever window has the focus, and on a slow machine that is not
    // the panel.
    for (const int languageId : {1031, 1033, 1036, 1049}) {
        SCOPED_TRACE(languageId);
        EXPECT_EQ(run(QStringLiteral("/bin/sh -c \"[ $0 = Kali ] && exit 5; exit 6\""), "Kali", languageId),
                  5);
        EXPECT_EQ(log.take(), Events{});
    }
    EXPECT_EQ(run(QStringLiteral("/bin/sh -c \"[ -z $0 ] || exit 6\""), "Other"), 6)
        << "other modes add nothing: $0 is then the shell's own name";
}

TEST_F(ControlPanel, APanelThatEndedAtOnceGetsNoKeys) {
    // The keys would reach whichever window has the focus instead.
    EXPECT_EQ(run(QStringLiteral("/bin/sh -c \"exit 4\""), "Kali"), 4);
    EXPECT_EQ(run(QStringLiteral("/bin/sh -c \"exit 0\""), "Close"), 0);
    EXPECT_TRUE(log.events().empty());
}

TEST_F(ControlPanel, CloseIsToldOnTheCommandLineAndThePanelIsWaitedForWithoutAKey) {
    const auto told = dir.file("told");
    const QString command =
        QStringLiteral("/bin/sh -c \"sleep 0.2; echo $$ $PADWARDEN_CONTROL_PANEL_HIDDEN $0 > ") +
        QString::fromStdString(told.string()) + QStringLiteral("\"");
    EXPECT_EQ(run(command, "Close"), 0);
    EXPECT_EQ(log.events(), Events{}) << "no Enter";
    std::istringstream in(readFifo(told));
    pid_t pid = 0;
    std::string hidden;
    std::string instruction;
    in >> pid >> hidden >> instruction;
    EXPECT_GT(pid, 0) << "the call returned only after the panel had ended";
    EXPECT_EQ(hidden, "1");
    EXPECT_EQ(instruction, "Close");
    EXPECT_FALSE(isOurChild(pid));
}

TEST_F(ControlPanel, APanelThatHangsIsWaitedForOnlySoLongAndLeftRunningOnItsOwn) {
    const auto fifo = makeFifo("started");
    const QString command = QStringLiteral("/bin/sh -c \"echo $$ > ") +
                            QString::fromStdString(fifo.string()) + QStringLiteral("; exec sleep 30\"");
    EXPECT_EQ(runToClose(command, 0, 100), 0);
    // The panel still runs after the call returned; it is no child of ours, so once it ends it
    // is not left as our zombie.
    const pid_t pid = std::stoi(readFifo(fifo));
    ASSERT_GT(pid, 0);
    EXPECT_EQ(::kill(pid, 0), 0) << "still running";
    EXPECT_FALSE(isOurChild(pid));
    endProcess(pid);
    EXPECT_FALSE(isOurChild(pid));
    EXPECT_EQ(runToClose(QStringLiteral("/nonexistent/panel"), 0, 100), -1);
}

class Renewal : public ControlPanel {
protected:
    Renewal() {
        joystick.setId(2);
        joystick.setDeadZone(Axis::X, 10);
        joystick.setEnabled(false);
    }

    // A control panel of our own making on PATH, or none at all.
    void installPanel() {
        const auto script = dir.write("padwarden-joycpl",
                                      "#!/bin/sh\n"
                                      "echo \"$$ $PADWARDEN_CONTROL_PANEL_HIDDEN $1\" > \"" +
                                          dir.file("started").string() + "\"\n");
        std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    }
    void renew() {
        // Only our panel can be found, never one installed on this machine.
        const ScopedVariable path("PATH", QByteArray(dir.path().c_str()) + ":/usr/bin:/bin");
        input_erneuern(joystick, keys, pauser, 1033, [this](bool busy) {
            log.add(busy ? "busy" : "idle, joystick " + std::string(joystick.isOpen() ? "open" : "closed"));
        });
    }

    test::FakeJoystickDevice device;
    Joystick joystick{device};
};

TEST_F(Renewal, TheHiddenPanelIsToldToCloseAndTheJoystickReopened) {
    installPanel();
    renew();
    EXPECT_EQ(log.events(), (Events{"busy", "idle, joystick open"})) << "no key";
    std::istringstream told(readFifo(dir.file("started")));
    pid_t pid = 0;
    std::string hidden;
    std::string instruction;
    told >> pid >> hidden >> instruction;
    EXPECT_GT(pid, 0) << "it had ended before the joystick was re-opened";
    EXPECT_EQ(hidden, "1");
    EXPECT_EQ(instruction, "Close");
    EXPECT_EQ(joystick.id(), 0);
    EXPECT_TRUE(joystick.enabled());
    EXPECT_EQ(joystick.deadZone(Axis::X), kDefaultDeadZone);
    EXPECT_EQ(device.lastOpenedId, 0);
}

TEST_F(Renewal, WithoutAPanelTheJoystickIsReopenedAllTheSame) {
    renew();
    EXPECT_EQ(log.events(), (Events{"busy", "idle, joystick open"}));
    EXPECT_EQ(joystick.id(), 0);
    EXPECT_EQ(joystick.deadZone(Axis::X), kDefaultDeadZone);
}

}  // namespace
}  // namespace pw
