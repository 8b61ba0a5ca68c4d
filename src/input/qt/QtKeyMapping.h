#pragma once

#include <QtCore/qnamespace.h>

#include "input/KeyCapture.h"

class QKeyEvent;

namespace pw {

// The Windows virtual-key code of the key in a key event, 0 when it has none. Key sequences,
// key names and the key output all speak virtual keys, so this is where a Qt key becomes one.
//
// Qt names the character a key typed; Windows names the key. Letters, digits, the named keys
// and the punctuation of the German and US layouts are taken from key(): the German characters
// get the codes German Windows gives their keys (Ü 186, # 191, Ö 192, ß 219, ^ 220, ´ 221,
// Ä 222, < 226), the US characters their US codes. The keypad (Qt::KeypadModifier) has its own
// codes, 96 ... 111; with Num Lock off it sends the navigation keys, which keep theirs.
//
// Where key() does not say which key it was, the key's position does (nativeScanCode(), the
// evdev code + 8 on X11 and Wayland), read as on a US keyboard:
// - key() is a character no rule knows (Shift+; gives ':', AZERTY's top row gives '&');
// - key() is a symbol typed with Shift: German Shift+7 gives '/', but the key is the 7 (55), not
//   the US slash key (191). Letters stay letters, so Shift+Ü is still 186;
// - key() is any character typed with AltGr (Qt::GroupSwitchModifier): German AltGr+Q gives '@'
//   on the Q key. Only X11 reports AltGr so; under Wayland such a key() counts as typed plainly.
// In every other case key() wins over the position, and the keypad always goes by key(). Without
// a position (0, as in events made by a program) only key() counts.
//
// The position speaks US: a shifted symbol whose key is no digit or letter gets the US code of
// its place, which may not be the one its layout gives it on Windows (German Shift+ß, '?',
// becomes 189, where German Windows says 219).
int virtualKeyFromQt(const QKeyEvent& event);

// The modifier state of a key press in the key field: Shift, Alt and Ctrl from the keyboard
// modifiers, the mouse buttons held, and whether it came with a double-click.
//
// The Windows key (Qt::MetaModifier) is no modifier here. AltGr is no Alt either: under X11 Qt
// reports it as Qt::GroupSwitchModifier, under Wayland not at all, and a character typed with
// AltGr must not be taken for Alt+key.
ModifierState modifierStateFromQt(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons,
                                  bool doubleClick);

}  // namespace pw
