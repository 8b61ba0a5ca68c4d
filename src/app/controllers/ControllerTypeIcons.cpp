#include "app/controllers/ControllerTypeIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace pw {
namespace {

constexpr int kSize = 48;
const QColor kBody(0x3a, 0x46, 0x5e);
const QColor kEdge(0x1c, 0x24, 0x33);
const QColor kAccent(0xd9, 0x3b, 0x2f);
const QColor kLight(0xe8, 0xec, 0xf2);

void paintJoystick(QPainter& p) {
    // Base, shaft and ball.
    p.setPen(QPen(kEdge, 1.5));
    p.setBrush(kBody);
    p.drawRoundedRect(QRectF(8, 34, 32, 10), 4, 4);
    p.setPen(QPen(kEdge, 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(24, 36), QPointF(24, 14));
    p.setPen(QPen(kEdge, 1.5));
    p.setBrush(kAccent);
    p.drawEllipse(QPointF(24, 11), 7, 7);
    p.setBrush(kAccent);
    p.drawEllipse(QPointF(34, 38), 2.5, 2.5);
}

void paintGamepad(QPainter& p) {
    QPainterPath body;
    body.addRoundedRect(QRectF(4, 14, 40, 20), 10, 10);
    body.addEllipse(QRectF(4, 22, 14, 18));
    body.addEllipse(QRectF(30, 22, 14, 18));
    p.setPen(QPen(kEdge, 1.5));
    p.setBrush(kBody);
    p.drawPath(body.simplified());
    // Direction cross on the left, two buttons on the right.
    p.setPen(Qt::NoPen);
    p.setBrush(kLight);
    p.drawRect(QRectF(10, 22, 10, 3));
    p.drawRect(QRectF(13.5, 18.5, 3, 10));
    p.setBrush(kAccent);
    p.drawEllipse(QPointF(32, 21), 2.5, 2.5);
    p.drawEllipse(QPointF(37, 26), 2.5, 2.5);
}

void paintGameboard(QPainter& p) {
    // A flat board with rows of keys and a small stick at its side.
    p.setPen(QPen(kEdge, 1.5));
    p.setBrush(kBody);
    p.drawRoundedRect(QRectF(3, 18, 42, 22), 3, 3);
    p.setPen(Qt::NoPen);
    p.setBrush(kLight);
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 5; ++column) {
            p.drawRect(QRectF(7 + column * 5.5, 22 + row * 5.5, 4, 4));
        }
    }
    p.setPen(QPen(kEdge, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(38, 30), QPointF(38, 12));
    p.setPen(QPen(kEdge, 1.5));
    p.setBrush(kAccent);
    p.drawEllipse(QPointF(38, 10), 4.5, 4.5);
}

void paintSteeringWheel(QPainter& p) {
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kBody, 6));
    p.drawEllipse(QPointF(24, 24), 17, 17);
    p.setPen(QPen(kBody, 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(9, 22), QPointF(39, 22));
    p.drawLine(QPointF(24, 24), QPointF(24, 40));
    p.setPen(QPen(kEdge, 1.5));
    p.setBrush(kAccent);
    p.drawEllipse(QPointF(24, 23), 5, 5);
}

QIcon paintIcon(int typeIndex) {
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    switch (typeIndex) {
        case 1:
            paintGamepad(painter);
            break;
        case 2:
            paintGameboard(painter);
            break;
        case 3:
            paintSteeringWheel(painter);
            break;
        default:
            paintJoystick(painter);
            break;
    }
    painter.end();
    return QIcon(pixmap);
}

}  // namespace

// Painted on each call: a kept pixmap would outlive the application object at exit.
QIcon controllerTypeIcon(int typeIndex) {
    return paintIcon(typeIndex >= 0 && typeIndex < kControllerTypeCount ? typeIndex : 0);
}

}  // namespace pw
