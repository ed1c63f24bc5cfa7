// The radio's monitor readings: requests, answer checks, values and the exact
// lines of the two monitor lists; also the ATIS status request.
#include <cmath>
#include <cstdio>

#include "clone/clsCmcNbx3Drv.h"
#include "model/clsIndOp_RigR4T.h"

namespace pw {

namespace {

enum Family { kAd = 0, kDa = 1, kSqlCalced = 2 };

const char* const kAdLabels[11] = {
    "MKEY :", "SW A :", "SW B :", "LVIN :", "TEMPS:", "SQLV :", "TXDET:", "SD   :", "NOIS :", "BTYPE:", "BATT :"};
const char* const kDaLabels[6] = {"FRQCON:", "POWCON:", "T1    :", "T2    :", "T3    :", "T4    :"};
const char* const kSqlLabels[2] = {"OPEN :", "CLOSE:"};

constexpr int16_t kTempsIndex = 4;
constexpr int16_t kBattIndex = 10;
constexpr uint8_t kAtisSubCommand = 0x03;
// ATIS statuses: the radio confirms a mode with 5; an answer that fails the
// checks counts as 6, which is never a confirmation.
constexpr int16_t kAtisConfirmed = 5;
constexpr int16_t kAtisBadAnswer = 6;

std::string Right(const std::string& s, size_t w) { return s.size() <= w ? s : s.substr(s.size() - w); }

// "123:7Bh:" - the raw value in decimal and hex in front of every reading.
std::string Prefix(int16_t v) {
  char hex[8];
  std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned>(v) & 0xFFu);
  return Right("   " + std::to_string(v), 3) + ":" + hex + "h:";
}

std::string Fixed2(double x, const char* unit) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.2f%s", x, unit);
  return buf;
}

std::string VoltLine(const char* label, int16_t v, double fullScale) {
  return label + Prefix(v) + Right("   " + Fixed2(v * fullScale / 255.0, "V"), 7);
}

}  // namespace

uint8_t clsIndOp_RigR4T::AdSubCommand(int16_t index) {
  // 0x97 is never asked for: the readings after TXDET skip it.
  return static_cast<uint8_t>(0x90 + index + (index >= 7 ? 1 : 0));
}

std::string clsIndOp_RigR4T::AdLine(int16_t index, int16_t v) {
  if (index < 0 || index > 10) return std::string();
  const char* label = kAdLabels[index];
  if (index == kTempsIndex) {
    if (v <= 0 || v >= 255) return label + Prefix(v) + "*Error";
    // Thermistor B-parameter equation, B = 4550 K, reference 25 degrees C.
    const double r = (255.0 - v) / v * 100.0 / 47.0;
    const double t = 1.0 / (std::log(r) / 4550.0 + 1.0 / 298.15) - 273.15;
    return label + Prefix(v) + Right("   " + Fixed2(t, "'C"), 8);
  }
  return VoltLine(label, v, index == kBattIndex ? 13.76 : 4.3);
}

std::string clsIndOp_RigR4T::DaLine(int16_t index, int16_t v) {
  if (index < 0 || index > 5) return std::string();
  return VoltLine(kDaLabels[index], v, 4.3);
}

std::string clsIndOp_RigR4T::SqlCalcedLine(int16_t index, int16_t v) {
  if (index < 0 || index > 1) return std::string();
  return kSqlLabels[index] + Right("   " + std::to_string(v), 3);
}

void clsIndOp_RigR4T::SendE8Command(uint8_t subCommand, int16_t value, bool answer) {
  const std::string text = ByteToHex2(subCommand) + ByteToAsciiHexStr(value);
  if (answer) {
    seq_.easySendE8ReqAnswer(text);
  } else {
    seq_.easySendE8NoAnswer(text);
  }
}

bool clsIndOp_RigR4T::RigOpFunc_AnswerIsBad(const ByteStr& answer) const {
  if (answer.size() != 7) return true;
  if (varRadioId_.size() > answer.size() || !std::equal(varRadioId_.begin(), varRadioId_.end(), answer.begin())) {
    return true;
  }
  return !IsHexDigit(static_cast<char>(answer[5])) || !IsHexDigit(static_cast<char>(answer[6]));
}

