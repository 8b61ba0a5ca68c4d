#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QTest>
#include <memory>

#include "app/assign/AssignmentPage.h"
#include "input/sdl/SdlJoystickDevice.h"
#include "input/sdl/SdlVirtualJoystick.h"
#include "profiles/GameAssignments.h"
#include "store/RegistryAccess.h"
#include "support/gui/AppFixture.h"

namespace pw {
namespace {

using A = ControllerAction;
using Events = std::vector<std::string>;

const std::string kGame = gameKeyPath("Simulation", "Flugsim");
const std::string kOther = gameKeyPath("Simulation", "Neu");

// The assignment page on a real store, a Profile file in the program directory and an SDL virtual
// pad read through the real joystick path. The game "Flugsim" plays with the registered gamepad
// "Mein Pad" and Flug.ini, where "Feuer" (display text "Leerzeichen") sends 32 on button 1; the
// game "Neu" beside it has no choices yet.
class Page4 : public ::testing::Test {
protected:
    Page4() {
        fx.joystick.setId(pad.deviceIndex());
        fx.joystick.openJoystick();
        fx.dir.write("Flug.ini",
                     "[Waffen]\r\nFeuer=Leerzeichen;32\r\nRakete=R;82\r\n"
                     "[Fahrwerk]\r\nAusfahren=G;71\r\nBremse=Strg_F12;17_123\r\n");
        fx.dir.write("Auto.ini", "[Fahren]\r\nHupe=H;72\r\n");
        QImage red(16, 16, QImage::Format_ARGB32);
        red.fill(Qt::red);
        red.save(QString::fromStdString(fx.dir.file("flugsim.png").string()));

        SettingsStore& store = fx.store();
        store.createKey(kGame);
        write(kGame, "name", "Flugsim");
        write(kGame, "exe", "/games/flugsim");
        write(kGame, "icon", fx.dir.file("flugsim.png").string());
        write(kGame, "controller", "Gamepad\\Mein Pad");
        write(kGame, "profil", "Flug.ini");
        write(kGame, "Leerzeichen", "Knopf 1");
        write(kGame, "[isbutton1]", "32");
        store.createKey(kOther);
        const std::string registered = joinKeyPath(kProgramKeyPath, "controller\\Gamepad\\Mein Pad");
        store.createKey(registered);
        write(registered, "Joystick1OEMName", "VirtualPad");

        QList<GroupEntry> groups;
        for (const std::string& group : store.subkeys(joinKeyPath(kProgramKeyPath, "games"))) {
            groups.push_back({QString::fromStdString(group), QIcon()});
        }
        fx.lists.setGroups(groups);
        fx.lists.setControllers({{QStringLiteral("Mein Pad"), QStringLiteral("Gamepad"), QIcon()},
                                 {QStringLiteral("Ohne Auswahl"), QStringLiteral("Ohne Auswahl"), QIcon()}});

        page = std::make_unique<AssignmentPage>(fx.context);
        page->resize(558, 422);
        page->show();
        QApplication::setActiveWindow(page.get());
    }

    ~Page4() override { fx.timer.setTimerEnabled(false); }

    void write(const std::string& key, std::string_view name, std::string value) {
        fx.store().writeValue(key, name, RegistryValue::string(std::move(value)));
    }
    std::optional<std::string> value(std::string_view name, const std::string& key = kGame) {
        const auto v = fx.store().readValue(key, name);
        return v ? std::optional<std::string>(v->data) : std::nullopt;
    }

