#include "app/dialogs/SplashWindow.h"

#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>

#include "app/dialogs/Artwork.h"
#include "app/dialogs/DialogSupport.h"

#ifndef PADWARDEN_VERSION
#error "PADWARDEN_VERSION must name the program's version"
#endif

namespace pw {

namespace {

constexpr int kBevel = 4;
constexpr int kMargin = 16;
const QColor kPanelColor{0x1b, 0x2f, 0x57};
const QColor kTextColor{0xe4, 0xea, 0xf4};
const QColor kGaugeBar{0xf2, 0x8c, 0x28};
const QColor kGaugeBackground{0x0b, 0x17, 0x33};

QLabel* makerLine(QWidget* parent, const char* objectName, const QString& text, int top, bool bold) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(objectName));
    QFont font = label->font();
    font.setBold(bold);
    label->setFont(font);
    label->adjustSize();
    label->move(kMargin, top);
    return label;
}

LinkLabel* webLink(QWidget* parent, const char* objectName, const char* address, int top) {
    const QString url = QString::fromLatin1(address);
    QString caption = url;
    caption.remove(QStringLiteral("https://"));
    auto* link = new LinkLabel(caption, url, parent);
    link->setObjectName(QString::fromLatin1(objectName));
    // Links on the dark panel: light blue, white under the mouse, red while pressed.
    link->setColorNormal(QColor(0x8f, 0xc4, 0xff));
    link->setColorMoveOver(Qt::white);
    link->setColorClick(QColor(0xff, 0x6b, 0x6b));
    link->adjustSize();
    link->move(SplashWindow::kClientWidth - kMargin - link->width(), top);
    return link;
}

}  // namespace

SplashWindow::SplashWindow(const TextVariables& texts, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setFixedSize(kClientWidth, kClientHeight);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setGeometry(0, 0, kClientWidth, kClientHeight);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(kBevel);
    QPalette colours(kPanelColor);
    colours.setColor(QPalette::WindowText, kTextColor);
    panel->setPalette(colours);
    panel->setAutoFillBackground(true);

    picture_ = new QLabel(panel);
    picture_->setObjectName(QStringLiteral("Image1"));
    picture_->setGeometry(kBevel, kBevel, kClientWidth - 2 * kBevel, 150);
    picture_->setPixmap(splashPicture(picture_->size()));

    makerLine(panel, "Label1", QStringLiteral("PadWarden"), 162, true);
    makerLine(panel, "Label2", QStringLiteral("© 2026 Orvalis Software"), 182, false);
    makerLink_ = webLink(panel, "URLLabel1", kMakerAddress, 162);
    partnerLink_ = webLink(panel, "URLLabel2", kPartnerAddress, 182);

    // The version caption stands in the middle: left := (window width - caption width) div 2.
    versionLabel_ = new QLabel(QStringLiteral("Version " PADWARDEN_VERSION), panel);
    versionLabel_->setObjectName(QStringLiteral("Label7"));
    QPalette white = versionLabel_->palette();
    white.setColor(QPalette::WindowText, Qt::white);
    versionLabel_->setPalette(white);
    QFont bold = versionLabel_->font();
    bold.setBold(true);
    versionLabel_->setFont(bold);
    versionLabel_->adjustSize();
    versionLabel_->move((kClientWidth - versionLabel_->width()) / 2, 204);

    gauge_ = new ProgressGauge(panel);
    gauge_->setObjectName(QStringLiteral("Gauge1"));
    gauge_->setGeometry((kClientWidth - 329) / 2, 232, 329, 17);
    gauge_->setForeColor(kGaugeBar);
    gauge_->setBackColor(kGaugeBackground);
    gauge_->setProgress(0);
    gauge_->hide();

    closeButton_ = makeSpeedButton(panel, "SpeedButton1", interfaceText(texts, "Schließen"));
    closeButton_->setStyleSheet(QStringLiteral(
        "QPushButton{color:white;background:transparent;border:1px solid rgba(255,255,255,140);"
        "border-radius:3px;padding:3px 14px;}"
        "QPushButton:hover{background:rgba(255,255,255,40);}"));
    closeButton_->setCursor(Qt::PointingHandCursor);
    closeButton_->adjustSize();
    closeButton_->move((kClientWidth - closeButton_->width()) / 2, 228);
    connect(closeButton_, &QPushButton::clicked, this, &SplashWindow::speedButton1Click);
}

void SplashWindow::setMode(SplashMode mode) {
    const bool startup = mode == SplashMode::Startup;
    gauge_->setVisible(startup);
    closeButton_->setVisible(!startup);
}

SplashMode SplashWindow::mode() const {
    return gauge_->isHidden() ? SplashMode::About : SplashMode::Startup;
}

void SplashWindow::showAbout(const TextVariables& texts, QWidget* parent) {
    SplashWindow about(texts, parent);
    about.setMode(SplashMode::About);
    about.exec();
}

void SplashWindow::showEvent(QShowEvent* event) {
    centreOnScreen(*this);
    QDialog::showEvent(event);
}

void SplashWindow::closeEvent(QCloseEvent* event) {
    if (mode() == SplashMode::Startup && onStartupClosed) {
        onStartupClosed();
    }
    QDialog::closeEvent(event);
}

void SplashWindow::keyPressEvent(QKeyEvent* event) {
    // The about window closes on Escape like on its button; the start-up splash is closed by the
    // program when it has loaded.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        if (mode() == SplashMode::About) {
            close();
        }
        return;
    }
    QDialog::keyPressEvent(event);
}

void SplashWindow::speedButton1Click() {
    close();
}

}  // namespace pw
