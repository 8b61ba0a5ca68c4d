#pragma once

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace pw {

class TextVariables;

// The text input dialog: a caption, the label "Eingabe" and one field. "OK" or Enter give the
// field's text, "Abbrechen" or Escape an empty text (the callers take it as a cancel), and the
// close box gives back the text the dialog was opened with.
class InputDialog final : public QDialog {
    Q_OBJECT
public:
    InputDialog(const TextVariables& texts, const QString& caption, const QString& initial,
                QWidget* parent = nullptr);

    static constexpr int kWidth = 288;
    static constexpr int kHeight = 142;

    QString answerText() const { return result_; }

    QLabel* promptLabel() const { return promptLabel_; }
    QLineEdit* edit() const { return edit_; }
    QPushButton* okButton() const { return okButton_; }
    QPushButton* cancelButton() const { return cancelButton_; }

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void speedButton1Click();  // OK
    void speedButton2Click();  // Abbrechen

    QLabel* promptLabel_;
    QLineEdit* edit_;
    QPushButton* okButton_;
    QPushButton* cancelButton_;
    QString result_;
};

}  // namespace pw
