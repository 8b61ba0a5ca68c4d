#pragma once

#include <QPushButton>
#include <QString>
#include <QWidget>

namespace pw {

class TextVariables;

// A text variable of the interface group, as a QString.
QString interfaceText(const TextVariables& texts, const char* germanDefault);

// Puts a window in the middle of the screen it is on (the primary screen before it is shown).
void centreOnScreen(QWidget& window);

// A flat button in the manner of the program's speed buttons: it takes no keyboard focus and is
// never a default button, so Enter in a dialog never answers a question by accident.
QPushButton* makeSpeedButton(QWidget* parent, const char* objectName, const QString& text);

}  // namespace pw
