#include <gtest/gtest.h>

#include <QDir>
#include <QEnterEvent>
#include <QTest>
#include <limits>
#include <vector>

#include "app/dialogs/LinkLabel.h"
#include "app/dialogs/ProgressGauge.h"
#include "support/gui/WidgetsApp.h"

namespace pw {
namespace {

// Counts the paint events a widget gets.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return false;
    }
};

class Gauge : public ::testing::Test {
protected:
    QApplication& app_ = test::ensureWidgetsApp();
    ProgressGauge gauge;
};

TEST_F(Gauge, ValuesOutsideTheRangeAreClampedAndThePercentageIsShownAsText) {
    EXPECT_EQ(gauge.minValue(), 0);
    EXPECT_EQ(gauge.maxValue(), 100);
    EXPECT_EQ(gauge.percentText(), "0%");
    gauge.setProgress(150);
    EXPECT_EQ(gauge.progress(), 100);
    EXPECT_EQ(gauge.percentText(), "100%");
    gauge.setProgress(-20);
    EXPECT_EQ(gauge.progress(), 0);
    EXPECT_EQ(gauge.percentText(), "0%");
    gauge.setProgress(39);
    EXPECT_EQ(gauge.percentText(), "39%");
}

TEST_F(Gauge, ThePercentageIsTakenAlongTheRangeAndRoundedDown) {
    gauge.setRange(50, 350);
    EXPECT_EQ(gauge.progress(), 50) << "the old progress is clamped into the new range";
    gauge.setProgress(200);
    EXPECT_EQ(gauge.percentDone(), 50);
    gauge.setProgress(352);
    EXPECT_EQ(gauge.percentDone(), 100);
    gauge.setProgress(52);
    EXPECT_EQ(gauge.percentDone(), 0) << "2 of 300 is below one per cent";
    gauge.setRange(10, 10);
    EXPECT_EQ(gauge.progress(), 10);
    EXPECT_EQ(gauge.percentDone(), 0) << "an empty range shows nothing";
    gauge.setRange(20, 5);
    EXPECT_EQ(gauge.maxValue(), 20);
    gauge.setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    gauge.setProgress(std::numeric_limits<int>::max());
    EXPECT_EQ(gauge.percentDone(), 100);
}

TEST_F(Gauge, RepaintsAtOnceButOnlyWhenTheShownPercentageChanges) {
    gauge.resize(200, 17);
    gauge.setRange(0, 200);
    gauge.show();
    QCoreApplication::processEvents();
    PaintCounter counter(&gauge);
    gauge.setProgress(100);  // 50 %
    EXPECT_EQ(counter.paints, 1) << "painted without waiting for the event loop";
    gauge.setProgress(101);  // still 50 %
    gauge.setProgress(100);
    EXPECT_EQ(counter.paints, 1);
    gauge.setProgress(102);  // 51 %
    EXPECT_EQ(counter.paints, 2);
}

TEST_F(Gauge, TheBarFillsItsShareInTheForeColour) {
    gauge.resize(202, 17);
    gauge.setForeColor(QColor(0xf2, 0x8c, 0x28));
    gauge.setBackColor(QColor(0x0b, 0x17, 0x33));
    gauge.setProgress(25);
    const QImage picture = gauge.grab().toImage();
    // Top row inside the border, away from the centred text.
    EXPECT_EQ(picture.pixelColor(10, 2), QColor(0xf2, 0x8c, 0x28));
    EXPECT_EQ(picture.pixelColor(45, 2), QColor(0xf2, 0x8c, 0x28));
    EXPECT_EQ(picture.pixelColor(60, 2), QColor(0x0b, 0x17, 0x33));
    EXPECT_EQ(picture.pixelColor(190, 2), QColor(0x0b, 0x17, 0x33));
}

class Link : public ::testing::Test {
protected:
    Link() {
        label.setOpener([this](const QUrl& url) {
            opened.push_back(url);
            return true;
        });
        label.resize(120, 20);
        label.show();
    }

    QColor colour() const { return label.palette().color(label.foregroundRole()); }

    QApplication& app_ = test::ensureWidgetsApp();
    LinkLabel label{QStringLiteral("Orvalis Produkte"), QString()};
    std::vector<QUrl> opened;
};

TEST_F(Link, AClickOpensItsUrlOrElseItsCaption) {
    EXPECT_TRUE(label.font().underline());
    QTest::mouseClick(&label, Qt::LeftButton);
    label.setUrl(QStringLiteral("https://padwarden.example.org"));
    QTest::mouseClick(&label, Qt::LeftButton);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_TRUE(opened[0].isLocalFile()) << "a caption without a scheme is a file name";
    EXPECT_TRUE(opened[0].toLocalFile().endsWith(QStringLiteral("/Orvalis Produkte")));
    EXPECT_EQ(opened[1], QUrl(QStringLiteral("https://padwarden.example.org")));
}

TEST_F(Link, OnlyALeftPressReleasedInsideOpens) {
    label.setUrl(QStringLiteral("https://padwarden.example.org"));
    QTest::mousePress(&label, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(&label, Qt::LeftButton, {}, QPoint(400, 5));
    QTest::mouseClick(&label, Qt::RightButton);
    QTest::mouseRelease(&label, Qt::LeftButton, {}, QPoint(5, 5));  // no press before it
    EXPECT_TRUE(opened.empty());
}

TEST_F(Link, ColoursFollowTheMouse) {
    EXPECT_EQ(colour(), QColor(Qt::blue));
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(&label, &enter);
    label.setColorMoveOver(Qt::darkCyan);
    EXPECT_EQ(colour(), QColor(Qt::darkCyan));
    QTest::mousePress(&label, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(colour(), QColor(Qt::red));
    QTest::mouseRelease(&label, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(colour(), QColor(Qt::darkCyan));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&label, &leave);
    EXPECT_EQ(colour(), QColor(Qt::blue));
}

TEST(LinkTarget, WebAddressesStayAddressesAndPathsBecomeFiles) {
    EXPECT_EQ(LinkLabel::linkTarget(QStringLiteral("https://partner.example.org/a?b=1")),
              QUrl(QStringLiteral("https://partner.example.org/a?b=1")));
    EXPECT_EQ(LinkLabel::linkTarget(QStringLiteral("http://padwarden.example.org")),
              QUrl(QStringLiteral("http://padwarden.example.org")));
    EXPECT_EQ(LinkLabel::linkTarget(QStringLiteral("mailto:info@example.org")).scheme(), "mailto");
    EXPECT_EQ(LinkLabel::linkTarget(QStringLiteral("www.example.org")),
              QUrl(QStringLiteral("http://www.example.org")));

    const QUrl relative = LinkLabel::linkTarget(QStringLiteral("html/index.html"));
    EXPECT_TRUE(relative.isLocalFile());
    EXPECT_EQ(relative.toLocalFile(), QDir::current().absoluteFilePath(QStringLiteral("html/index.html")));
    const QUrl spaced = LinkLabel::linkTarget(QStringLiteral("/opt/pad warden/html/index.html"));
    EXPECT_TRUE(spaced.isLocalFile());
    EXPECT_EQ(spaced.toLocalFile(), "/opt/pad warden/html/index.html");
    EXPECT_TRUE(LinkLabel::linkTarget(QStringLiteral("C:\\Spiele\\info.html")).isLocalFile())
        << "a drive letter is no scheme";
    EXPECT_TRUE(LinkLabel::linkTarget(QStringLiteral("   ")).isEmpty());
}

}  // namespace
}  // namespace pw
