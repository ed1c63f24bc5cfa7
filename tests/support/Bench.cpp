#include "support/Bench.h"

#include <sstream>

namespace pw::test {

std::string DefaultConstIni() {
  std::ifstream in(std::string(PW_SOURCE_DIR) + "/Const.ini", std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace pw::test
