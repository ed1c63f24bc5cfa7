// The one way the program shows a message: a modal warning box with one OK
// button and the program title.
#pragma once

#include <string>

namespace pw {

class IWindow;

int MsgBoxApp(IWindow& window, const std::string& text);

}  // namespace pw
