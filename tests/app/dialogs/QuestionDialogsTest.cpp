#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QTest>

#include "ModalAnswer.h"
#include "app/dialogs/InputDialog.h"
#include "app/dialogs/YesNoDialog.h"
#include "support/gui/WidgetsApp.h"
#include "texts/TextVariables.h"

namespace pw {
namespace {

class QuestionDialogs : public ::testing::Test {
protected:
    QApplication& app_ = test::ensureWidgetsApp();
    TextVariables texts;
};

// Shows the dialog modally, lets `answer` act on it once it is up, and gives exec()'s result.
int execAnswering(QDialog& dialog, std::function<void(QDialog&)> answer) {
    test::whenModal([&dialog, answer = std::move(answer)](QWidget* window) {
        EXPECT_EQ(window, &dialog);
        answer(dialog);
    });
    return dialog.exec();
}

TEST_F(QuestionDialogs, YesNoDialogShowsTheQuestionWithItsTwoButtons) {
    YesNoDialog dialog(texts, QStringLiteral("Gruppe <b>Alt</b> löschen ?"));
    EXPECT_EQ(dialog.size(), QSize(330, 123));
    EXPECT_EQ(dialog.windowTitle(), "Bestätigen");
    auto* question = test::child<QLabel>(&dialog, "Label1");
    ASSERT_NE(question, nullptr);
    // A name the user typed is shown as typed, not read as markup.
    EXPECT_EQ(question->text(), "Gruppe <b>Alt</b> löschen ?");
    EXPECT_EQ(question->textFormat(), Qt::PlainText);
    EXPECT_TRUE(question->wordWrap());
    EXPECT_EQ(test::child<QPushButton>(&dialog, "SpeedButton1")->text(), "Ja");
    EXPECT_EQ(test::child<QPushButton>(&dialog, "SpeedButton2")->text(), "Nein");
}

TEST_F(QuestionDialogs, OnlyJaAnswersYesAndEveryOtherWayOutAnswersNo) {
    YesNoDialog dialog(texts, QStringLiteral("Sicher löschen"));
    // Each way out is tried after a "Ja", so a stale yes would show.
    const std::vector<std::pair<const char*, std::function<void(QDialog&)>>> waysOut = {
        {"Nein", [](QDialog& d) { static_cast<YesNoDialog&>(d).noButton()->click(); }},
        {"Escape", [](QDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); }},
        {"close box", [](QDialog& d) { d.close(); }},
    };
    for (const auto& [name, wayOut] : waysOut) {
        execAnswering(dialog, [](QDialog& d) { static_cast<YesNoDialog&>(d).yesButton()->click(); });
        EXPECT_TRUE(dialog.answer()) << "Ja before " << name;
        execAnswering(dialog, wayOut);
        EXPECT_FALSE(dialog.answer()) << name;
        EXPECT_FALSE(dialog.isVisible()) << name;
    }
}

TEST_F(QuestionDialogs, EnterAnswersYesOnTheMainAndTheNumberPad) {
    YesNoDialog dialog(texts, QStringLiteral("Sicher löschen"));
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
        execAnswering(dialog, [](QDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); });
        ASSERT_FALSE(dialog.answer());
        const int result = execAnswering(dialog, [key](QDialog& d) { QTest::keyClick(&d, key); });
        EXPECT_EQ(result, QDialog::Accepted) << key;
        EXPECT_TRUE(dialog.answer()) << key;
        EXPECT_FALSE(dialog.isVisible()) << key;
    }
}

TEST_F(QuestionDialogs, InputDialogOpensWithTheWholeTextSelectedAndFocused) {
    InputDialog dialog(texts, QStringLiteral("Profil eingeben"), QStringLiteral("Rennspiele"));
    EXPECT_EQ(dialog.size(), QSize(288, 142));
    EXPECT_EQ(dialog.windowTitle(), "Profil eingeben");
    EXPECT_EQ(test::child<QLabel>(&dialog, "Label1")->text(), "Eingabe");
    EXPECT_EQ(test::child<QPushButton>(&dialog, "SpeedButton1")->text(), "OK");
    EXPECT_EQ(test::child<QPushButton>(&dialog, "SpeedButton2")->text(), "Abbrechen");
    QString selected;
    QWidget* focused = nullptr;
    execAnswering(dialog, [&](QDialog& d) {
        auto& input = static_cast<InputDialog&>(d);
        selected = input.edit()->selectedText();
        focused = input.focusWidget();
        input.okButton()->click();
    });
    EXPECT_EQ(selected, "Rennspiele");
    EXPECT_EQ(focused, test::child<QLineEdit>(&dialog, "Edit1"));
    EXPECT_EQ(dialog.answerText(), "Rennspiele");
}

TEST_F(QuestionDialogs, TypingReplacesTheSelectedTextAndEnterActsAsOk) {
    InputDialog dialog(texts, QStringLiteral("Spielgruppe"), QStringLiteral("Alt"));
    const int result = execAnswering(dialog, [](QDialog& d) {
        auto& input = static_cast<InputDialog&>(d);
        QTest::keyClicks(input.edit(), QStringLiteral("Strategie"));
        QTest::keyClick(input.edit(), Qt::Key_Return);
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(dialog.answerText(), "Strategie");
}

TEST_F(QuestionDialogs, EscapeAndAbbrechenGiveAnEmptyTextTheCloseBoxTheOpeningText) {
    struct Case {
        const char* name;
        std::function<void(InputDialog&)> wayOut;
        QString expected;
    };
    const std::vector<Case> cases = {
        {"Escape", [](InputDialog& d) { QTest::keyClick(d.edit(), Qt::Key_Escape); }, QString()},
        {"Abbrechen", [](InputDialog& d) { d.cancelButton()->click(); }, QString()},
        {"close box", [](InputDialog& d) { d.close(); }, QStringLiteral("Alt")},
        {"OK", [](InputDialog& d) { d.okButton()->click(); }, QStringLiteral("Neu")},
    };
    for (const Case& c : cases) {
        InputDialog dialog(texts, QStringLiteral("Gruppe umbenennen"), QStringLiteral("Alt"));
        execAnswering(dialog, [&](QDialog& d) {
            auto& input = static_cast<InputDialog&>(d);
            QTest::keyClicks(input.edit(), QStringLiteral("Neu"));
            c.wayOut(input);
        });
        EXPECT_EQ(dialog.answerText(), c.expected) << c.name;
        EXPECT_FALSE(dialog.isVisible()) << c.name;
    }
}

TEST_F(QuestionDialogs, ButtonsAndCaptionsComeFromTheReplacedTexts) {
    texts.replace(TextGroup::Interface, "Ja", "Yes");
    texts.replace(TextGroup::Interface, "Nein", "No");
    texts.replace(TextGroup::Interface, "Bestätigen", "Confirm");
    texts.replace(TextGroup::Interface, "Eingabe", "Input");
    texts.replace(TextGroup::Interface, "OK", "Okay");
    texts.replace(TextGroup::Interface, "Abbrechen", "Cancel");
    YesNoDialog question(texts, QStringLiteral("?"));
    EXPECT_EQ(question.windowTitle(), "Confirm");
    EXPECT_EQ(question.yesButton()->text(), "Yes");
    EXPECT_EQ(question.noButton()->text(), "No");
    InputDialog input(texts, QStringLiteral("Caption"), QString());
    EXPECT_EQ(input.promptLabel()->text(), "Input");
    EXPECT_EQ(input.okButton()->text(), "Okay");
    EXPECT_EQ(input.cancelButton()->text(), "Cancel");
}

}  // namespace
}  // namespace pw
