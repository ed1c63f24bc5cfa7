#include "instruments/BenchFile.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "base/TextScan.h"
#include "base/Utf8Path.h"
#include "settings/ProfileLines.h"
#include "settings/ProfileNumbers.h"
#include "settings/clsCmcProfileIO.h"

namespace pw {
namespace {

// One key of a role's section: how it reads from the store and how its value
// is written, so that reading, comparing and saving share one list.
struct Field {
  enum class Type { Text, Int, Double, Bool, Gpib, Command };
  const char* key;
  Type type;
  std::string RoleConfig::*text = nullptr;
  int RoleConfig::*integer = nullptr;
  double RoleConfig::*number = nullptr;
  bool RoleConfig::*flag = nullptr;
};

Field TextField(const char* key, std::string RoleConfig::*m) { return {key, Field::Type::Text, m}; }
Field IntField(const char* key, int RoleConfig::*m) { return {key, Field::Type::Int, nullptr, m}; }
Field DoubleField(const char* key, double RoleConfig::*m) { return {key, Field::Type::Double, nullptr, nullptr, m}; }
Field BoolField(const char* key, bool RoleConfig::*m) { return {key, Field::Type::Bool, nullptr, nullptr, nullptr, m}; }
Field CommandField(const char* key) { return {key, Field::Type::Command}; }

std::vector<Field> FieldsOf(Role role) {
  std::vector<Field> fields = {TextField("Address", &RoleConfig::Address),
                               IntField("TimeoutMs", &RoleConfig::TimeoutMs),
                               IntField("SettleMs", &RoleConfig::SettleMs),
                               TextField("Identity", &RoleConfig::Identity),
                               {"Gpib", Field::Type::Gpib}};
  switch (role) {
    case Role::Generator:
      for (const char* key :
           {command::kSetFrequency, command::kSetLevel, command::kOutputOn, command::kOutputOff, command::kOutputQuery,
            command::kToneOn, command::kToneOff, command::kSetToneFrequency, command::kSetToneLevel}) {
        fields.push_back(CommandField(key));
      }
      fields.push_back(DoubleField("CableLossDb", &RoleConfig::CableLossDb));
      fields.push_back(DoubleField("MaxLevelDbm", &RoleConfig::MaxLevelDbm));
      fields.push_back(TextField("SignalFm", &RoleConfig::SignalFm));
      break;
    case Role::PowerMeter:
      fields.push_back(DoubleField("CableLossDb", &RoleConfig::CableLossDb));
      fields.push_back(CommandField(command::kMeasure));
      break;
    case Role::Counter:
    case Role::ModulationMeter:
      fields.push_back(CommandField(command::kMeasure));
      break;
    case Role::Ptt:
      fields.push_back(TextField("Line", &RoleConfig::Line));
      fields.push_back(BoolField("ActiveLow", &RoleConfig::ActiveLow));
      fields.push_back(BoolField("TransmitPathSafe", &RoleConfig::TransmitPathSafe));
      fields.push_back(BoolField("AtisNeedsPtt", &RoleConfig::AtisNeedsPtt));
      fields.push_back(DoubleField("MinUnkeyedS", &RoleConfig::MinUnkeyedS));
      fields.push_back(DoubleField("MaxKeyedS", &RoleConfig::MaxKeyedS));
      fields.push_back(CommandField(command::kOn));
      fields.push_back(CommandField(command::kOff));
      break;
  }
  return fields;
}

std::string ValueText(const Field& field, const RoleConfig& config) {
  switch (field.type) {
    case Field::Type::Text:
      return config.*field.text;
    case Field::Type::Int:
      return std::to_string(config.*field.integer);
    case Field::Type::Double:
      return profile::FloatingToText(config.*field.number);
    case Field::Type::Bool:
      return config.*field.flag ? "1" : "0";
    case Field::Type::Gpib:
      return config.Gpib >= 0 ? std::to_string(config.Gpib) : std::string();
    case Field::Type::Command: {
      const auto found = config.Commands.find(field.key);
      return found == config.Commands.end() ? std::string() : found->second;
    }
  }
  return std::string();
}

void ReadField(const Field& field, const clsCmcProfileIO& store, RoleConfig& config) {
  switch (field.type) {
    case Field::Type::Text:
      store.loadData(field.key, config.*field.text, config.*field.text);
      break;
    case Field::Type::Int: {
      int32_t value = config.*field.integer;
      if (store.loadData(field.key, value, value) && value >= 0) config.*field.integer = value;
      break;
    }
    case Field::Type::Double: {
      double value = config.*field.number;
      if (store.loadData(field.key, value, value)) config.*field.number = value;
      break;
    }
    case Field::Type::Bool: {
      // An empty value keeps the default rather than reading as "on".
      std::string text;
      store.loadData(field.key, text, std::string());
      if (!text.empty()) config.*field.flag = text != "0";
      break;
    }
    case Field::Type::Gpib: {
      // GPIB primary addresses are 0 to 30.
      int32_t value = -1;
      if (store.loadData(field.key, value, value) && value >= 0 && value <= 30) config.Gpib = value;
      break;
    }
    case Field::Type::Command: {
      std::string text;
      store.loadData(field.key, text, std::string());
      if (!text.empty()) config.Commands[field.key] = text;
      break;
    }
  }
}

void SplitPath(const std::string& path, clsCmcProfileIO& store) {
  const auto slash = path.find_last_of("/\\");
  if (slash == std::string::npos) {
    store.Path.clear();
    store.Name = path;
  } else {
    store.Path = path.substr(0, slash + 1);
    store.Name = path.substr(slash + 1);
  }
}

// The [TARGETS] section's key lines in file order. The settings store reads
// one named key at a time; this section's keys are not known in advance.
std::vector<std::pair<std::string, std::string>> ReadTargets(const std::string& content) {
  std::vector<std::pair<std::string, std::string>> targets;
  bool inside = false;
  for (std::string_view line : profile::LineTexts(profile::WithoutBom(content))) {
    line = TrimBlanks(line);
    if (!line.empty() && line.front() == '[') {
      const auto close = line.find(']');
      inside =
          close != std::string_view::npos && profile::EqualsNoCase(TrimBlanks(line.substr(1, close - 1)), "TARGETS");
      continue;
    }
    if (!inside || line.empty() || line.front() == ';') continue;
    const auto equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    targets.emplace_back(std::string(TrimBlanks(line.substr(0, equals))),
                         profile::CopyEntry(TrimBlanks(line.substr(equals + 1)), clsCmcProfileIO::kMaxValueLength));
  }
  return targets;
}

}  // namespace

const char* RoleSection(Role role) {
  switch (role) {
    case Role::Generator:
      return "GENERATOR";
    case Role::Counter:
      return "COUNTER";
    case Role::PowerMeter:
      return "POWER METER";
    case Role::ModulationMeter:
      return "MODULATION METER";
    case Role::Ptt:
      return "PTT";
  }
  return "";
}

const char* RoleName(Role role) {
  switch (role) {
    case Role::Generator:
      return "Signal generator";
    case Role::Counter:
      return "Frequency counter";
    case Role::PowerMeter:
      return "Power meter";
    case Role::ModulationMeter:
      return "Modulation meter";
    case Role::Ptt:
      return "PTT";
  }
  return "";
}

std::string RoleConfig::Command(const std::string& key, const std::string& defaultCommand) const {
  const auto found = Commands.find(key);
  return found == Commands.end() || found->second.empty() ? defaultCommand : found->second;
}

std::string DefaultBenchFilePath(const std::string& settingsFolder) {
  clsCmcProfileIO store;
  store.SetCurrentPath(settingsFolder);
  return store.Path + "Bench.ini";
}

bool ReadBenchFile(const std::string& path, BenchConfig& out, std::string& why) {
  std::error_code ec;
  const auto fsPath = PathFromUtf8(path);
  if (!std::filesystem::is_regular_file(fsPath, ec)) {
    why = "The bench file \"" + path + "\" does not exist.";
    return false;
  }
  std::ifstream file(fsPath, std::ios::binary);
  std::string content((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (!file.good() && !file.eof()) {
    why = "The bench file \"" + path + "\" cannot be read.";
    return false;
  }
  BenchConfig config;
  clsCmcProfileIO store;
  SplitPath(path, store);
  for (Role role : kRoles) {
    store.Section = RoleSection(role);
    for (const Field& field : FieldsOf(role)) ReadField(field, store, config[role]);
  }
  config.Targets = ReadTargets(content);
  out = std::move(config);
  return true;
}

bool WriteBenchChanges(const std::string& path, const BenchConfig& before, const BenchConfig& after, std::string& why) {
  clsCmcProfileIO store;
  SplitPath(path, store);
  for (Role role : kRoles) {
    store.Section = RoleSection(role);
    for (const Field& field : FieldsOf(role)) {
      const std::string value = ValueText(field, after[role]);
      if (value == ValueText(field, before[role])) continue;
      if (!store.saveData(field.key, value)) {
        why = "Cannot write " + std::string(field.key) + " of [" + RoleSection(role) + "] to \"" + path + "\".";
        return false;
      }
    }
  }
  return true;
}

}  // namespace pw
