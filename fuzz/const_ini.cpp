// "Const.ini" from arbitrary bytes. The reader must never crash, never read a
// value it cannot represent, and accept a file only when its first line is
// the program title and 33 lines are there.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "base/Common.h"
#include "base/ProgramTitle.h"
#include "FuzzInput.h"
#include "model/ExtParameterFile.h"

namespace {

// The file's lines as any editor would show them: CR LF, LF or CR ends a line.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::string cur;
  bool any = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    any = true;
    if (c == '\n' || c == '\r') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      lines.push_back(cur);
      cur.clear();
      any = false;
    } else {
      cur.push_back(c);
    }
  }
  if (any) lines.push_back(cur);
  return lines;
}

std::string Trim(std::string s) {
  if (s.rfind("\xEF\xBB\xBF", 0) == 0) s.erase(0, 3);
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::istringstream file(text);
  pw::ExtParameters params;
  const bool ok = pw::ReadExtParameters(file, params);

  const std::vector<std::string> lines = Lines(text);
  if (ok) {
    CHECK(lines.size() >= 33);
    CHECK(Trim(lines[0]) == pw::kProgramTitle);
  } else if (lines.size() >= 33 && Trim(lines[0]) == pw::kProgramTitle) {
    // Refused although the title is right: some value must not fit 16 bits.
    bool someValueDoesNotFit = false;
    for (size_t i = 1; i < 33; ++i) {
      int16_t v = 0;
      someValueDoesNotFit = someValueDoesNotFit || !pw::RoundToInt16(pw::ValLike(lines[i]), v);
    }
    CHECK(someValueDoesNotFit);
  }

  // Each line on its own: the number reader never gives NaN, and rounding
  // lands on the nearest integer.
  for (size_t i = 0; i < lines.size() && i < 40; ++i) {
    const double v = pw::ValLike(lines[i]);
    CHECK(!std::isnan(v));
    int16_t r = 0;
    if (pw::RoundToInt16(v, r)) CHECK(std::fabs(v - r) <= 0.5);
  }
  return 0;
}