    int groupRow(const char* name) const {
        const auto found = page->groupList()->findItems(QString::fromUtf8(name), Qt::MatchExactly);
        return found.isEmpty() ? -1 : page->groupList()->row(found.first());
    }
    void clickGroup(const char* name) {
        QListWidget* list = page->groupList();
        const int row = groupRow(name);
        ASSERT_GE(row, 0) << name;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(row)).center());
    }
    void clickCommandGroup(const char* name) {
        QListWidget* list = page->commandGroupList();
        const auto found = list->findItems(QString::fromUtf8(name), Qt::MatchExactly);
        ASSERT_FALSE(found.isEmpty()) << name;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(found.first()).center());
    }
    // The user picks an entry from the box's list.
    void choose(ChoiceBox* box, const char* text) {
        const int index = box->findText(QString::fromUtf8(text));
        ASSERT_GE(index, 0) << text;
        box->setCurrentIndex(index);
        Q_EMIT box->activated(index);
    }
    // The lower grid's row (counted from 0) that lists the command.
    int commandRow(const char* command) const {
        QTableWidget* grid = page->lowerGrid();
        for (int row = 0; row < grid->rowCount(); ++row) {
            if (grid->item(row, 0) != nullptr && grid->item(row, 0)->text() == QString::fromUtf8(command)) {
                return row;
            }
        }
        return -1;
    }
    void clickCommand(const char* command) {
        QTableWidget* grid = page->lowerGrid();
        const int row = commandRow(command);
        ASSERT_GE(row, 0) << command;
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          grid->visualItemRect(grid->item(row, 0)).center());
    }
    QString lowerAction(const char* command) const {
        const int row = commandRow(command);
        return row < 0 ? QStringLiteral("<missing>") : page->lowerGrid()->item(row, 3)->text();
    }
    // Press (or release) a button on the pad and let the polling loop run once.
    void button(int index, bool pressed) {
        pad.setButton(index, pressed);
        fx.loop.tick();
    }
    // The page as the user finds it with Flugsim chosen and the command group Waffen listed.
    void openWaffen() {
        fx.lists.assignGroupIndex = groupRow("Simulation");
        fx.lists.assignGameIndex = 0;
        page->enterPage();
        clickCommandGroup("Waffen");
        fx.dialogs.take();
    }
    void leaveGrid() { page->gameBox()->setFocus(Qt::TabFocusReason); }
    bool conflictShown() const {
        for (QToolButton* mark : page->conflictMarks()) {
            if (!mark->isVisibleTo(page.get())) {
                return false;
            }
        }
        return true;
    }

    SdlVirtualJoystick pad{4, 12, 1};
    SdlJoystickDevice device;
    test::AppFixture fx{&device};
    std::unique_ptr<AssignmentPage> page;
};

TEST_F(Page4, UserChoosesGroupGameControllerProfileAndCommandGroup) {
    page->enterPage();
    EXPECT_EQ(page->groupField()->text(), "Action") << "the remembered first group is chosen";
    EXPECT_EQ(page->gameBox()->count(), 0);

    clickGroup("Simulation");
    EXPECT_EQ(fx.lists.assignGroupIndex, groupRow("Simulation"));
    EXPECT_EQ(page->groupField()->text(), "Simulation");
    ASSERT_EQ(page->gameBox()->count(), 2);
    EXPECT_EQ(page->gameBox()->currentText(), "Flugsim");
    const QImage icon = page->gameBox()->itemIcon(0).pixmap(16, 16).toImage();
    EXPECT_EQ(icon.pixelColor(8, 8), QColor(Qt::red)) << "the game's picture comes from its icon file";

    // The game's stored choices are chosen with it, and its keys become live.
    EXPECT_EQ(page->controllerBox()->currentText(), "Mein Pad");
    EXPECT_EQ(page->profileBox()->currentText(), "Flug.ini");
    EXPECT_EQ(fx.state.slots[A::Button1].keys.text(), "32");
    QStringList groups;
    for (int i = 0; i < page->commandGroupList()->count(); ++i) {
        groups << page->commandGroupList()->item(i)->text();
    }
    EXPECT_EQ(groups, (QStringList{"Alle", "Fahrwerk", "Waffen"}));
    EXPECT_EQ(page->commandGroupList()->currentItem()->text(), "Alle");
    EXPECT_EQ(page->lowerGrid()->rowCount(), 4);
    EXPECT_EQ(page->upperGrid()->rowCount(), 4);
    EXPECT_EQ(QApplication::focusWidget(), page->profileBox())
        << "the controller choice hands on to the Profile";

    clickCommandGroup("Waffen");
    EXPECT_EQ(page->lowerGrid()->rowCount(), 2);
    EXPECT_EQ(lowerAction("Feuer"), "Knopf 1");
    EXPECT_EQ(lowerAction("Rakete"), "");
    EXPECT_EQ(page->upperGrid()->rowCount(), 4) << "the upper grid keeps every command";

    choose(page->profileBox(), "Auto.ini");
    EXPECT_EQ(value("profil"), "Auto.ini");
    EXPECT_EQ(page->lowerGrid()->item(0, 0)->text(), "Hupe");

    choose(page->controllerBox(), "Ohne Auswahl");
    choose(page->profileBox(), "Ohne Auswahl");
    EXPECT_EQ(value("controller"), "Ohne Auswahl\\Ohne Auswahl");
    EXPECT_EQ(value("profil"), "Ohne Auswahl");
    ASSERT_EQ(page->commandGroupList()->count(), 1);
    EXPECT_EQ(page->commandGroupList()->item(0)->text(), "Alle");
    fx.activation.commandos_wechsel("Simulation", "Flugsim", false);
    EXPECT_TRUE(fx.state.noMapping) << "a game without controller and Profile sends no keys";
    EXPECT_TRUE(fx.dialogs.take().isEmpty());
}

