#include "app/dialogs/TimedInfoWindow.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>

#include "app/dialogs/DialogSupport.h"

namespace pw {

namespace {

constexpr int kFirstBeep = 2000;
constexpr int kBeepPerCount = 500;

}  // namespace

TimedInfoWindow::TimedInfoWindow(const TextVariables& texts, Beep beep, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint), beep_(std::move(beep)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(kClientWidth, kClientHeight);

    titleStrip_ = new QLabel(this);
    titleStrip_->setObjectName(QStringLiteral("Panel1"));
    titleStrip_->setAlignment(Qt::AlignCenter);
    titleStrip_->setFixedHeight(20);
    titleStrip_->setTextFormat(Qt::PlainText);
    titleStrip_->setStyleSheet(QStringLiteral("background:#1b2f57;color:white;font-weight:bold;"));

    messageLabel_ = new QLabel(this);
    messageLabel_->setObjectName(QStringLiteral("Label1"));
    messageLabel_->setTextFormat(Qt::PlainText);
    messageLabel_->setAlignment(Qt::AlignCenter);
    messageLabel_->setWordWrap(true);

    countdownLabel_ = new QLabel(this);
    countdownLabel_->setObjectName(QStringLiteral("Label2"));
    countdownLabel_->setAlignment(Qt::AlignCenter);
    QFont large = countdownLabel_->font();
    large.setBold(true);
    large.setPointSizeF(large.pointSizeF() * 1.6);
    countdownLabel_->setFont(large);

    closeButton_ = makeSpeedButton(this, "SpeedButton1", interfaceText(texts, "Schließen"));
    connect(closeButton_, &QPushButton::clicked, this, &TimedInfoWindow::speedButton1Click);

    // The countdown stands in the middle of the window; an empty space as wide as the button
    // balances the button on the other side.
    auto* bottom = new QHBoxLayout;
    bottom->setContentsMargins(8, 0, 8, 6);
    auto* balance = new QWidget(this);
    balance->setFixedWidth(closeButton_->sizeHint().width());
    bottom->addWidget(balance);
    bottom->addWidget(countdownLabel_, 1);
    bottom->addWidget(closeButton_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(titleStrip_);
    layout->addWidget(messageLabel_, 1);
    layout->addLayout(bottom);

    setCaption(QStringLiteral("PadWarden ") + interfaceText(texts, "Info"));

    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("Timer1"));
    timer_->setInterval(kTickMs);
    connect(timer_, &QTimer::timeout, this, &TimedInfoWindow::tick);

    if (beep_) {
        beep_(kFirstBeep);
    }
    countdownLabel_->setText(QString::number(countdown_));
    timer_->start();
}

void TimedInfoWindow::setCaption(const QString& caption) {
    setWindowTitle(caption);
    titleStrip_->setText(caption);
}

void TimedInfoWindow::setMessage(const QString& message) {
    messageLabel_->setText(message);
}

void TimedInfoWindow::tick() {
    --countdown_;
    countdownLabel_->setText(QString::number(countdown_));
    if (beep_) {
        beep_(countdown_ * kBeepPerCount);
    }
    if (countdown_ < 1) {
        close();
    }
}

void TimedInfoWindow::showEvent(QShowEvent* event) {
    centreOnScreen(*this);
    QDialog::showEvent(event);
}

void TimedInfoWindow::closeEvent(QCloseEvent* event) {
    // However the window goes, it counts no further.
    timer_->stop();
    QDialog::closeEvent(event);
}

void TimedInfoWindow::done(int result) {
    timer_->stop();
    QDialog::done(result);
}

void TimedInfoWindow::keyPressEvent(QKeyEvent* event) {
    // Escape closes the window like its button; a merely hidden window would go on beeping.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        speedButton1Click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TimedInfoWindow::speedButton1Click() {
    timer_->stop();
    close();
}

}  // namespace pw
