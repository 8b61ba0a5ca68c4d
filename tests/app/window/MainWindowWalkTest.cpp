#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <algorithm>
#include <cstdlib>
#include <deque>
#include <functional>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "app/assign/AssignmentPage.h"
#include "app/commands/CommandEditorPage.h"
#include "app/controllers/ControllerPage.h"
#include "app/games/GameLibraryPage.h"
#include "app/games/StartPage.h"
#include "app/window/main/MainWindow.h"
#include "input/sdl/SdlJoystickDevice.h"
#include "input/sdl/SdlVirtualJoystick.h"
#include "profiles/CommandLists.h"
#include "profiles/GameAssignments.h"
#include "store/RegistryAccess.h"
#include "support/gui/AppFixture.h"

namespace pw {
namespace {

// A seeded walk through the real main window: random clicks, keys, presses on a virtual pad and
// randomly answered questions across the five pages. After every step what the grids and lists
// show is compared with the store and the Profile files. PADWARDEN_WALK_SEED runs one seed,
// PADWARDEN_WALK_STEPS sets the number of steps per seed.
struct WalkSize {
    std::vector<unsigned> seeds;
    int steps = 0;
};

WalkSize walkSize() {
    WalkSize size{{11, 23, 37, 41, 53}, 1000};
    if (const char* seed = std::getenv("PADWARDEN_WALK_SEED"); seed != nullptr && *seed != '\0') {
        size.seeds = {static_cast<unsigned>(std::strtoul(seed, nullptr, 10))};
    }
    if (const char* steps = std::getenv("PADWARDEN_WALK_STEPS"); steps != nullptr && *steps != '\0') {
        size.steps = std::max(1, std::atoi(steps));
    }
    return size;
}

const QStringList kNames = {"Neu", "Zweite", "Äpfel", "Ölfass", "Zebra", "", "Feuer", "Gruppe 2", "a\\b"};

class Walk {
public:
    explicit Walk(unsigned seed) : seed_(seed), rng_(seed), window_(fx.context, true) {
        fx.joystick.setId(pad.deviceIndex());
        fx.joystick.openJoystick();
        fx.dir.write("Flug.ini",
                     "[Waffen]\r\nFeuer=Leerzeichen;32\r\nRakete=R;82\r\nBombe=B;66\r\n"
                     "[Fahrwerk]\r\nAusfahren=G;71\r\nBremse=Strg_F12;17_123\r\n");
        fx.dir.write("Auto.ini", "[Fahren]\r\nHupe=H;72\r\nLicht=L;76\r\n[Äußeres]\r\nSpiegel=S;83\r\n");
        SettingsStore& store = fx.store();
        const std::string flugsim = gameKeyPath("Simulation", "Flugsim");
        store.createKey(flugsim);
        write(flugsim, "name", "Flugsim");
        write(flugsim, "exe", fx.dir.file("missing-flugsim").string());
        write(flugsim, "controller", "Gamepad\\Mein Pad");
        write(flugsim, "profil", "Flug.ini");
        write(flugsim, "Leerzeichen", "Knopf 1");
        write(flugsim, "[isbutton1]", "32");
        const std::string rennen = gameKeyPath("Sport", "Rennen");
        store.createKey(rennen);
        write(rennen, "name", "Rennen");
        write(rennen, "profil", "Auto.ini");
        store.createKey(gameKeyPath("Simulation", "Neu"));
        const std::string registered = joinKeyPath(kProgramKeyPath, "controller\\Gamepad\\Mein Pad");
        store.createKey(registered);
        write(registered, "Joystick1OEMName", "VirtualPad");

        fx.dialogs.answerAtRandom = [this](const QString& kind) -> QString {
            if (kind == QLatin1String("confirm")) {
                return pick(2) == 0 ? QStringLiteral("1") : QStringLiteral("0");
            }
            if (kind == QLatin1String("open")) {
                return pick(2) == 0 ? QString() : QString::fromStdString(fx.dir.file("Flug.ini").string());
            }
            return kNames.at(pick(kNames.size()));
        };
        window_.setOpener([](const QUrl&) { return false; });
        window_.controllerPage()->setOpener([](const QUrl&) { return false; });
        window_.formCreate();
        window_.show();
        QApplication::setActiveWindow(&window_);
        settle();
    }

