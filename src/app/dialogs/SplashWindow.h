#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <functional>

#include "app/dialogs/LinkLabel.h"
#include "app/dialogs/ProgressGauge.h"

namespace pw {

class TextVariables;

// Start-up shows the progress bar and no close button; the about window shows the close button
// and no progress bar.
enum class SplashMode { Startup, About };

// The splash window, which is also the about window: the product picture, the maker, links to the
// maker's and a partner's web site, the version, and either the progress bar of the start-up or
// the close button. Closing the start-up splash sends the program into the tray.
class SplashWindow final : public QDialog {
    Q_OBJECT
public:
    // As made, the window is the about window; the start-up switches it to SplashMode::Startup.
    explicit SplashWindow(const TextVariables& texts, QWidget* parent = nullptr);

    static constexpr int kClientWidth = 388;
    static constexpr int kClientHeight = 263;
    static constexpr const char* kMakerAddress = "https://padwarden.example.org";
    static constexpr const char* kPartnerAddress = "https://partner.example.org";

    void setMode(SplashMode mode);
    // The mode follows the progress bar, as the close handler sees it.
    SplashMode mode() const;

    void setProgress(int value) { gauge_->setProgress(value); }

    // Called when the start-up splash closes (the main window's "Tray" action).
    std::function<void()> onStartupClosed;

    // Shows a new about window modally and returns when it is closed.
    static void showAbout(const TextVariables& texts, QWidget* parent = nullptr);

    ProgressGauge* gauge() const { return gauge_; }
    QPushButton* closeButton() const { return closeButton_; }
    QLabel* versionLabel() const { return versionLabel_; }
    QLabel* picture() const { return picture_; }
    LinkLabel* makerLink() const { return makerLink_; }
    LinkLabel* partnerLink() const { return partnerLink_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void speedButton1Click();  // Schließen

    QLabel* picture_;
    QLabel* versionLabel_;
    LinkLabel* makerLink_;
    LinkLabel* partnerLink_;
    ProgressGauge* gauge_;
    QPushButton* closeButton_;
};

}  // namespace pw