TEST_F(Page4, ButtonPressedOnThePadIsStoredAtOnceAndConfirmed) {
    openWaffen();
    EXPECT_EQ(page->captureHint()->text(), "Kommando anklicken, dann am Controller drücken");
    clickCommand("Rakete");
    EXPECT_TRUE(fx.state.captureMode);
    EXPECT_TRUE(fx.timer.timerEnabled()) << "the polling loop runs the capture";
    EXPECT_EQ(page->captureHint()->text(), "Warte auf Controller für: Rakete");

    button(2, true);
    EXPECT_EQ(lowerAction("Rakete"), "Knopf 3");
    EXPECT_FALSE(conflictShown());
    EXPECT_EQ(value("[isbutton3]"), "82") << "the grid shows only what the game holds";
    EXPECT_EQ(value("R"), "Knopf 3");
    EXPECT_EQ(page->captureHint()->text(), "Gespeichert: Rakete = Knopf 3");
    button(2, false);
    EXPECT_EQ(lowerAction("Rakete"), "Knopf 3") << "letting go keeps the action";

    leaveGrid();
    EXPECT_FALSE(fx.state.captureMode);
    EXPECT_EQ(value("[isbutton3]"), "82");
    EXPECT_EQ(value("[isbutton1]"), "32");
    EXPECT_EQ(page->captureHint()->text(), "Kommando anklicken, dann am Controller drücken");
    EXPECT_TRUE(fx.events.events().empty());
}

// Leaving the grid and clicking the same row again gives no row change; the press after it is
// stored all the same, and so is one made just before the page is left.
TEST_F(Page4, PressAfterComingBackToTheSameRowIsStored) {
    openWaffen();
    clickCommand("Rakete");
    leaveGrid();
    clickCommand("Rakete");
    EXPECT_TRUE(fx.state.captureMode);
    button(3, true);
    button(3, false);
    leaveGrid();
    EXPECT_EQ(value("[isbutton4]"), "82");
    EXPECT_EQ(value("R"), "Knopf 4");

    clickCommand("Rakete");
    button(4, true);
    button(4, false);
    page->leavePage();
    EXPECT_FALSE(fx.state.captureMode);
    EXPECT_EQ(value("[isbutton5]"), "82");
    EXPECT_FALSE(value("[isbutton4]")) << "the replaced action sends nothing any more";
    EXPECT_EQ(value("R"), "Knopf 5");
}

TEST_F(Page4, ActionOfAnotherCommandIsRefusedWithThreeBeepsAndNothingIsStored) {
    openWaffen();
    clickCommand("Rakete");
    button(0, true);
    Events beeps;
    for (const std::string& e : fx.events.take()) {
        if (e.rfind("beep", 0) == 0) {
            beeps.push_back(e);
        }
    }
    EXPECT_EQ(beeps, (Events{"beep 4000", "beep 3000", "beep 1000"}));
    ASSERT_GE(page->upperGrid()->currentRow(), 0);
    EXPECT_EQ(page->upperGrid()->item(page->upperGrid()->currentRow(), 0)->text(), "Feuer")
        << "the command that holds the action is shown";
    EXPECT_EQ(page->captureHint()->text(), "Knopf 1: Belegt von Feuer");
    EXPECT_EQ(lowerAction("Rakete"), "") << "the row shows what is stored";
    button(0, false);
    EXPECT_TRUE(fx.events.take().empty()) << "holding or letting go beeps no more";

    clickCommand("Feuer");
    EXPECT_TRUE(fx.events.take().empty());
    EXPECT_EQ(lowerAction("Rakete"), "");
    EXPECT_FALSE(conflictShown());
    EXPECT_FALSE(value("R"));
    EXPECT_EQ(value("[isbutton1]"), "32");
    EXPECT_EQ(value("Leerzeichen"), "Knopf 1");
}

