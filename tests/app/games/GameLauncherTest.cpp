#include <gtest/gtest.h>

#include "GamesTestSupport.h"
#include "app/games/GameLauncher.h"
#include "support/TempDir.h"
#include "support/gui/WidgetsApp.h"

namespace pw {
namespace {

QString qpath(const std::filesystem::path& p) {
    return QString::fromStdString(p.string());
}

// PATH for one test: the folder of a stand-in wine first, or only an empty folder.
class PathForTest {
public:
    PathForTest(const std::filesystem::path& folder, bool withSystem) : old_(qgetenv("PATH")) {
        qputenv("PATH", QByteArray::fromStdString(folder.string()) + (withSystem ? ":/usr/bin:/bin" : ""));
    }
    ~PathForTest() { qputenv("PATH", old_); }

private:
    QByteArray old_;
};

class Launcher : public ::testing::Test {
protected:
    Launcher() { test::ensureWidgetsApp(); }

    test::TempDir dir;
    test::TempDir elsewhere;  // where the launching test is not
};

TEST_F(Launcher, AnExecutableScriptRunsInTheGivenFolderWithShellSplitArguments) {
    const auto out = elsewhere.file("out.txt");
    const auto script = dir.write("game.sh", test::reportingScript(out));
    test::makeExecutable(script);
    ASSERT_EQ(
        launchFile(qpath(script), QStringLiteral(" -window 'two words' \"x\\\"y\""), qpath(dir.path()) + "/"),
        LaunchResult::Started);
    ASSERT_TRUE(test::waitUntil([&] { return std::filesystem::exists(out); }));
    EXPECT_EQ(test::linesOf(out), (QStringList{qpath(dir.path()), "-window", "two words", "x\"y"}));
}

TEST_F(Launcher, AnExecutableTextWithoutInterpreterLineRunsThroughTheShell) {
    const auto out = elsewhere.file("out.txt");
    const auto script = dir.write("start", test::reportingScript(out, false));
    test::makeExecutable(script);
    ASSERT_EQ(launchFile(qpath(script), QStringLiteral(" a"), qpath(elsewhere.path())),
              LaunchResult::Started);
    ASSERT_TRUE(test::waitUntil([&] { return std::filesystem::exists(out); }));
    EXPECT_EQ(test::linesOf(out), (QStringList{qpath(elsewhere.path()), "a"}));
}

TEST_F(Launcher, AWindowsProgramRunsThroughWine) {
    test::TempDir bin;
    const auto out = elsewhere.file("wine.txt");
    test::makeExecutable(bin.write("wine", test::reportingScript(out)));
    const PathForTest path(bin.path(), true);
    const auto game = dir.write("Game.EXE", "MZ");
    ASSERT_EQ(launchFile(qpath(game), QStringLiteral(" -nosound"), qpath(dir.path())), LaunchResult::Started);
    ASSERT_TRUE(test::waitUntil([&] { return std::filesystem::exists(out); }));
    EXPECT_EQ(test::linesOf(out), (QStringList{qpath(dir.path()), qpath(game), "-nosound"}));
}

TEST_F(Launcher, WithoutWineAWindowsProgramIsNotStartedAndSaysWhy) {
    test::TempDir emptyBin;
    const PathForTest path(emptyBin.path(), false);
    EXPECT_EQ(launchFile(qpath(dir.write("setup.bat", "@echo off")), QString(), qpath(dir.path())),
              LaunchResult::WineMissing);
}

TEST_F(Launcher, AMissingFileIsReportedAsNotFound) {
    EXPECT_EQ(launchFile(qpath(dir.file("gone.sh")), QString(), qpath(dir.path())),
              LaunchResult::FileNotFound);
    EXPECT_EQ(launchFile(QString(), QString(), QString()), LaunchResult::FileNotFound);
}

}  // namespace
}  // namespace pw
