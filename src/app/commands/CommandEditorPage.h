#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>
#include <memory>

#include "app/window/Page.h"
#include "input/KeyCapture.h"
#include "profiles/CommandEditor.h"

namespace pw {

// The page "Spiele-Tastaturbelegung": the Profiles of the program directory in the left column,
// their groups and commands on the page, and the key field that captures a command's keys.
class CommandEditorPage final : public Page {
    Q_OBJECT
public:
    explicit CommandEditorPage(AppContext& context, QWidget* parent = nullptr);
    ~CommandEditorPage() override;

    QWidget* sideList() override { return side_; }
    void enterPage() override;
    void applyTexts() override;

    // Where "Rec" reads the time of day for the gaps between recorded keys; the local clock
    // unless a test hands in its own. The source must outlive the page.
    void useTimeOfDay(const TimeOfDaySource& source) { clock_.source = &source; }

    const CommandEditor& editor() const { return *editor_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // Forwards to whichever time-of-day source is in use.
    struct SwitchableTimeOfDay final : TimeOfDaySource {
        TimeOfDay now() const override { return source->now(); }
        const TimeOfDaySource* source = nullptr;
    };
    class Dialogs;

    void buildControls();
    // Runs one operation of the editor and shows the state it leaves.
    template <class Operation>
    void run(Operation operation);
    void showState();
    void showGrid();

    LocalTimeOfDay localTime_;
    SwitchableTimeOfDay clock_;
    std::unique_ptr<Dialogs> dialogs_;
    std::unique_ptr<CommandEditor> editor_;
    bool showing_ = false;  // the widgets are being filled from the editor's state

    QListWidget* side_;  // FileListBox1
    QLabel* profileLabel_;
    QPushButton* newProfile_;
    QPushButton* saveProfileAs_;
    QPushButton* deleteProfile_;
    QLabel* groupsLabel_;
    QListWidget* groups_;  // ListBox6
    QPushButton* newGroup_;
    QPushButton* renameGroup_;
    QPushButton* deleteGroup_;
    QLabel* commandsLabel_;
    QTableWidget* grid_;  // StringGrid1
    QLabel* groupLabel_;
    QLabel* groupShown_;
    QLabel* nameLabel_;
    QLineEdit* name_;  // Edit7
    QLabel* keyLabel_;
    QLineEdit* key_;  // Edit8
    QToolButton* rec_;
    QToolButton* stop_;
    QLabel* tabHint_;
    QPushButton* newCommand_;
    QPushButton* saveCommand_;
    QPushButton* deleteCommand_;
    // State cells kept hidden: the file name, the Profile name, the group name, the KeySequence.
    QLineEdit* fileCell_;
    QLineEdit* profileCell_;
    QLineEdit* groupCell_;
    QLabel* sequenceCell_;
};

}  // namespace pw
