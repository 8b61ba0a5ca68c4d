#include "app/dialogs/ProgressGauge.h"

#include <QPainter>
#include <algorithm>

namespace pw {

ProgressGauge::ProgressGauge(QWidget* parent) : QWidget(parent) {}

void ProgressGauge::setRange(int minValue, int maxValue) {
    minValue_ = minValue;
    maxValue_ = std::max(minValue, maxValue);
    progress_ = std::clamp(progress_, minValue_, maxValue_);
    showPercentage();
}

void ProgressGauge::setProgress(int value) {
    progress_ = std::clamp(value, minValue_, maxValue_);
    showPercentage();
}

int ProgressGauge::percentDone() const {
    const long long span = static_cast<long long>(maxValue_) - minValue_;
    if (span == 0) {
        return 0;
    }
    return static_cast<int>((static_cast<long long>(progress_) - minValue_) * 100 / span);
}

QString ProgressGauge::percentText() const {
    return QStringLiteral("%1%").arg(percentDone());
}

void ProgressGauge::setForeColor(const QColor& color) {
    foreColor_ = color;
    update();
}

void ProgressGauge::setBackColor(const QColor& color) {
    backColor_ = color;
    update();
}

QSize ProgressGauge::sizeHint() const {
    return {100, 17};
}

void ProgressGauge::showPercentage() {
    const int percent = percentDone();
    if (percent == shownPercent_) {
        return;
    }
    shownPercent_ = percent;
    if (isVisible()) {
        repaint();
    }
}

void ProgressGauge::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect inner = rect().adjusted(1, 1, -1, -1);
    painter.fillRect(rect(), Qt::black);
    painter.fillRect(inner, backColor_);
    QRect bar = inner;
    bar.setWidth(inner.width() * shownPercent_ / 100);
    painter.fillRect(bar, foreColor_);

    // The text takes the other colour on each side of the bar's edge, so it reads on both.
    const QString text = QStringLiteral("%1%").arg(shownPercent_);
    painter.save();
    painter.setClipRect(bar);
    painter.setPen(backColor_);
    painter.drawText(inner, Qt::AlignCenter, text);
    painter.restore();
    painter.setClipRect(QRect(bar.right() + 1, inner.top(), inner.right() - bar.right(), inner.height()));
    painter.setPen(foreColor_);
    painter.drawText(inner, Qt::AlignCenter, text);
}

}  // namespace pw