    ~Walk() { fx.timer.setTimerEnabled(false); }

    // Runs the walk; the first mismatch ends it with the seed, the step and the last actions.
    void run(int steps) {
        std::cout << "walk seed " << seed_ << ", " << steps << " steps" << std::endl;
        for (int step = 0; step < steps; ++step) {
            const std::string action = act();
            remember(action);
            settle();
            const std::string mismatch = check();
            if (!mismatch.empty()) {
                std::ostringstream why;
                why << "walk seed " << seed_ << " failed at step " << step << ": " << mismatch
                    << "\n  replay: PADWARDEN_WALK_SEED=" << seed_ << " PADWARDEN_WALK_STEPS=" << (step + 1)
                    << " build/dev/tests/app/window/app_walk_tests\n  last actions:";
                for (const std::string& a : recent_) {
                    why << "\n    " << a;
                }
                ADD_FAILURE() << why.str();
                return;
            }
            ++done_;
        }
        std::cout << "walk seed " << seed_ << ": " << done_ << " steps, " << presses_
                  << " presses on the pad, " << rowsChecked_
                  << " grid and list rows compared with the store and the Profiles, " << pagesVisited_
                  << " page switches" << std::endl;
    }

    int stepsDone() const { return done_; }

    SdlVirtualJoystick pad{4, 12, 1};
    SdlJoystickDevice device;
    test::AppFixture fx{&device};

private:
    int pick(qsizetype n) { return n <= 1 ? 0 : std::uniform_int_distribution<int>(0, int(n) - 1)(rng_); }
    void write(const std::string& key, std::string_view name, std::string value) {
        fx.store().writeValue(key, name, RegistryValue::string(std::move(value)));
    }
    void remember(const std::string& action) {
        recent_.push_back(action);
        if (recent_.size() > 25) {
            recent_.pop_front();
        }
    }

    // Lets posted events run; the tree rebuild that the game page schedules runs now rather than
    // after its timer.
    void settle() {
        QCoreApplication::processEvents();
        if (QTimer* t = window_.gamePage()->timer2(); t->isActive()) {
            window_.gamePage()->treeaktualisieren();
        }
        QCoreApplication::processEvents();
        fx.dialogs.take();
    }

    static void click(QWidget* w) {
        if (w != nullptr && w->isVisible() && w->isEnabled()) {
            QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
        }
    }
    static void clickRow(QListWidget* list, int row) {
        if (row >= 0 && row < list->count() && list->isVisible()) {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(list->item(row)).center());
        }
    }
    static void clickCell(QTableWidget* grid, int row) {
        if (row >= 0 && row < grid->rowCount() && grid->isVisible() && grid->item(row, 0) != nullptr) {
            grid->scrollToItem(grid->item(row, 0));
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                              grid->visualItemRect(grid->item(row, 0)).center());
        }
    }
    void chooseIn(QComboBox* box) {
        if (box->count() == 0) {
            return;
        }
        const int index = pick(box->count());
        box->setCurrentIndex(index);
        Q_EMIT box->activated(index);
    }
    void pressOnPad() {
        const int kind = pick(4);
        if (kind == 0) {
            const HatDirection hats[] = {HatDirection::Up, HatDirection::Right, HatDirection::Down,
                                         HatDirection::UpLeft};
            pad.setHat(hats[pick(4)]);
            fx.loop.tick();
            pad.setHat(HatDirection::Centered);
        } else {
            const int b = pick(6);
            pad.setButton(b, true);
            fx.loop.tick();
            fx.loop.tick();
            pad.setButton(b, false);
        }
        fx.loop.tick();
    }

    template <class T>
    T* named(const char* name) const {
        return window_.findChild<T*>(QLatin1String(name));
    }

