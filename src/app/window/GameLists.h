#pragma once

#include <QIcon>
#include <QList>
#include <QObject>
#include <QString>

namespace pw {

// One entry of the group lists of the Start and assignment pages.
struct GroupEntry {
    QString name;
    QIcon icon;  // the group's picture (Action, Adventure, ... or the picture for any other group)
};

// One entry of the controller lists (the registered controllers, then "Ohne Auswahl").
struct ControllerEntry {
    QString name;         // the controller's name below its type key
    QString typeCaption;  // the caption of its type ("Joystick", "Gamepad", ..., "Lenkrad")
    QIcon icon;           // the picture of its type
};

// The group lists that the game tree rebuild fills for the other pages, and the positions the
// pages remember between visits. The Start page and the assignment page show `groups` in their
// own list views and refill them on groupsRebuilt().
class GameLists : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    void setGroups(QList<GroupEntry> groups) {
        groups_ = std::move(groups);
        Q_EMIT groupsRebuilt();
    }
    const QList<GroupEntry>& groups() const { return groups_; }

    // Set by the controller page whenever it rebuilds its controller list; the assignment page
    // fills its controller box from it.
    void setControllers(QList<ControllerEntry> controllers) {
        controllers_ = std::move(controllers);
        Q_EMIT controllersRebuilt();
    }
    const QList<ControllerEntry>& controllers() const { return controllers_; }

    int startGroupIndex = 0;   // the group last chosen on the Start page
    int assignGroupIndex = 0;  // the group last chosen on the assignment page
    int assignGameIndex = 0;   // the game last chosen there

Q_SIGNALS:
    void groupsRebuilt();
    void controllersRebuilt();

private:
    QList<GroupEntry> groups_;
    QList<ControllerEntry> controllers_;
};

}  // namespace pw
