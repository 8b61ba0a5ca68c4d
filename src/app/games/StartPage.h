#pragma once

#include <QLabel>
#include <QListWidget>
#include <string>
#include <vector>

#include "app/window/Page.h"

namespace pw {

// The page "Start": the games of the group chosen in the left column, started by a double click.
class StartPage final : public Page {
    Q_OBJECT
public:
    explicit StartPage(AppContext& context, QWidget* parent = nullptr);

    QWidget* sideList() override { return groups_; }
    // The page switch empties the game list; the page button then chooses the remembered group.
    void enterPage() override;
    void applyTexts() override;

    // Marks the group at StartGroupIndex as focused and highlighted and shows its games
    // (the last step of the page button); a position beyond the list is ignored.
    void selectRememberedGroup();

    // The handlers of the page's controls.
    void listView1Click();     // shows the games of the selected group
    void listView1Change();    // the selection moved, also by keyboard
    void listView6DblClick();  // starts the selected game
    // The right mouse button switches the group list between large and small icons.
    void listView1MouseDown(Qt::MouseButton button);

    QListWidget* groupList() const { return groups_; }
    QListWidget* gameList() const { return games_; }
    QLabel* groupField() const { return groupField_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Refills the group list from the tree rebuild.
    void groupsRebuilt();
    void startGame(const QString& group, const QString& game);

    QListWidget* groups_;
    QListWidget* games_;
    QLabel* groupField_;
    std::vector<std::string> scratch_;  // the game names of the group read last
};

}  // namespace pw
