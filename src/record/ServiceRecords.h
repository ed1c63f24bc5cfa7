// Keeps the service record of the last Connect that read a radio and hands
// it to the technician: "File > Save service record..." writes its report
// and, beside it, the image as read at Connect (".bin"); "Option > Keep
// service records" writes every record into one folder without being asked,
// the ".bin" at Connect and the report again after every change.
//
// Every file goes through DurableFile (a temporary file, then a rename), an
// existing file is replaced only when the technician said so, and a failed
// write says so in one message while the record stays in memory, whole, to
// be saved elsewhere.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "model/IServiceLog.h"
#include "platform/ICalendar.h"
#include "platform/IRecordDialogs.h"
#include "record/ServiceRecord.h"
#include "serial/clsCmcTick.h"

namespace pw {

class clsCmcProfileIO;
class clsCmcRadio;
class frmCom;
class IWindow;

class ServiceRecords : public IServiceLog {
 public:
  static constexpr const char* kSection = "SERVICE RECORD";
  static constexpr const char* kCannotWrite = "Cannot write the service record to ";
  // A kept report is rewritten at most this often while changes keep
  // coming (a held arrow key, a filter sweep), so the disk is not asked to
  // sync twenty times a second; the last change is always written.
  static constexpr int32_t kKeepGapMs = 250;

  struct Links {
    frmCom& com;
    clsCmcRadio& radio;
    IWindow& window;
    IClock& clock;
  };

  explicit ServiceRecords(const Links& links);

  void SetCalendar(ICalendar* calendar) { calendar_ = calendar ? calendar : &systemCalendar_; }
  void SetDialogs(IRecordDialogs* dialogs) { dialogs_ = dialogs; }
  void SetProgramVersion(std::string version) { version_ = std::move(version); }
  // Where a failed write on the way out is told besides the message box,
  // which closes with the program.
  void SetExitNotice(std::function<void(const std::string&)> notice) { exitNotice_ = std::move(notice); }

  // IServiceLog: what the model tells.
  void RadioRead() override;
  void ProcedureStarted(ServiceProcedure procedure) override;
  void ProcedureWrote(int32_t eeAdr, uint8_t value) override;
  void ProcedureEnded(ProcedureEnd how) override;
  void SweepStarted(int filter, int16_t min, int16_t max) override;
  void SweepRead(int filter, int16_t value, int16_t level) override;
  void SweepChosen(int filter, int16_t low, int16_t high, int16_t chosen) override;

  // What the window logic tells. SessionEnds comes before Connect or a new
  // port resets the model (the image is about to be read anew); LinkError
  // before a link failure resets it (the monitor lists are still filled).
  void task();
  // Writes what the kept report is still behind by, on the way out.
  void Flush();
  void ConnectPressed();
  void SessionEnds();
  void LinkError(const std::string& message);

  // The menu items.
  void mnuFileSaveRecord_Click();
  void mnuOptionKeepRecords_Click();
  bool CanSave() const { return record_ != nullptr; }
  bool keep() const { return keep_; }
  const std::string& keepFolder() const { return keepFolder_; }
  const std::string& lastFolder() const { return lastFolder_; }

  // Writes the record's report to txtPath and its image to the same name
  // with ".bin", replacing files that are there. False, after the message,
  // when a write failed; no half-written pair is left behind.
  // A file that belongs to the record as much as its pair (its printout):
  // it replaces the report's ".txt" in the name and is replaced together
  // with the pair, all files or none.
  struct Companion {
    std::string suffix;  // ".pdf"
    std::string content;
  };
  bool SaveTo(const std::string& txtPath, const std::vector<Companion>& companions = {});

  void saveData(clsCmcProfileIO& objProf) const;
  void loadData(clsCmcProfileIO& objProf);

  const ServiceRecord* record() const { return record_.get(); }
  std::string Report(const ServiceRecord& record);
  // The kept report of the current record, empty when none is kept.
  const std::string& keptReport() const { return keptTxt_; }

 private:
  void Follow();
  void StartKeeping();
  void CatchUp(bool exiting);
  void WriteKept(bool exiting);
  bool WritePair(const ServiceRecord& record, const std::filesystem::path& txt, const std::filesystem::path& bin,
                 const std::vector<Companion>& companions = {});
  void SaveChosen(std::shared_ptr<ServiceRecord> record, const std::string& path);
  void Fail(const std::filesystem::path& path);
  static std::string CannotWrite(const std::filesystem::path& path);
  LocalTime Now() { return calendar_->Now(); }

  frmCom& com_;
  clsCmcRadio& radio_;
  IWindow& window_;
  SystemCalendar systemCalendar_;
  ICalendar* calendar_ = &systemCalendar_;
  IRecordDialogs* dialogs_ = nullptr;
  std::string version_;
  std::function<void(const std::string&)> exitNotice_;

  std::shared_ptr<ServiceRecord> record_;
  bool live_ = false;   // the image and the lists still belong to the record
  bool dirty_ = false;  // the kept report is behind the record, until a write succeeds
  LocalTime connectPressed_{};

  bool keep_ = false;
  std::string keepFolder_;
  std::string lastFolder_;
  std::string keptTxt_;
  std::string keptBin_;
  bool keptFailed_ = false;  // one message per record, not one per change
  clsCmcTick keepGap_;

  // Replies of dialogs that outlive the keeper find it gone.
  std::shared_ptr<char> alive_ = std::make_shared<char>();
};

}  // namespace pw
