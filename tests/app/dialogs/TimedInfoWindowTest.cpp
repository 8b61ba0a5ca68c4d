#include <gtest/gtest.h>

#include <QPointer>
#include <QTest>
#include <vector>

#include "app/dialogs/TimedInfoWindow.h"
#include "support/gui/WidgetsApp.h"
#include "texts/TextVariables.h"

namespace pw {
namespace {

class TimedInfo : public ::testing::Test {
protected:
    // A window as the program makes it, shown; its beeps go to `beeps`.
    TimedInfoWindow* open() {
        auto* window = new TimedInfoWindow(texts, [this](int sound) { beeps.push_back(sound); });
        window->setCaption(QStringLiteral("PadWarden Info"));
        window->setMessage(QStringLiteral("Controller wechseln (Lenkrad)"));
        window->show();
        return window;
    }

    static void deletePending() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    QApplication& app_ = test::ensureWidgetsApp();
    TextVariables texts;
    std::vector<int> beeps;
};

TEST_F(TimedInfo, ShowsCaptionMessageAndTenAndStaysOnTop) {
    QPointer<TimedInfoWindow> window = open();
    EXPECT_EQ(window->size(), QSize(384, 106));
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(window->windowTitle(), "PadWarden Info");
    EXPECT_EQ(window->findChild<QLabel*>("Panel1")->text(), "PadWarden Info");
    EXPECT_EQ(window->findChild<QLabel*>("Label1")->text(), "Controller wechseln (Lenkrad)");
    EXPECT_EQ(window->findChild<QLabel*>("Label2")->text(), "10");
    EXPECT_TRUE(window->findChild<QLabel*>("Label2")->font().bold());
    EXPECT_EQ(window->findChild<QPushButton*>("SpeedButton1")->text(), "Schließen");
    auto* timer = window->findChild<QTimer*>("Timer1");
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 1000);
    EXPECT_EQ(beeps, std::vector<int>{2000});
    window->close();
}

TEST_F(TimedInfo, CountsDownFromTenToZeroWithABeepEachStepThenClosesAndDeletesItself) {
    QPointer<TimedInfoWindow> window = open();
    QStringList shown;
    for (int step = 1; step <= 9; ++step) {
        window->tick();
        shown << window->countdownLabel()->text();
    }
    EXPECT_TRUE(window->isVisible()) << "still open after nine steps";
    window->tick();
    shown << window->countdownLabel()->text();
    EXPECT_EQ(shown, QStringList({"9", "8", "7", "6", "5", "4", "3", "2", "1", "0"}));
    EXPECT_EQ(beeps, (std::vector<int>{2000, 4500, 4000, 3500, 3000, 2500, 2000, 1500, 1000, 500, 0}));
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(window->timer()->isActive());
    deletePending();
    EXPECT_TRUE(window.isNull());
}

TEST_F(TimedInfo, TheWindowsOwnTimerDrivesTheCountdown) {
    QPointer<TimedInfoWindow> window = open();
    // The timer's period is made zero so that the test needs no real seconds.
    window->timer()->setInterval(0);
    // Each pass of the event loop runs a due zero-period tick; nothing sleeps.
    for (int pass = 0; pass < 1000 && !window.isNull() && window->isVisible(); ++pass) {
        QCoreApplication::processEvents();
    }
    EXPECT_TRUE(window.isNull() || !window->isVisible());
    EXPECT_EQ(beeps.size(), 11u);
    deletePending();
    EXPECT_TRUE(window.isNull());
}

TEST_F(TimedInfo, TheButtonClosesEarlyAndStopsTheCountdown) {
    QPointer<TimedInfoWindow> window = open();
    window->tick();
    window->tick();
    window->closeButton()->click();
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(window->timer()->isActive());
    EXPECT_EQ(beeps, (std::vector<int>{2000, 4500, 4000}));
    deletePending();
    EXPECT_TRUE(window.isNull());
}

TEST_F(TimedInfo, EscapeAndTheCloseBoxCloseAndDeleteItToo) {
    for (const bool escape : {true, false}) {
        QPointer<TimedInfoWindow> window = open();
        if (escape) {
            QTest::keyClick(window, Qt::Key_Escape);
        } else {
            window->close();
        }
        ASSERT_FALSE(window.isNull());
        EXPECT_FALSE(window->isVisible());
        EXPECT_FALSE(window->timer()->isActive()) << "a hidden window would go on beeping";
        deletePending();
        EXPECT_TRUE(window.isNull()) << (escape ? "Escape" : "close box");
    }
}

TEST_F(TimedInfo, TheCloseButtonTakesItsTextFromTheTexts) {
    texts.replace(TextGroup::Interface, "Schließen", "Close");
    QPointer<TimedInfoWindow> window = open();
    EXPECT_EQ(window->closeButton()->text(), "Close");
    window->close();
    deletePending();
}

}  // namespace
}  // namespace pw
