#include "qt/KeyMap.h"

#include "shell/frmMain.h"

namespace pw {

int WindowsKeyCode(int qtKey, Qt::KeyboardModifiers modifiers) {
  const bool keypad = modifiers.testFlag(Qt::KeypadModifier);
  switch (qtKey) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return keys::kReturn;
    case Qt::Key_Left:
      return keys::kLeft;
    case Qt::Key_Up:
      return keys::kUp;
    case Qt::Key_Right:
      return keys::kRight;
    case Qt::Key_Down:
      return keys::kDown;
    case Qt::Key_F5:
      return keys::kF5;
    case Qt::Key_Comma:
    case Qt::Key_Period:
      return keypad ? keys::kSeparator : 0;
    default:
      return 0;
  }
}

}  // namespace pw
