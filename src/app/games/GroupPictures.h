#pragma once

#include <QIcon>

namespace pw {

// The built-in 30 x 30 group pictures: 0 "Action", 1 "Adventure", 2 "Simulation", 3 "Sport",
// 4 "Strategie", 5 any other group. Painted when asked for: they are small.
QIcon groupPicture(int index);

}  // namespace pw
