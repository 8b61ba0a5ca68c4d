#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>

#include "GamesTestSupport.h"
#include "app/games/GameLibraryPage.h"
#include "app/games/GroupPictures.h"
#include "app/window/GameLists.h"
#include "store/RegistryAccess.h"
#include "support/gui/AppFixture.h"

namespace pw {
namespace {

using test::gameValue;
using test::qpath;
using test::rows;
using test::writeGameValue;

const std::string kGames = std::string(kProgramKeyPath) + "\\games";
const QStringList kDefaultGroups = {"Action", "Adventure", "Simulation", "Sport", "Strategie"};

class LibraryPage : public ::testing::Test {
protected:
    // The page's timer would rebuild the tree 10 ms later; the test runs its tick at once.
    void reload() {
        page.aktualisieren();
        ASSERT_TRUE(page.timer2()->isActive());
        page.treeaktualisieren();
    }
    void chooseGroup(const QString& name) {
        const auto found = page.groupList()->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        page.groupList()->setCurrentItem(found.front());
    }
    QTreeWidgetItem* node(const QString& group, const QString& game = {}) {
        for (int i = 0; i < page.tree()->topLevelItemCount(); ++i) {
            QTreeWidgetItem* g = page.tree()->topLevelItem(i);
            if (g->text(0) != group) {
                continue;
            }
            if (game.isEmpty()) {
                return g;
            }
            for (int j = 0; j < g->childCount(); ++j) {
                if (g->child(j)->text(0) == game) {
                    return g->child(j);
                }
            }
        }
        return nullptr;
    }
    void clickNode(const QString& group, const QString& game = {}) {
        QTreeWidgetItem* n = node(group, game);
        ASSERT_NE(n, nullptr);
        page.tree()->setCurrentItem(n);
        page.treeView1Click();
    }
    std::vector<std::string> games(std::string_view group) {
        return fx.store().subkeys(kGames + "\\" + std::string(group));
    }
    std::string program(const char* name, std::string_view bytes = "MZ") {
        return fx.dir.write(name, bytes).string();
    }