int16_t clsIndOp_RigR4T::RigOpFunc_AnswerValue(const ByteStr& answer) const {
  if (answer.size() < 7) return 0;
  return static_cast<int16_t>(HexDigitValue(static_cast<char>(answer[5])) * 16 +
                              HexDigitValue(static_cast<char>(answer[6])));
}

namespace {

// The three families of readings (kAd, kDa, kSqlCalced): where each is
// asked for, kept and shown.
struct MonitorFamily {
  int16_t count;
  uint8_t (*subCommand)(int16_t index);
  int list;      // which monitor list shows it
  int firstRow;  // the list row of reading 0
  std::string (*line)(int16_t index, int16_t v);
};

const MonitorFamily kFamilies[] = {
    {11, &clsIndOp_RigR4T::AdSubCommand, frm::kListAd, 1, &clsIndOp_RigR4T::AdLine},
    {6, [](int16_t i) { return static_cast<uint8_t>(0x80 + i); }, frm::kListDa, 1, &clsIndOp_RigR4T::DaLine},
    {2, [](int16_t i) { return static_cast<uint8_t>(0xA0 + i); }, frm::kListDa, 9, &clsIndOp_RigR4T::SqlCalcedLine},
};

}  // namespace

bool clsIndOp_RigR4T::ReadMonitor(int family, int16_t index, bool firstPass) {
  if (family < kAd || family > kSqlCalced) return true;
  const MonitorFamily& f = kFamilies[family];
  if (index < 0 || index >= f.count) return true;
  const uint8_t sub = f.subCommand(index);
  const auto i = static_cast<size_t>(index);
  int16_t* stored = family == kAd ? &lastAd_[i] : family == kDa ? &lastDa_[i] : &lastSqlCalced_[i];
  IListBox* list = &window_.lbo01(f.list);
  const int row = f.firstRow + index;
  const auto line = f.line;
  if (firstPass) {
    SendE8Command(sub, 0, true);
    return false;
  }
  if (seq_.OpRunning()) return false;
  const ByteStr& answer = drv_.varLastE8Answer();
  if (RigOpFunc_AnswerIsBad(answer)) {
    flgCommError_ = true;
    return true;
  }
  const int16_t v = RigOpFunc_AnswerValue(answer);
  if (v != *stored) {
    *stored = v;
    if (row < list->ListCount()) list->SetList(row, line(index, v));
  }
  return true;
}

bool clsIndOp_RigR4T::RigOpFunc_ReadAdMonitor(int16_t index, bool firstPass) {
  return ReadMonitor(kAd, index, firstPass);
}

bool clsIndOp_RigR4T::RigOpFunc_ReadDaMonitor(int16_t index, bool firstPass) {
  return ReadMonitor(kDa, index, firstPass);
}

bool clsIndOp_RigR4T::RigOpFunc_ReadSqlCalcedMonitor(int16_t index, bool firstPass) {
  return ReadMonitor(kSqlCalced, index, firstPass);
}

bool clsIndOp_RigR4T::RigOpFunc_AtisStatus(int16_t mode) {
  if (mode >= 0) {
    SendE8Command(kAtisSubCommand, mode, true);
    lastAtisMode_ = mode;
    // From the moment a mode is asked for, the generator may be on: the radio
    // can act on the request before its confirmation is read, or without
    // one. Ended at any point from here, the procedure must switch it off;
    // switching off a generator that is already off does no harm.
    if (mode != 0) flgAtisActive_ = true;
    return false;
  }
  const ByteStr& answer = drv_.varLastE8Answer();
  const int16_t status = RigOpFunc_AnswerIsBad(answer) ? kAtisBadAnswer : RigOpFunc_AnswerValue(answer);
  if (status != kAtisConfirmed) return false;
  flgAtisActive_ = lastAtisMode_ != 0;
  return true;
}

}  // namespace pw
