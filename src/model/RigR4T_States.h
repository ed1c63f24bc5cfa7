// The numbered states of the model's operation task and the steps of its
// guided procedures. Both are enumerations over the task's own 16-bit
// numbers, so ranges and offsets read as plain arithmetic: the reading of a
// monitor state is the state minus the first state of its family, and a
// procedure owns one run of consecutive steps.
#pragma once

#include <cstdint>

namespace pw {

namespace op {
// The operation task's states, in the order of its cycle.
enum State : int16_t {
  Idle,        // nothing happens until Connect
  Start,       // Connect's first pass goes straight on
  CloneRead,   // clone read, then the console is loaded from the image
  CycleStart,  // a reload request becomes this cycle's reading pass
  AtisOff,     // the ATIS generator is switched off and confirmed off
  // One A/D reading each, in monitor order.
  AdMkey,
  AdSwA,
  AdSwB,
  AdLvin,
  AdTemps,
  AdSqlv,
  AdTxdet,
  AdSd,
  AdNois,
  AdBtype,
  AdBatt,
  // One D/A reading each.
  DaFrqcon,
  DaPowcon,
  DaT1,
  DaT2,
  DaT3,
  DaT4,
  // The two calculated squelch points.
  SqlOpen,
  SqlClose,
  SendChanged,  // changed console items go to the radio
  Enter,        // one pending Enter is executed
  Procedure,    // one step of the running procedure
  CycleEnd,     // a new cycle, or the parameter dump
  DispPara,     // the parameter dump is shown
  Count
};

inline State Next(State s) { return static_cast<State>((s + 1) % Count); }
}  // namespace op

namespace proc {
// The steps of the four guided procedures; None when none runs.
enum Step : int16_t {
  None,
  // ATIS levels: each mode is requested, then its level is set until Enter.
  AtisStart,
  Atis1300,
  Atis1300Set,
  Atis2100,
  Atis2100Set,
  AtisAlternating,
  AtisAlternatingSet,
  AtisCode,
  AtisCodeSet,
  AtisOff,
  AtisEnd,
  // Reference temperature table: start value, then temperature and writes
  // around it until Enter writes the whole table.
  TxfStart,
  TxfMeasure,
  TxfWrite,
  TxfNext,
  // Squelch thresholds: two noise readings, the temperature, six writes.
  SqlStart,
  SqlNoise1,
  SqlNoise2,
  SqlTemperature,
  SqlWrite,
  SqlEnd,
  // Band-pass filters: presets, then each selected filter swept in turn.
  BpfStart,
  BpfPresets,
  BpfNextFilter,
  BpfSweep,
  BpfEnd,
};

inline Step Next(Step s) { return static_cast<Step>(s + 1); }
inline bool InAtis(Step s) { return s >= AtisStart && s <= AtisEnd; }
inline bool InTxf(Step s) { return s >= TxfStart && s <= TxfNext; }
inline bool InSql(Step s) { return s >= SqlStart && s <= SqlEnd; }
inline bool InBpf(Step s) { return s >= BpfStart && s <= BpfEnd; }
}  // namespace proc

}  // namespace pw
