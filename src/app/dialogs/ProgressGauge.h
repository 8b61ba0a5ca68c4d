#pragma once

#include <QColor>
#include <QWidget>

namespace pw {

// A horizontal bar between MinValue and MaxValue showing Progress, with the percentage ("50%")
// centred on it. A value outside the range is clamped. The bar is painted at once, even while the
// start-up keeps the event loop from running, but only when the shown percentage changes.
class ProgressGauge final : public QWidget {
    Q_OBJECT
public:
    explicit ProgressGauge(QWidget* parent = nullptr);

    int minValue() const { return minValue_; }
    int maxValue() const { return maxValue_; }
    int progress() const { return progress_; }
    // A range whose maximum lies below its minimum becomes the single value minValue.
    void setRange(int minValue, int maxValue);
    void setProgress(int value);

    // How far the progress is along the range, 0..100, rounded down.
    int percentDone() const;
    QString percentText() const;

    QColor foreColor() const { return foreColor_; }
    QColor backColor() const { return backColor_; }
    void setForeColor(const QColor& color);
    void setBackColor(const QColor& color);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void showPercentage();

    int minValue_ = 0;
    int maxValue_ = 100;
    int progress_ = 0;
    int shownPercent_ = 0;
    QColor foreColor_{Qt::black};
    QColor backColor_{Qt::white};
};

}  // namespace pw
