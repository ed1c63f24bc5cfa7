#include "clone/clsCmcEeprom.h"

#include <algorithm>

namespace pw {

void clsCmcEeprom::set_eeSize(int32_t size) { bytes_.assign(static_cast<size_t>(std::max<int32_t>(size, 0)), 0); }

int16_t clsCmcEeprom::ReadByte(int32_t adr) const { return Valid(adr) ? bytes_[static_cast<size_t>(adr)] : 0; }

int16_t clsCmcEeprom::WriteByte(int32_t adr, uint8_t value) {
  if (!Valid(adr)) return 1;
  bytes_[static_cast<size_t>(adr)] = value;
  return 0;
}

int16_t clsCmcEeprom::ReadBit(int32_t adr, int16_t bit) const {
  if (bit < 0 || bit > 7) return 0;
  return (ReadByte(adr) >> bit) & 1;
}

bool clsCmcEeprom::BlockFits(int32_t adr, int64_t count) const {
  // Both ends must be valid, so an empty block is refused at address 0.
  return Valid(adr) && Valid(static_cast<int64_t>(adr) + count - 1);
}

int16_t clsCmcEeprom::FillBlock(int32_t adr, uint8_t value, int32_t count) {
  if (!BlockFits(adr, count)) return 1;
  std::fill_n(bytes_.begin() + adr, count, value);
  return 0;
}

int16_t clsCmcEeprom::WriteBlock(int32_t adr, const ByteStr& data) {
  if (!BlockFits(adr, static_cast<int64_t>(data.size()))) return 1;
  std::copy(data.begin(), data.end(), bytes_.begin() + adr);
  return 0;
}

ByteStr clsCmcEeprom::ReadBlock(int32_t adr, int32_t siz) const {
  ByteStr out;
  if (siz <= 0) return out;
  out.reserve(static_cast<size_t>(siz));
  for (int64_t a = adr; a < static_cast<int64_t>(adr) + siz; ++a) {
    out.push_back(Valid(a) ? bytes_[static_cast<size_t>(a)] : 0);
  }
  return out;
}

}  // namespace pw
