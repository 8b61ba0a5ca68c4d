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

TEST_F(ControlPanel, KaliTypesTheTwoShortcutsOfTheLanguageWhileThePanelIsUp) {
    const std::pair<int, Events> cases[] = {
        {1031,
         {"down 18 56", "down 69 18", "up 69 18", "up 18 56", "down 18 56", "down 75 37", "up 75 37",
          "up 18 56"}},
        {1033,
         {"down 18 56", "down 80 25", "up 80 25", "up 18 56", "down 18 56", "down 67 46", "up 67 46",
          "up 18 56"}},
        {1036,
         {"down 18 56", "down 80 25", "up 80 25", "up 18 56", "down 18 56", "down 84 20", "up 84 20",
          "up 18 56"}},
        {1049,
         {"down 18 56", "down 69 18", "up 69 18", "up 18 56", "down 18 56", "down 75 37", "up 75 37",
          "up 18 56"}},
    };
    for (const auto& [languageId, expected] : cases) {
        SCOPED_TRACE(languageId);
        EXPECT_EQ(run(QStringLiteral("/bin/sh -c \"sleep 1; exit 5\""), "Kali", languageId), 5);
        EXPECT_EQ(log.take(), expected);
    }
}

TEST_F(ControlPanel, APanelThatEndedAtOnceGetsNoKeys) {
    // The keys would reach whichever window has the focus instead.
    EXPECT_EQ(run(QStringLiteral("/bin/sh -c \"exit 4\""), "Kali"), 4);
    EXPECT_EQ(run(QStringLiteral("/bin/sh -c \"exit 0\""), "Close"), 0);
    EXPECT_TRUE(log.events().empty());
}

TEST_F(ControlPanel, CloseConfirmsWithEnterAndLeavesThePanelRunningOnItsOwn) {
    const auto fifo = makeFifo("started");
    const QString command = QStringLiteral("/bin/sh -c \"echo $$ $PADWARDEN_CONTROL_PANEL_HIDDEN > ") +
                            QString::fromStdString(fifo.string()) + QStringLiteral("; exec sleep 5\"");
    EXPECT_EQ(run(command, "Close"), 0);
    ASSERT_EQ(log.events(), (Events{"pause 450", "down 13 28", "up 13 28"}));

    // The panel still runs after the call returned; it is no child of ours, so once it ends it
    // is not left as our zombie.
    std::istringstream told(readFifo(fifo));
    pid_t pid = 0;
    std::string hidden;
    told >> pid >> hidden;
    ASSERT_GT(pid, 0);
    EXPECT_EQ(hidden, "1");
    EXPECT_EQ(::kill(pid, 0), 0) << "still running";
    EXPECT_FALSE(isOurChild(pid));
    endProcess(pid);
    EXPECT_FALSE(isOurChild(pid));
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
                                      "echo \"$$ $PADWARDEN_CONTROL_PANEL_HIDDEN\" > \"" +
                                          dir.file("started").string() +
                                          "\"\n"
                                          "exec sleep 5\n");
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

TEST_F(Renewal, TheHiddenPanelIsClosedWithEnterAndTheJoystickReopened) {
    installPanel();
    const auto fifo = makeFifo("started");
    renew();
    EXPECT_EQ(log.events(), (Events{"busy", "pause 450", "down 13 28", "up 13 28", "idle, joystick open"}));
    std::istringstream told(readFifo(fifo));
    pid_t pid = 0;
    std::string hidden;
    told >> pid >> hidden;
    EXPECT_EQ(hidden, "1");
    if (pid > 0) {
        endProcess(pid);
    }
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
