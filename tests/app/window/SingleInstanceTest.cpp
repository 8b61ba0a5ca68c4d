#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>

#include "app/window/main/SingleInstance.h"
#include "support/gui/WidgetsApp.h"

namespace pw {
namespace {

QString uniqueName() {
    return SingleInstance::socketName(
        QStringLiteral("/tmp/padwarden-test-%1-%2")
            .arg(QCoreApplication::applicationPid())
            .arg(::testing::UnitTest::GetInstance()->current_test_info()->name()));
}

bool waitFor(const std::function<bool()>& done) {
    QDeadlineTimer deadline(5000);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return done();
}

TEST(SingleInstanceTest, ASecondStartAsksTheFirstForItsWindow) {
    test::ensureWidgetsApp();
    const QString name = uniqueName();
    SingleInstance first(name);
    EXPECT_FALSE(first.handOverToRunningInstance(200));  // nobody there yet
    ASSERT_TRUE(first.listen()) << first.errorString().toStdString();
    int requests = 0;
    QObject::connect(&first, &SingleInstance::showRequested, [&] { ++requests; });

    SingleInstance second(name);
    EXPECT_TRUE(second.handOverToRunningInstance());
    EXPECT_TRUE(waitFor([&] { return requests == 1; }));
    EXPECT_TRUE(second.handOverToRunningInstance());
    EXPECT_TRUE(waitFor([&] { return requests == 2; }));
}

TEST(SingleInstanceTest, ASocketLeftByACrashedInstanceIsTakenOver) {
    test::ensureWidgetsApp();
    const QString name = uniqueName();
    {
        // A server that ends without removing its socket file, as a killed program leaves it.
        QLocalServer crashed;
        crashed.setSocketOptions(QLocalServer::UserAccessOption);
        ASSERT_TRUE(crashed.listen(name));
        const QString file = crashed.fullServerName();
        crashed.close();
        // close() removes the file; put a stale one back.
        QFile stale(file);
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    }
    SingleInstance later(name);
    EXPECT_FALSE(later.handOverToRunningInstance(200));
    EXPECT_TRUE(later.listen()) << later.errorString().toStdString();
}

TEST(SingleInstanceTest, NamesDifferByProgramFolder) {
    EXPECT_NE(SingleInstance::socketName("/a/"), SingleInstance::socketName("/b/"));
    EXPECT_EQ(SingleInstance::socketName("/a/"), SingleInstance::socketName("/a/"));
}

}  // namespace
}  // namespace pw
