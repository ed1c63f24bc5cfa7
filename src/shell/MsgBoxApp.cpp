#include "shell/MsgBoxApp.h"

#include "base/Common.h"
#include "base/ProgramTitle.h"
#include "platform/IWindow.h"

namespace pw {

int MsgBoxApp(IWindow& window, const std::string& text) { return window.MsgBox(StrExpandNewLine(text), kProgramTitle); }

}  // namespace pw
