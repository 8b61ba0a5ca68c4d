#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <functional>

namespace pw {

class TextVariables;

// The self-closing countdown window: it beeps when it is made, counts down from 10 once a second
// with a beep on every step and closes itself after the tenth step, having shown 10 down to 0.
// It stays above other windows and deletes itself when it closes.
class TimedInfoWindow final : public QDialog {
    Q_OBJECT
public:
    // The message beep with its sound type (the program passes the key output's beep).
    using Beep = std::function<void(int)>;

    TimedInfoWindow(const TextVariables& texts, Beep beep, QWidget* parent = nullptr);

    static constexpr int kClientWidth = 384;
    static constexpr int kClientHeight = 106;
    static constexpr int kStartCount = 10;
    static constexpr int kTickMs = 1000;

    // The caption goes on the title bar and on the title strip.
    void setCaption(const QString& caption);
    void setMessage(const QString& message);

    int countdown() const { return countdown_; }

    // One step of the countdown (Timer1's tick).
    void tick();

    QLabel* titleStrip() const { return titleStrip_; }
    QLabel* messageLabel() const { return messageLabel_; }
    QLabel* countdownLabel() const { return countdownLabel_; }
    QPushButton* closeButton() const { return closeButton_; }
    QTimer* timer() const { return timer_; }

    void done(int result) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void speedButton1Click();  // Schließen

    Beep beep_;
    int countdown_ = kStartCount;
    QLabel* titleStrip_;
    QLabel* messageLabel_;
    QLabel* countdownLabel_;
    QPushButton* closeButton_;
    QTimer* timer_;
};

}  // namespace pw
