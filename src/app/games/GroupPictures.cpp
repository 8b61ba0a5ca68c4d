#include "app/games/GroupPictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>

#include "games/CommandLine.h"

namespace pw {
namespace {

constexpr int kSize = 30;

void paintAction(QPainter& p) {  // a lightning bolt
    p.setBrush(QColor(0xE5, 0x39, 0x35));
    p.drawPolygon(QPolygonF({{17, 2}, {6, 17}, {14, 17}, {11, 28}, {24, 11}, {16, 11}, {20, 2}}));
}

void paintAdventure(QPainter& p) {  // mountains under a sun
    p.setBrush(QColor(0xFB, 0xC0, 0x2D));
    p.drawEllipse(QPointF(22, 8), 4, 4);
    p.setBrush(QColor(0x2E, 0x7D, 0x32));
    p.drawPolygon(QPolygonF({{2, 27}, {11, 9}, {17, 19}, {20, 15}, {28, 27}}));
}

void paintSimulation(QPainter& p) {  // an aeroplane seen from above
    p.setBrush(QColor(0x1E, 0x88, 0xE5));
    p.drawPolygon(QPolygonF({{15, 2},
                             {17, 5},
                             {17, 12},
                             {28, 18},
                             {28, 20},
                             {17, 17},
                             {17, 24},
                             {21, 27},
                             {21, 28},
                             {15, 26},
                             {9, 28},
                             {9, 27},
                             {13, 24},
                             {13, 17},
                             {2, 20},
                             {2, 18},
                             {13, 12},
                             {13, 5}}));
}

void paintSport(QPainter& p) {  // a ball
    p.setBrush(QColor(0xFB, 0x8C, 0x00));
    p.drawEllipse(QPointF(15, 15), 12, 12);
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(3, 15), QPointF(27, 15));
    p.drawArc(QRectF(9, 3, 12, 24), 90 * 16, 180 * 16);
    p.drawArc(QRectF(9, 3, 12, 24), 270 * 16, 180 * 16);
}

void paintStrategy(QPainter& p) {  // a chess pawn
    p.setBrush(QColor(0x6A, 0x1B, 0x9A));
    p.drawEllipse(QPointF(15, 8), 4.5, 4.5);
    p.drawPolygon(QPolygonF({{12, 12}, {18, 12}, {20, 23}, {10, 23}}));
    p.drawRoundedRect(QRectF(6, 23, 18, 5), 2, 2);
}

void paintOther(QPainter& p) {  // a folder
    p.setBrush(QColor(0x90, 0xA4, 0xAE));
    QPainterPath path;
    path.moveTo(3, 8);
    path.lineTo(11, 8);
    path.lineTo(13, 11);
    path.lineTo(27, 11);
    path.lineTo(27, 25);
    path.lineTo(3, 25);
    path.closeSubpath();
    p.drawPath(path);
}

QIcon paint(int index) {
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x26, 0x32, 0x38), 1.2));
    switch (index) {
        case 0:
            paintAction(p);
            break;
        case 1:
            paintAdventure(p);
            break;
        case 2:
            paintSimulation(p);
            break;
        case 3:
            paintSport(p);
            break;
        case 4:
            paintStrategy(p);
            break;
        default:
            paintOther(p);
            break;
    }
    p.end();
    return QIcon(pixmap);
}

}  // namespace

QIcon groupPicture(int index) {
    return paint(index >= 0 && index < kGroupPictureCount ? index : kGroupPictureCount - 1);
}

}  // namespace pw
