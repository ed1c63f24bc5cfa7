// The four guided procedures. Each step routine keeps one contract: it does
// nothing while the sequencer is busy, never waits inside a call, returns
// true when the task may go on with its cycle and false to be called again.
#include <algorithm>
#include <cmath>

#include "model/clsIndOp_RigR4T.h"

namespace pw {

namespace {

constexpr uint8_t kRefTableSub = 0x20;
constexpr int32_t kRefTableAdr = 0xFBC;
constexpr uint8_t kSqlThresholdSub = 0x70;
constexpr int32_t kSqlThresholdAdr = 0xFB6;
constexpr int16_t kTempsIndex = 4;
constexpr int16_t kSdIndex = 7;
constexpr int16_t kNoisIndex = 8;

int16_t ClampByte(int32_t v) { return static_cast<int16_t>(std::clamp<int32_t>(v, 0, 255)); }

int16_t ClampInt16(int32_t v) { return static_cast<int16_t>(std::clamp<int32_t>(v, INT16_MIN, INT16_MAX)); }

int32_t RoundHalfEven(double v) { return static_cast<int32_t>(std::nearbyint(v)); }

}  // namespace

void clsIndOp_RigR4T::SetProcStep(proc::Step step) {
  procStep_ = step;
  passCount_ = 0;
  bpf_.subStep = 0;
}

// ---------------------------------------------------------------- ATIS levels

void clsIndOp_RigR4T::AtisSetLine(int32_t eeAdr, int16_t e8Command, bool load) {
  console_.set_EeAdr(idxAtis_, eeAdr);
  console_.set_EeDataSigned(idxAtis_, false);
  console_.set_E8Command(idxAtis_, e8Command);
  if (load) console_.ReadFromEe(idxAtis_);
}

bool clsIndOp_RigR4T::RigOpProc_Atis() {
  if (seq_.OpRunning()) return false;
  const bool japan = eep_.RigR4TEep_GetIfJpn();
  proc::Step next = proc::Next(procStep_);
  bool advance = false;
  bool result = false;
  const bool first = passCount_ == 0;
  auto confirmation = [&] {
    if (RigOpFunc_AtisStatus(-1)) {
      advance = true;
    } else {
      flgAtisAbort_ = true;
    }
    flgAtisEnter_ = false;
    result = true;
  };
  auto startMode = [&](int16_t mode, int32_t eeAdr, int16_t e8Command, bool load) {
    RigOpFunc_AtisStatus(mode);
    AtisSetLine(eeAdr, e8Command, load);
    ++passCount_;
  };
  switch (procStep_) {
    case proc::AtisStart:
      flgAtisWait_ = false;
      flgAtisAbort_ = false;
      if (japan) next = proc::AtisAlternating;
      advance = true;
      result = true;
      break;
    case proc::Atis1300:
      first ? startMode(1, 0xFE5, 9, true) : confirmation();
      break;
    case proc::Atis2100:
      first ? startMode(2, 0xFE6, 0x0A, true) : confirmation();
      break;
    case proc::AtisAlternating:
      first ? startMode(3, japan ? 0xFE7 : -1, static_cast<int16_t>(japan ? 0x0E : -1), true) : confirmation();
      break;
    case proc::AtisCode:
      first ? startMode(4, -1, -1, false) : confirmation();
      break;
    case proc::Atis1300Set:
    case proc::Atis2100Set:
    case proc::AtisCodeSet:
    case proc::AtisAlternatingSet:
      advance = flgAtisEnter_;
      if (procStep_ == proc::AtisAlternatingSet && japan) next = proc::AtisOff;
      // Enter accepts the level the line has sent (modes without a level
      // have no address and log nothing).
      if (advance) LogProcedureWrite(console_.EeAdr(idxAtis_), console_.Value(idxAtis_));
      result = true;
      break;
    case proc::AtisOff:
      if (first) {
        flgAtisWait_ = true;  // the task switches the generator off and waits for it
        ++passCount_;
      } else {
        advance = true;
      }
      result = true;
      break;
    case proc::AtisEnd:
      next = proc::None;
      advance = true;
      ProcedureFinished();
      result = true;
      break;
    default:
      break;
  }
  if (flgAtisAbort_) {
    ProcedureReset(ProcedureEnd::NotConfirmed);
    return true;
  }
  if (advance) {
    SetProcStep(next);
    console_.Disp(idxAtis_);
  }
  return result;
}

// ------------------------------------------------- reference temperature table

int16_t clsIndOp_RigR4T::RigOpFunc_TempIndex(int16_t adValue) const {
  int16_t i = 0;
  while (i <= 18 && adValue >= tempPoints_[static_cast<size_t>(i + 1)]) ++i;
  return i;
}

int16_t clsIndOp_RigR4T::RigOpFunc_RefTableValue(int16_t i, int16_t base) const {
  if (i < 0 || i > 19) return base;
  // Saturates instead of wrapping: with extreme offsets a wrapped sum would
  // turn an entry far below 0 into one above 255.
  return ClampInt16(base + params_.refOffset[static_cast<size_t>(i)]);
}

bool clsIndOp_RigR4T::RigOpProc_Txf() {
  if (seq_.OpRunning()) return false;
  clsCmcEeprom& image = radio_.eepImage();
  switch (procStep_) {
    case proc::TxfStart: {
      int sum = 0;
      for (int i = 0; i < 20; ++i) sum += image.ReadByte(kRefTableAdr + i);
      // Saturated to 16 bits so that a large negative offset cannot wrap the
      // start value round to the bottom of the line's range.
      const int16_t start =
          sum == 0 ? params_.refDefault : ClampInt16(std::max(0, image.ReadByte(kRefTableAdr) - params_.refOffset[0]));
      console_.set_Value(idxTxf_, start);
      txf_.lastBand = -1;
      flgTxfEnter_ = false;
      int16_t largest = 0;
      for (int16_t off : params_.refOffset) largest = std::max(largest, off);
      // Keeps the base plus any offset within one byte.
      console_.set_Max(idxTxf_, static_cast<int16_t>(255 - largest));
      SetProcStep(proc::TxfMeasure);
      return true;
    }
    case proc::TxfMeasure: {
      const bool done = RigOpFunc_ReadAdMonitor(kTempsIndex, passCount_ == 0);
      ++passCount_;
      if (!done) return false;
      const int16_t band = RigOpFunc_TempIndex(lastAd_[kTempsIndex]);
      const int16_t v = console_.Value(idxTxf_);
      if (v == txf_.lastValue && !flgTxfEnter_ && band == txf_.lastBand) {
        SetProcStep(proc::TxfNext);
        return true;
      }
      txf_.lastBand = band;
      txf_.first = flgTxfEnter_ ? 0 : static_cast<int16_t>(std::max(0, band - 1));
      txf_.last = flgTxfEnter_ ? 19 : static_cast<int16_t>(std::min(19, band + 1));
      txf_.enterLatch = flgTxfEnter_;
      txf_.lastValue = v;
      SetProcStep(proc::TxfWrite);
      return true;
    }
    case proc::TxfWrite:
      if (txf_.first <= txf_.last) {
        // A negative offset with a small base cannot be stored as one byte:
        // the entry is held at the nearest storable value.
        const int16_t w = ClampByte(RigOpFunc_RefTableValue(txf_.first, txf_.lastValue));
        SendE8Command(static_cast<uint8_t>(kRefTableSub + txf_.first), w, false);
        waitE8_ = 20;
        image.WriteByte(kRefTableAdr + txf_.first, static_cast<uint8_t>(w));
        LogProcedureWrite(kRefTableAdr + txf_.first, w);
        ++txf_.first;
      }
      if (txf_.last >= txf_.first) return false;
      SetProcStep(txf_.enterLatch ? proc::TxfNext : proc::TxfMeasure);
      return true;
    case proc::TxfNext:
      if (txf_.enterLatch) {
        SetProcStep(proc::None);
        flgTxfEnter_ = false;
        ProcedureFinished();
      } else {
        SetProcStep(proc::TxfMeasure);
      }
      return true;
    default:
      return true;
  }
}

// ------------------------------------------------------- squelch calculation

int32_t clsIndOp_RigR4T::RigOpFunc_SqlControlCurve(int16_t& x) const {
  x = static_cast<int16_t>(std::clamp<int>(x, 0, 255));
  const clsCmcEeprom& image = radio_.eepImage();
  const int I = image.ReadByte(0xF72);
  int S[5] = {0};
  for (int k = 1; k <= 4; ++k) S[k] = static_cast<int8_t>(image.ReadByte(0xF74 + k - 1));
  const int B1 = image.ReadByte(0xF78), B2 = image.ReadByte(0xF79), B3 = image.ReadByte(0xF7A);
  const double seg1 = B1 * S[1] / 64.0;
  const double seg2 = (B2 - B1) * S[2] / 64.0;
  const double seg3 = (B3 - B2) * S[3] / 64.0;
  double y = 0;
  if (x >= 0 && x <= B1) {
    y = x * S[1] / 64.0 + I;
  } else if (x >= B1 + 1 && x <= B2) {
    y = (x - B1) * S[2] / 64.0 + seg1 + I;
  } else if (x >= B2 + 1 && x <= B3) {
    y = (x - B2) * S[3] / 64.0 + seg2 + seg1 + I;
  } else if (x >= B3 + 1 && x <= 255) {
    y = (x - B3) * S[4] / 64.0 + seg3 + seg2 + seg1 + I;
  } else {
    return 0;  // break points not ascending
  }
  return RoundHalfEven(y);
}

bool clsIndOp_RigR4T::RigOpProc_SqlCalc() {
  if (seq_.OpRunning()) return false;
  clsCmcEeprom& image = radio_.eepImage();
  const proc::Step stepBefore = procStep_;
  bool result = true;
  auto takeNoise = [&](int16_t& noise, proc::Step next) {
    if (!flgSqlEnter_) return;
    const bool done = RigOpFunc_ReadAdMonitor(kNoisIndex, passCount_ == 0);
    ++passCount_;
    if (!done) return;
    noise = lastAd_[kNoisIndex];
    flgSqlEnter_ = false;
    SetProcStep(next);
  };
  switch (procStep_) {
    case proc::SqlStart:
      flgSqlEnter_ = false;
      SetProcStep(proc::SqlNoise1);
      break;
    case proc::SqlNoise1:
      takeNoise(sql_.noise1, proc::SqlNoise2);
      break;
    case proc::SqlNoise2:
      takeNoise(sql_.noise2, proc::SqlTemperature);
      break;
    case proc::SqlTemperature: {
      result = false;
      const bool done = RigOpFunc_ReadAdMonitor(kTempsIndex, passCount_ == 0);
      ++passCount_;
      if (!done) break;
      sql_.tempCode = lastAd_[kTempsIndex];
      const int a = image.ReadByte(0xFB5), b = image.ReadByte(0xFB2), c = image.ReadByte(0xF73);
      sql_.T = RigOpFunc_SqlControlCurve(sql_.tempCode);
      const int d = a == 0 ? 1 : a;
      sql_.K = RoundHalfEven(sql_.T * (c / 255.0 * (a - b) / d + 1.0));
      int32_t m = 1;
      for (size_t j = 0; j < 3; ++j) m = std::min<int32_t>(m, params_.sqlOffset[j] + sql_.noise2 - sql_.K);
      // Keeps the three "TI" thresholds at 1 or more.
      sql_.shift = m < 1 ? 1 - m : 0;
      SetProcStep(proc::SqlWrite);
      break;
    }
    case proc::SqlWrite: {
      result = false;
      const int16_t j = passCount_;
      if (j >= 6) {
        SetProcStep(proc::SqlEnd);
        break;
      }
      const int32_t raw = j < 3 ? params_.sqlOffset[static_cast<size_t>(j)] + sql_.noise2 - sql_.K + sql_.shift
                                : params_.sqlOffset[static_cast<size_t>(j)] + sql_.noise1 - sql_.T;
      const int16_t value = ClampByte(raw);
      SendE8Command(static_cast<uint8_t>(kSqlThresholdSub + j), value, false);
      waitE8_ = 20;
      image.WriteByte(kSqlThresholdAdr + j, static_cast<uint8_t>(value));
      LogProcedureWrite(kSqlThresholdAdr + j, value);
      ++passCount_;
      break;
    }
    case proc::SqlEnd:
      SetProcStep(proc::None);
      ProcedureFinished();
      break;
    default:
      break;
  }
  if (procStep_ != stepBefore) console_.Disp(idxSql_);
  return result;
}

// ------------------------------------------------------------ band-pass sweep

bool clsIndOp_RigR4T::RigOpProc_BpfSweep() {
  if (seq_.OpRunning()) return false;
  switch (procStep_) {
    case proc::BpfStart:
      SetProcStep(proc::BpfPresets);
      return true;
    case proc::BpfPresets: {
      const auto selected = std::count(bpfSelect_.begin(), bpfSelect_.end(), true);
      if (selected > 1) {
        for (int16_t k = 0; k < 4; ++k) {
          if (!bpfSelect_[static_cast<size_t>(k)]) continue;
          const int16_t line = static_cast<int16_t>(idxBpfT1_ + k);
          console_.set_Value(line, params_.bpfPreset[static_cast<size_t>(k)]);
          console_.Disp(line);
        }
      }
      SetProcStep(proc::BpfNextFilter);
      return true;
    }
    case proc::BpfNextFilter: {
      const auto it = std::find(bpfSelect_.begin(), bpfSelect_.end(), true);
      if (it == bpfSelect_.end()) {
        SetProcStep(proc::BpfEnd);
        return true;
      }
      bpf_.k = static_cast<int16_t>(it - bpfSelect_.begin());
      const int16_t line = static_cast<int16_t>(idxBpfT1_ + bpf_.k);
      console_.set_Value(line, console_.Min(line));
      bpf_.best = -1;
      bpf_.low = bpf_.high = console_.Min(line);
      if (serviceLog) serviceLog->SweepStarted(bpf_.k, console_.Min(line), console_.Max(line));
      SetProcStep(proc::BpfSweep);
      return true;
    }
    case proc::BpfSweep: {
      const int16_t line = static_cast<int16_t>(idxBpfT1_ + bpf_.k);
      if (bpf_.subStep == 1) {
        RigOpFunc_ReadAdMonitor(kSdIndex, true);
        bpf_.subStep = 2;
        return false;
      }
      if (bpf_.subStep == 2) {
        if (!RigOpFunc_ReadAdMonitor(kSdIndex, false)) return false;
        const int16_t v = console_.Value(line);
        console_.set_WaitAfterE8(line, 0);
        const int16_t s = lastAd_[kSdIndex];
        if (serviceLog) serviceLog->SweepRead(bpf_.k, v, s);
        if (s >= bpf_.best) {
          if (s > bpf_.best) bpf_.low = v;
          bpf_.high = v;
          bpf_.best = s;
        }
        if (v >= console_.Max(line)) {
          // The middle of the best range, rounded down (also for negatives).
          const int sum = bpf_.low + bpf_.high;
          console_.set_Value(line, static_cast<int16_t>(sum >= 0 ? sum / 2 : -((-sum + 1) / 2)));
          LogProcedureWrite(console_.EeAdr(line), console_.Value(line));
          if (serviceLog) serviceLog->SweepChosen(bpf_.k, bpf_.low, bpf_.high, console_.Value(line));
          bpfSelect_[static_cast<size_t>(bpf_.k)] = false;
          SetProcStep(proc::BpfNextFilter);
          return true;
        }
        // A step below 1 would never reach the end of the range.
        const int16_t step = std::max<int16_t>(params_.bpfStep, 1);
        console_.set_Value(line, static_cast<int16_t>(std::min<int>(v + step, 32767)));
        bpf_.subStep = 0;
      }
      console_.SendE8(line);
      bpf_.subStep = 1;
      return false;
    }
    case proc::BpfEnd:
      SetProcStep(proc::None);
      ProcedureFinished();
      return true;
    default:
      return true;
  }
}

}  // namespace pw
