// What the model tells the service record: a Connect has read a radio, the
// guided procedures start, write adjustment bytes and end, and the band-pass
// sweep reads its detector. The record
// follows the image and the monitor lists by itself; these are the events
// it could not see from outside.
#pragma once

#include <cstdint>

namespace pw {

enum class ServiceProcedure { Atis, Txf, Sql, BpfT1, BpfT2, BpfT3, BpfT4, BpfAll };

// How a procedure run ended.
enum class ProcedureEnd {
  Finished,        // it ran to its end and beeped
  Connect,         // interrupted by the Connect button
  Reload,          // interrupted by Reload(F5)
  DispPara,        // interrupted by the parameter display
  OtherProcedure,  // another procedure was started
  LinkError,       // the link to the radio failed
  PortChanged,     // another port was chosen
  NotConfirmed,    // the radio did not confirm a mode (ATIS)
};

class IServiceLog {
 public:
  virtual ~IServiceLog() = default;
  // The clone read has filled the image and the console has been loaded
  // from it; nothing has been sent to the radio yet.
  virtual void RadioRead() = 0;
  virtual void ProcedureStarted(ServiceProcedure procedure) = 0;
  // A procedure put this byte into the image at this address (and sent it,
  // or it goes out with the console's next send).
  virtual void ProcedureWrote(int32_t eeAdr, uint8_t value) = 0;
  virtual void ProcedureEnded(ProcedureEnd how) = 0;
  // The band-pass sweep of filter 0 (T1) ... 3 (T4) starts at min and steps
  // to max; it reads the detector's level at each value; once at max it
  // sets the filter to `chosen`, the middle of the best range low ... high.
  virtual void SweepStarted(int filter, int16_t min, int16_t max) = 0;
  virtual void SweepRead(int filter, int16_t value, int16_t level) = 0;
  virtual void SweepChosen(int filter, int16_t low, int16_t high, int16_t chosen) = 0;
};

}  // namespace pw