    std::string act() {
        const int page = window_.isVisible() ? window_.currentPage() : -1;
        if (page < 0) {
            window_.taskIcon1DblClick();
            return "restore from the tray";
        }
        const int roll = pick(100);
        if (roll < 8) {
            const int to = pick(MainWindow::kPageCount);
            click(window_.pageButton(to));
            ++pagesVisited_;
            return "page button " + std::to_string(to);
        }
        if (roll < 10) {
            click(named<QPushButton>("SpeedButton32"));
            return "Tray";
        }
        if (roll < 11) {
            click(named<QPushButton>("SpeedButton1"));
            window_.taskIcon1DblClick();
            return "Schließen, then back from the tray";
        }
        // Presses come more often on the assignment page, where they are captured.
        if (roll < (page == 4 ? 40 : 16)) {
            pressOnPad();
            ++presses_;
            return "press on the pad";
        }
        switch (page) {
            case 0:
                return actOnStart();
            case 1:
                return actOnGames();
            case 2:
                return actOnCommands();
            case 3:
                return actOnControllers();
            default:
                return actOnAssignments();
        }
    }

    std::string actOnStart() {
        StartPage* p = window_.startPage();
        if (pick(3) > 0) {
            const int row = pick(p->groupList()->count());
            clickRow(p->groupList(), row);
            return "start: group " + std::to_string(row);
        }
        QListWidget* games = p->gameList();
        if (games->count() > 0) {
            const int row = pick(games->count());
            QTest::mouseDClick(games->viewport(), Qt::LeftButton, {},
                               games->visualItemRect(games->item(row)).center());
            return "start: double click game " + std::to_string(row);
        }
        return "start: nothing to start";
    }

