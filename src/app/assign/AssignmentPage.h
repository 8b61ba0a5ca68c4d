#pragma once

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QTableWidget>
#include <QToolButton>
#include <array>
#include <functional>
#include <memory>

#include "app/window/Page.h"
#include "profiles/AssignmentEditor.h"

namespace pw {

class Joystick;

// A choice box that asks before it opens its list: a box whose prerequisites are missing says
// so and stays closed.
class ChoiceBox final : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;
    // Answers whether the list may open.
    std::function<bool()> beforePopup;
    void showPopup() override;
};

// The page "Controller-Belegung": assigns the commands of a Profile to the controller actions of
// one game. Choose a group (ListView2) and a game (ComboBox1), the game's controller (ComboBox2)
// and Profile (ComboBox3) and a command group (ListBox9); then select a command in the lower grid
// and press the action on the controller. Every choice is written to the game's key at once.
class AssignmentPage final : public Page, private AssignmentView {
    Q_OBJECT
public:
    explicit AssignmentPage(AppContext& context, QWidget* parent = nullptr);
    ~AssignmentPage() override;

    QWidget* sideList() override { return side_; }
    void enterPage() override;
    void leavePage() override;
    void applyTexts() override;

    // The handlers, named after their control and event.
    void listView2Click();
    void listView2MouseDown(Qt::MouseButton button);
    void comboBox1Click();
    bool comboBox1DropDown();
    void comboBox2Click();
    bool comboBox2DropDown();
    void comboBox3Click();
    bool comboBox3DropDown();
    void fileListBox2Change();
    void listBox9Click();
    void stringGrid2Enter();
    void stringGrid2Exit();
    void stringGrid2SelectCell(int row);
    void stringGrid2Click();
    void speedButton29Click();

    // Saves one row of the lower grid (true when it wrote), and the row change.
    bool row_abspeichern(int row);
    void stringgrid_speichern(int row);

    // The capture step that the polling loop runs each tick while CaptureMode is set.
    void schreibe_in_stringgrid(Joystick& joystick);

    const AssignmentEditor& editor() const { return editor_; }

    // The controls, for the main window and for tests.
    QListWidget* groupList() const { return side_; }
    QLabel* groupField() const { return groupField_; }
    ChoiceBox* gameBox() const { return gameBox_; }
    ChoiceBox* controllerBox() const { return controllerBox_; }
    QListWidget* controllerTypes() const { return controllerTypes_; }
    ChoiceBox* profileBox() const { return profileBox_; }
    QListWidget* profileFiles() const { return profileFiles_; }
    QListWidget* commandGroupList() const { return commandGroups_; }
    QTableWidget* upperGrid() const { return upperGrid_; }
    QTableWidget* lowerGrid() const { return lowerGrid_; }
    QToolButton* freeMark() const { return freeMark_; }
    const std::array<QToolButton*, 3>& conflictMarks() const { return conflictMarks_; }
    QToolButton* clearButton() const { return clearButton_; }
    // The line above the lower grid that says whether the page waits for a press and what the
    // last press did.
    QLabel* captureHint() const { return captureHint_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // AssignmentView
    void inform(Missing what) override;
    void showIcons(StatusIcons icons) override;

    void buildControls();
    void fillGroups();
    void fillControllers();
    // Shows the prerequisite message and moves the focus to the control that is missing; false
    // when something was missing.
    bool require(Missing what);
    Missing missingForController() const;
    void showGrids();
    void showIconsNow(StatusIcons icons);
    int lowerRow() const;
    void runGuarded(const std::function<void()>& step);
    // The capture line for the state the page is in now.
    void showWaiting();
    bool selectGroupRow(int row);

    AssignmentEditor editor_;
    QPointer<QListWidget> side_;    // ListView2: the main window shows it in its left column
    QLabel* groupField_ = nullptr;  // StaticText4: the chosen group's name
    QLabel* gameLabel_ = nullptr;
    QLabel* controllerLabel_ = nullptr;
    QLabel* profileLabel_ = nullptr;
    QLabel* commandGroupLabel_ = nullptr;
    QLabel* upperLabel_ = nullptr;
    QLabel* lowerLabel_ = nullptr;
    ChoiceBox* gameBox_ = nullptr;
    ChoiceBox* controllerBox_ = nullptr;
    QListWidget* controllerTypes_ = nullptr;  // ListBox13: the type of each controller entry
    ChoiceBox* profileBox_ = nullptr;
    QListWidget* profileFiles_ = nullptr;  // FileListBox2: the Profile files of the program directory
    QListWidget* commandGroups_ = nullptr;
    QTableWidget* upperGrid_ = nullptr;
    QTableWidget* lowerGrid_ = nullptr;
    QToolButton* freeMark_ = nullptr;
    std::array<QToolButton*, 3> conflictMarks_{};
    QToolButton* clearButton_ = nullptr;
    QLabel* captureHint_ = nullptr;
    // A press on the group list that changed its row runs the choice once, not again on release.
    bool groupPressed_ = false;
    bool groupChangedByPress_ = false;
};

}  // namespace pw
