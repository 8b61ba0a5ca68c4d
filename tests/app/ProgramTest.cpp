// The padwarden program run as a separate process, as a user or a service manager runs it.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

class TempDir {
public:
    TempDir() {
        char tmpl[] = "/tmp/padwarden-test-XXXXXX";
        path_ = ::mkdtemp(tmpl);
    }
    ~TempDir() { std::system(("rm -rf '" + path_ + "'").c_str()); }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string lastLine(const std::string& text) {
    auto end = text.find_last_not_of('\n');
    if (end == std::string::npos)
        return {};
    const auto start = text.rfind('\n', end);
    return text.substr(start == std::string::npos ? 0 : start + 1,
                       end - (start == std::string::npos ? 0 : start + 1) + 1);
}

// Starts padwarden --simulate script with standard output into outPath.
pid_t startSimulation(const std::string& script, const std::string& outPath) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::freopen(outPath.c_str(), "w", stdout);
        ::execl(PADWARDEN_PROGRAM, PADWARDEN_PROGRAM, "--simulate", script.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    return pid;
}

class StopSignals : public ::testing::TestWithParam<int> {};

TEST_P(StopSignals, HeldKeysAreLetGoBeforeTheProgramEnds) {
    TempDir dir;
    const std::string script = dir.file("long.pws");
    std::ofstream(script) << "assign [isbutton1] 17_65\npress 1\ntick 100000000\n";
    const std::string out = dir.file("out.txt");
    const pid_t pid = startSimulation(script, out);
    ASSERT_GT(pid, 0);
    // Wait until the key is held (its repeats are printed), then ask the program to end.
    for (int i = 0; i < 500 && readFile(out).find("3 down 65 30") == std::string::npos; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid, GetParam());
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "killed instead of ending on its own";
    EXPECT_EQ(WEXITSTATUS(status), 128 + GetParam());
    const std::string text = readFile(out);
    const std::string last = lastLine(text);
    EXPECT_NE(last.find(" up 17 29"), std::string::npos) << last;
    const auto beforeLast = lastLine(text.substr(0, text.size() - last.size() - 1));
    EXPECT_NE(beforeLast.find(" up 65 30"), std::string::npos) << beforeLast;
}

INSTANTIATE_TEST_SUITE_P(IntAndTerm, StopSignals, ::testing::Values(SIGINT, SIGTERM));

}  // namespace

