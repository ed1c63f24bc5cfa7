// The in-memory copy of the radio's EEPROM. Every access is checked, so bad
// addresses from the cable can never reach memory outside the image.
#pragma once

#include <cstdint>
#include <vector>

#include "base/Common.h"

namespace pw {

class clsCmcEeprom {
 public:
  static constexpr int32_t kDefaultSize = 4096;

  clsCmcEeprom() { set_eeSize(kDefaultSize); }

  void set_eeSize(int32_t size);
  int32_t eeSize() const { return static_cast<int32_t>(bytes_.size()); }

  int16_t ReadByte(int32_t adr) const;
  int16_t WriteByte(int32_t adr, uint8_t value);  // 0 done, 1 refused
  int16_t ReadBit(int32_t adr, int16_t bit) const;
  int16_t FillBlock(int32_t adr, uint8_t value, int32_t count);
  int16_t WriteBlock(int32_t adr, const ByteStr& data);
  // Bytes outside the image read as 0 rather than touching foreign memory.
  ByteStr ReadBlock(int32_t adr, int32_t siz) const;
  // The whole image, for readers that compare it every tick without a copy.
  const ByteStr& bytes() const { return bytes_; }

 private:
  bool Valid(int64_t adr) const { return adr >= 0 && adr < eeSize(); }
  bool BlockFits(int32_t adr, int64_t count) const;

  std::vector<uint8_t> bytes_;
};

}  // namespace pw
