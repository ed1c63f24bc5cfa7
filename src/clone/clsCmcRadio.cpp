#include "clone/clsCmcRadio.h"

#include <cstdio>

namespace pw {

namespace {
std::string Hex4(int32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04X", static_cast<unsigned>(v) & 0xFFFFu);
  return buf;
}
}  // namespace

void clsCmcRadio::cloneWriteAdrList_Add(int32_t adr0, int32_t adr1) { adrList_ += Hex4(adr0) + "-" + Hex4(adr1) + ","; }

}  // namespace pw
