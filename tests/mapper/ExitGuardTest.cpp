#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>
#include <csignal>

#include "mapper/ExitGuard.h"

namespace pw {
namespace {

int argc = 1;
char appName[] = "exit_guard_tests";
char* argv[] = {appName, nullptr};

QCoreApplication& app() {
    static QCoreApplication* instance =
        QCoreApplication::instance() != nullptr ? nullptr : new QCoreApplication(argc, argv);
    return instance != nullptr ? *instance : *QCoreApplication::instance();
}

class SignalsEndTheLoop : public ::testing::TestWithParam<int> {};

TEST_P(SignalsEndTheLoop, AndTheLastActionRunsOnce) {
    app();
    int ran = 0;
    {
        ExitGuard guard([&] { ++ran; });
        QTimer::singleShot(10, [] { std::raise(GetParam()); });
        QTimer::singleShot(5000, [] { QCoreApplication::exit(99); });  // only if the signal got lost
        EXPECT_EQ(QCoreApplication::exec(), 0);
        EXPECT_EQ(ran, 1);
    }
    EXPECT_EQ(ran, 1) << "destroying the guard does not run it again";
}

INSTANTIATE_TEST_SUITE_P(IntAndTerm, SignalsEndTheLoop, ::testing::Values(SIGINT, SIGTERM));

TEST(ExitGuard, RunsTheLastActionWhenDestroyedWithoutASignal) {
    app();
    int ran = 0;
    {
        ExitGuard guard([&] { ++ran; });
    }
    EXPECT_EQ(ran, 1);
}

}  // namespace
}  // namespace pw
