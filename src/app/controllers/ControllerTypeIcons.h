#pragma once

#include <QIcon>

namespace pw {

inline constexpr int kControllerTypeCount = 4;

// The pictures of the four controller types: 0 joystick, 1 gamepad, 2 gameboard, 3 steering
// wheel. A type past the fourth gets the joystick, as it gets the caption "Joystick".
QIcon controllerTypeIcon(int typeIndex);

}  // namespace pw
