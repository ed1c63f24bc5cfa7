#include "qt/KeyMap.h"

#include "shell/frmMain.h"

namespace pw {

namespace {
constexpr quint32 kVkSeparator = 0x6C;      // Windows VK_SEPARATOR
constexpr quint32 kXkKpSeparator = 0xFFAC;  // X11 XK_KP_Separator

// The two sets of codes do not overlap, so one test serves every platform.
bool IsKeypadSeparator(quint32 nativeVirtualKey) {
  return nativeVirtualKey == kVkSeparator || nativeVirtualKey == kXkKpSeparator;
}
}  // namespace

int WindowsKeyCode(int qtKey, Qt::KeyboardModifiers modifiers, quint32 nativeVirtualKey) {
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
      return keypad && IsKeypadSeparator(nativeVirtualKey) ? keys::kSeparator : 0;
    default:
      return 0;
  }
}

}  // namespace pw
