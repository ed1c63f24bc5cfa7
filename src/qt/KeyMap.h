// Qt's key events as the window logic knows them: Windows-style key codes.
#pragma once

#include <Qt>

namespace pw {

// The key code for a Qt key, or 0 for a key the window logic has no use for.
// Both Enter keys give Return. The numeric keypad's separator key gives the
// separator code, but its decimal key does not: both type "." or "," by
// layout and Qt gives them the same key, so only the platform's own code
// (nativeVirtualKey: a Windows virtual key, or an X11/xkb keysym) tells them
// apart. A keypad "." or "," whose origin is unknown does nothing: an Enter
// by mistake would start a procedure that writes to the radio.
int WindowsKeyCode(int qtKey, Qt::KeyboardModifiers modifiers, quint32 nativeVirtualKey);

}  // namespace pw
