// The bench: the instruments that fill the roles, their shared connections,
// the operations an alignment drives (each started, then polled), and the
// safety rules that hold whatever runs. Task() does one bounded step per
// heartbeat tick; nothing here waits.
//
// Safety, whatever the caller asks:
//  - before every keying the generator's output is switched off and OUTP?
//    must answer 0; the output is never switched on while keyed;
//  - keying needs TransmitPathSafe=1 or the technician's confirmation once
//    per plan;
//  - the transmitter rests MinUnkeyedS between keyed spans and is released
//    after MaxKeyedS in one go, whatever runs;
//  - the generator stays inside the marine band and at or below MaxLevelDbm
//    at the radio;
//  - any instrument failure makes the bench safe (PTT released, generator
//    output off) and stops what runs, with one message naming the
//    instrument and what it said.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "instruments/BenchFile.h"
#include "instruments/ScpiSession.h"
#include "platform/IClock.h"
#include "platform/IInstrumentLink.h"
#include "serial/clsCmcTick.h"

namespace pw {

// No instruments: every address is refused. For a program run without a
// bench and for tests that need none.
class NoInstrumentLinks : public IInstrumentLinks {
 public:
  std::unique_ptr<IInstrumentLink> Create(const InstrumentAddress& /*address*/, std::string& why) override {
    why = "This program has no instrument links.";
    return nullptr;
  }
};

class BenchInstruments {
 public:
  enum class OpState { Idle, Running, Done, Failed };

  static constexpr int32_t kBandLowHz = 155000000;
  static constexpr int32_t kBandHighHz = 164000000;

  BenchInstruments(IInstrumentLinks& links, IClock& clock);
  ~BenchInstruments();
  BenchInstruments(const BenchInstruments&) = delete;
  BenchInstruments& operator=(const BenchInstruments&) = delete;

  // Makes the bench safe, drops every connection and takes the new roles.
  // The PTT's port is opened at once so its line is driven released.
  void Configure(const BenchConfig& config);
  const BenchConfig& Config() const { return config_; }
  bool HasRole(Role role) const;

  void Task();

  // PTT released, generator output off, everything running stopped. Called
  // at Connect, on a radio link error, on abort and at exit.
  void MakeSafe();

  // The failure to show once, or empty.
  std::string TakeMessage();

  // The dialog's Test button: connects the role afresh and reads *IDN?.
  void StartIdentify(Role role);
  bool IdentifyDone(Role role) const;
  std::string IdentifyResult(Role role) const;
  // The *IDN? answer kept for the record, empty until connected.
  std::string IdentityOf(Role role) const;

  // A plan starts: the transmit path is to be confirmed again unless the
  // bench file declares it safe.
  void BeginPlan();
  // True while keying waits for the technician to confirm the transmit path.
  bool NeedsPathConfirmation() const;
  void ConfirmTransmitPath();

  // The operations. Each returns false when refused, with the reason in
  // Failure(role); otherwise the role runs it until State(role) is Done or
  // Failed. One operation per role at a time.
  bool StartSetGenerator(int32_t hz, double dbmAtRadio);
  bool StartGeneratorOutput(bool on);
  bool StartTone(bool on, int32_t hz = 1000, double volts = 0.1);
  // Keys the transmitter (the PTT role's operation). atis: an ATIS mode is
  // about to be requested, which counts as keyed; the PTT is keyed as well
  // only when AtisNeedsPtt.
  bool StartKey(bool atis = false);
  bool StartRelease();
  // Counter (Hz), power meter (W at the radio) or modulation meter (Hz peak).
  bool StartMeasure(Role role);

  OpState State(Role role) const;
  double Reading(Role role) const;
  std::string Failure(Role role) const;

  bool Keyed() const { return keyed_; }
  // With no PTT instrument the technician keys by hand when asked.
  bool KeysByHand() const;

 private:
  struct Step;
  struct RoleState;

  bool Refuse(Role role, const std::string& why);
  void Begin(Role role, std::vector<Step> steps, bool identify = false);
  void AddConnect(std::vector<Step>& steps, Role target) const;
  void AddSettingsCheck(std::vector<Step>& steps, Role target) const;
  void AddGeneratorOff(std::vector<Step>& steps) const;
  void Run(Role role);
  // True when the step is finished; false while it waits.
  bool Execute(Role role, Step& step);
  bool ExecuteQuery(Role role, Step& step);
  void Finish(Role role, OpState state);
  void Fail(Role target, const std::string& what, Role owner);
  void StopAll(const std::string& why);
  void ReleasePtt();
  void CheckLinks();
  void CheckKeyedTime();
  void DriveLine(bool keyed);
  ScpiSession* SessionOf(Role role) const;
  std::string Where(Role role) const;
  uint32_t Now() const;

  IInstrumentLinks& links_;
  IClock& clock_;
  BenchConfig config_;
  std::vector<std::unique_ptr<ScpiSession>> sessions_;
  std::vector<std::unique_ptr<RoleState>> roles_;
  std::string message_;
  bool keyed_ = false;
  bool keying_ = false;  // a key operation is on its way
  uint32_t keyedSince_ = 0;
  uint32_t releasedAt_ = 0;
  bool everKeyed_ = false;
  bool pathConfirmed_ = false;
  bool pathAsked_ = false;
};

}  // namespace pw
