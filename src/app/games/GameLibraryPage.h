#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include "app/window/Page.h"

namespace pw {

// The page "Spiele-Startparameter": the game groups and games of the library, the editor of one
// game's start values, and the game tree in the left column. Every change is written to the
// store at once and the lists are rebuilt from it.
class GameLibraryPage final : public Page {
    Q_OBJECT
public:
    explicit GameLibraryPage(AppContext& context, QWidget* parent = nullptr);

    QWidget* sideList() override { return tree_; }
    void enterPage() override;
    void applyTexts() override;

    // Reloads the group list and, while the page is shown, schedules the tree rebuild.
    void aktualisieren();
    // Enables the save and delete buttons and shows the icon while a name or command line is typed.
    void edit2Change();
    // Rebuilds the tree, its pictures and the group lists of the Start and assignment pages.
    void treeaktualisieren();

    // The handlers of the page's controls.
    void treeView1Click();
    void listBox1Click();
    void speedButton3Click();  // group new
    void speedButton4Click();  // group rename
    void speedButton5Click();  // group delete
    void speedButton6Click();  // game new
    void speedButton2Click();  // browse
    void image1Click();        // choose the icon picture
    void speedButton7Click();  // game save
    void speedButton8Click();  // game delete

    // The editor's state.
    const QString& editorGameKey() const { return editorGameKey_; }
    const QString& editorGroupKey() const { return editorGroupKey_; }
    const QString& chosenGroup() const { return chosenGroup_; }
    const QString& iconSource() const { return iconSource_; }

    QTreeWidget* tree() const { return tree_; }
    QListWidget* groupList() const { return groupList_; }
    QLineEdit* nameEdit() const { return nameEdit_; }
    QLineEdit* commandEdit() const { return commandEdit_; }
    QLineEdit* folderEdit() const { return folderEdit_; }
    QToolButton* iconButton() const { return iconButton_; }
    QTimer* timer2() const { return timer2_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void spiele_buttons_enabled();
    // Shows a message when the name may not be a key name; true when it may.
    bool checkName(const QString& name);
    void selectGroupNamed(const QString& name);
    QString selectedGroup() const;
    void showIcon(const QIcon& icon);
    // The desktop program's own executable: the icon of a game that has none.
    static QString ownExecutable();

    QTreeWidget* tree_;
    QListWidget* groupList_;
    QLineEdit* nameEdit_;
    QLineEdit* commandEdit_;
    QLineEdit* folderEdit_;
    QToolButton* iconButton_;
    QLabel* nameLabel_;
    QLabel* commandLabel_;
    QLabel* folderLabel_;
    QLabel* groupLabel_;
    QPushButton* browseButton_;
    QPushButton* newGameButton_;
    QPushButton* saveGameButton_;
    QPushButton* deleteGameButton_;
    QPushButton* newGroupButton_;
    QPushButton* renameGroupButton_;
    QPushButton* deleteGroupButton_;
    QTimer* timer2_;

    QString editorGameKey_;   // the game loaded into the editor; empty: the editor holds a new game
    QString editorGroupKey_;  // its group, or the group node clicked last
    QString chosenGroup_;     // from the group list, the tree or the group dialogs
    QString iconSource_;      // the file the edited game's icon comes from
};

}  // namespace pw
