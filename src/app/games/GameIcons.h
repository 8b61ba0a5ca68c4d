#pragma once

#include <QIcon>
#include <QString>

namespace pw {

// A game's icon and the file it comes from.
struct GameIcon {
    QIcon icon;  // null when none was found
    QString iconSource;
};

// The icon of a game's file: icon and picture files as they are, Windows programs and libraries
// through their first icon group, otherwise the first "*.ico" of the file's folder (the source is
// then that file, or only the folder when it holds none). Errors leave the icon null.
GameIcon extractGameIcon(const QString& file);

// The icon of a file as a picture (.ico, .bmp, .png ...) or a Windows program; null otherwise.
QIcon iconOfFile(const QString& file);

// What the lists show for a game: its icon, or, when it has none, the desktop theme's icon for
// the kind of file, so that no entry stands without a picture.
QIcon displayIcon(const GameIcon& found, const QString& file);

}  // namespace pw
