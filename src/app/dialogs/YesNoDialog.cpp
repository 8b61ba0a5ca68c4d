#include "app/dialogs/YesNoDialog.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>

#include "app/dialogs/DialogSupport.h"

namespace pw {

YesNoDialog::YesNoDialog(const TextVariables& texts, const QString& question, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(interfaceText(texts, "Bestätigen"));
    setFixedSize(kWidth, kHeight);

    questionLabel_ = new QLabel(this);
    questionLabel_->setObjectName(QStringLiteral("Label1"));
    // Questions quote names the user typed; they are shown as typed, never read as markup.
    questionLabel_->setTextFormat(Qt::PlainText);
    questionLabel_->setAlignment(Qt::AlignCenter);
    questionLabel_->setWordWrap(true);
    questionLabel_->setText(question);

    yesButton_ = makeSpeedButton(this, "SpeedButton1", interfaceText(texts, "Ja"));
    noButton_ = makeSpeedButton(this, "SpeedButton2", interfaceText(texts, "Nein"));
    connect(yesButton_, &QPushButton::clicked, this, &YesNoDialog::speedButton1Click);
    connect(noButton_, &QPushButton::clicked, this, &YesNoDialog::speedButton2Click);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(yesButton_);
    buttons->addSpacing(16);
    buttons->addWidget(noButton_);
    buttons->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 10);
    layout->addWidget(questionLabel_, 1);
    layout->addLayout(buttons);
}

void YesNoDialog::done(int result) {
    answer_ = result == QDialog::Accepted;
    QDialog::done(result);
}

void YesNoDialog::showEvent(QShowEvent* event) {
    centreOnScreen(*this);
    QDialog::showEvent(event);
}

void YesNoDialog::keyPressEvent(QKeyEvent* event) {
    // The buttons take no focus, so no button is the default one: Enter is answered here.
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            speedButton1Click();
            return;
        }
    }
    QDialog::keyPressEvent(event);
}

void YesNoDialog::speedButton1Click() {
    accept();
}

void YesNoDialog::speedButton2Click() {
    reject();
}

}  // namespace pw
