// The model's answers to the console's events: special lines, special sends,
// the automatic power-level selection and the start of the procedures.
#include <cstdio>

#include "model/clsIndOp_RigR4T.h"

namespace pw {

namespace {

struct DialGroup {
  const char* name;
  int16_t dialValue;
};
constexpr DialGroup kGroups[] = {{"INT", 2}, {"USA", 4}, {"CAN", 1}, {"WX", 0x20}};

const DialGroup* GroupOf(int16_t code) { return (code >= 0 && code < 4) ? &kGroups[code] : nullptr; }

// The last three characters of the value right-aligned in three blanks.
std::string R3(int v) {
  const std::string t = "   " + std::to_string(v);
  return t.substr(t.size() - 3);
}

bool InRange(int16_t v, int lo, int hi) { return v >= lo && v <= hi; }

}  // namespace

std::string clsIndOp_RigR4T::FreqText(int32_t hz) const {
  // At least three integer digits and three decimals: 156.050. Rounded on
  // the whole hertz, halves away from zero: a free channel on the 12.5 kHz
  // raster (156.0125 MHz) reads 156.013 whatever its binary approximation.
  const int64_t magnitude = hz < 0 ? -static_cast<int64_t>(hz) : hz;
  const int64_t khz = (magnitude + 500) / 1000;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%s%03lld.%03lld", hz < 0 ? "-" : "", static_cast<long long>(khz / 1000),
                static_cast<long long>(khz % 1000));
  return buf;
}

std::string clsIndOp_RigR4T::ChannelLine(const std::string& title, int16_t val) {
  if (!InRange(val, 0, kChListSize - 1) || !InRange(curDialIndex_, 0, kDialTableSize - 1)) return title + ": ";
  const int16_t g = dialTable_[static_cast<size_t>(curDialIndex_)];
  const int16_t c = chList_[static_cast<size_t>(val)];
  std::string name = eep_.RigR4TEep_GetChName(g, c);
  name.erase(0, name.find_first_not_of(' ') == std::string::npos ? name.size() : name.find_first_not_of(' '));
  const std::string tx = eep_.RigR4TEep_GetChTxInh(g, c) ? "Inhibit" : FreqText(eep_.RigR4TEep_GetChFreqTxReal(g, c));
  return title + ": " + name + " (RX Freq = " + FreqText(eep_.RigR4TEep_GetChFreqRxReal(g, c)) + ", TX Freq = " + tx +
         ")";
}

std::string clsIndOp_RigR4T::ConsEv_Disp(clsConsole& objConsole, int16_t& Index, int16_t evNo, int16_t& val) {
  const std::string t = objConsole.Title(Index);
  switch (evNo) {
    case ev::kDispDialMode: {
      const bool known = InRange(val, 0, kDialTableSize - 1);
      const DialGroup* g = known ? GroupOf(dialTable_[static_cast<size_t>(val)]) : nullptr;
      return t + ": " + (g ? g->name : "???");
    }
    case ev::kDispChNo:
      return ChannelLine(t, val);
    case ev::kDispRfPower: {
      static const char* kLevels[] = {"High", "Low", "E-Low"};
      return t + ": " + (InRange(val, 0, 2) ? kLevels[val] : "");
    }
    case ev::kDispAtis: {
      std::string s = t + ": ";
      const std::string level = "Level = " + R3(val) + objConsole.BarString(Index);
      if (InRange(procStep_, proc::Atis1300, proc::Atis1300Set)) return s + "1300Hz: " + level;
      if (InRange(procStep_, proc::Atis2100, proc::Atis2100Set)) return s + "2100Hz: " + level;
      if (InRange(procStep_, proc::AtisAlternating, proc::AtisAlternatingSet))
        return s + "1300/2100Hz" + (eep_.RigR4TEep_GetIfJpn() ? ": " + level : "");
      if (InRange(procStep_, proc::AtisCode, proc::AtisCodeSet)) return s + "Code";
      if (procStep_ == proc::AtisOff) return s + "OFF...";
      return s + "[Enter] to Start";
    }
    case ev::kDispTxf: {
      if (!proc::InTxf(procStep_)) return t + ": [Enter] to Start";
      const int16_t g =
          InRange(curDialIndex_, 0, kDialTableSize - 1) ? dialTable_[static_cast<size_t>(curDialIndex_)] : 0;
      const std::string tx =
          eep_.RigR4TEep_GetChTxInh(g, curChNo_) ? "Inhibit" : FreqText(eep_.RigR4TEep_GetChFreqTxReal(g, curChNo_));
      return t + ": TX Freq = " + tx + ", Setting = " + R3(val) + objConsole.BarString(Index);
    }
    case ev::kDispSql:
      if (InRange(procStep_, proc::SqlStart, proc::SqlNoise1)) return t + ": Input 1st signal and push [Enter]";
      if (InRange(procStep_, proc::SqlNoise2, proc::SqlEnd)) return t + ": Input 2nd signal and push [Enter]";
      return t + ": [Enter] to Start";
    case ev::kDispBpfAll:
      if (proc::InBpf(procStep_) && Index == idxSweepItem_) return t + ": Sweeping";
      return t + ": [Enter] to Sweep";
    case ev::kDispBpfLine: {
      std::string s = objConsole.DefaultString(Index);
      if (proc::InBpf(procStep_)) {
        const int k = Index - idxBpfT1_;
        if (InRange(static_cast<int16_t>(k), 0, 3) && bpfSelect_[static_cast<size_t>(k)]) s += " Sweeping";
        return s;
      }
      return s + " [Enter] to Sweep";
    }
    default:
      return "???";
  }
}

