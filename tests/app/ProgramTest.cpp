// The padwarden program run as a separate process, as a user or a service manager runs it.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

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
    if (end == std::string::npos) return {};
    const auto start = text.rfind('\n', end);
    return text.substr(start == std::string::npos ? 0 : start + 1, end - (start == std::string::npos ? 0 : start + 1) + 1);
}

// Starts padwarden --simulate script with standard output into outPath.
pid_t startSimulation(const std::string& script, const std::string& outPath) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::freopen(outPath.c_str(), "w", stdout);
        ::execl(PADWARDEN_PROGRAM, PADWARDEN_PROGRAM, "--simulate", script.c_str(), static_cast<char*>(nullptr));
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
