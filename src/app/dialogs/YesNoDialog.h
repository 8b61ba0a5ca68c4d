#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>

namespace pw {

class TextVariables;

// The yes/no dialog titled "Bestätigen". Only "Ja" answers yes: "Nein", Escape and the close box
// all answer no, so a question about deleting something never goes ahead by accident.
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

private:
    void speedButton1Click();  // Ja
    void speedButton2Click();  // Nein

    QLabel* questionLabel_;
    QPushButton* yesButton_;
    QPushButton* noButton_;
    bool answer_ = false;
};

}  // namespace pw
