// The start-up refusals (a second instance, an unreadable "Const.ini"). They
// come before the window and the heartbeat exist and end the program, so
// this is the one place where a box may wait for OK.
#pragma once

#include <string>

namespace pw {

// True when boxes at start-up close by themselves (PW_AUTO_CLOSE_BOXES=1),
// for unattended runs and tests. The text still goes to stderr.
bool AutoCloseStartupBoxes();

// Shows text (UTF-8) in a modal warning box titled with the program's title
// and waits for OK (or closes it at once with autoClose); echoes it to stderr
// for unattended runs. `details`, when given, goes into the box's details
// (a started-from-the-menu program has nobody reading stderr) and to stderr.
void ShowStartupRefusal(const std::string& text, bool autoClose = AutoCloseStartupBoxes(),
                        const std::string& details = {});

}  // namespace pw
