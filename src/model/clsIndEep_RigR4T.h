// Where the KQ-R4T keeps its channels, channel flags and adjustment bytes in
// its EEPROM image: the fixed marine channel table, the per-region flag
// tables, the free and weather channels, the group switches, and the dump of
// the 128 adjustment parameters. Nothing here writes to the image.
//
// Channel groups: 0 INT, 1 USA, 2 CAN, 3 WX. For groups 0 to 2 chNo indexes
// the table directly; for group 3 it is the weather channel 0..9 (row
// 256 + chNo). A channel outside the table reads like a flag byte of 255:
// no name, 0 Hz, hidden, simplex and never transmitting.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "clone/clsCmcEeprom.h"

namespace pw {

class IWindow;

class clsIndEep_RigR4T {
 public:
  static constexpr int16_t kTableRows = 268;

  // One adjustment byte of the parameter dump.
  struct ParaRow {
    int32_t adr;
    std::string_view name;
    bool isSigned;  // two's-complement byte (-128..127) rather than 0..255
  };

  explicit clsIndEep_RigR4T(const clsCmcEeprom& image);

  bool RigR4TEep_GetIfJpn() const;
  bool RigR4TEep_GetChGroupAppear(int16_t chGroup) const;
  std::string RigR4TEep_GetChName(int16_t chGroup, int16_t chNo) const;
  int32_t RigR4TEep_GetChFreqTxReal(int16_t chGroup, int16_t chNo) const;
  int32_t RigR4TEep_GetChFreqRxOrg(int16_t chGroup, int16_t chNo) const;
  int32_t RigR4TEep_GetChFreqRxReal(int16_t chGroup, int16_t chNo) const;
  // The free channels' synthesizer step, the same for every channel.
  int32_t RigR4TEep_GetFreeChRefFreq(int16_t chNo) const;
  int16_t RigR4TEep_GetChByte(int16_t chGroup, int16_t chNo) const;
  bool RigR4TEep_GetChAppear(int16_t chGroup, int16_t chNo) const;
  bool RigR4TEep_GetChSimplex(int16_t chGroup, int16_t chNo) const;
  bool RigR4TEep_GetChTxInh(int16_t chGroup, int16_t chNo) const;

  // The 128 parameter lines, each "<name>: " right-aligned to 25 characters,
  // the value right-aligned in 4, then CR LF.
  std::string RigR4TEep_DispParaText() const;
  void RigR4TEep_DispPara(IWindow& obj) const;

  // Address, name and signedness of every adjustment byte, in dump order.
  static const std::vector<ParaRow>& ParameterMap();
  // The row of an address, nullptr for one outside the dump.
  static const ParaRow* ParameterAt(int32_t adr);
  // A byte as the row reads it: 0..255, or -128..127 for a signed row.
  static int ParaValue(const ParaRow& row, uint8_t byte);
  // One dump line without its CR LF: the label to 25, the value to 4.
  static std::string ParaLine(const ParaRow& row, uint8_t byte);

 private:
  struct ChRow {
    std::string name;
    int32_t rxFreq = 0;
    int32_t txFreq = 0;
  };

  // -1 when the channel lies outside the table.
  static int Row(int16_t chGroup, int16_t chNo);
  static bool IsFreeRow(int row);
  // EEPROM address of the free channel record on a free-channel row.
  static int32_t FreeRecordAdr(int row);
  // EEPROM address of the channel's flag byte, -1 when it has none.
  static int32_t FlagAdr(int16_t chGroup, int16_t chNo);
  int32_t ReadWord(int32_t adr) const;  // high byte first

  const clsCmcEeprom& myEep;
  std::array<ChRow, kTableRows> table_;
};

}  // namespace pw
