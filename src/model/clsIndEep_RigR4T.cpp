#include "model/clsIndEep_RigR4T.h"

#include <algorithm>

#include "base/LineEnd.h"
#include "platform/IWindow.h"

namespace pw {

namespace {

constexpr int kFirstFreeRow = 234;
constexpr int kLastFreeRow = 255;
constexpr int kFirstWxRow = 256;
constexpr int kWxCount = 10;

constexpr int32_t kFreeChRecords = 0x300;
constexpr int32_t kGroupSwitches = 0x3D5;
constexpr int32_t kWxHide1to8 = 0x3D4;  // WX 9 and WX10 live in the byte below
constexpr int32_t kRegionCode = 0x3F9;
constexpr int kRegionJapan = 4;

constexpr int32_t kSynthStepHz = 6250;
constexpr int32_t kRxFirstIfHz = 21700000;  // receive synthesizer runs this far below
constexpr double kMaxFreqHz = 999999999.0;  // anything larger is an unprogrammed record

constexpr std::array<int32_t, kWxCount> kWxFreqHz = {162550000, 162400000, 162475000, 162425000, 162450000,
                                                     162500000, 162525000, 161650000, 161775000, 163275000};

// Channels 60 and up sit 25 kHz above the 50 kHz raster of 0 to 59.
int32_t MarineFreqHz(int n) { return n <= 59 ? 156000000 + 50000 * n : 156025000 + 50000 * (n - 60); }

std::string RightAlign(const std::string& text, size_t width) {
  const std::string padded = std::string(width, ' ') + text;
  return padded.substr(padded.size() - width);
}

int32_t FreqOrZero(double hz) { return hz > kMaxFreqHz ? 0 : static_cast<int32_t>(hz); }

}  // namespace

clsIndEep_RigR4T::clsIndEep_RigR4T(const clsCmcEeprom& image) : myEep(image) {
  for (int row = 0; row < kFirstFreeRow; ++row) {
    const int n = row / 2;
    std::string number = std::to_string(n);
    if (number.size() < 2) number = "0" + number;
    const bool simplex = (row % 2) == 1;
    const int32_t f = MarineFreqHz(n);
    table_[row].name = RightAlign(number, 3) + (simplex ? "A" : " ");
    table_[row].txFreq = f;
    table_[row].rxFreq = simplex ? f : f + 4600000;
  }
  for (int row = kFirstFreeRow; row <= kLastFreeRow; ++row) {
    // Their frequencies come from the EEPROM records.
    table_[row].name = "FR" + RightAlign(std::to_string(row - kFirstFreeRow + 1), 2);
  }
  for (int i = 0; i < kWxCount; ++i) {
    ChRow& r = table_[kFirstWxRow + i];
    r.name = "WX" + RightAlign(std::to_string(i + 1), 2);
    r.txFreq = kWxFreqHz[i];
    r.rxFreq = kWxFreqHz[i];
  }
  // Rows 266 and 267 stay empty with 0 Hz.
}

int clsIndEep_RigR4T::Row(int16_t chGroup, int16_t chNo) {
  const int row = (chGroup == 3) ? (chNo < 0 ? -1 : kFirstWxRow + chNo) : chNo;
  return (row >= 0 && row < kTableRows) ? row : -1;
}

bool clsIndEep_RigR4T::IsFreeRow(int row) { return row >= kFirstFreeRow && row <= kLastFreeRow; }

int32_t clsIndEep_RigR4T::FreeRecordAdr(int row) { return kFreeChRecords + 8 * (row - kFirstFreeRow); }

int32_t clsIndEep_RigR4T::FlagAdr(int16_t chGroup, int16_t chNo) {
  if (chNo < 0 || chNo >= kTableRows) return -1;
  switch (chGroup) {
    case 0:
      return 0x100 + chNo;
    case 1:
      return 0x000 + chNo;
    case 2:
      return 0x200 + chNo;
    default:
      return -1;
  }
}

int32_t clsIndEep_RigR4T::ReadWord(int32_t adr) const { return myEep.ReadByte(adr) * 256 + myEep.ReadByte(adr + 1); }

bool clsIndEep_RigR4T::RigR4TEep_GetIfJpn() const { return myEep.ReadByte(kRegionCode) == kRegionJapan; }

bool clsIndEep_RigR4T::RigR4TEep_GetChGroupAppear(int16_t chGroup) const {
  switch (chGroup) {
    case 0:
      return true;
    case 1:
      return myEep.ReadBit(kGroupSwitches, 0) != 0;
    case 2:
      return myEep.ReadBit(kGroupSwitches, 2) != 0;
    case 3: {
      if (myEep.ReadBit(kGroupSwitches, 1) == 0) return false;
      // A switched-on group with every weather channel hidden offers nothing.
      for (int16_t ch = 0; ch < kWxCount; ++ch) {
        if (RigR4TEep_GetChAppear(3, ch)) return true;
      }
      return false;
    }
    default:
      return false;
  }
}

std::string clsIndEep_RigR4T::RigR4TEep_GetChName(int16_t chGroup, int16_t chNo) const {
  const int row = Row(chGroup, chNo);
  if (row < 0) return "";
  std::string name = table_[row].name;
  if (IsFreeRow(row)) {
    const int32_t adr = FreeRecordAdr(row);
    name += " (";
    for (int32_t i = 0; i < 3; ++i) name += static_cast<char>(myEep.ReadByte(adr + i));
    name += ")";
  }
  return name;
}

int32_t clsIndEep_RigR4T::RigR4TEep_GetChFreqTxReal(int16_t chGroup, int16_t chNo) const {
  const int row = Row(chGroup, chNo);
  if (row < 0) return 0;
  if (!IsFreeRow(row)) return table_[row].txFreq;
  const double t = ReadWord(FreeRecordAdr(row) + 5);
  return FreqOrZero(t * RigR4TEep_GetFreeChRefFreq(chNo));
}

int32_t clsIndEep_RigR4T::RigR4TEep_GetChFreqRxOrg(int16_t chGroup, int16_t chNo) const {
  const int row = Row(chGroup, chNo);
  if (row < 0) return 0;
  if (!IsFreeRow(row)) return table_[row].rxFreq;
  const double r = ReadWord(FreeRecordAdr(row) + 3);
  return FreqOrZero(r * kSynthStepHz + kRxFirstIfHz);
}

int32_t clsIndEep_RigR4T::RigR4TEep_GetChFreqRxReal(int16_t chGroup, int16_t chNo) const {
  // A simplex channel receives where it transmits.
  return RigR4TEep_GetChSimplex(chGroup, chNo) ? RigR4TEep_GetChFreqTxReal(chGroup, chNo)
                                               : RigR4TEep_GetChFreqRxOrg(chGroup, chNo);
}

int32_t clsIndEep_RigR4T::RigR4TEep_GetFreeChRefFreq(int16_t /*chNo*/) const { return kSynthStepHz; }

int16_t clsIndEep_RigR4T::RigR4TEep_GetChByte(int16_t chGroup, int16_t chNo) const {
  const int32_t adr = FlagAdr(chGroup, chNo);
  return adr < 0 ? int16_t{255} : myEep.ReadByte(adr);
}

bool clsIndEep_RigR4T::RigR4TEep_GetChAppear(int16_t chGroup, int16_t chNo) const {
  if (chNo < 0) return false;
  if (chGroup == 3) {
    if (chNo >= kWxCount) return false;
    return myEep.ReadBit(kWxHide1to8 - chNo / 8, static_cast<int16_t>(chNo % 8)) == 0;
  }
  return (RigR4TEep_GetChByte(chGroup, chNo) & 0x80) == 0;
}

bool clsIndEep_RigR4T::RigR4TEep_GetChSimplex(int16_t chGroup, int16_t chNo) const {
  // Free channels carry both frequencies in their record and are never
  // switched to simplex by a flag.
  if (chNo >= kFirstFreeRow && chNo <= kLastFreeRow) return false;
  return (RigR4TEep_GetChByte(chGroup, chNo) & 0x02) != 0;
}

bool clsIndEep_RigR4T::RigR4TEep_GetChTxInh(int16_t chGroup, int16_t chNo) const {
  return (RigR4TEep_GetChByte(chGroup, chNo) & 0x04) != 0;
}

const std::vector<clsIndEep_RigR4T::ParaRow>& clsIndEep_RigR4T::ParameterMap() {
  static const std::vector<ParaRow> kMap = {
      {0xF60, "MOD Initial", false},
      {0xF61, "MOD Adjust", true},
      {0xF62, "MOD Slant 1", true},
      {0xF63, "MOD Slant 2", true},
      {0xF64, "MOD Slant 3", true},
      {0xF65, "MOD Slant 4", true},
      {0xF66, "MOD TEMP 1", false},
      {0xF67, "MOD TEMP 2", false},
      {0xF68, "MOD TEMP 3", false},
      {0xF69, "ATIS Center", false},
      {0xF6A, "ATIS Initial", false},
      {0xF6B, "ATIS Slant 1", true},
      {0xF6C, "ATIS Slant 2", true},
      {0xF6D, "ATIS Slant 3", true},
      {0xF6E, "ATIS Slant 4", true},
      {0xF6F, "ATIS TEMP 1", false},
      {0xF70, "ATIS TEMP 2", false},
      {0xF71, "ATIS TEMP 3", false},
      {0xF72, "SQL Control Initial", false},
      {0xF73, "SQL Control Adjust", false},
      {0xF74, "SQL Control Slant 1", true},
      {0xF75, "SQL Control Slant 2", true},
      {0xF76, "SQL Control Slant 3", true},
      {0xF77, "SQL Control Slant 4", true},
      {0xF78, "SQL Control TEMP 1", false},
      {0xF79, "SQL Control TEMP 2", false},
      {0xF7A, "SQL Control TEMP 3", false},
      {0xF7B, "BPF Tracking T1 Adjust", false},
      {0xF7C, "BPF Tracking T2 Adjust", false},
      {0xF7D, "BPF Tracking T3 Adjust", false},
      {0xF7E, "BPF Tracking T4 Adjust", false},
      {0xF7F, "POW (HI) Initial", false},
      {0xF80, "POW (HI) Adjust", true},
      {0xF81, "POW (HI) Slant 1", true},
      {0xF82, "POW (HI) Slant 2", true},
      {0xF83, "POW (HI) Slant 3", true},
      {0xF84, "POW (HI) Slant 4", true},
      {0xF85, "POW (HI) TEMP 1", false},
      {0xF86, "POW (HI) TEMP 2", false},
      {0xF87, "POW (HI) TEMP 3", false},
      {0xF88, "POW (HI) VSlant 1", true},
      {0xF89, "POW (HI) VSlant 2", true},
      {0xF8A, "POW (HI) VSlant 3", true},
      {0xF8B, "POW (HI) BATT 1", false},
      {0xF8C, "POW (HI) BATT 2", false},
      {0xF8D, "POW (LOW) Initial", false},
      {0xF8E, "POW (LOW) Adjust", true},
      {0xF8F, "POW (LOW) Slant 1", true},
      {0xF90, "POW (LOW) Slant 2", true},
      {0xF91, "POW (LOW) Slant 3", true},
      {0xF92, "POW (LOW) Slant 4", true},
      {0xF93, "POW (LOW) TEMP 1", false},
      {0xF94, "POW (LOW) TEMP 2", false},
      {0xF95, "POW (LOW) TEMP 3", false},
      {0xF96, "POW (E-LOW) Initial", false},
      {0xF97, "POW (E-LOW) Adjust", true},
      {0xF98, "POW (E-LOW) Slant 1", true},
      {0xF99, "POW (E-LOW) Slant 2", true},
      {0xF9A, "POW (E-LOW) Slant 3", true},
      {0xF9B, "POW (E-LOW) Slant 4", true},
      {0xF9C, "POW (E-LOW) TEMP 1", false},
      {0xF9D, "POW (E-LOW) TEMP 2", false},
      {0xF9E, "POW (E-LOW) TEMP 3", false},
      {0xF9F, "POW (FINAL) Slant", false},
      {0xFA0, "POW (FINAL) TEMP", false},
      {0xFB0, "SQL TIOS", false},
      {0xFB1, "SQL TISOS", false},
      {0xFB2, "SQL TICS", false},
      {0xFB3, "SQL THOS", false},
      {0xFB4, "SQL THSOS", false},
      {0xFB5, "SQL THCS", false},
      {0xFB6, "SQL TION", false},
      {0xFB7, "SQL TISON", false},
      {0xFB8, "SQL TICN", false},
      {0xFB9, "SQL THON", false},
      {0xFBA, "SQL THSON", false},
      {0xFBB, "SQL THCN", false},
      {0xFBC, "REF Initial 0", false},
      {0xFBD, "REF Initial 1", false},
      {0xFBE, "REF Initial 2", false},
      {0xFBF, "REF Initial 3", false},
      {0xFC0, "REF Initial 4", false},
      {0xFC1, "REF Initial 5", false},
      {0xFC2, "REF Initial 6", false},
      {0xFC3, "REF Initial 7", false},
      {0xFC4, "REF Initial 8", false},
      {0xFC5, "REF Initial 9", false},
      {0xFC6, "REF Initial 10", false},
      {0xFC7, "REF Initial 11", false},
      {0xFC8, "REF Initial 12", false},
      {0xFC9, "REF Initial 13", false},
      {0xFCA, "REF Initial 14", false},
      {0xFCB, "REF Initial 15", false},
      {0xFCC, "REF Initial 16", false},
      {0xFCD, "REF Initial 17", false},
      {0xFCE, "REF Initial 18", false},
      {0xFCF, "REF Initial 19", false},
      {0xFD0, "REF Slant 0", true},
      {0xFD1, "REF Slant 1", true},
      {0xFD2, "REF Slant 2", true},
      {0xFD3, "REF Slant 3", true},
      {0xFD4, "REF Slant 4", true},
      {0xFD5, "REF Slant 5", true},
      {0xFD6, "REF Slant 6", true},
      {0xFD7, "REF Slant 7", true},
      {0xFD8, "REF Slant 8", true},
      {0xFD9, "REF Slant 9", true},
      {0xFDA, "REF Slant 10", true},
      {0xFDB, "REF Slant 11", true},
      {0xFDC, "REF Slant 12", true},
      {0xFDD, "REF Slant 13", true},
      {0xFDE, "REF Slant 14", true},
      {0xFDF, "REF Slant 15", true},
      {0xFE0, "REF Slant 16", true},
      {0xFE1, "REF Slant 17", true},
      {0xFE2, "REF Slant 18", true},
      {0xFE3, "REF Slant 19", true},
      {0xFE4, "MOD Level", false},
      {0xFE5, "ATIS Level 1300Hz", true},
      {0xFE6, "ATIS Level 2100Hz", true},
      {0xFE7, "ATIS Level JAPAN", true},
      {0xFE8, "BPF Tracking T1 Level", true},
      {0xFE9, "BPF Tracking T2 Level", true},
      {0xFEA, "BPF Tracking T3 Level", true},
      {0xFEB, "BPF Tracking T4 Level", true},
      {0xFEC, "POW HI Level", false},
      {0xFED, "POW LOW Level", false},
      {0xFEE, "POW E-LOW Level", false},
  };
  return kMap;
}

const clsIndEep_RigR4T::ParaRow* clsIndEep_RigR4T::ParameterAt(int32_t adr) {
  for (const ParaRow& p : ParameterMap()) {
    if (p.adr == adr) return &p;
  }
  return nullptr;
}

int clsIndEep_RigR4T::ParaValue(const ParaRow& row, uint8_t byte) {
  return row.isSigned && byte >= 128 ? byte - 256 : byte;
}

std::string clsIndEep_RigR4T::ParaLine(const ParaRow& row, uint8_t byte) {
  return RightAlign(std::string(row.name) + ": ", 25) + RightAlign(std::to_string(ParaValue(row, byte)), 4);
}

std::string clsIndEep_RigR4T::RigR4TEep_DispParaText() const {
  std::string text;
  for (const ParaRow& p : ParameterMap()) {
    text += ParaLine(p, static_cast<uint8_t>(myEep.ReadByte(p.adr)));
    text += kCrLf;
  }
  return text;
}

void clsIndEep_RigR4T::RigR4TEep_DispPara(IWindow& obj) const { obj.SetDispParaText(RigR4TEep_DispParaText()); }

}  // namespace pw
