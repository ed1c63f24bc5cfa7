// The program's title: the window caption, every message box's caption, and
// the first line that "Const.ini" must carry to be taken as this program's.
#pragma once

namespace pw {

inline constexpr const char* kProgramTitle = "PW-R4T ADJ Rev.1.1";
inline constexpr const char* kRadioName = "KQ-R4T";

}  // namespace pw
