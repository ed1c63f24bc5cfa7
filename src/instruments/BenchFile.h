// The bench file "Bench.ini": which instrument fills which role, how it is
// reached, its time-outs and its command dialect, and the limits that keep
// the radio and the instruments safe. Read and written through the settings
// store, so a hand-edited file reads as it is and a save changes only the
// keys that changed.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace pw {

enum class Role { Generator, Counter, PowerMeter, ModulationMeter, Ptt };
inline constexpr Role kRoles[] = {Role::Generator, Role::Counter, Role::PowerMeter, Role::ModulationMeter, Role::Ptt};
inline constexpr int kRoleCount = 5;

// The role's section name in the bench file.
const char* RoleSection(Role role);
// The role as a technician calls it, for messages.
const char* RoleName(Role role);

// The command override keys, as the bench file spells them.
namespace command {
inline constexpr const char* kSetFrequency = "SetFrequency";
inline constexpr const char* kSetLevel = "SetLevel";
inline constexpr const char* kOutputOn = "OutputOn";
inline constexpr const char* kOutputOff = "OutputOff";
inline constexpr const char* kOutputQuery = "OutputQuery";
inline constexpr const char* kToneOn = "ToneOn";
inline constexpr const char* kToneOff = "ToneOff";
inline constexpr const char* kSetToneFrequency = "SetToneFrequency";
inline constexpr const char* kSetToneLevel = "SetToneLevel";
inline constexpr const char* kMeasure = "Measure";
inline constexpr const char* kOn = "On";
inline constexpr const char* kOff = "Off";
}  // namespace command

struct RoleConfig {
  std::string Address;  // empty: the bench has no such instrument
  int TimeoutMs = 2000;
  int SettleMs = 200;
  std::string Identity;    // a text the *IDN? answer must contain; empty: any
  double CableLossDb = 0;  // generator and power meter only
  int Gpib = -1;           // the instrument's address behind a USB-to-GPIB adapter
  // Overrides of the default commands by key (command::k...); a missing or
  // empty one leaves the default.
  std::map<std::string, std::string> Commands;

  // PTT
  std::string Line;  // "RTS" or "DTR": keyed by a serial line
  bool ActiveLow = false;
  bool TransmitPathSafe = false;
  bool AtisNeedsPtt = true;
  double MinUnkeyedS = 1;
  double MaxKeyedS = 20;

  // Generator
  double MaxLevelDbm = -20;  // at the radio, cable loss counted
  std::string SignalFm;      // commands for a modulated signal; empty: FM:STAT OFF

  bool Configured() const { return !Address.empty(); }
  // The override, or the default command for `key`.
  std::string Command(const std::string& key, const std::string& defaultCommand) const;
};

struct BenchConfig {
  RoleConfig roles[kRoleCount];
  // The [TARGETS] section as it stands, key and value, for the alignment.
  std::vector<std::pair<std::string, std::string>> Targets;

  RoleConfig& operator[](Role role) { return roles[static_cast<int>(role)]; }
  const RoleConfig& operator[](Role role) const { return roles[static_cast<int>(role)]; }
};

// "Bench.ini" in the folder (with its separator, or empty) that holds the
// settings file.
std::string DefaultBenchFilePath(const std::string& settingsFolder);

// False with `why` when the file does not exist or cannot be read; a key that
// is missing or not a number keeps its default.
bool ReadBenchFile(const std::string& path, BenchConfig& out, std::string& why);

// Writes the keys whose value in `after` differs from `before` (as read), and
// nothing else: every other line of the file stays as it was.
bool WriteBenchChanges(const std::string& path, const BenchConfig& before, const BenchConfig& after, std::string& why);

}  // namespace pw