    test::AppFixture fx;
    GameLibraryPage page{fx.context};
};

TEST_F(LibraryPage, TheRebuildListsGroupsSortedWithTheirGamesAndFillsTheOtherPagesLists) {
    writeGameValue(fx.store(), "rennen", "Rallye", "icon", "");
    writeGameValue(fx.store(), "Action", "Quake", "icon", "");
    writeGameValue(fx.store(), "Action", "Doom", "icon", "");
    reload();
    EXPECT_EQ(rows(page.groupList()),
              (QStringList{"Action", "Adventure", "rennen", "Simulation", "Sport", "Strategie"}));
    EXPECT_EQ(page.timer2()->interval(), 10);
    EXPECT_TRUE(page.timer2()->isSingleShot());

    ASSERT_EQ(page.tree()->topLevelItemCount(), 6);
    QTreeWidgetItem* action = node("Action");
    ASSERT_EQ(action->childCount(), 2);
    EXPECT_EQ(action->child(0)->text(0), "Quake") << "games in the store's order";
    EXPECT_EQ(action->child(1)->text(0), "Doom");
    EXPECT_FALSE(action->child(1)->icon(0).isNull()) << "a game without icon shows the theme's picture";
    EXPECT_EQ(node("rennen")->childCount(), 1);
    EXPECT_EQ(page.tree()->iconSize(), QSize(14, 14));

    const QList<GroupEntry>& lists = fx.lists.groups();
    ASSERT_EQ(lists.size(), 6);
    QStringList names;
    for (const GroupEntry& g : lists) {
        names << g.name;
    }
    EXPECT_EQ(names, rows(page.groupList()));
    const auto image = [](const QIcon& icon) { return icon.pixmap(30, 30).toImage(); };
    EXPECT_EQ(image(lists[0].icon), image(groupPicture(0)));
    EXPECT_EQ(image(lists[2].icon), image(groupPicture(5))) << "any other group";
    EXPECT_EQ(image(lists[4].icon), image(groupPicture(3)));
    EXPECT_EQ(image(node("Strategie")->icon(0)), image(groupPicture(4)));
}

TEST_F(LibraryPage, AHiddenPageReloadsTheGroupsButLeavesTheTreeAlone) {
    page.hide();
    page.aktualisieren();
    EXPECT_EQ(rows(page.groupList()), kDefaultGroups);
    EXPECT_FALSE(page.timer2()->isActive());
}

TEST_F(LibraryPage, ANewGroupIsCreatedAndTheSelectionKeepsItsPosition) {
    reload();
    chooseGroup("Sport");
    EXPECT_EQ(page.chosenGroup(), "Sport");
    fx.dialogs.textAnswers = {"Aaa"};
    page.speedButton3Click();
    EXPECT_EQ(fx.dialogs.take(), QStringList{"ask: Spielgruppe: "});
    EXPECT_TRUE(fx.store().keyExists(kGames + "\\Aaa"));
    EXPECT_EQ(rows(page.groupList()).front(), "Aaa");
    // Sport was the fourth group; the fourth is now Simulation.
    EXPECT_EQ(page.groupList()->currentItem()->text(), "Simulation");
    EXPECT_EQ(page.chosenGroup(), "Aaa");
    page.treeaktualisieren();
    EXPECT_NE(node("Aaa"), nullptr);

    fx.dialogs.textAnswers = {""};
    page.speedButton3Click();
    EXPECT_EQ(fx.store().subkeys(kGames).size(), 6u) << "an empty answer creates nothing";
    EXPECT_EQ(page.chosenGroup(), "");
}

TEST_F(LibraryPage, RenamingMovesTheGroupWithItsGames) {
    writeGameValue(fx.store(), "Rennen", "Rallye", "exe", "/g/rallye");
    reload();
    page.groupList()->setCurrentRow(-1);
    page.speedButton4Click();
    EXPECT_EQ(fx.dialogs.take(), QStringList{"inform: Gruppe wählen"}) << "nothing asked without a group";

    chooseGroup("Rennen");
    fx.dialogs.textAnswers = {"Rallyes"};
    page.speedButton4Click();
    EXPECT_EQ(fx.dialogs.take(), QStringList{"ask: Spielgruppe: Rennen"});
    EXPECT_FALSE(fx.store().keyExists(kGames + "\\Rennen"));
    EXPECT_EQ(gameValue(fx.store(), "Rallyes", "Rallye", "exe"), "/g/rallye");
    EXPECT_EQ(page.chosenGroup(), "Rallyes");
    EXPECT_TRUE(rows(page.groupList()).contains("Rallyes"));

    // A group of that name in another case exists already: nothing changes.
    chooseGroup("Sport");
    fx.dialogs.textAnswers = {"SPORT"};
    page.speedButton4Click();
    EXPECT_TRUE(rows(page.groupList()).contains("Sport"));
    EXPECT_FALSE(rows(page.groupList()).contains("SPORT"));
}

TEST_F(LibraryPage, DeletingAGroupAsksFirstAndTakesItsGames) {
    writeGameValue(fx.store(), "Sport", "Fifa", "exe", "/g/fifa");
    fx.autoActivation.alle_programme_aufbauen();
    reload();
    page.speedButton5Click();
    EXPECT_EQ(fx.dialogs.take(), QStringList{"inform: Gruppe wählen"});

    chooseGroup("Sport");
    fx.dialogs.confirmAnswers = {false};
    page.speedButton5Click();
    EXPECT_EQ(fx.dialogs.take(), QStringList{"confirm: Gruppe löschen ?"});
    EXPECT_EQ(games("Sport"), std::vector<std::string>{"Fifa"});

    fx.dialogs.confirmAnswers = {true};
    page.speedButton5Click();
    EXPECT_FALSE(fx.store().keyExists(kGames + "\\Sport"));
    EXPECT_FALSE(rows(page.groupList()).contains("Sport"));
    // The lookup list keeps the game until it is rebuilt next.
    ASSERT_EQ(fx.autoActivation.lookupList().size(), 1u);
    EXPECT_EQ(fx.autoActivation.lookupList().front().game, "Fifa");
}

TEST_F(LibraryPage, NamesWithABackslashOrALineBreakAreRefusedAndNothingIsWritten) {
    reload();
    const std::vector<std::string> before = fx.store().subkeys(kGames);
    fx.dialogs.textAnswers = {"Sport\\Fifa"};
    page.speedButton3Click();
    chooseGroup("Action");
    fx.dialogs.textAnswers = {"zwei\nZeilen"};
    page.speedButton4Click();
    EXPECT_EQ(fx.dialogs.take(), (QStringList{"ask: Spielgruppe: ", "inform: Namen ohne \\ eingeben",
                                              "ask: Spielgruppe: Action", "inform: Namen ohne \\ eingeben"}));
    EXPECT_EQ(fx.store().subkeys(kGames), before);
    EXPECT_FALSE(fx.store().keyExists(kGames + "\\Sport\\Fifa"));

    page.nameEdit()->setText("..\\..\\exepath");
    page.commandEdit()->setText(QString::fromStdString(program("doom.exe")));
    page.speedButton7Click();
    EXPECT_EQ(fx.dialogs.take(), QStringList{"inform: Namen ohne \\ eingeben"});
    EXPECT_TRUE(games("Action").empty());
    page.speedButton8Click();
    EXPECT_EQ(fx.dialogs.take(), QStringList{"inform: Namen ohne \\ eingeben"})
        << "no question before the refusal";
}

TEST_F(LibraryPage, ANewGameProposesItsNameFromTheFileAndGetsNoControllerAndNoProfile) {
    const std::string exe = program("my.game.exe");
    reload();
    chooseGroup("Action");
    fx.dialogs.fileAnswers = {QString::fromStdString(exe)};
    fx.dialogs.confirmAnswers = {false};
    page.speedButton6Click();
    EXPECT_EQ(fx.dialogs.take(),
              (QStringList{"open: Anwendungen (*.exe;*.com;*.bat)|*.exe;*.com;*.bat|Alle Dateien (*.*)|*.*",
                           "confirm: Icon fehl. Suchen?"}));
    EXPECT_EQ(page.nameEdit()->text(), "my");
    EXPECT_EQ(page.commandEdit()->text(), QString::fromStdString(exe));
    EXPECT_EQ(page.folderEdit()->text(), qpath(fx.dir.path()) + "/");
    EXPECT_EQ(page.iconSource(), QCoreApplication::applicationFilePath()) << "no icon: the program's own";
    EXPECT_EQ(page.editorGameKey(), "");

    page.speedButton7Click();
    EXPECT_EQ(fx.dialogs.take(), QStringList{});
    EXPECT_EQ(gameValue(fx.store(), "Action", "my", "name"), "my");
    EXPECT_EQ(gameValue(fx.store(), "Action", "my", "exe"), exe);
    EXPECT_EQ(gameValue(fx.store(), "Action", "my", "icon"),
              QCoreApplication::applicationFilePath().toStdString());
    EXPECT_EQ(gameValue(fx.store(), "Action", "my", "path"), fx.dir.path().string() + "/");
    EXPECT_EQ(gameValue(fx.store(), "Action", "my", "controller"), "Ohne Auswahl\\Ohne Auswahl");
    EXPECT_EQ(gameValue(fx.store(), "Action", "my", "profil"), "Ohne Auswahl");
    ASSERT_EQ(fx.autoActivation.lookupList().size(), 1u) << "the lookup list is rebuilt";
    EXPECT_EQ(fx.autoActivation.lookupList().front().exe, exe);
    page.treeaktualisieren();
    EXPECT_NE(node("Action", "my"), nullptr);

    // Saved again without loading it, it is a new game once more: controller and Profile go back.
    writeGameValue(fx.store(), "Action", "my", "controller", "Joystick\\Pad");
    writeGameValue(fx.store(), "Action", "my", "profil", "Shooter");
    page.speedButton7Click();
    EXPECT_EQ(gameValue(fx.store(), "Action", "my", "controller"), "Ohne Auswahl\\Ohne Auswahl");
    EXPECT_EQ(gameValue(fx.store(), "Action", "my", "profil"), "Ohne Auswahl");
}

TEST_F(LibraryPage, AProgramWithoutIconTakesTheFirstIconFileOfItsFolder) {
    const std::string exe = program("game.exe");
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::red);
    ASSERT_TRUE(image.save(qpath(fx.dir.file("b.ico"))));
    ASSERT_TRUE(image.save(qpath(fx.dir.file("a.ico"))));
    reload();
    chooseGroup("Sport");
    fx.dialogs.fileAnswers = {QString::fromStdString(exe)};
    page.speedButton2Click();
    EXPECT_EQ(fx.dialogs.take().size(), 1) << "no question: an icon was found";
    EXPECT_EQ(page.iconSource(), qpath(fx.dir.file("a.ico")));
    EXPECT_FALSE(page.iconButton()->icon().isNull());
    page.speedButton7Click();
    EXPECT_EQ(gameValue(fx.store(), "Sport", "game", "icon"), fx.dir.file("a.ico").string());
}

TEST_F(LibraryPage, TheIconQuestionLetsTheUserChooseAPicture) {
    const std::string exe = program("game.exe");
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::blue);
    const QString picture = qpath(fx.dir.file("pictures.png"));
    ASSERT_TRUE(image.save(picture));
    fx.dialogs.fileAnswers = {QString::fromStdString(exe), picture};
    fx.dialogs.confirmAnswers = {true};
    page.speedButton2Click();
    const QStringList shown = fx.dialogs.take();
    ASSERT_EQ(shown.size(), 3);
    EXPECT_EQ(shown[2], "open: Grafikdateien (*.ico;*.bmp;*.emf;*.wmf)|*.ico;*.bmp;*.emf;*.wmf|");
    EXPECT_EQ(page.iconSource(), picture);
    EXPECT_EQ(page.iconButton()->icon().pixmap(16, 16).toImage().pixel(8, 8), QColor(Qt::blue).rgb());

