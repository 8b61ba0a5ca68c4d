#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTableWidget>
#include <fstream>
#include <sstream>

#include "app/commands/CommandEditorPage.h"
#include "support/gui/AppFixture.h"

namespace pw {
namespace {

// A time of day that moves only when the test says so.
class ManualTimeOfDay final : public TimeOfDaySource {
public:
    TimeOfDay now() const override { return now_; }
    void advance(std::int32_t ms) { now_.millisecondsSinceMidnight += ms; }

private:
    TimeOfDay now_{20000, 10 * 3600 * 1000};
};

class CommandEditorPageTest : public ::testing::Test {
protected:
    CommandEditorPageTest() {
        page.useTimeOfDay(clock);
        page.resize(558, 400);
        page.show();
    }

    template <class Widget>
    Widget* find(const char* name) {
        auto* w = page.findChild<Widget*>(QString::fromLatin1(name));
        if (w == nullptr) {
            ADD_FAILURE() << "no control " << name;
        }
        return w;
    }
    void click(const char* button) { find<QAbstractButton>(button)->click(); }
    bool enabled(const char* name) { return find<QWidget>(name)->isEnabled(); }
    QString textOf(const char* lineEdit) { return find<QLineEdit>(lineEdit)->text(); }

    void sendKey(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                 const QString& text = {}) {
        QKeyEvent down(QEvent::KeyPress, key, modifiers, text);
        QApplication::sendEvent(target, &down);
        QKeyEvent up(QEvent::KeyRelease, key, modifiers, text);
        QApplication::sendEvent(target, &up);
    }
    // A key pressed in the key field Edit8.
    void pressKey(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        sendKey(find<QLineEdit>("Edit8"), key, modifiers);
    }
    // Typed into the name field Edit7, one key per character.
    void typeName(const QString& name) {
        auto* field = find<QLineEdit>("Edit7");
        for (const QChar c : name) {
            sendKey(field, c.toUpper().unicode(), Qt::NoModifier, QString(c));
        }
    }
    void chooseGroup(const QString& name) {
        auto* list = find<QListWidget>("ListBox6");
        const auto items = list->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1) << name.toStdString();
        // A click makes the entry current and then reports the click.
        const int row = list->row(items.front());
        list->setCurrentRow(row);
        Q_EMIT list->itemClicked(list->item(row));
    }
    void clickGridRow(int commandRow) {
        auto* grid = find<QTableWidget>("StringGrid1");
        Q_EMIT grid->cellClicked(commandRow - 1, 0);
    }
    // The grid's command rows as "name|display|sequence".
    QStringList gridRows() {
        auto* grid = find<QTableWidget>("StringGrid1");
        QStringList rows;
        for (int r = 0; r < grid->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < 3; ++c) {
                cells << (grid->item(r, c) != nullptr ? grid->item(r, c)->text() : QString());
            }
            rows << cells.join(QLatin1Char('|'));
        }
        return rows;
    }
    QStringList items(const char* list) {
        QStringList out;
        auto* w = find<QListWidget>(list);
        for (int i = 0; i < w->count(); ++i) {
            out << w->item(i)->text();
        }
        return out;
    }
    std::string bytes(std::string_view file) {
        std::ifstream in(fx.dir.file(file), std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    bool exists(std::string_view file) { return std::filesystem::exists(fx.dir.file(file)); }

    test::AppFixture fx;
    ManualTimeOfDay clock;
    CommandEditorPage page{fx.context};
};

constexpr std::string_view kFlug =
    "[Waffen]\r\nFeuer=Leerzeichen;32\r\n[Fahrwerk]\r\nAusfahren=G;71\r\nBremse=Strg_F12;17_123\r\n";

TEST_F(CommandEditorPageTest, EnteringThePageOpensTheFirstProfileAndItsFirstGroup) {
    fx.dir.write("Zug.ini", "[Fahrt]\r\nLos=A;65\r\n");
    fx.dir.write("Flug.ini", kFlug);
    fx.dir.write("notes.txt", "not a Profile");
    page.enterPage();

    EXPECT_EQ(items("FileListBox1"), (QStringList{"Flug", "Zug"}));
    EXPECT_EQ(find<QListWidget>("FileListBox1")->currentRow(), 0);
    EXPECT_EQ(textOf("Edit6"), "Flug.ini");
    EXPECT_EQ(textOf("Edit10"), "Flug");
    // Groups sorted; the first is chosen and its commands shown in file order.
    EXPECT_EQ(items("ListBox6"), (QStringList{"Fahrwerk", "Waffen"}));
    EXPECT_EQ(find<QListWidget>("ListBox6")->currentRow(), 0);
    EXPECT_EQ(textOf("Edit9"), "Fahrwerk");
    EXPECT_EQ(gridRows(), (QStringList{"Ausfahren|G|71", "Bremse|Strg_F12|17_123"}));
    EXPECT_TRUE(find<QTableWidget>("StringGrid1")->isColumnHidden(2));

    // Another Profile chosen by the user: its groups replace the old ones.
    find<QListWidget>("FileListBox1")->setCurrentRow(1);
    EXPECT_EQ(textOf("Edit6"), "Zug.ini");
    EXPECT_EQ(items("ListBox6"), (QStringList{"Fahrt"}));
    EXPECT_EQ(gridRows(), (QStringList{"Los|A|65"}));

    // Choosing a group shows its commands.
    find<QListWidget>("FileListBox1")->setCurrentRow(0);
    chooseGroup("Waffen");
    EXPECT_EQ(textOf("Edit9"), "Waffen");
    EXPECT_EQ(gridRows(), (QStringList{"Feuer|Leerzeichen|32"}));

    // A file that appears later is listed at the next visit.
    fx.dir.write("Auto.ini", "");
    page.enterPage();
    EXPECT_EQ(items("FileListBox1"), (QStringList{"Auto", "Flug", "Zug"}));
    EXPECT_EQ(textOf("Edit6"), "Auto.ini");
    EXPECT_EQ(items("ListBox6"), QStringList{});
    EXPECT_EQ(textOf("Edit9"), "");
    EXPECT_EQ(gridRows(), (QStringList{"||"}));
    EXPECT_TRUE(fx.dialogs.take().isEmpty());
}

TEST_F(CommandEditorPageTest, ProfileGroupAndCommandsMadeThroughThePageAreWrittenAtOnce) {
    page.enterPage();
    EXPECT_EQ(items("FileListBox1"), QStringList{});

    fx.dialogs.textAnswers = {"Flug"};
    click("SpeedButton13");
    ASSERT_TRUE(exists("Flug.ini"));
    EXPECT_EQ(bytes("Flug.ini"), "");
    EXPECT_EQ(items("FileListBox1"), (QStringList{"Flug"}));
    EXPECT_EQ(textOf("Edit6"), "Flug.ini");

    fx.dialogs.textAnswers = {"Fahrwerk"};
    click("SpeedButton18");
    EXPECT_EQ(bytes("Flug.ini"), "[Fahrwerk]\r\n");
    EXPECT_EQ(items("ListBox6"), (QStringList{"Fahrwerk"}));
    EXPECT_EQ(textOf("Edit9"), "Fahrwerk");

    typeName("Ausfahren");
    pressKey(Qt::Key_G);
    EXPECT_EQ(textOf("Edit8"), "G");
    EXPECT_EQ(find<QLabel>("Label12")->text(), "71");
    click("SpeedButton16");
    EXPECT_EQ(bytes("Flug.ini"), "[Fahrwerk]\r\nAusfahren=G;71\r\n");
    // The fields are emptied for the next command.
    EXPECT_EQ(textOf("Edit7"), "");
    EXPECT_EQ(textOf("Edit8"), "");
    EXPECT_EQ(gridRows(), (QStringList{"Ausfahren|G|71"}));

    // Ctrl held, then F12: first the modifier alone, then the pair, modifier first.
    typeName("Bremse");
    pressKey(Qt::Key_Control, Qt::ControlModifier);
    EXPECT_EQ(textOf("Edit8"), "Strg");
    EXPECT_EQ(find<QLabel>("Label12")->text(), "17");
    pressKey(Qt::Key_F12, Qt::ControlModifier);
    EXPECT_EQ(textOf("Edit8"), "Strg_F12");
    click("SpeedButton16");
    EXPECT_EQ(bytes("Flug.ini"), "[Fahrwerk]\r\nAusfahren=G;71\r\nBremse=Strg_F12;17_123\r\n");

    // A second group goes to the end of the file.
    fx.dialogs.textAnswers = {"Waffen"};
    click("SpeedButton18");
    typeName("Feuer");
    pressKey(Qt::Key_Space);
    click("SpeedButton16");
    EXPECT_EQ(
        bytes("Flug.ini"),
        "[Fahrwerk]\r\nAusfahren=G;71\r\nBremse=Strg_F12;17_123\r\n[Waffen]\r\nFeuer=Leerzeichen;32\r\n");
    EXPECT_EQ(items("ListBox6"), (QStringList{"Fahrwerk", "Waffen"}));
    EXPECT_EQ(
        fx.dialogs.take(),
        (QStringList{"ask: Profil neu anlegen: ", "ask: Profilgruppe neu: ", "ask: Profilgruppe neu: "}));
}

TEST_F(CommandEditorPageTest, ARecordingKeepsTheGapsBetweenItsKeys) {
    fx.dir.write("Flug.ini", "[Manoever]\r\n");
    page.enterPage();
    typeName("Looping");
    click("SpeedButton33");
    EXPECT_TRUE(find<QAbstractButton>("SpeedButton33")->isChecked());
    pressKey(Qt::Key_A);
    clock.advance(250);
    pressKey(Qt::Key_B);
    clock.advance(1000);
    pressKey(Qt::Key_F12, Qt::ShiftModifier);
    click("SpeedButton34");
    EXPECT_TRUE(find<QAbstractButton>("SpeedButton34")->isChecked());
    EXPECT_EQ(textOf("Edit8"), "(0)A(250)B(1000)Hoch_F12(");
    EXPECT_EQ(find<QLabel>("Label12")->text(), "(0)65(250)66(1000)16_123");
    // A second "Stop" leaves the recording as it is.
    click("SpeedButton34");
    EXPECT_EQ(textOf("Edit8"), "(0)A(250)B(1000)Hoch_F12(");
    click("SpeedButton16");
    EXPECT_EQ(bytes("Flug.ini"),
              "[Manoever]\r\nLooping=(0)A(250)B(1000)Hoch_F12(;(0)65(250)66(1000)16_123\r\n");

    // Saving during a recording ends it first, as "Stop" would.
    typeName("Rolle");
    click("SpeedButton33");
    pressKey(Qt::Key_Left);
    clock.advance(40);
    pressKey(Qt::Key_Left);
    click("SpeedButton16");
    EXPECT_TRUE(find<QAbstractButton>("SpeedButton34")->isChecked());
    EXPECT_FALSE(page.editor().recording());
    EXPECT_EQ(bytes("Flug.ini"),
              "[Manoever]\r\nLooping=(0)A(250)B(1000)Hoch_F12(;(0)65(250)66(1000)16_123\r\n"
              "Rolle=(0)Links(40)Links(;(0)37(40)37\r\n");
    EXPECT_TRUE(fx.dialogs.take().isEmpty());
}

TEST_F(CommandEditorPageTest, TheKeyFieldShowsOnlyTheCapturedKeys) {
    fx.dir.write("Flug.ini", "[A]\r\n");
    page.enterPage();
    pressKey(Qt::Key_F5);
    EXPECT_EQ(textOf("Edit8"), "F5");
    EXPECT_EQ(find<QLabel>("Label12")->text(), "116");
    // Text put into the field any other way does not stay.
    find<QLineEdit>("Edit8")->insert(QStringLiteral("xyz"));
    EXPECT_EQ(textOf("Edit8"), "F5");
    // Alt+F12 is how Tab is entered.
    pressKey(Qt::Key_F12, Qt::AltModifier);
    EXPECT_EQ(textOf("Edit8"), "Tab");
    EXPECT_EQ(find<QLabel>("Label12")->text(), "9");
    // Ctrl and Shift together: modifier code 0.
    pressKey(Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(find<QLabel>("Label12")->text(), "0_65");

    // With a language table that renames a key, the field speaks it.
    fx.texts.replace(TextGroup::KeyName, "Strg", "Ctrl");
    pressKey(Qt::Key_F12, Qt::ControlModifier);
    EXPECT_EQ(textOf("Edit8"), "Ctrl_F12");
    EXPECT_EQ(find<QLabel>("Label12")->text(), "17_123");
}

TEST_F(CommandEditorPageTest, RenamingAGroupMovesItsCommandsUnderTheNewName) {
    fx.dir.write("Flug.ini", kFlug);
    page.enterPage();
    ASSERT_EQ(textOf("Edit9"), "Fahrwerk");

    fx.dialogs.textAnswers = {"Boden"};
    click("SpeedButton19");
    EXPECT_EQ(bytes("Flug.ini"),
              "[Waffen]\r\nFeuer=Leerzeichen;32\r\n[Boden]\r\nAusfahren=G;71\r\nBremse=Strg_F12;17_123\r\n");
    EXPECT_EQ(items("ListBox6"), (QStringList{"Boden", "Waffen"}));
    EXPECT_EQ(textOf("Edit9"), "Boden");
    EXPECT_EQ(gridRows(), (QStringList{"Ausfahren|G|71", "Bremse|Strg_F12|17_123"}));
    EXPECT_EQ(fx.dialogs.take(), (QStringList{"ask: Profilgruppe neu: Fahrwerk"}));

    // An empty group keeps its header under the new name.
    fx.dir.write("Flug.ini", "[Boden]\r\nAusfahren=G;71\r\n[Waffen]\r\n");
    page.enterPage();
    chooseGroup("Waffen");
    fx.dialogs.textAnswers = {"Bomben"};
    click("SpeedButton19");
    EXPECT_EQ(bytes("Flug.ini"), "[Boden]\r\nAusfahren=G;71\r\n[Bomben]\r\n");
    fx.dialogs.take();
}

TEST_F(CommandEditorPageTest, AGroupNameThatIsAlreadyThereIsRefused) {
    const std::string original = "[Ärger]\r\nA=A;65\r\n[Fahrwerk]\r\nG=G;71\r\n";
    fx.dir.write("Flug.ini", original);
    page.enterPage();
    chooseGroup("Fahrwerk");

    // The same name, the same name in other case, another group's name.
    fx.dialogs.textAnswers = {"Fahrwerk", "FAHRWERK", "ärger"};
    click("SpeedButton19");
    click("SpeedButton19");
    EXPECT_EQ(textOf("Edit9"), "Fahrwerk");
    EXPECT_EQ(gridRows(), (QStringList{"G|G|71"}));
    // The file takes "ärger" for "Ärger" too: renaming onto it would lose the group.
    click("SpeedButton19");
    EXPECT_EQ(bytes("Flug.ini"), original);
    EXPECT_EQ(fx.dialogs.take(),
              (QStringList{"ask: Profilgruppe neu: Fahrwerk", "inform: Bezeichner besteht bereits",
                           "ask: Profilgruppe neu: Fahrwerk", "inform: Bezeichner besteht bereits",
                           "ask: Profilgruppe neu: Fahrwerk", "inform: Bezeichner besteht bereits"}));
    // The refused name's group is now the chosen one, and the grid shows its commands.
    EXPECT_EQ(textOf("Edit9"), "Ärger");
    EXPECT_EQ(gridRows(), (QStringList{"A|A|65"}));

    // A new group by an existing name is refused as well.
    fx.dialogs.textAnswers = {"fahrwerk"};
    click("SpeedButton18");
    EXPECT_EQ(bytes("Flug.ini"), original);
    EXPECT_EQ(fx.dialogs.take(),
              (QStringList{"ask: Profilgruppe neu: ", "inform: Bezeichner besteht bereits"}));
    EXPECT_EQ(textOf("Edit9"), "Fahrwerk");
    EXPECT_EQ(gridRows(), (QStringList{"G|G|71"}));

    // A name the file cannot hold is refused with the reason; nothing is written.
    fx.dialogs.textAnswers = {"a\nb"};
    click("SpeedButton18");
    EXPECT_EQ(bytes("Flug.ini"), original);
    const QStringList shown = fx.dialogs.take();
    ASSERT_EQ(shown.size(), 2);
    EXPECT_TRUE(shown[1].contains("kann nicht geschrieben werden")) << shown[1].toStdString();
    EXPECT_EQ(textOf("Edit9"), "Fahrwerk");
}

TEST_F(CommandEditorPageTest, KeysOrNamesAlreadyUsedInTheProfileAreRefused) {
    fx.dir.write("Flug.ini", kFlug);
    page.enterPage();
    ASSERT_EQ(textOf("Edit9"), "Fahrwerk");
    const std::string original(kFlug);

    // Keys that a command of another group has.
    typeName("Schuss");
    pressKey(Qt::Key_Space);
    click("SpeedButton16");
    EXPECT_EQ(bytes("Flug.ini"), original);
    EXPECT_EQ(fx.dialogs.take(), (QStringList{"inform: Bezeichner besteht bereits"}));
    EXPECT_EQ(textOf("Edit7"), "Schuss");
    EXPECT_EQ(textOf("Edit8"), "Leerzeichen");
    EXPECT_EQ(gridRows(), (QStringList{"Ausfahren|G|71", "Bremse|Strg_F12|17_123"}));

    // Keys of this group: the grid marks the command that has them.
    pressKey(Qt::Key_F12, Qt::ControlModifier);
    click("SpeedButton16");
    EXPECT_EQ(fx.dialogs.take(), (QStringList{"inform: Bezeichner besteht bereits"}));
    EXPECT_EQ(find<QTableWidget>("StringGrid1")->currentRow(), 1);

    // A typed name that another group has, in any case.
    click("SpeedButton14");
    typeName("feuer");
    pressKey(Qt::Key_X);
    click("SpeedButton16");
    EXPECT_EQ(fx.dialogs.take(), (QStringList{"inform: Bezeichner besteht bereits"}));

    // A command taken from the grid and saved unchanged finds its own keys.
    clickGridRow(1);
    EXPECT_EQ(textOf("Edit7"), "Ausfahren");
    EXPECT_EQ(textOf("Edit8"), "G");
    click("SpeedButton16");
    EXPECT_EQ(fx.dialogs.take(), (QStringList{"inform: Bezeichner besteht bereits"}));

    // Taken from this group and given another group before the save: it is not written anywhere.
    pressKey(Qt::Key_H);
    chooseGroup("Waffen");
    click("SpeedButton16");
    EXPECT_EQ(fx.dialogs.take(), (QStringList{"inform: Bezeichner besteht bereits"}));
    EXPECT_EQ(bytes("Flug.ini"), original);
    EXPECT_EQ(textOf("Edit7"), "Ausfahren");

    // Empty fields are asked for.
    click("SpeedButton14");
    click("SpeedButton16");
    typeName("Neu");
    click("SpeedButton16");
    EXPECT_EQ(fx.dialogs.take(), (QStringList{"inform: Bezeichner eingeben", "inform: Bezeichner eingeben"}));
    EXPECT_EQ(bytes("Flug.ini"), original);
}

TEST_F(CommandEditorPageTest, ACommandTakenFromTheGridIsChangedInPlace) {
    fx.dir.write("Flug.ini", kFlug);
    page.enterPage();
    clickGridRow(1);
    pressKey(Qt::Key_E);
    click("SpeedButton16");
    EXPECT_EQ(
        bytes("Flug.ini"),
        "[Waffen]\r\nFeuer=Leerzeichen;32\r\n[Fahrwerk]\r\nAusfahren=E;69\r\nBremse=Strg_F12;17_123\r\n");
    EXPECT_EQ(gridRows(), (QStringList{"Ausfahren|E|69", "Bremse|Strg_F12|17_123"}));
    EXPECT_EQ(textOf("Edit7"), "");

    // Retyping the name of the command taken makes it a new name, which this group already has.
    clickGridRow(2);
    find<QLineEdit>("Edit7")->clear();
    typeName("Bremse");
    pressKey(Qt::Key_B);
    click("SpeedButton16");
    EXPECT_EQ(fx.dialogs.take(), (QStringList{"inform: Bezeichner besteht bereits"}));
    EXPECT_EQ(
        bytes("Flug.ini"),
        "[Waffen]\r\nFeuer=Leerzeichen;32\r\n[Fahrwerk]\r\nAusfahren=E;69\r\nBremse=Strg_F12;17_123\r\n");
}

// Moving through the grid with the arrow keys keeps an edit in progress; Enter takes the command
// the keys moved to.
TEST_F(CommandEditorPageTest, ArrowKeysInTheGridKeepTheFieldsAndEnterTakesTheCommand) {
    fx.dir.write("Flug.ini", kFlug);
    page.enterPage();
    clickGridRow(1);
    find<QLineEdit>("Edit7")->clear();
    typeName("Neu");
    pressKey(Qt::Key_N);
    auto* grid = find<QTableWidget>("StringGrid1");
    grid->setFocus();
    sendKey(grid, Qt::Key_Down);
    EXPECT_EQ(grid->currentRow(), 1);
    EXPECT_EQ(textOf("Edit7"), "Neu");
    EXPECT_EQ(textOf("Edit8"), "N");
    sendKey(grid, Qt::Key_Up);
    EXPECT_EQ(textOf("Edit7"), "Neu");

    sendKey(grid, Qt::Key_Down);
    sendKey(grid, Qt::Key_Return);
    EXPECT_EQ(textOf("Edit7"), "Bremse");
    EXPECT_EQ(textOf("Edit8"), "Strg_F12");
    EXPECT_EQ(bytes("Flug.ini"), kFlug) << "moving and taking write nothing";
}

TEST_F(CommandEditorPageTest, DeletingAsksFirstAndRemovesOnlyOnYes) {
    fx.dir.write("Flug.ini", kFlug);
    fx.dir.write("a.ini", "[keep]\r\n");
    fx.dir.write("a.b.ini", "[gone]\r\n");
    page.enterPage();
    ASSERT_EQ(textOf("Edit6"), "a.b.ini");
    find<QListWidget>("FileListBox1")->setCurrentRow(2);
    ASSERT_EQ(textOf("Edit6"), "Flug.ini");

    // A command.
    clickGridRow(2);
    fx.dialogs.confirmAnswers = {false, true};
    click("SpeedButton17");
    EXPECT_EQ(bytes("Flug.ini"), kFlug);
    click("SpeedButton17");
    EXPECT_EQ(bytes("Flug.ini"), "[Waffen]\r\nFeuer=Leerzeichen;32\r\n[Fahrwerk]\r\nAusfahren=G;71\r\n");
    EXPECT_EQ(gridRows(), (QStringList{"Ausfahren|G|71"}));

    // The only command of a group: the header stays, the grid keeps one empty row.
    chooseGroup("Waffen");
    fx.dialogs.confirmAnswers = {true};
    click("SpeedButton17");
    EXPECT_EQ(bytes("Flug.ini"), "[Waffen]\r\n[Fahrwerk]\r\nAusfahren=G;71\r\n");
    EXPECT_EQ(gridRows(), (QStringList{"||"}));

    // A group.
    fx.dialogs.confirmAnswers = {false, true};
    click("SpeedButton23");
    EXPECT_EQ(bytes("Flug.ini"), "[Waffen]\r\n[Fahrwerk]\r\nAusfahren=G;71\r\n");
    chooseGroup("Waffen");
    click("SpeedButton23");
    EXPECT_EQ(bytes("Flug.ini"), "[Fahrwerk]\r\nAusfahren=G;71\r\n");
    EXPECT_EQ(items("ListBox6"), (QStringList{"Fahrwerk"}));
    EXPECT_EQ(textOf("Edit6"), "Flug.ini");
    EXPECT_EQ(fx.dialogs.take(), QStringList(5, "confirm: Sicher löschen"));

    // A Profile shown as "a" but stored as a.b.ini: that file goes, not a.ini.
    find<QListWidget>("FileListBox1")->setCurrentRow(0);
    ASSERT_EQ(textOf("Edit6"), "a.b.ini");
    fx.dialogs.confirmAnswers = {false, true};
    click("SpeedButton15");
    EXPECT_TRUE(exists("a.b.ini"));
    click("SpeedButton15");
    EXPECT_FALSE(exists("a.b.ini"));
    EXPECT_TRUE(exists("a.ini"));
    EXPECT_EQ(items("FileListBox1"), (QStringList{"a", "Flug"}));
    EXPECT_EQ(textOf("Edit6"), "");
    EXPECT_EQ(textOf("Edit9"), "");
    EXPECT_EQ(items("ListBox6"), QStringList{});
    EXPECT_EQ(gridRows(), (QStringList{"||"}));
    fx.dialogs.take();

    // With no Profile chosen there is no file to delete.
    click("SpeedButton15");
    EXPECT_EQ(fx.dialogs.take(), (QStringList{"inform: Datei existiert nicht"}));
}

TEST_F(CommandEditorPageTest, NewAndCopiedProfilesAskBeforeEmptyingAFile) {
    fx.dir.write("Flug.ini", kFlug);
    fx.dir.write("Zug.ini", "[Fahrt]\r\n");
    page.enterPage();

    // An existing file is emptied only on yes.
    fx.dialogs.textAnswers = {"Zug", "Zug"};
    fx.dialogs.confirmAnswers = {false, true};
    click("SpeedButton13");
    EXPECT_EQ(bytes("Zug.ini"), "[Fahrt]\r\n");
    EXPECT_EQ(textOf("Edit6"), "Flug.ini");
    click("SpeedButton13");
    EXPECT_EQ(bytes("Zug.ini"), "");
    EXPECT_EQ(textOf("Edit6"), "Zug.ini");
    EXPECT_EQ(textOf("Edit9"), "");
    EXPECT_EQ(fx.dialogs.take(),
              (QStringList{"ask: Profil neu anlegen: ", "confirm: Datei existiert, überschreiben",
                           "ask: Profil neu anlegen: ", "confirm: Datei existiert, überschreiben"}));

    // "Speichern unter" copies the open Profile, over an existing file without asking.
    find<QListWidget>("FileListBox1")->setCurrentRow(0);
    fx.dialogs.textAnswers = {"Zug"};
    click("SpeedButton24");
    EXPECT_EQ(bytes("Zug.ini"), kFlug);
    EXPECT_EQ(textOf("Edit6"), "Zug.ini");
    fx.dialogs.textAnswers = {"Heli"};
    click("SpeedButton24");
    EXPECT_EQ(bytes("Heli.ini"), kFlug);
    EXPECT_EQ(items("FileListBox1"), (QStringList{"Flug", "Heli", "Zug"}));
    EXPECT_EQ(textOf("Edit6"), "Heli.ini");
    EXPECT_EQ(fx.dialogs.take(),
              (QStringList{"ask: Profil neu anlegen: Flug", "ask: Profil neu anlegen: Zug"}));

    // Cancelled, or the own name again: nothing happens.
    fx.dialogs.textAnswers = {"", "Heli", ""};
    click("SpeedButton24");
    click("SpeedButton24");
    click("SpeedButton13");
    EXPECT_EQ(items("FileListBox1"), (QStringList{"Flug", "Heli", "Zug"}));

    // Names that would leave the program directory are refused with the reason.
    fx.dialogs.take();
    fx.dialogs.textAnswers = {"../raus", "x/y"};
    click("SpeedButton13");
    click("SpeedButton24");
    const QStringList shown = fx.dialogs.take();
    ASSERT_EQ(shown.size(), 4);
    EXPECT_TRUE(shown[1].startsWith("inform: ")) << shown[1].toStdString();
    EXPECT_TRUE(shown[3].startsWith("inform: ")) << shown[3].toStdString();
    EXPECT_FALSE(exists("../raus.ini"));
    EXPECT_EQ(items("FileListBox1"), (QStringList{"Flug", "Heli", "Zug"}));
}

TEST_F(CommandEditorPageTest, ControlsAreEnabledOnlyWhenTheyHaveSomethingToWorkOn) {
    const auto commandControls = {"SpeedButton14", "SpeedButton16", "SpeedButton17", "Edit7", "Edit8"};
    // Before the page was ever entered only "Rec" and "Stop" are usable.
    EXPECT_FALSE(enabled("SpeedButton18"));
    EXPECT_FALSE(enabled("SpeedButton19"));
    EXPECT_FALSE(enabled("SpeedButton23"));
    for (const char* c : commandControls) {
        EXPECT_FALSE(enabled(c)) << c;
    }
    EXPECT_TRUE(enabled("SpeedButton33"));
    EXPECT_TRUE(enabled("SpeedButton34"));

    // A Profile without groups: a group can be made, nothing else.
    fx.dir.write("Leer.ini", "");
    page.enterPage();
    EXPECT_TRUE(enabled("SpeedButton18"));
    EXPECT_FALSE(enabled("SpeedButton19"));
    EXPECT_FALSE(enabled("SpeedButton23"));
    for (const char* c : commandControls) {
        EXPECT_FALSE(enabled(c)) << c;
    }
    EXPECT_FALSE(enabled("SpeedButton33"));
    // A key pressed into the disabled field captures nothing.
    pressKey(Qt::Key_A);
    EXPECT_EQ(page.editor().keySequence(), "");

    // With a group chosen, everything works.
    fx.dialogs.textAnswers = {"Gruppe"};
    click("SpeedButton18");
    for (const char* c :
         {"SpeedButton18", "SpeedButton19", "SpeedButton23", "SpeedButton33", "SpeedButton34"}) {
        EXPECT_TRUE(enabled(c)) << c;
    }
    for (const char* c : commandControls) {
        EXPECT_TRUE(enabled(c)) << c;
    }

    // A rename answered with nothing empties the group field: the group's controls go off.
    fx.dialogs.textAnswers = {""};
    click("SpeedButton19");
    EXPECT_EQ(textOf("Edit9"), "");
    EXPECT_FALSE(enabled("SpeedButton19"));
    EXPECT_FALSE(enabled("SpeedButton23"));
    for (const char* c : commandControls) {
        EXPECT_FALSE(enabled(c)) << c;
    }
    EXPECT_EQ(bytes("Leer.ini"), "[Gruppe]\r\n");
    // Clicking the group brings them back.
    chooseGroup("Gruppe");
    EXPECT_TRUE(enabled("SpeedButton19"));
    EXPECT_TRUE(enabled("SpeedButton16"));
}

TEST_F(CommandEditorPageTest, LeavingThePageOrANewCommandEndsARecording) {
    fx.dir.write("Flug.ini", "[A]\r\n");
    page.enterPage();
    click("SpeedButton33");
    pressKey(Qt::Key_A);
    page.hide();
    EXPECT_FALSE(page.editor().recording());
    page.show();
    EXPECT_EQ(textOf("Edit8"), "(0)A(");

    click("SpeedButton33");
    EXPECT_EQ(textOf("Edit8"), "");
    pressKey(Qt::Key_B);
    typeName("x");  // the name field takes no part in the recording
    click("SpeedButton14");
    EXPECT_FALSE(page.editor().recording());
    EXPECT_TRUE(find<QAbstractButton>("SpeedButton34")->isChecked());
    EXPECT_EQ(textOf("Edit7"), "");
    EXPECT_EQ(textOf("Edit8"), "");
    // The earlier keys stay in front of the next recording; playback ignores what precedes "(".
    click("SpeedButton33");
    pressKey(Qt::Key_C);
    EXPECT_EQ(find<QLabel>("Label12")->text(), "(0)65(0)66(0)67");
}

TEST_F(CommandEditorPageTest, TheCaptionsComeFromTheTextVariables) {
    fx.texts.replace(TextGroup::Interface, "Kommando speichern", "Save command");
    fx.texts.replace(TextGroup::Interface, "Taste", "Key");
    page.applyTexts();
    EXPECT_EQ(find<QAbstractButton>("SpeedButton16")->text(), "Save command");
    EXPECT_EQ(find<QLabel>("Label11")->text(), "Key");
    EXPECT_EQ(find<QTableWidget>("StringGrid1")->horizontalHeaderItem(1)->text(), "Key");
    EXPECT_EQ(find<QAbstractButton>("SpeedButton19")->text(), "Profilgruppe umbenennen");
    EXPECT_EQ(find<QLabel>("Label1")->text(), "Kommando Profil");
    EXPECT_EQ(find<QLabel>("Label22")->text(), "Kommando Gruppe");
    EXPECT_EQ(find<QLabel>("Label35")->text(), "Kommandos");
    EXPECT_EQ(page.header()->text(), "Spiele-Tastaturbelegung");
    EXPECT_EQ(page.sideList()->objectName(), "FileListBox1");
}

TEST_F(CommandEditorPageTest, TheFocusGoesWhereTheNextInputBelongs) {
    fx.dir.write("Flug.ini", kFlug);
    page.enterPage();
    auto* name = find<QLineEdit>("Edit7");
    auto* key = find<QLineEdit>("Edit8");
    clickGridRow(1);
    EXPECT_EQ(page.focusWidget(), key);
    click("SpeedButton14");
    EXPECT_EQ(page.focusWidget(), name);
    // Enter in the name field moves on to the key field.
    sendKey(name, Qt::Key_Return);
    EXPECT_EQ(page.focusWidget(), key);
    // A save without a name sends the user back to the name field.
    pressKey(Qt::Key_Q);
    click("SpeedButton16");
    EXPECT_EQ(page.focusWidget(), name);
    typeName("Neu");
    click("SpeedButton14");
    typeName("Neu");
    key->setFocus();
    click("SpeedButton16");
    EXPECT_EQ(page.focusWidget(), key);
    EXPECT_EQ(fx.dialogs.take(), (QStringList(2, "inform: Bezeichner eingeben")));
}

TEST_F(CommandEditorPageTest, AWriteThatFailsIsToldAndTheFieldsKeepTheirInput) {
    fx.dir.write("Flug.ini", kFlug);
    page.enterPage();
    // "=" cannot stand in a command name: the file would read it back as another name.
    typeName("a=b");
    pressKey(Qt::Key_K);
    click("SpeedButton16");
    const QStringList shown = fx.dialogs.take();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].startsWith("inform: nach ")) << shown[0].toStdString();
    EXPECT_TRUE(shown[0].contains("kann nicht geschrieben werden")) << shown[0].toStdString();
    EXPECT_EQ(bytes("Flug.ini"), kFlug);
    EXPECT_EQ(textOf("Edit7"), "a=b");
    EXPECT_EQ(textOf("Edit8"), "K");
    EXPECT_EQ(gridRows(), (QStringList{"Ausfahren|G|71", "Bremse|Strg_F12|17_123"}));
}

}  // namespace
}  // namespace pw
