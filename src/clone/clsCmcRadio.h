// The one radio model the program serves: the identity it must report, its
// memory image and the ranges a clone write would send back.
#pragma once

#include <cstdint>
#include <string>

#include "clone/clsCmcEeprom.h"

namespace pw {

class clsCmcRadio {
 public:
  std::string radioNameM = "0000";
  std::string radionameS = "0000";

  void cloneWriteAdrList_Clear() { adrList_.clear(); }
  void cloneWriteAdrList_Add(int32_t adr0, int32_t adr1);
  const std::string& cloneWriteAdrList() const { return adrList_; }

  // Shared by reference with the frame driver and the console.
  clsCmcEeprom& eepImage() { return eepImage_; }

 private:
  std::string adrList_;
  clsCmcEeprom eepImage_;
};

}  // namespace pw
