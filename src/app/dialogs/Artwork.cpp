#include "app/dialogs/Artwork.h"

#include <QGuiApplication>
#include <QPainter>
#include <QSvgRenderer>
#include <cmath>

namespace pw {

namespace {

qreal screenRatio() {
    return qGuiApp != nullptr ? qGuiApp->devicePixelRatio() : 1.0;
}

QPixmap render(const QString& resource, QSize size, qreal ratio = screenRatio()) {
    QPixmap pixmap(size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(resource);
    if (renderer.isValid() && !size.isEmpty()) {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    }
    return pixmap;
}

}  // namespace

QIcon programIcon() {
    QIcon icon;
    for (const int side : {16, 22, 24, 32, 48, 64, 128, 256}) {
        icon.addPixmap(render(QStringLiteral(":/artwork/padwarden.svg"), QSize(side, side), 1.0));
    }
    return icon;
}

QPixmap logoPixmap(int height) {
    const QString resource = QStringLiteral(":/artwork/logo.svg");
    const QSize natural = QSvgRenderer(resource).defaultSize();
    if (natural.isEmpty() || height <= 0) {
        return render(resource, QSize(0, 0));
    }
    const int width = static_cast<int>(std::lround(double(height) * natural.width() / natural.height()));
    return render(resource, QSize(width, height));
}

QPixmap splashPicture(QSize size) {
    return render(QStringLiteral(":/artwork/splash.svg"), size);
}

}  // namespace pw
