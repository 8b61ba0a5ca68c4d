#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>

#include "controllers/ControlPanelKeys.h"
#include "controllers/JoystickConfiguration.h"
#include "controllers/qt/ControlPanel.h"
#include "store/sqlite/SqliteSettingsStore.h"
#include "support/QtApp.h"
#include "support/RecordingKeyOutput.h"
#include "support/ScopedVariable.h"
#include "support/TempDir.h"

namespace pw {
namespace {

using test::ScopedVariable;

std::string bytesOf(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Every file of the folder with its bytes: the store with its journal files, if any are left.
std::map<std::string, std::string> filesIn(const std::filesystem::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        files[entry.path().filename().string()] = bytesOf(entry.path());
    }
    return files;
}

struct Outcome {
    int exitCode = -1;
    bool crashed = true;
    std::string out;
    std::string err;
};

// The built program, as the desktop program starts it, with its settings in `home`.
class JoycplProgram : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::ensureGuiApp(); }

    Outcome run(const QStringList& arguments, bool hidden) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("PADWARDEN_HOME"), QString::fromStdString(home.path().string()));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        if (hidden) {
            environment.insert(QString::fromLatin1(kControlPanelHiddenVariable), QStringLiteral("1"));
        } else {
            environment.remove(QString::fromLatin1(kControlPanelHiddenVariable));
        }
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(PADWARDEN_JOYCPL), arguments);
        Outcome result;
        // A safety net against a hanging program, not a measure of its speed.
        if (!process.waitForFinished(60000)) {
            process.kill();
            process.waitForFinished();
            return result;
        }
        result.crashed = process.exitStatus() != QProcess::NormalExit;
        result.exitCode = process.exitCode();
        result.out = process.readAllStandardOutput().toStdString();
        result.err = process.readAllStandardError().toStdString();
        return result;
    }

    std::filesystem::path storeFile() const { return home.file("registry.sqlite"); }

    // A store with a joystick 1 that is not attached.
    void writeConfiguration() {
        const auto store = SqliteSettingsStore::open(storeFile());
        JoystickConfiguration config;
        config.guid = "030000000912000099f0000000000000";
        config.oemName = "Away Pad";
        config.deviceName = "Away Pad";
        config.axes[0] = {0, -20000, 10, 20000};
        ASSERT_TRUE(writeJoystickConfiguration(*store, config));
    }

    test::TempDir home;
};

TEST_F(JoycplProgram, HelpPrintsTheUsage) {
    const Outcome r = run({QStringLiteral("--help")}, false);
    EXPECT_FALSE(r.crashed);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("usage: padwarden-joycpl"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("PADWARDEN_CONTROL_PANEL_HIDDEN"), std::string::npos);
}

TEST_F(JoycplProgram, VersionIsOneLineOfTheNameAndTheProjectVersion) {
    const Outcome r = run({QStringLiteral("--version")}, false);
    EXPECT_FALSE(r.crashed);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, std::string("padwarden-joycpl ") + PADWARDEN_PROJECT_VERSION + "\n");
    EXPECT_NE(run({QStringLiteral("--help")}, false).out.find("--version"), std::string::npos);
}

TEST_F(JoycplProgram, TheHiddenStartEndsAtOnceAndLeavesTheStoreAsItWas) {
    writeConfiguration();
    const auto before = filesIn(home.path());
    ASSERT_FALSE(bytesOf(storeFile()).empty());

    const Outcome r = run({}, true);
    EXPECT_FALSE(r.crashed);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.err.find("Away Pad"), std::string::npos) << "the missing joystick 1 is told: " << r.err;
    EXPECT_EQ(filesIn(home.path()), before);
    EXPECT_EQ(readJoystickConfiguration(*SqliteSettingsStore::open(storeFile())).axes[0],
              (AxisCalibration{0, -20000, 10, 20000}));
}

TEST_F(JoycplProgram, TheHiddenStartMakesNoStoreWhereThereIsNone) {
    const Outcome r = run({}, true);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_FALSE(std::filesystem::exists(storeFile()));
}

TEST_F(JoycplProgram, AStoreThatCannotBeOpenedIsOneLineAndStatusTwo) {
    home.write("registry.sqlite", "this is no database, just some text that is long enough");
    const std::string before = bytesOf(storeFile());
    const Outcome r = run({}, true);
    EXPECT_FALSE(r.crashed);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err.rfind("padwarden-joycpl: cannot read the settings", 0), 0u) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_EQ(bytesOf(storeFile()), before);
}

TEST_F(JoycplProgram, AnUnknownArgumentIsRefusedWithTheUsage) {
    const Outcome r = run({QStringLiteral("--calibrate-everything")}, false);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("unknown argument --calibrate-everything"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("usage:"), std::string::npos);
}

TEST_F(JoycplProgram, CloseOnTheCommandLineAppliesTheConfigurationAndEndsWithoutAWindow) {
    writeConfiguration();
    const auto before = filesIn(home.path());
    const Outcome r = run({QStringLiteral("Close")}, false);
    EXPECT_FALSE(r.crashed);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("is not attached"), std::string::npos) << "it looked for joystick 1: " << r.err;
    EXPECT_EQ(filesIn(home.path()), before) << "nothing is written";
}

TEST_F(JoycplProgram, TheDriverClosingTheHiddenPanelTypesNothing) {
    writeConfiguration();
    const auto before = filesIn(home.path());
    const ScopedVariable settings("PADWARDEN_HOME", QByteArray::fromStdString(home.path().string()));
    test::EventLog events;
    test::RecordingKeyOutput keys(events);
    test::RecordingPauser pauser(events);

    const QString command = QLatin1Char('"') + QStringLiteral(PADWARDEN_JOYCPL) + QLatin1Char('"');
    EXPECT_EQ(runAndDrive(command, 0, QStringLiteral("Close"), keys, pauser, kLanguageGerman), 0);
    for (const std::string& event : events.events()) {
        EXPECT_EQ(event.rfind("down", 0), std::string::npos) << "a key went to whatever has the focus";
        EXPECT_EQ(event.rfind("up", 0), std::string::npos);
    }
    EXPECT_EQ(filesIn(home.path()), before);
}

}  // namespace
}  // namespace pw