namespace {

struct ProgramRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs padwarden with the arguments and the environment changes "NAME=value" ("NAME=" unsets).
ProgramRun runProgram(const std::vector<std::string>& args, const std::vector<std::string>& env = {}) {
    TempDir dir;
    const std::string out = dir.file("out"), err = dir.file("err");
    const pid_t pid = ::fork();
    if (pid == 0) {
        for (const std::string& e : env) {
            const auto eq = e.find('=');
            if (eq + 1 == e.size()) {
                ::unsetenv(e.substr(0, eq).c_str());
            } else {
                ::setenv(e.substr(0, eq).c_str(), e.substr(eq + 1).c_str(), 1);
            }
        }
        std::freopen(out.c_str(), "w", stdout);
        std::freopen(err.c_str(), "w", stderr);
        std::vector<char*> argv{const_cast<char*>(PADWARDEN_PROGRAM)};
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(PADWARDEN_PROGRAM, argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(out), readFile(err)};
}

TEST(Program, CheckKeysSaysInOneLineHowKeysGoOrWhyTheyCannot) {
    const ProgramRun r = runProgram({"--check-keys"}, {"DISPLAY=", "WAYLAND_DISPLAY="});
    if (r.status == 0) {  // a machine whose /dev/uinput is open to us
        EXPECT_NE(r.out.find("virtual keyboard"), std::string::npos) << r.out;
        EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1);
    } else {
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("no keys can be sent"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("/dev/uinput"), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
}

TEST(Program, WithoutADesktopItSaysSoInOneLineAndNamesTheHeadlessAndScriptedModes) {
    const ProgramRun r = runProgram({}, {"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM="});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("needs a desktop"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("--headless"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("--simulate"), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_EQ(r.out, "");
}

// The desktop program on the offscreen platform, in its own program folder.
TEST(Program, ASecondDesktopStartBringsUpTheRunningOneAndEnds) {
    TempDir home;
    const std::string err = home.file("first.err");
    const pid_t first = ::fork();
    if (first == 0) {
        ::setenv("PADWARDEN_HOME", home.file("").c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::unsetenv("DISPLAY");
        ::unsetenv("WAYLAND_DISPLAY");
        std::freopen(err.c_str(), "w", stderr);
        ::execl(PADWARDEN_PROGRAM, PADWARDEN_PROGRAM, static_cast<char*>(nullptr));
        ::_exit(127);
    }
    // The line that tells how keys are sent comes once the instance listens for later starts.
    const auto up = [&] { return readFile(err).find("padwarden: ") != std::string::npos; };
    for (int i = 0; i < 400 && !up(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_TRUE(up()) << "the first instance did not start: " << readFile(err);

    // A second start that ran on instead of handing over would never end: it gets 30 seconds.
    const std::string secondErr = home.file("second.err");
    const pid_t second = ::fork();
    if (second == 0) {
        ::setenv("PADWARDEN_HOME", home.file("").c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        std::freopen(secondErr.c_str(), "w", stderr);
        ::execl(PADWARDEN_PROGRAM, PADWARDEN_PROGRAM, static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int secondStatus = 0;
    pid_t ended = 0;
    for (int i = 0; i < 600 && ended == 0; ++i) {
        ended = ::waitpid(second, &secondStatus, WNOHANG);
        if (ended == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    if (ended == 0) {
        ::kill(second, SIGKILL);
        ::waitpid(second, &secondStatus, 0);
        ADD_FAILURE() << "the second start did not end";
    }
    EXPECT_TRUE(WIFEXITED(secondStatus) && WEXITSTATUS(secondStatus) == 0);
    EXPECT_NE(readFile(secondErr).find("already running"), std::string::npos) << readFile(secondErr);

    int status = 0;
    EXPECT_EQ(::waitpid(first, &status, WNOHANG), 0) << "the first instance ended";
    ::kill(first, SIGTERM);
    ::waitpid(first, &status, 0);
    EXPECT_TRUE(WIFEXITED(status)) << readFile(err);
    // Its store and default groups were made in the program folder.
    EXPECT_TRUE(std::ifstream(home.file("registry.sqlite")).good());
}

TEST(Program, UnknownOptionsAreRefusedWithTheUsage) {
    const ProgramRun r = runProgram({"--frobnicate"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("unknown option '--frobnicate'"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("usage: padwarden"), std::string::npos) << r.err;
    const ProgramRun help = runProgram({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--simulate FILE"), std::string::npos);
}

// The man page is made from --help and --version, so both speak for the built program.
TEST(Program, VersionIsOneLineOfTheNameAndTheProjectVersion) {
    const ProgramRun r = runProgram({"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, std::string("padwarden ") + PADWARDEN_PROJECT_VERSION + "\n");
    EXPECT_EQ(r.err, "");
    EXPECT_NE(runProgram({"--help"}).out.find("--version"), std::string::npos);
    const ProgramRun extra = runProgram({"--version", "now"});
    EXPECT_EQ(extra.status, 2);
    EXPECT_NE(extra.err.find("unknown option '--version'"), std::string::npos) << extra.err;
}

}  // namespace

namespace {

TEST(Program, TextsListsEveryTextAfterLoadingTheTablesAndReportsUnknownLines) {
    TempDir home;
    std::ofstream(home.file("keycon.gam")) << "Strg:=Ctrl\n";
    std::ofstream(home.file("language.gam")) << "Schliesen:=Close\nInfo:=About\n";
    const ProgramRun r = runProgram({"--texts"}, {"PADWARDEN_HOME=" + home.file("")});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.starts_with("keycon.gam\n")) << r.out.substr(0, 40);
    EXPECT_NE(r.out.find("\nStrg:=Ctrl\n"), std::string::npos);
    EXPECT_NE(r.out.find("\nInfo:=About\n"), std::string::npos);
    EXPECT_NE(r.out.find("\nSchließen:=Schließen\n"), std::string::npos);
    EXPECT_NE(r.err.find("language.gam:1: names no text of this table: Schliesen:=Close"), std::string::npos)
        << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
}

}  // namespace
