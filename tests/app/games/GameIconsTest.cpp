#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>

#include "PeBuilder.h"
#include "app/games/GameIcons.h"
#include "app/games/GroupPictures.h"
#include "games/PeIcons.h"
#include "support/TempDir.h"
#include "support/gui/WidgetsApp.h"

namespace pw {
namespace {

QString qpath(const std::filesystem::path& p) {
    return QString::fromStdString(p.string());
}

QRgb centre(const QIcon& icon, int size) {
    const QImage image = icon.pixmap(size, size).toImage();
    return image.pixel(image.width() / 2, image.height() / 2);
}

class GameIcons : public ::testing::Test {
protected:
    GameIcons() { test::ensureWidgetsApp(); }

    // A picture file in one colour, written by Qt in the format its suffix names.
    QString picture(const char* name, QRgb colour) {
        QImage image(32, 32, QImage::Format_ARGB32);
        image.fill(colour);
        const QString path = qpath(dir.file(name));
        EXPECT_TRUE(image.save(path));
        return path;
    }

    test::TempDir dir;
};

TEST_F(GameIcons, IconAndPictureFilesAreTheirOwnIcon) {
    for (const char* name : {"game.ico", "game.png", "game.bmp"}) {
        SCOPED_TRACE(name);
        const QString file = picture(name, qRgb(200, 0, 0));
        const GameIcon found = extractGameIcon(file);
        ASSERT_FALSE(found.icon.isNull());
        EXPECT_EQ(found.iconSource, file);
        EXPECT_EQ(centre(found.icon, 32), qRgb(200, 0, 0));
    }
}

TEST_F(GameIcons, AWindowsProgramGivesTheFirstIconOfItsGroup) {
    const auto pe = test::buildPe(
        {{1, 16, test::dibIcon(16, 0xFF00C000u)}, {2, 32, test::dibIcon(32, 0xFF0000C0u)}}, {1, 2});
    const QString exe = qpath(dir.write("Game.EXE", pe.bytes));
    const GameIcon found = extractGameIcon(exe);
    ASSERT_FALSE(found.icon.isNull());
    EXPECT_EQ(found.iconSource, exe);
    // Both images of the group are there, each at its own size.
    EXPECT_EQ(centre(found.icon, 16), qRgb(0, 0xC0, 0));
    EXPECT_EQ(centre(found.icon, 32), qRgb(0, 0, 0xC0));
    // The same icon group read from a library.
    const QString dll = qpath(dir.write("game.dll", pe.bytes));
    EXPECT_EQ(centre(extractGameIcon(dll).icon, 16), qRgb(0, 0xC0, 0));
}

TEST_F(GameIcons, LargeImagesStoredAsPngAreDecodedToo) {
    QImage large(64, 64, QImage::Format_ARGB32);
    large.fill(qRgb(0xC0, 0, 0));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(large.save(&buffer, "PNG"));
    const auto pe =
        test::buildPe({{1, 16, test::dibIcon(16, 0xFF00C000u)}, {2, 64, png.toStdString()}}, {1, 2});
    const GameIcon found = extractGameIcon(qpath(dir.write("big.exe", pe.bytes)));
    EXPECT_EQ(centre(found.icon, 16), qRgb(0, 0xC0, 0));
    EXPECT_EQ(centre(found.icon, 64), qRgb(0xC0, 0, 0));
}

TEST_F(GameIcons, WithoutAnIconTheFirstIconFileOfTheFolderIsTaken) {
    const auto pe = test::buildPe({{1, 16, test::dibIcon(16, 0xFF00C000u)}}, {1}, false, false);
    const QString exe = qpath(dir.write("game.exe", pe.bytes));
    picture("b.ico", qRgb(0, 0, 200));
    const QString first = picture("a.ico", qRgb(0, 200, 0));
    const GameIcon found = extractGameIcon(exe);
    EXPECT_EQ(found.iconSource, first);
    ASSERT_FALSE(found.icon.isNull());
    EXPECT_EQ(centre(found.icon, 32), qRgb(0, 200, 0));
    // A script has no icon of its own either.
    EXPECT_EQ(extractGameIcon(qpath(dir.write("run.sh", "#!/bin/sh\n"))).iconSource, first);
}

TEST_F(GameIcons, NoIconAnywhereLeavesTheFolderAsSource) {
    const QString exe = qpath(dir.write("game.exe", "MZ but nothing else"));
    const QString folder = qpath(dir.path()) + QLatin1Char('/');
    const GameIcon found = extractGameIcon(exe);
    EXPECT_TRUE(found.icon.isNull());
    EXPECT_EQ(found.iconSource, folder);
    // Saved as a game's "icon", the folder finds nothing either.
    EXPECT_TRUE(extractGameIcon(folder).icon.isNull());
    EXPECT_TRUE(extractGameIcon(QString()).icon.isNull());
    // The lists still show something for it: the theme's picture of such a file.
    EXPECT_FALSE(displayIcon(found, exe).isNull());
}

TEST_F(GameIcons, TheSixGroupPicturesDiffer) {
    QList<QImage> images;
    for (int i = 0; i < 6; ++i) {
        const QImage image = groupPicture(i).pixmap(30, 30).toImage();
        EXPECT_EQ(image.size(), QSize(30, 30));
        for (const QImage& other : images) {
            EXPECT_NE(image, other) << "picture " << i;
        }
        images << image;
    }
    EXPECT_EQ(groupPicture(42).pixmap(30, 30).toImage(), images.back()) << "any other group";
}

}  // namespace
}  // namespace pw
