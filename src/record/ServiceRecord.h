// What the bench did to one radio, from the Connect that read it: who it
// is, its memory as read ("before") and as it is now, the procedures run
// and how each ended, link errors, the band-pass sweeps' readings and the
// last monitor lines. It turns
// into a report for the workshop's files: UTF-8 text, CR LF line ends, at
// most 100 columns, nothing but printable characters.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/Common.h"
#include "model/IServiceLog.h"
#include "platform/ICalendar.h"
#include "record/SweepCurves.h"

namespace pw {

class ServiceRecord {
 public:
  static constexpr int kColumns = 100;

  struct Identity {
    int portNo = 0;
    std::string device;  // what the port stands for on this machine; may be empty
    std::string modelName;
    std::string subName;
    bool japan = false;
  };

  // One line of the log: a procedure run, or a link error.
  struct Entry {
    LocalTime started;
    bool isRun = true;
    ServiceProcedure procedure = ServiceProcedure::Atis;
    std::optional<LocalTime> ended;
    ProcedureEnd how = ProcedureEnd::Finished;
    // Address and last value of every byte the run wrote, by address.
    std::vector<std::pair<int32_t, uint8_t>> writes;
    std::string linkError;  // the message's first line
  };

  ServiceRecord(const LocalTime& connected, Identity identity, ByteStr image);

  // The image as it is now; true when it differs from the last one seen.
  bool FollowImage(const ByteStr& image);
  // The monitor lists as the window shows them; true when they changed.
  bool FollowMonitors(std::vector<std::string> lines);

  void ProcedureStarted(const LocalTime& at, ServiceProcedure procedure);
  void ProcedureWrote(int32_t eeAdr, uint8_t value);
  void ProcedureEnded(const LocalTime& at, ProcedureEnd how);
  void LinkError(const LocalTime& at, const std::string& message);

  const LocalTime& connected() const { return connected_; }
  const Identity& identity() const { return identity_; }
  const ByteStr& before() const { return before_; }
  const ByteStr& now() const { return now_; }
  const std::vector<Entry>& log() const { return log_; }
  const SweepCurves& sweeps() const { return sweeps_; }
  SweepCurves& sweeps() { return sweeps_; }
  int ChangedParameters() const;

  // A parameter whose value now differs from the value at Connect.
  struct Change {
    std::string name;
    int before = 0;
    int now = 0;
  };
  std::vector<Change> Changes() const;
  // The log as the report prints it: a line per run or link error, the
  // values a run wrote wrapped below it.
  std::vector<std::string> LogLines() const;

  // "KQ-R4T 2026-12-10 1432": the radio and the minute of the Connect.
  std::string BaseName() const;
  std::string Report(const LocalTime& reportTime, const std::string& programVersion) const;

  static std::string ProcedureName(ServiceProcedure procedure);
  static std::string EndText(ProcedureEnd how);
  static std::string TimeText(const LocalTime& t);  // "2026-12-10 14:32:05"

 private:
  Entry* RunningEntry();

  LocalTime connected_;
  Identity identity_;
  ByteStr before_;
  ByteStr now_;
  std::vector<Entry> log_;
  SweepCurves sweeps_;
  std::vector<std::string> monitors_;
};

}  // namespace pw