void clsIndOp_RigR4T::ConsEv_SendE8(clsConsole& objConsole, int16_t& Index, int16_t evNo, int16_t& val) {
  switch (evNo) {
    case ev::kSendDialMode: {
      if (!InRange(val, 0, kDialTableSize - 1)) return;
      curDialIndex_ = val;
      const int16_t code = dialTable_[static_cast<size_t>(curDialIndex_)];
      if (const DialGroup* g = GroupOf(code)) {
        seq_.easySendE8NoAnswer(ByteToHex2(objConsole.E8Command(Index)) + ByteToAsciiHexStr(g->dialValue));
        waitE8_ = 200;
      }
      int16_t count = 0;
      for (int16_t ch = 0; ch <= 255; ++ch) {
        if (eep_.RigR4TEep_GetChAppear(code, ch)) chList_[static_cast<size_t>(count++)] = ch;
      }
      if (count == 0) {
        chList_[0] = 0;
        count = 1;
      }
      objConsole.set_Max(idxChNo_, static_cast<int16_t>(count - 1));
      objConsole.set_Value(idxChNo_, objConsole.Min(idxChNo_));
      objConsole.set_flgChanged(idxChNo_, true);
      return;
    }
    case ev::kSendChNo: {
      if (!InRange(val, 0, kChListSize - 1)) return;
      const int16_t ch = chList_[static_cast<size_t>(val)];
      seq_.easySendE8NoAnswer(ByteToHex2(objConsole.E8Command(Index)) + ByteToAsciiHexStr(ch));
      waitE8_ = 20;
      curChNo_ = ch;
      return;
    }
    case ev::kSendPowerLevel:
      if (objConsole.flgChanged(idxRfPower_)) {
        // RF Power must reach the radio first; this level goes on a later pass.
        objConsole.set_flgChanged(Index, true);
        return;
      }
      seq_.easySendE8NoAnswer(ByteToHex2(objConsole.E8Command(Index)) + ByteToAsciiHexStr(val & 255));
      waitE8_ = 20;
      return;
    default:
      return;
  }
}

void clsIndOp_RigR4T::ConsEv_Changed(clsConsole& objConsole, int16_t& /*Index*/, int16_t evNo, int16_t& /*val*/) {
  if (!InRange(evNo, ev::kChangedPowerHi, ev::kChangedPowerEl)) return;
  // The levels are in RF Power's order: High, Low, E-Low.
  const int16_t level = static_cast<int16_t>(evNo - ev::kChangedPowerHi);
  if (powerSelectTimer_.counter() != 0 && objConsole.Value(idxRfPower_) == level) return;
  objConsole.set_Value(idxRfPower_, level);
  powerSelectTimer_.set_counter(1000);
}

void clsIndOp_RigR4T::ConsEv_Enter(clsConsole& /*objConsole*/, int16_t& Index, int16_t evNo, int16_t& /*val*/) {
  // The procedure lines other than the filters: Enter starts the line's
  // procedure, or, while it runs, is handed to it as a flag.
  struct ProcedureLine {
    int16_t evEnter;
    bool (*owns)(proc::Step);
    proc::Step first;
    bool clsIndOp_RigR4T::*enterFlag;
    ServiceProcedure logged;
  };
  static constexpr ProcedureLine kProcedureLines[] = {
      {ev::kEnterAtis, proc::InAtis, proc::AtisStart, &clsIndOp_RigR4T::flgAtisEnter_, ServiceProcedure::Atis},
      {ev::kEnterTxf, proc::InTxf, proc::TxfStart, &clsIndOp_RigR4T::flgTxfEnter_, ServiceProcedure::Txf},
      {ev::kEnterSql, proc::InSql, proc::SqlStart, &clsIndOp_RigR4T::flgSqlEnter_, ServiceProcedure::Sql},
  };
  if (InRange(evNo, ev::kEnterBpfT1, ev::kEnterBpfAll)) {
    if (proc::InBpf(procStep_)) return;  // a sweep runs to its end
    bpfSelect_.fill(evNo == ev::kEnterBpfAll);
    if (evNo != ev::kEnterBpfAll) bpfSelect_[static_cast<size_t>(evNo - ev::kEnterBpfT1)] = true;
    idxSweepItem_ = Index;
    ProcedureReset(ProcedureEnd::OtherProcedure);
    procStep_ = proc::BpfStart;
    if (serviceLog) {
      serviceLog->ProcedureStarted(
          evNo == ev::kEnterBpfAll
              ? ServiceProcedure::BpfAll
              : static_cast<ServiceProcedure>(static_cast<int>(ServiceProcedure::BpfT1) + (evNo - ev::kEnterBpfT1)));
    }
    return;
  }
  for (const ProcedureLine& line : kProcedureLines) {
    if (line.evEnter != evNo) continue;
    if (line.owns(procStep_)) {
      this->*line.enterFlag = true;
      return;
    }
    ProcedureReset(ProcedureEnd::OtherProcedure);
    procStep_ = line.first;
    if (serviceLog) serviceLog->ProcedureStarted(line.logged);
    // The ATIS line shows the level of each mode; it starts from nothing.
    if (evNo == ev::kEnterAtis) console_.set_Value(Index, 0);
    return;
  }
}

}  // namespace pw