    // Cancelling the picture dialog leaves the program's own icon.
    fx.dialogs.fileAnswers = {QString::fromStdString(program("other.exe")), QString()};
    fx.dialogs.confirmAnswers = {true};
    std::filesystem::remove(fx.dir.file("pictures.png"));
    page.speedButton2Click();
    EXPECT_EQ(page.iconSource(), QCoreApplication::applicationFilePath());
}

TEST_F(LibraryPage, SavingALoadedGameMovesItAndKeepsItsAssignments) {
    const std::string exe = program("doom.exe");
    writeGameValue(fx.store(), "Action", "Doom", "name", "Doom");
    writeGameValue(fx.store(), "Action", "Doom", "exe", exe + " -nosound");
    writeGameValue(fx.store(), "Action", "Doom", "path", "/g/");
    writeGameValue(fx.store(), "Action", "Doom", "icon", "/g/doom.ico");
    writeGameValue(fx.store(), "Action", "Doom", "controller", "Joystick\\Pad");
    writeGameValue(fx.store(), "Action", "Doom", "profil", "Shooter");
    writeGameValue(fx.store(), "Action", "Doom", "[isbutton1]", "17_65");
    reload();
    clickNode("Action", "Doom");
    EXPECT_EQ(page.nameEdit()->text(), "Doom");
    EXPECT_EQ(page.commandEdit()->text(), QString::fromStdString(exe + " -nosound"));
    EXPECT_EQ(page.folderEdit()->text(), "/g/");
    EXPECT_EQ(page.iconSource(), "/g/doom.ico");
    EXPECT_EQ(page.editorGameKey(), "Doom");
    EXPECT_EQ(page.editorGroupKey(), "Action");
    EXPECT_EQ(page.groupList()->currentItem()->text(), "Action");

    chooseGroup("Sport");
    page.nameEdit()->setText("Doom II");
    page.speedButton7Click();
    EXPECT_EQ(fx.dialogs.take(), QStringList{});
    EXPECT_TRUE(games("Action").empty());
    EXPECT_EQ(gameValue(fx.store(), "Sport", "Doom II", "name"), "Doom II");
    EXPECT_EQ(gameValue(fx.store(), "Sport", "Doom II", "exe"), exe + " -nosound");
    EXPECT_EQ(gameValue(fx.store(), "Sport", "Doom II", "controller"), "Joystick\\Pad");
    EXPECT_EQ(gameValue(fx.store(), "Sport", "Doom II", "profil"), "Shooter");
    EXPECT_EQ(gameValue(fx.store(), "Sport", "Doom II", "[isbutton1]"), "17_65");
    EXPECT_EQ(page.editorGameKey(), "Doom") << "saving leaves the editor's keys";
    EXPECT_EQ(page.editorGroupKey(), "Action");
}