TEST_F(Page4, ReassignedCommandMovesItsKeysToTheNewAction) {
    openWaffen();
    clickCommand("Feuer");
    pad.setHat(HatDirection::UpLeft);
    fx.loop.tick();
    pad.setHat(HatDirection::Centered);
    fx.loop.tick();
    EXPECT_EQ(lowerAction("Feuer"), "Coolie links hoch");

    clickCommand("Rakete");
    EXPECT_EQ(value("[iscoolupleft]"), "32");
    EXPECT_FALSE(value("[isbutton1]")) << "the old action sends nothing any more";
    EXPECT_EQ(value("Leerzeichen"), "Coolie links hoch");
    EXPECT_TRUE(fx.state.captureMode) << "a row change stays in the grid";
}

TEST_F(Page4, KommandoNichtBelegenAndTheDeleteKeyClearAnAssignment) {
    openWaffen();
    clickCommand("Feuer");
    QTest::mouseClick(page->clearButton(), Qt::LeftButton);
    EXPECT_FALSE(value("[isbutton1]"));
    EXPECT_FALSE(value("Leerzeichen"));
    EXPECT_EQ(lowerAction("Feuer"), "");
    EXPECT_TRUE(fx.state.captureMode) << "the button leaves the focus in the grid";

    clickCommand("Rakete");
    button(0, true);
    button(0, false);
    EXPECT_FALSE(conflictShown()) << "the freed action is no conflict";
    clickCommand("Feuer");
    ASSERT_EQ(value("[isbutton1]"), "82");

    clickCommand("Rakete");
    QTest::keyClick(page->lowerGrid(), Qt::Key_Delete);
    EXPECT_FALSE(value("[isbutton1]"));
    EXPECT_FALSE(value("R"));
    EXPECT_TRUE(fx.events.events().empty());
}

TEST_F(Page4, ChoiceBoxesAskForWhatIsMissingAndMoveTheFocusThere) {
    fx.lists.assignGroupIndex = 42;
    page->enterPage();
    EXPECT_TRUE(fx.dialogs.take().isEmpty());

    page->gameBox()->showPopup();
    EXPECT_EQ(fx.dialogs.take(), QStringList{"inform: Gruppe wählen"});
    EXPECT_EQ(QApplication::focusWidget(), page->groupList());
    EXPECT_FALSE(page->gameBox()->view()->isVisible());
    page->controllerBox()->showPopup();
    EXPECT_EQ(fx.dialogs.take(), QStringList{"inform: Gruppe wählen"});

    clickGroup("Action");
    EXPECT_TRUE(page->comboBox1DropDown());
    page->controllerBox()->showPopup();
    EXPECT_EQ(fx.dialogs.take(), QStringList{"inform: Spiel wählen"});
    EXPECT_EQ(QApplication::focusWidget(), page->gameBox());
    page->profileBox()->showPopup();
    EXPECT_EQ(fx.dialogs.take(), QStringList{"inform: Spiel wählen"});
    choose(page->profileBox(), "Flug.ini");
    EXPECT_EQ(fx.dialogs.take(), QStringList{"inform: Spiel wählen"});
    EXPECT_EQ(page->commandGroupList()->count(), 0) << "nothing is opened without a game";

    // "Neu" has no controller yet: the Profile box asks for one.
    fx.lists.assignGroupIndex = groupRow("Simulation");
    fx.lists.assignGameIndex = 1;
    page->enterPage();
    ASSERT_EQ(page->gameBox()->currentText(), "Neu");
    EXPECT_TRUE(page->comboBox2DropDown());
    page->profileBox()->showPopup();
    EXPECT_EQ(fx.dialogs.take(), QStringList{"inform: Controller wählen"});
    EXPECT_EQ(QApplication::focusWidget(), page->controllerBox());
    EXPECT_FALSE(value("controller", kOther)) << "no choice, nothing written";
}

TEST_F(Page4, RememberedGameThatNoLongerExistsIsPassedOverWithoutAnError) {
    fx.lists.assignGroupIndex = groupRow("Simulation");
    fx.lists.assignGameIndex = 1;
    fx.store().deleteKey(kOther);
    page->enterPage();
    EXPECT_TRUE(fx.dialogs.take().isEmpty());
    EXPECT_EQ(page->gameBox()->currentText(), "Flugsim");
    EXPECT_EQ(fx.lists.assignGameIndex, 0);
    EXPECT_EQ(page->profileBox()->currentText(), "Flug.ini");
    EXPECT_EQ(page->lowerGrid()->rowCount(), 4);

    fx.lists.assignGroupIndex = 17;
    page->enterPage();
    EXPECT_TRUE(fx.dialogs.take().isEmpty());
    EXPECT_EQ(page->gameBox()->count(), 0);
}

