// Qt's key events as the window logic knows them: Windows-style key codes.
#pragma once

#include <Qt>

namespace pw {

// The key code for a Qt key, or 0 for a key the window logic has no use for.
// Both Enter keys give Return; the numeric keypad's decimal/separator key
// gives the separator code whatever character the keyboard layout puts on it.
int WindowsKeyCode(int qtKey, Qt::KeyboardModifiers modifiers);

}  // namespace pw
