#include "app/dialogs/InputDialog.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>

#include "app/dialogs/DialogSupport.h"

namespace pw {

InputDialog::InputDialog(const TextVariables& texts, const QString& caption, const QString& initial,
                         QWidget* parent)
    : QDialog(parent), result_(initial) {
    setWindowTitle(caption);
    setFixedSize(kWidth, kHeight);

    promptLabel_ = new QLabel(interfaceText(texts, "Eingabe"), this);
    promptLabel_->setObjectName(QStringLiteral("Label1"));

    edit_ = new QLineEdit(initial, this);
    edit_->setObjectName(QStringLiteral("Edit1"));
    promptLabel_->setBuddy(edit_);
    connect(edit_, &QLineEdit::returnPressed, this, &InputDialog::speedButton1Click);

    okButton_ = makeSpeedButton(this, "SpeedButton1", interfaceText(texts, "OK"));
    cancelButton_ = makeSpeedButton(this, "SpeedButton2", interfaceText(texts, "Abbrechen"));
    connect(okButton_, &QPushButton::clicked, this, &InputDialog::speedButton1Click);
    connect(cancelButton_, &QPushButton::clicked, this, &InputDialog::speedButton2Click);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(okButton_);
    buttons->addSpacing(12);
    buttons->addWidget(cancelButton_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 12, 14, 12);
    layout->addWidget(promptLabel_);
    layout->addWidget(edit_);
    layout->addStretch(1);
    layout->addLayout(buttons);
}

void InputDialog::showEvent(QShowEvent* event) {
    centreOnScreen(*this);
    QDialog::showEvent(event);
    edit_->selectAll();
    edit_->setFocus(Qt::OtherFocusReason);
}

void InputDialog::keyPressEvent(QKeyEvent* event) {
    // Escape is "Abbrechen", which empties the answer; the close box leaves it as it was.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        speedButton2Click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void InputDialog::speedButton1Click() {
    result_ = edit_->text();
    accept();
}

void InputDialog::speedButton2Click() {
    result_.clear();
    reject();
}

}  // namespace pw
