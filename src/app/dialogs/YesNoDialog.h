#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>

namespace pw {

class TextVariables;

// The yes/no dialog titled "Bestätigen". "Ja" and Enter answer yes, as the first button of a
// question does; "Nein", Escape and the close box all answer no.
class YesNoDialog final : public QDialog {
    Q_OBJECT
public:
    YesNoDialog(const TextVariables& texts, const QString& question, QWidget* parent = nullptr);

    static constexpr int kWidth = 330;
    static constexpr int kHeight = 123;

    // The answer of the last time the dialog was shown.
    bool answer() const { return answer_; }

    QLabel* questionLabel() const { return questionLabel_; }
    QPushButton* yesButton() const { return yesButton_; }
    QPushButton* noButton() const { return noButton_; }

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void speedButton1Click();  // Ja
    void speedButton2Click();  // Nein

    QLabel* questionLabel_;
    QPushButton* yesButton_;
    QPushButton* noButton_;
    bool answer_ = false;
};

}  // namespace pw
