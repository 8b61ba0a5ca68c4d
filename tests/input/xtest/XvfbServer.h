#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <string>

namespace pw::test {

// A private Xvfb server for one test. Xvfb picks a free display number itself (-displayfd), so
// tests running side by side never collide.
class XvfbServer {
public:
    XvfbServer() = default;
    ~XvfbServer() { stop(); }
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    // Whether an Xvfb program is on the PATH.
    static bool installed();

    // Starts the server and waits (bounded) until it takes connections. On failure `error` says
    // why, with what Xvfb printed.
    bool start(std::string& error);
    void stop();

    // ":N", for XOpenDisplay and friends.
    const std::string& displayName() const { return displayName_; }

    // Switches the server's keyboard layout by running setxkbmap.
    bool setLayout(const std::string& layout, std::string& error) const;

private:
    pid_t pid_ = -1;
    std::string displayName_;
    std::string logPath_;
};

// Starts an Xvfb for each test; skips the test when Xvfb is not installed.
class XvfbTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!XvfbServer::installed()) {
            GTEST_SKIP() << "Xvfb is not installed";
        }
        std::string error;
        ASSERT_TRUE(xvfb_.start(error)) << error;
    }
    void TearDown() override { xvfb_.stop(); }

    const char* display() const { return xvfb_.displayName().c_str(); }

    XvfbServer xvfb_;
};

}  // namespace pw::test