TEST_F(LibraryPage, SavingALoadedGameUnderAnotherGamesNameOverwritesThatGamesStartValues) {
    const std::string exe = program("doom.exe");
    writeGameValue(fx.store(), "Action", "Doom", "exe", exe);
    writeGameValue(fx.store(), "Action", "Quake", "exe", "/g/quake");
    writeGameValue(fx.store(), "Action", "Quake", "profil", "Q");
    reload();
    clickNode("Action", "Doom");
    page.nameEdit()->setText("Quake");
    page.speedButton7Click();
    EXPECT_EQ(games("Action"), (std::vector<std::string>{"Doom", "Quake"}));
    EXPECT_EQ(gameValue(fx.store(), "Action", "Quake", "exe"), exe);
    EXPECT_EQ(gameValue(fx.store(), "Action", "Quake", "profil"), "Q");
}

TEST_F(LibraryPage, ALoadedGameThatIsGoneIsSavedAsANewGame) {
    const std::string exe = program("doom.exe");
    writeGameValue(fx.store(), "Action", "Doom", "name", "Doom");
    writeGameValue(fx.store(), "Action", "Doom", "exe", exe);
    reload();
    clickNode("Action", "Doom");
    fx.store().deleteKey(gameKeyPath("Action", "Doom"));
    page.speedButton7Click();
    EXPECT_EQ(fx.dialogs.take(), QStringList{});
    EXPECT_EQ(gameValue(fx.store(), "Action", "Doom", "exe"), exe);
    EXPECT_EQ(gameValue(fx.store(), "Action", "Doom", "profil"), "Ohne Auswahl");
    EXPECT_EQ(fx.store().valueNames(kGames), std::vector<std::string>{})
        << "nothing lands on the groups' key";
}

