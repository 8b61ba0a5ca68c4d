#include "input/xtest/XvfbServer.h"

#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

extern char** environ;

namespace pw::test {
namespace {

using Clock = std::chrono::steady_clock;

// Generous: a loaded CI machine may take a while to start a server.
constexpr auto kStartLimit = std::chrono::seconds(30);

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool onPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::istringstream dirs(path != nullptr ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        if (!dir.empty() && ::access((dir + "/" + program).c_str(), X_OK) == 0) {
            return true;
        }
    }
    return false;
}

// Runs a program to its end with its output in `logPath`; its exit status, -1 if it did not run.
int run(std::vector<std::string> args, const std::string& logPath) {
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    pid_t pid = -1;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        return -1;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

bool XvfbServer::installed() {
    return onPath("Xvfb");
}

bool XvfbServer::start(std::string& error) {
    stop();
    char logTemplate[] = "/tmp/padwarden-xvfb-XXXXXX";
    const int logFd = ::mkstemp(logTemplate);
    if (logFd < 0) {
        error = std::string("cannot make a log file: ") + std::strerror(errno);
        return false;
    }
    ::close(logFd);
    logPath_ = logTemplate;

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    // Only the write end goes to Xvfb, which writes its display number there once it is ready.
    ::fcntl(fds[1], F_SETFD, 0);
    std::vector<std::string> args = {"Xvfb",      "-displayfd", std::to_string(fds[1]),
                                     "-nolisten", "tcp",        "-noreset",
                                     "-screen",   "0",          "640x480x24"};
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, logPath_.c_str(), O_WRONLY | O_APPEND, 0);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    const int spawned = posix_spawnp(&pid_, "Xvfb", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (spawned != 0) {
        ::close(fds[0]);
        pid_ = -1;
        error = std::string("cannot run Xvfb: ") + std::strerror(spawned);
        return false;
    }

    std::string number;
    const auto deadline = Clock::now() + kStartLimit;
    bool complete = false;
    while (!complete && Clock::now() < deadline) {
        pollfd readable{fds[0], POLLIN, 0};
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (::poll(&readable, 1, static_cast<int>(left.count()) + 1) <= 0) {
            continue;
        }
        char buffer[16];
        const ssize_t got = ::read(fds[0], buffer, sizeof buffer);
        if (got <= 0) {
            break;  // Xvfb closed the pipe without a number: it gave up
        }
        number.append(buffer, static_cast<std::size_t>(got));
        complete = number.find('\n') != std::string::npos;
    }
    ::close(fds[0]);
    if (!complete) {
        error = "Xvfb did not report a display; it said: " + readFile(logPath_);
        stop();
        return false;
    }
    displayName_ = ":" + number.substr(0, number.find('\n'));

    while (Clock::now() < deadline) {
        if (Display* display = XOpenDisplay(displayName_.c_str())) {
            XCloseDisplay(display);
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    error = "Xvfb on " + displayName_ + " takes no connections; it said: " + readFile(logPath_);
    stop();
    return false;
}

void XvfbServer::stop() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        int status = 0;
        // Xvfb ends within moments of SIGTERM; should it hang, it is killed.
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        while (::waitpid(pid_, &status, WNOHANG) == 0) {
            if (Clock::now() >= deadline) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        pid_ = -1;
    }
    if (!logPath_.empty()) {
        ::unlink(logPath_.c_str());
        logPath_.clear();
    }
    displayName_.clear();
}

bool XvfbServer::setLayout(const std::string& layout, std::string& error) const {
    const std::string logPath = "/tmp/padwarden-setxkbmap-" + std::to_string(::getpid());
    const int status = run({"setxkbmap", "-display", displayName_, "-layout", layout}, logPath);
    const std::string output = readFile(logPath);
    ::unlink(logPath.c_str());
    if (status != 0) {
        error = "setxkbmap -layout " + layout + " failed (status " + std::to_string(status) + "): " + output;
        return false;
    }
    return true;
}

}  // namespace pw::test
