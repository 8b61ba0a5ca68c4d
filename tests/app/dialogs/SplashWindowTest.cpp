#include <gtest/gtest.h>

#include <QTest>

#include "ModalAnswer.h"
#include "app/dialogs/SplashWindow.h"
#include "support/gui/WidgetsApp.h"
#include "texts/TextVariables.h"

namespace pw {
namespace {

class Splash : public ::testing::Test {
protected:
    QApplication& app_ = test::ensureWidgetsApp();
    TextVariables texts;
    int trayActions = 0;
};

TEST_F(Splash, AsMadeItIsTheAboutWindowWithVersionPictureAndLinks) {
    SplashWindow splash(texts);
    EXPECT_EQ(splash.size(), QSize(388, 263));
    EXPECT_TRUE(splash.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(splash.mode(), SplashMode::About);
    EXPECT_TRUE(splash.gauge()->isHidden());
    EXPECT_FALSE(splash.closeButton()->isHidden());
    EXPECT_EQ(splash.closeButton()->text(), "Schließen");
    EXPECT_EQ(splash.closeButton()->cursor().shape(), Qt::PointingHandCursor);

    auto* panel = test::child<QFrame>(&splash, "Panel1");
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->geometry(), splash.rect());
    EXPECT_EQ(panel->lineWidth(), 4);

    auto* version = test::child<QLabel>(&splash, "Label7");
    ASSERT_EQ(version, splash.versionLabel());
    EXPECT_EQ(version->text(), "Version " PADWARDEN_VERSION);
    EXPECT_TRUE(version->font().bold());
    EXPECT_EQ(version->palette().color(version->foregroundRole()), QColor(Qt::white));
    // Centred: as much room on the left as on the right, to the pixel.
    const int leftRoom = version->x();
    const int rightRoom = splash.width() - (version->x() + version->width());
    EXPECT_LE(std::abs(leftRoom - rightRoom), 1);
    EXPECT_GT(version->width(), 0);

    auto* picture = test::child<QLabel>(&splash, "Image1");
    ASSERT_NE(picture, nullptr);
    EXPECT_FALSE(picture->pixmap().isNull());

    EXPECT_EQ(splash.makerLink()->target(), QUrl(QStringLiteral("https://padwarden.example.org")));
    EXPECT_EQ(splash.partnerLink()->target(), QUrl(QStringLiteral("https://partner.example.org")));
    // Every control lies inside the window.
    for (QWidget* w : panel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        EXPECT_TRUE(splash.rect().contains(w->geometry())) << w->objectName().toStdString();
    }
}

TEST_F(Splash, TheGaugeIsOrangeOnDarkBlueAndStartsAtZero) {
    SplashWindow splash(texts);
    auto* gauge = test::child<ProgressGauge>(&splash, "Gauge1");
    ASSERT_EQ(gauge, splash.gauge());
    EXPECT_EQ(gauge->size(), QSize(329, 17));
    EXPECT_EQ(gauge->progress(), 0);
    const QColor bar = gauge->foreColor();
    const QColor background = gauge->backColor();
    EXPECT_GT(bar.red(), bar.blue()) << "orange";
    EXPECT_GT(bar.green(), bar.blue());
    EXPECT_GT(background.blue(), background.red()) << "dark blue";
    EXPECT_LT(background.lightness(), 80);
}

TEST_F(Splash, StartupShowsProgressAndClosingItSendsTheProgramToTheTray) {
    SplashWindow splash(texts);
    splash.onStartupClosed = [this] { ++trayActions; };
    splash.setMode(SplashMode::Startup);
    splash.show();
    EXPECT_TRUE(splash.gauge()->isVisible());
    EXPECT_FALSE(splash.closeButton()->isVisible());
    splash.setProgress(10);
    splash.setProgress(5);
    EXPECT_EQ(splash.gauge()->percentText(), "5%");
    splash.setProgress(100);
    EXPECT_EQ(trayActions, 0);
    QTest::keyClick(&splash, Qt::Key_Escape);
    EXPECT_TRUE(splash.isVisible()) << "the program closes the start-up splash when it has loaded";
    splash.close();
    EXPECT_EQ(trayActions, 1);
    EXPECT_FALSE(splash.isVisible());
}

TEST_F(Splash, TheAboutWindowIsModalAndClosingItHasNoFurtherEffect) {
    bool gaugeHidden = false;
    bool closeShown = false;
    test::whenModal([&](QWidget* window) {
        auto* about = qobject_cast<SplashWindow*>(window);
        ASSERT_NE(about, nullptr);
        about->onStartupClosed = [this] { ++trayActions; };
        gaugeHidden = !about->gauge()->isVisible();
        closeShown = about->closeButton()->isVisible();
        about->closeButton()->click();
    });
    SplashWindow::showAbout(texts);
    EXPECT_TRUE(gaugeHidden);
    EXPECT_TRUE(closeShown);
    EXPECT_EQ(trayActions, 0);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(Splash, EscapeClosesTheAboutWindow) {
    SplashWindow about(texts);
    about.setMode(SplashMode::About);
    test::whenModal([](QWidget* window) { QTest::keyClick(window, Qt::Key_Escape); });
    about.exec();
    EXPECT_FALSE(about.isVisible());
}

TEST_F(Splash, TheCloseButtonTakesItsTextFromTheTexts) {
    texts.replace(TextGroup::Interface, "Schließen", "Close");
    SplashWindow splash(texts);
    EXPECT_EQ(splash.closeButton()->text(), "Close");
    // The longer or shorter text still stands in the middle.
    const QRect button = splash.closeButton()->geometry();
    EXPECT_LE(std::abs(button.left() - (splash.width() - button.right() - 1)), 1);
}

}  // namespace
}  // namespace pw
