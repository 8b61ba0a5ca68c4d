#include <gtest/gtest.h>

#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <vector>

#include "ModalAnswer.h"
#include "app/dialogs/InputDialog.h"
#include "app/dialogs/QtUserDialogs.h"
#include "app/dialogs/TimedInfoWindow.h"
#include "app/dialogs/YesNoDialog.h"
#include "support/TempDir.h"
#include "support/gui/WidgetsApp.h"
#include "texts/TextVariables.h"

namespace pw {
namespace {

class Dialogs : public ::testing::Test {
protected:
    QApplication& app_ = test::ensureWidgetsApp();
    TextVariables texts;
    std::vector<int> beeps;
    QtUserDialogs dialogs{texts, [this](int sound) { beeps.push_back(sound); }};
};

TEST_F(Dialogs, ConfirmAsksWithTheYesNoDialog) {
    QString title;
    QString question;
    test::whenModal([&](QWidget* window) {
        auto* dialog = qobject_cast<YesNoDialog*>(window);
        ASSERT_NE(dialog, nullptr);
        title = dialog->windowTitle();
        question = dialog->questionLabel()->text();
        dialog->yesButton()->click();
    });
    EXPECT_TRUE(dialogs.confirm(QStringLiteral("Gruppe löschen ?")));
    EXPECT_EQ(title, "Bestätigen");
    EXPECT_EQ(question, "Gruppe löschen ?");

    test::whenModal([](QWidget* window) { qobject_cast<YesNoDialog*>(window)->noButton()->click(); });
    EXPECT_FALSE(dialogs.confirm(QStringLiteral("Sicher löschen")));
    test::whenModal([](QWidget* window) { window->close(); });
    EXPECT_FALSE(dialogs.confirm(QStringLiteral("Sicher löschen")));
}

TEST_F(Dialogs, AskTextGivesTheTypedTextNothingOnEscapeAndTheOpeningTextOnTheCloseBox) {
    QString caption;
    test::whenModal([&](QWidget* window) {
        auto* dialog = qobject_cast<InputDialog*>(window);
        ASSERT_NE(dialog, nullptr);
        caption = dialog->windowTitle();
        QTest::keyClicks(dialog->edit(), QStringLiteral("Flugsimulation"));
        QTest::keyClick(dialog->edit(), Qt::Key_Enter);
    });
    EXPECT_EQ(dialogs.askText(QStringLiteral("Spielgruppe"), QStringLiteral("Neue Gruppe")),
              "Flugsimulation");
    EXPECT_EQ(caption, "Spielgruppe");

    test::whenModal([](QWidget* window) { QTest::keyClick(window->focusWidget(), Qt::Key_Escape); });
    EXPECT_EQ(dialogs.askText(QStringLiteral("Spielgruppe"), QStringLiteral("Neue Gruppe")), "");

    test::whenModal([](QWidget* window) {
        QTest::keyClicks(window->focusWidget(), QStringLiteral("anders"));
        window->close();
    });
    EXPECT_EQ(dialogs.askText(QStringLiteral("Spielgruppe"), QStringLiteral("Neue Gruppe")), "Neue Gruppe");
}

TEST_F(Dialogs, InformSetsTheCursorBackAndShowsASingleOk) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QApplication::setOverrideCursor(Qt::BusyCursor);
    bool cursorRestored = false;
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons;
    test::whenModal([&](QWidget* window) {
        auto* box = qobject_cast<QMessageBox*>(window);
        ASSERT_NE(box, nullptr);
        cursorRestored = QApplication::overrideCursor() == nullptr;
        title = box->windowTitle();
        text = box->text();
        buttons = box->standardButtons();
        box->button(QMessageBox::Ok)->click();
    });
    dialogs.inform(QStringLiteral("Gruppe wählen"));
    EXPECT_TRUE(cursorRestored);
    EXPECT_EQ(title, "PadWarden");
    EXPECT_EQ(text, "Gruppe wählen");
    EXPECT_EQ(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}

TEST_F(Dialogs, TimedInfoIsModalCountsDownAndIsGoneAfterwards) {
    QPointer<TimedInfoWindow> shown;
    QString title;
    QString message;
    bool onTop = false;
    test::whenModal([&](QWidget* window) {
        shown = qobject_cast<TimedInfoWindow*>(window);
        ASSERT_FALSE(shown.isNull());
        title = shown->titleStrip()->text();
        message = shown->messageLabel()->text();
        onTop = shown->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        for (int step = 0; step < 10; ++step) {
            shown->tick();
        }
    });
    // Through the announcer, as the controller switch calls it.
    Announcer& announcer = dialogs;
    announcer.timedInfo("PadWarden Info", "Controller wechseln (Lenkrad Größe 2)");
    EXPECT_EQ(title, "PadWarden Info");
    EXPECT_EQ(message, "Controller wechseln (Lenkrad Größe 2)");
    EXPECT_TRUE(onTop);
    EXPECT_EQ(beeps, (std::vector<int>{2000, 4500, 4000, 3500, 3000, 2500, 2000, 1500, 1000, 500, 0}));
    EXPECT_TRUE(shown.isNull()) << "the window deletes itself";
}

class FileDialog : public Dialogs {
protected:
    FileDialog() {
        dir.write("game.exe", "MZ");
        dir.write("setup.BAT", "@echo off");
        dir.write("notes.txt", "notes");
    }
    QString inDir(const char* name) const { return QString::fromStdString(dir.file(name).string()); }

