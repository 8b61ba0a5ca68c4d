#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QSvgRenderer>

#include "app/dialogs/Artwork.h"
#include "support/gui/WidgetsApp.h"

namespace pw {
namespace {

// The share of pixels that are not transparent.
double coverage(const QImage& image) {
    int opaque = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            opaque += image.pixelColor(x, y).alpha() > 0 ? 1 : 0;
        }
    }
    return image.isNull() ? 0.0 : double(opaque) / (image.width() * image.height());
}

class Artwork : public ::testing::Test {
protected:
    QApplication& app_ = test::ensureWidgetsApp();
};

TEST_F(Artwork, TheProgramIconIsDrawnAtSmallAndLargeSizes) {
    const QIcon icon = programIcon();
    ASSERT_FALSE(icon.isNull());
    for (const int side : {16, 48, 256}) {
        const QImage image = icon.pixmap(side, side).toImage();
        EXPECT_EQ(image.size(), QSize(side, side)) << side;
        // A shield fills much of the square, and the middle is drawn.
        EXPECT_GT(coverage(image), 0.5) << side;
        EXPECT_EQ(image.pixelColor(side / 2, side / 2).alpha(), 255) << side;
    }
}

TEST_F(Artwork, TheLogoFitsTheTopBarAndKeepsItsProportions) {
    const QPixmap logo = logoPixmap(51);
    ASSERT_FALSE(logo.isNull());
    EXPECT_EQ(qRound(logo.height() / logo.devicePixelRatio()), 51);
    const double aspect = double(logo.width()) / logo.height();
    EXPECT_GT(aspect, 3.0) << "a wide logo";
    EXPECT_NEAR(double(logoPixmap(102).width()) / logoPixmap(102).height(), aspect, 0.05);
    EXPECT_GT(coverage(logo.toImage()), 0.05);
    EXPECT_TRUE(logoPixmap(0).isNull() || logoPixmap(0).size().isEmpty());
}

TEST_F(Artwork, TheSplashPictureFillsTheSizeAskedFor) {
    const QPixmap picture = splashPicture(QSize(380, 150));
    EXPECT_EQ(picture.size() / picture.devicePixelRatio(), QSize(380, 150));
    const QImage image = picture.toImage();
    EXPECT_GT(coverage(image), 0.99) << "the picture has a background of its own";
}

TEST_F(Artwork, TheIconFileStandsAloneForTheDesktop) {
    // The desktop entry installs the file itself, so it must need nothing beside it.
    QFile file(QStringLiteral(PADWARDEN_SOURCE_DIR "/data/padwarden.svg"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray svg = file.readAll();
    EXPECT_FALSE(svg.contains("href")) << "no linked pictures or fonts";
    EXPECT_FALSE(svg.contains("<image"));
    EXPECT_FALSE(svg.contains("<text")) << "text would depend on the fonts installed";
    QSvgRenderer renderer(svg);
    ASSERT_TRUE(renderer.isValid());
    EXPECT_EQ(renderer.defaultSize().width(), renderer.defaultSize().height());
}

}  // namespace
}  // namespace pw