    std::string actOnGames() {
        GameLibraryPage* p = window_.gamePage();
        switch (pick(7)) {
            case 0: {
                QTreeWidget* tree = p->tree();
                QList<QTreeWidgetItem*> items;
                for (int i = 0; i < tree->topLevelItemCount(); ++i) {
                    items << tree->topLevelItem(i);
                    for (int c = 0; c < tree->topLevelItem(i)->childCount(); ++c) {
                        items << tree->topLevelItem(i)->child(c);
                    }
                }
                if (!items.isEmpty()) {
                    QTreeWidgetItem* item = items.at(pick(items.size()));
                    tree->scrollToItem(item);
                    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                                      tree->visualItemRect(item).center());
                    return "games: tree " + item->text(0).toStdString();
                }
                return "games: empty tree";
            }
            case 1: {
                const int row = pick(p->groupList()->count());
                clickRow(p->groupList(), row);
                return "games: group " + std::to_string(row);
            }
            case 2:
                click(named<QPushButton>("SpeedButton3"));
                return "games: Gruppe neu";
            case 3:
                click(named<QPushButton>("SpeedButton6"));
                return "games: Spiel neu";
            case 4: {
                p->nameEdit()->setFocus();
                p->nameEdit()->clear();
                const QString name = kNames.at(pick(kNames.size()));
                QTest::keyClicks(p->nameEdit(), name);
                return "games: types name " + name.toStdString();
            }
            case 5:
                click(named<QPushButton>("SpeedButton7"));
                return "games: Spiel speichern";
            default:
                click(named<QPushButton>(pick(2) == 0 ? "SpeedButton8" : "SpeedButton5"));
                return "games: delete game or group";
        }
    }

    std::string actOnCommands() {
        QListWidget* profiles = named<QListWidget>("FileListBox1");
        QListWidget* groups = named<QListWidget>("ListBox6");
        QTableWidget* grid = named<QTableWidget>("StringGrid1");
        switch (pick(9)) {
            case 0: {
                const int row = pick(profiles->count());
                clickRow(profiles, row);
                return "commands: Profile " + std::to_string(row);
            }
            case 1: {
                const int row = pick(groups->count());
                clickRow(groups, row);
                return "commands: group " + std::to_string(row);
            }
            case 2: {
                const int row = pick(grid->rowCount());
                clickCell(grid, row);
                return "commands: command row " + std::to_string(row);
            }
            case 3:
                if (grid->hasFocus()) {
                    QTest::keyClick(grid, pick(2) == 0 ? Qt::Key_Down : Qt::Key_Up);
                    return "commands: arrow key in the grid";
                }
                return "commands: no arrow (grid not focused)";
            case 4: {
                QLineEdit* name = named<QLineEdit>("Edit7");
                if (name->isEnabled()) {
                    name->setFocus();
                    QTest::keyClicks(name, kNames.at(pick(kNames.size())));
                }
                return "commands: types a name";
            }
            case 5:
                click(named<QPushButton>("SpeedButton14"));
                return "commands: Kommando neu";
            case 6:
                click(named<QPushButton>("SpeedButton16"));
                return "commands: Kommando speichern";
            case 7:
                click(named<QPushButton>("SpeedButton17"));
                return "commands: Kommando löschen";
            default:
                click(named<QPushButton>(pick(2) == 0 ? "SpeedButton18" : "SpeedButton23"));
                return "commands: group new or delete";
        }
    }

    std::string actOnControllers() {
        QListWidget* side = named<QListWidget>("ListView3");
        QListWidget* types = named<QListWidget>("ListView4");
        if (pick(2) == 0) {
            const int row = pick(side->count());
            clickRow(side, row);
            return "controllers: controller " + std::to_string(row);
        }
        const int row = pick(types->count());
        clickRow(types, row);
        return "controllers: type " + std::to_string(row);
    }

    std::string actOnAssignments() {
        AssignmentPage* p = window_.assignmentPage();
        switch (pick(12)) {
            case 0: {
                const int row = pick(p->groupList()->count());
                clickRow(p->groupList(), row);
                return "assign: group " + std::to_string(row);
            }
            case 1:
                if (p->editor().group().empty()) {
                    return "assign: no group for a game";
                }
                chooseIn(p->gameBox());
                return "assign: game " + p->gameBox()->currentText().toStdString();
            case 2:
                return chooseGuarded(p->controllerBox(), "assign: controller ");
            case 3:
                return chooseGuarded(p->profileBox(), "assign: Profile ");
            case 4: {
                QListWidget* list = p->commandGroupList();
                const int row = pick(list->count());
                clickRow(list, row);
                return "assign: command group " + std::to_string(row);
            }
            case 5:
            case 6:
            case 7: {
                const int row = pick(p->lowerGrid()->rowCount());
                clickCell(p->lowerGrid(), row);
                return "assign: command row " + std::to_string(row);
            }
            case 8:
                if (p->lowerGrid()->hasFocus()) {
                    QTest::keyClick(p->lowerGrid(), pick(2) == 0 ? Qt::Key_Down : Qt::Key_Up);
                    return "assign: arrow key in the grid";
                }
                return "assign: no arrow (grid not focused)";
            case 9:
                p->gameBox()->setFocus(Qt::TabFocusReason);
                return "assign: leaves the grid";
            case 10:
                if (p->lowerGrid()->hasFocus()) {
                    QTest::keyClick(p->lowerGrid(), Qt::Key_Delete);
                    return "assign: Delete in the grid";
                }
                return "assign: no Delete (grid not focused)";
            default:
                click(p->clearButton());
                return "assign: Kommando nicht belegen";
        }
    }

    std::string chooseGuarded(QComboBox* box, std::string what) {
        AssignmentPage* p = window_.assignmentPage();
        if (p->editor().missingChoice() != Missing::Nothing) {
            return what + "(nothing chosen yet)";
        }
        chooseIn(box);
        return what + box->currentText().toStdString();
    }

    // What the shown page shows against what the store and the files hold; empty when they agree.
    std::string check() {
        switch (window_.isVisible() ? window_.currentPage() : -1) {
            case 0:
                return checkStart();
            case 1:
                return checkGames();
            case 2:
                return checkCommands();
            case 4:
                return checkAssignments();
            default:
                return {};
        }
    }

    std::vector<std::string> gamesOf(const std::string& group) {
        return fx.store().subkeys(joinKeyPath(joinKeyPath(kProgramKeyPath, "games"), group));
    }

    std::string checkStart() {
        StartPage* p = window_.startPage();
        const QString group = p->groupField()->text();
        if (group.isEmpty() || p->gameList()->count() == 0) {
            return {};
        }
        std::vector<std::string> shown;
        for (int i = 0; i < p->gameList()->count(); ++i) {
            shown.push_back(toUtf8(p->gameList()->item(i)->text()));
        }
        rowsChecked_ += static_cast<long>(shown.size());
        if (shown != gamesOf(toUtf8(group))) {
            return "the Start page lists other games than the store holds for " + toUtf8(group);
        }
        return {};
    }

    std::string checkGames() {
        QTreeWidget* tree = window_.gamePage()->tree();
        std::vector<std::string> groups = fx.store().subkeys(joinKeyPath(kProgramKeyPath, "games"));
        std::vector<std::string> shown;
        for (int i = 0; i < tree->topLevelItemCount(); ++i) {
            QTreeWidgetItem* node = tree->topLevelItem(i);
            ++rowsChecked_;
            shown.push_back(toUtf8(node->text(0)));
            std::vector<std::string> games;
            for (int c = 0; c < node->childCount(); ++c) {
                games.push_back(toUtf8(node->child(c)->text(0)));
            }
            if (games != gamesOf(toUtf8(node->text(0)))) {
                return "the tree lists other games than the store holds for " + toUtf8(node->text(0));
            }
        }
        std::sort(groups.begin(), groups.end());
        std::sort(shown.begin(), shown.end());
        if (groups != shown) {
            return "the tree shows other groups than the store holds";
        }
        return {};
    }

    std::string checkCommands() {
        const CommandEditor& editor = window_.commandPage()->editor();
        QTableWidget* grid = named<QTableWidget>("StringGrid1");
        if (editor.openProfile().empty() || editor.groupName().empty()) {
            return {};
        }
        WorkingList list;
        readEntries(editor.openProfile(), editor.groupName(), list);
        CommandGrid expected;
        gridFromList(expected, list);
        const int rows = static_cast<int>(expected.rowCount()) - 1;
        if (grid->rowCount() != rows) {
            return "the command grid has " + std::to_string(grid->rowCount()) + " rows, the Profile group " +
                   editor.groupName() + " " + std::to_string(rows);
        }
        rowsChecked_ += rows;
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < 3; ++c) {
                const QTableWidgetItem* item = grid->item(r, c);
                const std::string shown = item != nullptr ? toUtf8(item->text()) : std::string();
                if (shown != expected.cell(static_cast<std::size_t>(r) + 1, static_cast<std::size_t>(c))) {
                    return "command grid row " + std::to_string(r) + " shows \"" + shown +
                           "\", the Profile holds \"" +
                           expected.cell(static_cast<std::size_t>(r) + 1, static_cast<std::size_t>(c)) + "\"";
                }
            }
        }
        return {};
    }

    std::string checkGrid(QTableWidget* grid, const std::string& key, const char* which) {
        for (int r = 0; r < grid->rowCount(); ++r) {
            const QTableWidgetItem* name = grid->item(r, 0);
            const QTableWidgetItem* display = grid->item(r, 1);
            const QTableWidgetItem* action = grid->item(r, 3);
            if (name == nullptr || name->text().isEmpty() || display == nullptr || action == nullptr) {
                continue;
            }
            ++rowsChecked_;
            const std::string stored = readMarker(fx.store(), key, toUtf8(display->text()));
            if (toUtf8(action->text()) != stored) {
                return std::string(which) + " grid shows \"" + toUtf8(action->text()) + "\" for " +
                       toUtf8(name->text()) + ", the store holds \"" + stored + "\"";
            }
        }
        return {};
    }

    std::string checkAssignments() {
        AssignmentPage* p = window_.assignmentPage();
        const AssignmentEditor& editor = p->editor();
        if (editor.missingChoice() != Missing::Nothing || !editor.profileOpen()) {
            return {};
        }
        const std::string key = gameKeyPath(editor.group(), editor.game());
        if (!fx.store().keyExists(key)) {
            return {};
        }
        if (std::string m = checkGrid(p->lowerGrid(), key, "the lower"); !m.empty()) {
            return m;
        }
        return checkGrid(p->upperGrid(), key, "the upper");
    }

    unsigned seed_;
    std::mt19937 rng_;
    MainWindow window_;
    std::deque<std::string> recent_;
    int done_ = 0;
    int presses_ = 0;
    long rowsChecked_ = 0;
    int pagesVisited_ = 0;
};

TEST(MainWindowWalk, RandomUserActionsNeverShowWhatTheStoreDoesNotHold) {
    const WalkSize size = walkSize();
    int total = 0;
    for (unsigned seed : size.seeds) {
        Walk walk(seed);
        walk.run(size.steps);
        total += walk.stepsDone();
        if (::testing::Test::HasFailure()) {
            return;
        }
    }
    std::cout << "walked " << total << " steps over " << size.seeds.size() << " seeds" << std::endl;
    EXPECT_EQ(total, size.steps * static_cast<int>(size.seeds.size()));
}

}  // namespace
}  // namespace pw
