// Numbers in the forms SCPI instruments answer with: decimal with or without
// a sign, a point or an exponent ("+25", "25.1", ".5", "1.568E+08"), and the
// non-decimal forms "#H1F", "#Q17", "#B1010". Of a list ("1.2,3.4") the first.
#pragma once

#include <string>

namespace pw {

enum class ScpiNumberResult {
  Ok,
  NotANumber,
  // 9.9E37 and above in magnitude: SCPI's overrange, infinity and not-a-number.
  NoReading,
};

ScpiNumberResult ParseScpiNumber(const std::string& answer, double& value);

}  // namespace pw