    test::TempDir dir;
    const QString filter =
        QStringLiteral("Anwendungen (*.exe;*.com;*.bat)|*.exe;*.com;*.bat|Alle Dateien (*.*)|*.*");
};

TEST_F(FileDialog, OpenFileOffersTheFiltersAndGivesTheChosenFile) {
    QStringList filters;
    test::whenModal([&](QWidget* window) {
        auto* dialog = qobject_cast<QFileDialog*>(window);
        ASSERT_NE(dialog, nullptr);
        filters = dialog->nameFilters();
        dialog->setDirectory(QString::fromStdString(dir.path().string()));
        dialog->selectFile(QStringLiteral("game.exe"));
        static_cast<QDialog*>(dialog)->accept();  // as the dialog's open button does
    });
    EXPECT_EQ(dialogs.openFile(filter, QStringLiteral("exe")), inDir("game.exe"));
    EXPECT_EQ(filters, QStringList({"Anwendungen (*.exe *.com *.bat)", "Alle Dateien (*)"}));
}

TEST_F(FileDialog, ATypedNameWithoutSuffixGetsTheDefaultSuffix) {
    test::whenModal([&](QWidget* window) {
        auto* dialog = qobject_cast<QFileDialog*>(window);
        ASSERT_NE(dialog, nullptr);
        dialog->setDirectory(QString::fromStdString(dir.path().string()));
        auto* nameField = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(nameField, nullptr);
        nameField->setText(QStringLiteral("game"));
        static_cast<QDialog*>(dialog)->accept();  // as the dialog's open button does
    });
    EXPECT_EQ(dialogs.openFile(filter, QStringLiteral(".exe")), inDir("game.exe"));
}

TEST_F(FileDialog, CancellingGivesNothing) {
    test::whenModal([&](QWidget* window) {
        auto* dialog = qobject_cast<QFileDialog*>(window);
        ASSERT_NE(dialog, nullptr);
        dialog->setDirectory(QString::fromStdString(dir.path().string()));
        dialog->selectFile(QStringLiteral("game.exe"));
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    EXPECT_EQ(dialogs.openFile(filter, QStringLiteral("exe")), "");
}

TEST(QtFileFilter, WindowsFiltersBecomeQtFilters) {
    EXPECT_EQ(qtFileFilter(
                  QStringLiteral("Anwendungen (*.exe;*.com;*.bat)|*.exe;*.com;*.bat|Alle Dateien (*.*)|*.*")),
              "Anwendungen (*.exe *.com *.bat);;Alle Dateien (*)");
    // The picture filter ends in "|"; the empty rest is no filter.
    EXPECT_EQ(
        qtFileFilter(QStringLiteral("Grafikdateien (*.ico;*.bmp;*.emf;*.wmf)|*.ico;*.bmp;*.emf;*.wmf|")),
        "Grafikdateien (*.ico *.bmp *.emf *.wmf)");
    // The patterns that count are those after the "|", whatever the description shows.
    EXPECT_EQ(qtFileFilter(QStringLiteral("Programs|*.exe; *.sh")), "Programs (*.exe *.sh)");
    EXPECT_EQ(qtFileFilter(QStringLiteral("Bilder (alt)|*.png")), "Bilder (*.png)");
    EXPECT_EQ(qtFileFilter(QStringLiteral("|*.ini")), "(*.ini)");
    EXPECT_EQ(qtFileFilter(QStringLiteral("Nichts|")), "");
    EXPECT_EQ(qtFileFilter(QString()), "");
}

}  // namespace
}  // namespace pw