TEST_F(LibraryPage, SavingNeedsAGroupANameAndAnExistingFile) {
    reload();
    page.groupList()->setCurrentRow(-1);
    page.nameEdit()->setText("Doom");
    page.commandEdit()->setText(QString::fromStdString(program("doom.exe")));
    page.speedButton7Click();
    chooseGroup("Action");
    page.nameEdit()->clear();
    page.speedButton7Click();
    page.nameEdit()->setText("Doom");
    page.commandEdit()->setText(qpath(fx.dir.file("gone.exe")) + " -nosound");
    page.speedButton7Click();
    EXPECT_EQ(fx.dialogs.take(), (QStringList{"inform: Gruppe wählen", "inform: Bezeichner eingeben",
                                              "inform: Datei existiert nicht"}));
    EXPECT_TRUE(games("Action").empty());

    // A program of this system without extension, with parameters, is found as a shell finds it.
    const auto script = fx.dir.write("run.sh", "#!/bin/sh\n");
    page.commandEdit()->setText(qpath(script) + " -window 'two words'");
    page.speedButton7Click();
    EXPECT_EQ(fx.dialogs.take(), QStringList{});
    EXPECT_EQ(gameValue(fx.store(), "Action", "Doom", "exe"), script.string() + " -window 'two words'");
}

TEST_F(LibraryPage, DeletingAGameAsksAndClearsTheEditor) {
    writeGameValue(fx.store(), "Action", "Doom", "name", "Doom");
    writeGameValue(fx.store(), "Action", "Doom", "exe", "/g/doom");
    writeGameValue(fx.store(), "Action", "Quake", "exe", "/g/quake");
    reload();
    clickNode("Action", "Doom");
    fx.dialogs.confirmAnswers = {false};
    page.speedButton8Click();
    EXPECT_EQ(fx.dialogs.take(), QStringList{"confirm: Sicher löschen"});
    EXPECT_EQ(games("Action").size(), 2u);

    fx.dialogs.confirmAnswers = {true};
    page.speedButton8Click();
    fx.dialogs.take();
    EXPECT_EQ(games("Action"), std::vector<std::string>{"Quake"});
    EXPECT_EQ(page.nameEdit()->text(), "");
    EXPECT_EQ(page.commandEdit()->text(), "");
    EXPECT_EQ(page.folderEdit()->text(), "");
    ASSERT_EQ(fx.autoActivation.lookupList().size(), 1u);
    EXPECT_EQ(fx.autoActivation.lookupList().front().game, "Quake");

    page.speedButton8Click();
    EXPECT_EQ(fx.dialogs.take(), QStringList{}) << "nothing asked with an empty name";
}