TEST_F(Page4, GridsFollowTheChosenGameEvenWhenItsProfileIsNotOffered) {
    write(kOther, "profil", "Verloren.ini");
    write(kOther, "Leerzeichen", "Knopf 2");
    write(kOther, "[isbutton2]", "32");
    openWaffen();
    ASSERT_EQ(lowerAction("Feuer"), "Knopf 1");

    choose(page->gameBox(), "Neu");
    EXPECT_EQ(page->profileBox()->currentText(), "Flug.ini") << "the Profile shown stays";
    EXPECT_EQ(lowerAction("Feuer"), "Knopf 2") << "but the assignments are those of the game chosen";
    EXPECT_EQ(value("controller", kOther), "Gamepad\\Mein Pad") << "the controller shown is stored for it";
    EXPECT_EQ(value("profil", kOther), "Verloren.ini");
}

TEST_F(Page4, ClickingTheGridSwitchesToTheGamesControllerOnce) {
    openWaffen();
    clickCommand("Feuer");
    EXPECT_EQ(fx.dialogs.take(), QStringList{"inform: Controller wechseln (Mein Pad)"});
    EXPECT_EQ(fx.inputRenewals, 1);
    EXPECT_EQ(fx.controllers.currentController(), "Gamepad\\Mein Pad");

    clickCommand("Rakete");
    EXPECT_TRUE(fx.dialogs.take().isEmpty());
    EXPECT_EQ(fx.inputRenewals, 1);
}

TEST_F(Page4, GroupListFollowsTheKeyboardToo) {
    page->enterPage();
    ASSERT_EQ(page->groupField()->text(), "Action");
    page->groupList()->setFocus(Qt::TabFocusReason);
    for (int row = groupRow("Action"); row < groupRow("Simulation"); ++row) {
        QTest::keyClick(page->groupList(), Qt::Key_Down);
    }
    EXPECT_EQ(page->groupField()->text(), "Simulation");
    EXPECT_EQ(fx.lists.assignGroupIndex, groupRow("Simulation"));
    EXPECT_EQ(page->gameBox()->currentText(), "Flugsim");
}

TEST_F(Page4, RightButtonOnTheGroupListSwitchesBetweenSmallAndLargeIcons) {
    QListWidget* list = page->groupList();
    EXPECT_EQ(list->viewMode(), QListView::ListMode);
    QTest::mouseClick(list->viewport(), Qt::RightButton, {}, QPoint(2, 2));
    EXPECT_EQ(list->viewMode(), QListView::IconMode);
    EXPECT_EQ(list->iconSize(), QSize(32, 32));
    QTest::mouseClick(list->viewport(), Qt::RightButton, {}, QPoint(2, 2));
    EXPECT_EQ(list->viewMode(), QListView::ListMode);
}

TEST_F(Page4, ControlsCarryTheTextsOfTheCurrentLanguage) {
    fx.texts.replace(TextGroup::Interface, "Kommando nicht belegen", "Leave unassigned");
    fx.texts.replace(TextGroup::Interface, "Controller Action", "Controller action");
    fx.texts.replace(TextGroup::Interface, "Kommandos", "Commands");
    page->applyTexts();
    EXPECT_EQ(page->clearButton()->text(), "Leave unassigned");
    EXPECT_EQ(page->findChild<QLabel*>("Label23")->text(), "Controller action");
    EXPECT_EQ(page->lowerGrid()->horizontalHeaderItem(0)->text(), "Commands");
    EXPECT_EQ(page->upperGrid()->horizontalHeaderItem(0)->text(), "Commands");
    for (QTableWidget* grid : {page->lowerGrid(), page->upperGrid()}) {
        EXPECT_TRUE(grid->isColumnHidden(2));
        EXPECT_TRUE(grid->isColumnHidden(4));
        EXPECT_FALSE(grid->isColumnHidden(3));
    }
    EXPECT_EQ(page->lowerGrid()->objectName(), "StringGrid2");
    EXPECT_EQ(page->upperGrid()->objectName(), "StringGrid3");
}

}  // namespace
}  // namespace pw
