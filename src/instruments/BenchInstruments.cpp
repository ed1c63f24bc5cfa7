#include "instruments/BenchInstruments.h"

#include <cmath>
#include <map>
#include <utility>

#include "instruments/InstrumentAddress.h"
#include "instruments/ScpiNumber.h"
#include "settings/ProfileNumbers.h"

namespace pw {
namespace {

std::string Fill(std::string text, const std::string& placeholder, const std::string& value) {
  for (std::size_t at = text.find(placeholder); at != std::string::npos; at = text.find(placeholder, at)) {
    text.replace(at, placeholder.size(), value);
    at += value.size();
  }
  return text;
}

// Placeholders are written in the C locale whatever the user's, with no more
// digits than the value has.
std::string Number(double value) { return profile::FloatingToText(value); }

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

bool StartsWithZero(const std::string& answer) {
  // "0,\"No error\"", "+0,...", "0": the error queue is empty.
  std::size_t i = 0;
  while (i < answer.size() && (answer[i] == ' ' || answer[i] == '+')) ++i;
  if (i >= answer.size() || answer[i] != '0') return false;
  ++i;
  return i == answer.size() || answer[i] == ',' || answer[i] == ' ' || answer[i] == ';';
}

}  // namespace

struct BenchInstruments::Step {
  enum class Kind {
    Open,           // the target's link open
    Write,          // a command without an answer
    QueryError,     // SYST:ERR?: a leading 0 or it is a failure
    QueryOpc,       // *OPC?: any answer means done
    QueryIdentity,  // *IDN?: kept, and must contain Identity=
    QueryZero,      // OUTP?: must read 0
    QueryReading,   // a measurement
    Wait,           // ms
    Connected,      // the target's connect sequence is through
    GuardUnkeyed,   // fails when keyed or keying (before the output goes on)
    Rest,           // waits out the rest after the last keyed span
    MarkKeyed,
    MarkReleased,
  };
  Step(Kind k, Role t, std::string c = std::string(), int waitMs = 0)
      : kind(k), target(t), command(std::move(c)), ms(waitMs) {}
  Kind kind;
  Role target;
  std::string command;
  int ms = 0;
  bool started = false;
};

struct BenchInstruments::RoleState {
  explicit RoleState(IClock& clock) : wait(clock) {}
  int session = -1;
  bool connected = false;
  std::string idn;
  OpState state = OpState::Idle;
  bool identify = false;
  std::vector<Step> steps;
  std::size_t next = 0;
  clsCmcTick wait;
  double reading = 0;
  std::string failure;
};

BenchInstruments::BenchInstruments(IInstrumentLinks& links, IClock& clock) : links_(links), clock_(clock) {
  for (int i = 0; i < kRoleCount; ++i) roles_.push_back(std::make_unique<RoleState>(clock));
}

BenchInstruments::~BenchInstruments() { MakeSafe(); }

uint32_t BenchInstruments::Now() const { return static_cast<uint32_t>(clock_.GetTickCount()); }

bool BenchInstruments::HasRole(Role role) const { return roles_[static_cast<int>(role)]->session >= 0; }

ScpiSession* BenchInstruments::SessionOf(Role role) const {
  const int index = roles_[static_cast<int>(role)]->session;
  return index < 0 ? nullptr : sessions_[index].get();
}

std::string BenchInstruments::Where(Role role) const {
  return std::string(RoleName(role)) + " (" + config_[role].Address + ")";
}

bool BenchInstruments::KeysByHand() const { return !HasRole(Role::Ptt); }

void BenchInstruments::Configure(const BenchConfig& config) {
  MakeSafe();
  for (auto& session : sessions_) session->Close();
  sessions_.clear();
  config_ = config;
  std::map<std::string, int> byAddress;
  for (Role role : kRoles) {
    RoleState& state = *roles_[static_cast<int>(role)];
    state = RoleState(clock_);
    const RoleConfig& rc = config_[role];
    if (!rc.Configured()) continue;
    InstrumentAddress address;
    std::string why;
    if (!ParseInstrumentAddress(rc.Address, address, why)) {
      state.failure = why;
      message_ = Where(role) + ": " + why;
      continue;
    }
    // A serial port opens once, whatever baud rate another role writes.
    const std::string key =
        address.kind == InstrumentAddress::Kind::Serial ? "serial:" + address.device : InstrumentAddressText(address);
    const auto found = byAddress.find(key);
    if (found != byAddress.end()) {
      state.session = found->second;
      continue;
    }
    auto link = links_.Create(address, why);
    if (!link) {
      state.failure = why;
      message_ = Where(role) + ": " + why;
      continue;
    }
    bool adapter = false;
    for (Role other : kRoles) {
      if (config_[other].Address == rc.Address && config_[other].Gpib >= 0) adapter = true;
    }
    adapter = adapter && address.kind == InstrumentAddress::Kind::Serial;
    sessions_.push_back(std::make_unique<ScpiSession>(std::move(link), clock_, adapter));
    state.session = static_cast<int>(sessions_.size()) - 1;
    byAddress[key] = state.session;
  }
  // The PTT is released first: its port opens now and is driven released.
  if (HasRole(Role::Ptt)) {
    std::vector<Step> steps;
    AddConnect(steps, Role::Ptt);
    steps.push_back({Step::Kind::MarkReleased, Role::Ptt});
    Begin(Role::Ptt, std::move(steps));
  }
}

// ---------------------------------------------------------------------------
// Building operations

void BenchInstruments::AddConnect(std::vector<Step>& steps, Role target) const {
  const RoleConfig& rc = config_[target];
  steps.push_back({Step::Kind::Open, target});
  if (target == Role::Ptt && !rc.Line.empty()) {
    steps.push_back({Step::Kind::Connected, target});
    return;
  }
  steps.push_back({Step::Kind::QueryIdentity, target, "*IDN?"});
  steps.push_back({Step::Kind::Write, target, "*CLS"});
  if (target == Role::PowerMeter) steps.push_back({Step::Kind::Write, target, "UNIT:POW W"});
  if (target == Role::Generator) {
    steps.push_back({Step::Kind::Write, target, rc.SignalFm.empty() ? std::string("FM:STAT OFF") : rc.SignalFm});
  }
  if (target == Role::Ptt) steps.push_back({Step::Kind::Write, target, rc.Command(command::kOff, "")});
  AddSettingsCheck(steps, target);
  steps.push_back({Step::Kind::Connected, target});
}

void BenchInstruments::AddSettingsCheck(std::vector<Step>& steps, Role target) const {
  steps.push_back({Step::Kind::QueryError, target, "SYST:ERR?"});
  steps.push_back({Step::Kind::QueryOpc, target, "*OPC?"});
}

void BenchInstruments::AddGeneratorOff(std::vector<Step>& steps) const {
  if (!HasRole(Role::Generator)) return;
  const RoleConfig& rc = config_[Role::Generator];
  if (!roles_[static_cast<int>(Role::Generator)]->connected) AddConnect(steps, Role::Generator);
  steps.push_back({Step::Kind::Write, Role::Generator, rc.Command(command::kOutputOff, "OUTP OFF")});
  steps.push_back({Step::Kind::QueryError, Role::Generator, "SYST:ERR?"});
  steps.push_back({Step::Kind::QueryZero, Role::Generator, rc.Command(command::kOutputQuery, "OUTP?")});
}

bool BenchInstruments::Refuse(Role role, const std::string& why) {
  RoleState& state = *roles_[static_cast<int>(role)];
  state.state = OpState::Failed;
  state.failure = why;
  return false;
}

void BenchInstruments::Begin(Role role, std::vector<Step> steps, bool identify) {
  RoleState& state = *roles_[static_cast<int>(role)];
  state.steps = std::move(steps);
  state.next = 0;
  state.state = OpState::Running;
  state.identify = identify;
  state.failure.clear();
  Run(role);
}

bool BenchInstruments::StartSetGenerator(int32_t hz, double dbmAtRadio) {
  const Role role = Role::Generator;
  if (!HasRole(role)) return Refuse(role, "The bench has no signal generator.");
  if (State(role) == OpState::Running) return Refuse(role, "The signal generator is busy.");
  const RoleConfig& rc = config_[role];
  if (hz < kBandLowHz || hz > kBandHighHz) {
    return Refuse(role,
                  "The generator frequency " + std::to_string(hz) + " Hz is outside the marine band (155 to 164 MHz).");
  }
  if (!std::isfinite(dbmAtRadio) || dbmAtRadio > rc.MaxLevelDbm) {
    return Refuse(role, "The generator level " + Number(dbmAtRadio) +
                            " dBm at the radio is above MaxLevelDbm=" + Number(rc.MaxLevelDbm) + ".");
  }
  std::vector<Step> steps;
  if (!roles_[static_cast<int>(role)]->connected) AddConnect(steps, role);
  steps.push_back(
      {Step::Kind::Write, role, Fill(rc.Command(command::kSetFrequency, "FREQ {Hz}"), "{Hz}", std::to_string(hz))});
  steps.push_back({Step::Kind::Write, role,
                   Fill(rc.Command(command::kSetLevel, "POW {dBm}"), "{dBm}", Number(dbmAtRadio + rc.CableLossDb))});
  AddSettingsCheck(steps, role);
  Begin(role, std::move(steps));
  return true;
}

bool BenchInstruments::StartGeneratorOutput(bool on) {
  const Role role = Role::Generator;
  if (!HasRole(role)) return Refuse(role, "The bench has no signal generator.");
  if (State(role) == OpState::Running) return Refuse(role, "The signal generator is busy.");
  if (on && (keyed_ || keying_)) return Refuse(role, "The generator output stays off while the transmitter is keyed.");
  const RoleConfig& rc = config_[role];
  std::vector<Step> steps;
  if (!roles_[static_cast<int>(role)]->connected) AddConnect(steps, role);
  if (on) {
    // Checked again as the command goes out: a keying may have begun since.
    steps.push_back({Step::Kind::GuardUnkeyed, role});
    steps.push_back({Step::Kind::Write, role, rc.Command(command::kOutputOn, "OUTP ON")});
    AddSettingsCheck(steps, role);
  } else {
    steps.push_back({Step::Kind::Write, role, rc.Command(command::kOutputOff, "OUTP OFF")});
    steps.push_back({Step::Kind::QueryError, role, "SYST:ERR?"});
    steps.push_back({Step::Kind::QueryZero, role, rc.Command(command::kOutputQuery, "OUTP?")});
  }
  Begin(role, std::move(steps));
  return true;
}

bool BenchInstruments::StartTone(bool on, int32_t hz, double volts) {
  const Role role = Role::Generator;
  if (!HasRole(role)) return Refuse(role, "The bench has no signal generator.");
  if (State(role) == OpState::Running) return Refuse(role, "The signal generator is busy.");
  const RoleConfig& rc = config_[role];
  std::vector<Step> steps;
  if (!roles_[static_cast<int>(role)]->connected) AddConnect(steps, role);
  if (on) {
    steps.push_back({Step::Kind::Write, role,
                     Fill(rc.Command(command::kSetToneFrequency, "LFO:FREQ {Hz}"), "{Hz}", std::to_string(hz))});
    steps.push_back(
        {Step::Kind::Write, role, Fill(rc.Command(command::kSetToneLevel, "LFO:VOLT {V}"), "{V}", Number(volts))});
    steps.push_back({Step::Kind::Write, role, rc.Command(command::kToneOn, "LFO:STAT ON")});
  } else {
    steps.push_back({Step::Kind::Write, role, rc.Command(command::kToneOff, "LFO:STAT OFF")});
  }
  AddSettingsCheck(steps, role);
  Begin(role, std::move(steps));
  return true;
}

bool BenchInstruments::StartKey(bool atis) {
  const Role role = Role::Ptt;
  if (State(role) == OpState::Running) return Refuse(role, "The PTT is busy.");
  if (keyed_) return Refuse(role, "The transmitter is keyed already.");
  const RoleConfig& rc = config_[role];
  if (HasRole(role) && rc.Line.empty() &&
      (rc.Command(command::kOn, "").empty() || rc.Command(command::kOff, "").empty())) {
    return Refuse(role, "Keying refused: the PTT switch in [PTT] of the bench file needs both On= and Off= commands.");
  }
  if (!rc.TransmitPathSafe && !pathConfirmed_) {
    pathAsked_ = true;
    return Refuse(role,
                  "Keying refused: the transmit path is not declared safe (TransmitPathSafe=1 in [PTT] of the bench "
                  "file) nor confirmed in the window.");
  }
  std::vector<Step> steps;
  steps.push_back({Step::Kind::Rest, role});
  AddGeneratorOff(steps);
  const bool usePtt = HasRole(role) && (!atis || rc.AtisNeedsPtt);
  if (usePtt && !roles_[static_cast<int>(role)]->connected) AddConnect(steps, role);
  steps.push_back({Step::Kind::MarkKeyed, role});
  if (usePtt && rc.Line.empty()) {
    steps.push_back({Step::Kind::Write, role, rc.Command(command::kOn, "")});
    AddSettingsCheck(steps, role);
  }
  keying_ = true;
  Begin(role, std::move(steps));
  return true;
}

bool BenchInstruments::StartRelease() {
  const Role role = Role::Ptt;
  RoleState& state = *roles_[static_cast<int>(role)];
  // A release never waits behind anything: it replaces what the PTT runs.
  if (state.state == OpState::Running) Finish(role, OpState::Failed);
  ReleasePtt();
  std::vector<Step> steps;
  if (HasRole(role) && config_[role].Line.empty() && state.connected) AddSettingsCheck(steps, role);
  Begin(role, std::move(steps));
  return true;
}

bool BenchInstruments::StartMeasure(Role role) {
  if (role == Role::Generator || role == Role::Ptt) return Refuse(role, "This role measures nothing.");
  if (!HasRole(role)) return Refuse(role, std::string("The bench has no ") + RoleSection(role) + ".");
  if (State(role) == OpState::Running) return Refuse(role, std::string(RoleName(role)) + " is busy.");
  const RoleConfig& rc = config_[role];
  const char* measure = role == Role::Counter ? "MEAS:FREQ?" : role == Role::PowerMeter ? "MEAS:POW?" : "MEAS:FM:DEV?";
  std::vector<Step> steps;
  if (!roles_[static_cast<int>(role)]->connected) AddConnect(steps, role);
  steps.push_back({Step::Kind::Wait, role, "", rc.SettleMs});
  steps.push_back({Step::Kind::QueryReading, role, rc.Command(command::kMeasure, measure)});
  Begin(role, std::move(steps));
  return true;
}

void BenchInstruments::StartIdentify(Role role) {
  RoleState& state = *roles_[static_cast<int>(role)];
  if (state.state == OpState::Running) Finish(role, OpState::Failed);
  if (!HasRole(role)) {
    if (state.failure.empty()) {
      state.failure = role == Role::Ptt ? "No PTT: the technician keys the transmitter when asked."
                                        : std::string("No ") + RoleSection(role) + " in the bench file.";
    }
    state.state = OpState::Failed;
    state.identify = true;
    return;
  }
  state.connected = false;
  std::vector<Step> steps;
  AddConnect(steps, role);
  Begin(role, std::move(steps), true);
}

bool BenchInstruments::IdentifyDone(Role role) const {
  const RoleState& state = *roles_[static_cast<int>(role)];
  return state.state == OpState::Done || state.state == OpState::Failed;
}

std::string BenchInstruments::IdentifyResult(Role role) const {
  const RoleState& state = *roles_[static_cast<int>(role)];
  if (state.state == OpState::Failed) return state.failure;
  if (role == Role::Ptt && !config_[role].Line.empty()) return config_[role].Line + " line of " + config_[role].Address;
  return state.idn;
}

std::string BenchInstruments::IdentityOf(Role role) const { return roles_[static_cast<int>(role)]->idn; }

BenchInstruments::OpState BenchInstruments::State(Role role) const { return roles_[static_cast<int>(role)]->state; }
double BenchInstruments::Reading(Role role) const { return roles_[static_cast<int>(role)]->reading; }
std::string BenchInstruments::Failure(Role role) const { return roles_[static_cast<int>(role)]->failure; }

void BenchInstruments::BeginPlan() {
  pathConfirmed_ = false;
  pathAsked_ = false;
}

bool BenchInstruments::NeedsPathConfirmation() const {
  return pathAsked_ && !pathConfirmed_ && !config_[Role::Ptt].TransmitPathSafe;
}

void BenchInstruments::ConfirmTransmitPath() {
  pathConfirmed_ = true;
  pathAsked_ = false;
}

std::string BenchInstruments::TakeMessage() { return std::exchange(message_, std::string()); }

// ---------------------------------------------------------------------------
// Running

void BenchInstruments::Task() {
  for (auto& session : sessions_) session->Task();
  CheckKeyedTime();
  CheckLinks();
  for (Role role : kRoles) {
    if (State(role) == OpState::Running) Run(role);
  }
}

void BenchInstruments::CheckKeyedTime() {
  if (!keyed_) return;
  const double limitMs = config_[Role::Ptt].MaxKeyedS * 1000.0;
  if (static_cast<double>(Now() - keyedSince_) < limitMs) return;
  // Keyed by hand, only the technician can let go of the key.
  message_ = "The transmitter was keyed for MaxKeyedS=" + Number(config_[Role::Ptt].MaxKeyedS) + " s and " +
             (KeysByHand() ? "must be released now" : "has been released") + "; what was running has stopped.";
  StopAll(message_);
}

void BenchInstruments::CheckLinks() {
  for (Role role : kRoles) {
    RoleState& state = *roles_[static_cast<int>(role)];
    ScpiSession* session = SessionOf(role);
    if (state.connected && session && session->IsLost()) {
      Fail(role, "the connection was lost: " + session->LinkError(), role);
      return;
    }
  }
}

void BenchInstruments::Run(Role role) {
  RoleState& state = *roles_[static_cast<int>(role)];
  // Each step either finishes at once (a write) or waits; a whole operation
  // is a few dozen steps at most, so one pass is bounded.
  while (state.state == OpState::Running && state.next < state.steps.size()) {
    if (!Execute(role, state.steps[state.next])) return;
    if (state.state != OpState::Running) return;
    ++state.next;
  }
  if (state.state == OpState::Running) Finish(role, OpState::Done);
}

bool BenchInstruments::Execute(Role role, Step& step) {
  RoleState& state = *roles_[static_cast<int>(role)];
  RoleState& target = *roles_[static_cast<int>(step.target)];
  ScpiSession* session = SessionOf(step.target);
  const RoleConfig& rc = config_[step.target];
  switch (step.kind) {
    case Step::Kind::Wait:
      if (!step.started) {
        step.started = true;
        state.wait.set_counter(step.ms);
      }
      return state.wait.counter() == 0;
    case Step::Kind::Rest: {
      if (!everKeyed_) return true;
      const double restMs = config_[Role::Ptt].MinUnkeyedS * 1000.0;
      return static_cast<double>(Now() - releasedAt_) >= restMs;
    }
    case Step::Kind::GuardUnkeyed:
      if (keyed_ || keying_) {
        state.failure = "The generator output stays off while the transmitter is keyed.";
        Finish(role, OpState::Failed);
      }
      return true;
    case Step::Kind::MarkKeyed:
      keyed_ = true;
      keying_ = false;
      everKeyed_ = true;
      keyedSince_ = Now();
      if (HasRole(Role::Ptt) && !config_[Role::Ptt].Line.empty()) DriveLine(true);
      return true;
    case Step::Kind::MarkReleased:
      if (HasRole(Role::Ptt) && !config_[Role::Ptt].Line.empty()) DriveLine(false);
      return true;
    case Step::Kind::Connected:
      target.connected = true;
      return true;
    default:
      break;
  }
  if (!session) {
    Fail(step.target, "not reachable", role);
    return true;
  }
  if (!session->TryAcquire(&state)) return false;
  if (step.kind == Step::Kind::Open) {
    if (!step.started) {
      step.started = true;
      session->Open();
      state.wait.set_counter(rc.TimeoutMs);
    }
    session->Task();
    if (session->IsOpen()) {
      // A serial PTT line is driven released the moment its port is open.
      if (step.target == Role::Ptt && !rc.Line.empty()) DriveLine(keyed_);
      return true;
    }
    if (session->IsLost()) {
      Fail(step.target, "cannot connect: " + session->LinkError(), role);
    } else if (state.wait.counter() == 0) {
      Fail(step.target, "cannot connect within " + std::to_string(rc.TimeoutMs) + " ms", role);
    }
    return state.state != OpState::Running;
  }
  if (step.kind == Step::Kind::Write) {
    if (step.command.empty()) return true;
    if (!session->Send(step.command, rc.Gpib))
      Fail(step.target, "the connection was lost: " + session->LinkError(), role);
    return true;
  }
  return ExecuteQuery(role, step);
}

bool BenchInstruments::ExecuteQuery(Role role, Step& step) {
  RoleState& target = *roles_[static_cast<int>(step.target)];
  ScpiSession& session = *SessionOf(step.target);
  const RoleConfig& rc = config_[step.target];
  if (!step.started) {
    step.started = true;
    if (!session.StartQuery(step.command, rc.Gpib, rc.TimeoutMs)) {
      Fail(step.target, "the connection was lost: " + session.LinkError(), role);
      return true;
    }
  }
  std::string answer;
  switch (session.PollAnswer(answer)) {
    case ScpiSession::Answer::Waiting:
      return false;
    case ScpiSession::Answer::Lost:
      Fail(step.target, "the connection was lost: " + session.LinkError(), role);
      return true;
    case ScpiSession::Answer::TimedOut:
      Fail(step.target, "no answer to " + Quoted(step.command) + " within " + std::to_string(rc.TimeoutMs) + " ms",
           role);
      return true;
    case ScpiSession::Answer::Got:
      break;
  }
  switch (step.kind) {
    case Step::Kind::QueryIdentity:
      target.idn = answer;
      if (!rc.Identity.empty() && answer.find(rc.Identity) == std::string::npos) {
        Fail(step.target, "*IDN? answered " + Quoted(answer) + ", which does not contain Identity=" + rc.Identity,
             role);
      }
      return true;
    case Step::Kind::QueryError:
      if (!StartsWithZero(answer)) Fail(step.target, "SYST:ERR? answered " + Quoted(answer), role);
      return true;
    case Step::Kind::QueryOpc:
      return true;
    case Step::Kind::QueryZero: {
      double value = 1;
      if (ParseScpiNumber(answer, value) != ScpiNumberResult::Ok || value != 0) {
        Fail(step.target, Quoted(step.command) + " answered " + Quoted(answer) + " instead of 0: the output is not off",
             role);
      }
      return true;
    }
    case Step::Kind::QueryReading: {
      double value = 0;
      const auto result = ParseScpiNumber(answer, value);
      if (result != ScpiNumberResult::Ok) {
        Fail(step.target,
             Quoted(step.command) + " answered " + Quoted(answer) +
                 (result == ScpiNumberResult::NoReading ? ": no reading" : ": not a number"),
             role);
        return true;
      }
      // A power meter behind a cable reads less than the radio gives.
      if (step.target == Role::PowerMeter) value *= std::pow(10.0, rc.CableLossDb / 10.0);
      roles_[static_cast<int>(role)]->reading = value;
      return true;
    }
    default:
      return true;
  }
}

void BenchInstruments::Finish(Role role, OpState state) {
  RoleState& rs = *roles_[static_cast<int>(role)];
  rs.state = state;
  if (state == OpState::Failed && role == Role::Ptt) keying_ = false;
  for (std::size_t i = rs.next; i < rs.steps.size(); ++i) {
    Step& step = rs.steps[i];
    ScpiSession* session = SessionOf(step.target);
    if (session && step.started && session->HeldBy(&rs)) session->AbandonQuery();
  }
  rs.steps.clear();
  rs.next = 0;
  for (auto& session : sessions_) session->Release(&rs);
}

void BenchInstruments::Fail(Role target, const std::string& what, Role owner) {
  const std::string text = Where(target) + ": " + what + ".";
  RoleState& ownerState = *roles_[static_cast<int>(owner)];
  const bool identify = ownerState.identify;
  // The role failed: its connection starts afresh next time.
  for (Role role : kRoles) {
    if (roles_[static_cast<int>(role)]->session == roles_[static_cast<int>(target)]->session) {
      roles_[static_cast<int>(role)]->connected = false;
    }
  }
  StopAll("Stopped: " + text);
  ownerState.failure = text;
  if (!identify) message_ = text + " The bench has been made safe.";
}

void BenchInstruments::StopAll(const std::string& why) {
  for (Role role : kRoles) {
    RoleState& state = *roles_[static_cast<int>(role)];
    if (state.state == OpState::Running) {
      state.failure = why;
      Finish(role, OpState::Failed);
    }
  }
  ReleasePtt();
  if (HasRole(Role::Generator) && SessionOf(Role::Generator)->IsOpen()) {
    const RoleConfig& rc = config_[Role::Generator];
    SessionOf(Role::Generator)->Send(rc.Command(command::kOutputOff, "OUTP OFF"), rc.Gpib);
  }
}

void BenchInstruments::DriveLine(bool keyed) {
  ScpiSession* session = SessionOf(Role::Ptt);
  const RoleConfig& rc = config_[Role::Ptt];
  if (!session || !session->IsOpen()) return;
  const auto line = rc.Line == "DTR" || rc.Line == "dtr" ? IInstrumentLink::Line::Dtr : IInstrumentLink::Line::Rts;
  session->link().SetLine(line, keyed != rc.ActiveLow);
}

void BenchInstruments::ReleasePtt() {
  keying_ = false;
  if (HasRole(Role::Ptt)) {
    const RoleConfig& rc = config_[Role::Ptt];
    if (!rc.Line.empty()) {
      DriveLine(false);
    } else if (SessionOf(Role::Ptt)->IsOpen()) {
      SessionOf(Role::Ptt)->Send(rc.Command(command::kOff, ""), rc.Gpib);
    }
  }
  if (keyed_) releasedAt_ = Now();
  keyed_ = false;
}

void BenchInstruments::MakeSafe() { StopAll("Stopped: the bench was made safe."); }

}  // namespace pw
