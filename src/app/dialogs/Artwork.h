#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>

namespace pw {

// The program's pictures, drawn as SVG and kept in the resources under ":/artwork".

// The program icon (window, tray), from 16 to 256 pixels.
QIcon programIcon();
// The logo of the main window's top bar at this height; its width follows the picture.
QPixmap logoPixmap(int height);
// The product picture of the splash and about window, filling this size.
QPixmap splashPicture(QSize size);

}  // namespace pw