TEST_F(LibraryPage, AGroupNodeChoosesItsGroupAndLeavesTheFields) {
    writeGameValue(fx.store(), "Action", "Doom", "exe", "/g/doom");
    reload();
    page.nameEdit()->setText("typed");
    clickNode("Simulation");
    EXPECT_EQ(page.groupList()->currentItem()->text(), "Simulation");
    EXPECT_EQ(page.chosenGroup(), "Simulation");
    EXPECT_EQ(page.editorGroupKey(), "Simulation");
    EXPECT_EQ(page.nameEdit()->text(), "typed");
    EXPECT_EQ(page.editorGameKey(), "");

    // A key moving through the tree loads as a click does.
    page.tree()->setCurrentItem(node("Action", "Doom"));
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(page.tree(), &release);
    EXPECT_EQ(page.editorGameKey(), "Doom");
    EXPECT_EQ(page.commandEdit()->text(), "/g/doom");
}

TEST_F(LibraryPage, TheGameButtonsAndTheIconFollowTheFields) {
    const auto enabledAndShown = [&] {
        const bool save = page.findChild<QPushButton*>("SpeedButton7")->isEnabled();
        const bool remove = page.findChild<QPushButton*>("SpeedButton8")->isEnabled();
        EXPECT_EQ(save, remove);
        EXPECT_EQ(save, !page.iconButton()->isHidden());
        return save;
    };
    EXPECT_FALSE(enabledAndShown());
    page.commandEdit()->setText("x");
    EXPECT_TRUE(enabledAndShown());
    page.commandEdit()->clear();
    EXPECT_FALSE(enabledAndShown());
    page.nameEdit()->setText("y");
    EXPECT_TRUE(enabledAndShown());
}

TEST_F(LibraryPage, EnterMovesThroughTheFields) {
    page.show();
    QApplication::setActiveWindow(&page);
    page.nameEdit()->setFocus();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(page.nameEdit(), &enter);
    EXPECT_EQ(QApplication::focusWidget(), page.commandEdit());
    QApplication::sendEvent(page.commandEdit(), &enter);
    EXPECT_EQ(QApplication::focusWidget(), page.folderEdit());
}

TEST_F(LibraryPage, EveryControlHasItsNameAndItsText) {
    fx.texts.replace(TextGroup::Interface, "Spiel speichern", "Save game");
    page.applyTexts();
    EXPECT_EQ(page.objectName(), "panel5");
    EXPECT_EQ(page.header()->objectName(), "Panel6");
    EXPECT_EQ(page.sideList()->objectName(), "TreeView1");
    const std::map<QString, QString> texts = {{"Label2", "Spielbezeichnung"},
                                              {"Label4", "Ausführende Datei"},
                                              {"Label14", "Arbeitsverzeichnis"},
                                              {"Label15", "Spielgruppe"},
                                              {"SpeedButton2", "Suchen"},
                                              {"SpeedButton3", "Gruppe neu"},
                                              {"SpeedButton4", "Gruppe umbenennen"},
                                              {"SpeedButton5", "Gruppe löschen"},
                                              {"SpeedButton6", "Spiel neu"},
                                              {"SpeedButton7", "Save game"},
                                              {"SpeedButton8", "Spiel löschen"}};
    for (const auto& [name, text] : texts) {
        const QWidget* w = page.findChild<QWidget*>(name);
        ASSERT_NE(w, nullptr) << name.toStdString();
        EXPECT_EQ(w->property("text").toString(), text) << name.toStdString();
    }
    for (const char* name : {"ListBox1", "Edit2", "Edit3", "Edit4", "Image1"}) {
        EXPECT_NE(page.findChild<QWidget*>(name), nullptr) << name;
    }
    EXPECT_NE(page.findChild<QTimer*>("Timer2"), nullptr);
}

}  // namespace
}  // namespace pw
