#include "record/ServiceRecords.h"

#include <system_error>

#include "base/DurableFile.h"
#include "base/ProgramTitle.h"
#include "base/TextScan.h"
#include "base/Utf8Path.h"
#include "clone/clsCmcRadio.h"
#include "model/clsIndEep_RigR4T.h"
#include "platform/IWindow.h"
#include "serial/frmCom.h"
#include "settings/clsCmcProfileIO.h"

namespace fs = std::filesystem;

namespace pw {

namespace {

constexpr int kMonitorLists = 2;
// Two Connects in one minute share a name; the later one gets " (2)" and
// so on, up to this many in a minute.
constexpr int kMaxSameName = 99;

bool Exists(const fs::path& p) {
  std::error_code ec;
  return fs::exists(p, ec);
}

// The report's name as chosen, with ".txt" added unless it has it; the
// image goes beside it under the same name with ".bin".
fs::path ReportPath(const std::string& chosen) {
  fs::path txt = PathFromUtf8(chosen);
  if (LowerAscii(PathToUtf8(txt.extension())) != ".txt") txt += ".txt";
  return txt;
}

fs::path ImagePath(const fs::path& txt) {
  fs::path bin = txt;
  return bin.replace_extension(".bin");
}

std::string ImageBytes(const ServiceRecord& record) {
  return std::string(record.before().begin(), record.before().end());
}

}  // namespace

ServiceRecords::ServiceRecords(const Links& links)
    : com_(links.com), radio_(links.radio), window_(links.window), keepGap_(links.clock) {}

// ------------------------------------------------------------------ events

void ServiceRecords::RadioRead() {
  // The last record's final state reaches its kept report before it goes.
  CatchUp(false);
  const clsCmcEeprom& image = radio_.eepImage();
  ServiceRecord::Identity id;
  id.portNo = com_.comPortNum();
  id.device = com_.comDeviceName();
  id.modelName = radio_.radioNameM;
  id.subName = radio_.radionameS;
  id.japan = clsIndEep_RigR4T(image).RigR4TEep_GetIfJpn();
  record_ = std::make_shared<ServiceRecord>(connectPressed_, std::move(id), image.bytes());
  live_ = true;
  dirty_ = false;
  keptTxt_.clear();
  keptBin_.clear();
  keptFailed_ = false;
  Follow();
  if (keep_) StartKeeping();
}

void ServiceRecords::ProcedureStarted(ServiceProcedure procedure) {
  if (!record_) return;
  record_->ProcedureStarted(Now(), procedure);
  dirty_ = true;
}

void ServiceRecords::ProcedureWrote(int32_t eeAdr, uint8_t value) {
  if (!record_) return;
  record_->ProcedureWrote(eeAdr, value);
  dirty_ = true;
}

void ServiceRecords::ProcedureEnded(ProcedureEnd how) {
  if (!record_) return;
  record_->ProcedureEnded(Now(), how);
  dirty_ = true;
}

void ServiceRecords::SweepStarted(int filter, int16_t min, int16_t max) {
  if (!record_) return;
  record_->sweeps().Started(Now(), filter, min, max);
  dirty_ = true;
}

void ServiceRecords::SweepRead(int filter, int16_t value, int16_t level) {
  if (!record_) return;
  record_->sweeps().Read(filter, value, level);
  dirty_ = true;
}

void ServiceRecords::SweepChosen(int filter, int16_t low, int16_t high, int16_t chosen) {
  if (!record_) return;
  record_->sweeps().Chosen(filter, low, high, chosen);
  dirty_ = true;
}

void ServiceRecords::task() {
  if (live_) Follow();
  if (dirty_ && !keptTxt_.empty() && keepGap_.counter() == 0) WriteKept(false);
  window_.SetRecordMenu(CanSave(), keep_);
}

void ServiceRecords::Flush() { CatchUp(true); }

void ServiceRecords::CatchUp(bool exiting) {
  if (dirty_ && !keptTxt_.empty()) WriteKept(exiting);
}

void ServiceRecords::ConnectPressed() {
  SessionEnds();
  // The record is dated by the press, not by the end of the clone read.
  connectPressed_ = Now();
}

void ServiceRecords::SessionEnds() {
  if (!live_) return;
  Follow();
  live_ = false;
}

void ServiceRecords::LinkError(const std::string& message) {
  if (!live_) return;  // a Connect that failed to read has no record of its own
  Follow();
  live_ = false;
  record_->LinkError(Now(), message);
  dirty_ = true;
}

void ServiceRecords::Follow() {
  const clsCmcEeprom& image = radio_.eepImage();
  std::vector<std::string> lines;
  for (int list = 0; list < kMonitorLists; ++list) {
    IListBox& box = window_.lbo01(list);
    for (int i = 0; i < box.ListCount(); ++i) lines.push_back(box.List(i));
  }
  // Both, not either: the lists must follow even when the image did not change.
  const bool imageChanged = record_->FollowImage(image.bytes());
  const bool listsChanged = record_->FollowMonitors(std::move(lines));
  if (imageChanged || listsChanged) dirty_ = true;
}

// ------------------------------------------------------------------- files

std::string ServiceRecords::Report(const ServiceRecord& record) { return record.Report(Now(), version_); }

std::string ServiceRecords::CannotWrite(const fs::path& path) {
  return std::string(kCannotWrite) + PathToUtf8(path) + ".";
}

void ServiceRecords::Fail(const fs::path& path) {
  // Straight to the window: a Windows folder such as C:\new would lose its
  // "\n" to the line-break expansion of the program's other messages.
  window_.MsgBox(CannotWrite(path), kProgramTitle);
}

bool ServiceRecords::WritePair(const ServiceRecord& record, const fs::path& txt, const fs::path& bin,
                               const std::vector<Companion>& companions) {
  // Replaced as one: a new image beside an old report would be half a record.
  const std::string image = ImageBytes(record);
  const std::string report = Report(record);
  std::vector<DurableFile::NewContent> group{{bin, image}};
  for (const Companion& c : companions) {
    fs::path companion = txt;
    companion.replace_extension(PathFromUtf8(c.suffix));
    group.push_back({companion, c.content});
  }
  group.push_back({txt, report});
  std::size_t failed = 0;
  if (DurableFile::ReplaceAll(group, &failed)) return true;
  Fail(group[failed].target);
  return false;
}

bool ServiceRecords::SaveTo(const std::string& txtPath, const std::vector<Companion>& companions) {
  if (!record_) return false;
  const fs::path txt = ReportPath(txtPath);
  return WritePair(*record_, txt, ImagePath(txt), companions);
}

void ServiceRecords::mnuFileSaveRecord_Click() {
  if (!record_ || !dialogs_) return;
  // The record asked for is the one saved, even if a new Connect replaces
  // it while the dialog is open; until then it keeps following the radio.
  std::weak_ptr<char> alive = alive_;
  dialogs_->AskSaveFile(lastFolder_, record_->BaseName() + ".txt",
                        [this, alive, record = record_](const std::string& path) {
                          if (!alive.expired() && !path.empty()) SaveChosen(record, path);
                        });
}

void ServiceRecords::SaveChosen(std::shared_ptr<ServiceRecord> record, const std::string& path) {
  const fs::path txt = ReportPath(path);
  const fs::path bin = ImagePath(txt);
  lastFolder_ = PathToUtf8(txt.parent_path());
  // A pair a power cut left half replaced is whole again before it is asked about.
  DurableFile::CleanUp(bin);
  DurableFile::CleanUp(txt);
  std::vector<std::string> existing;
  for (const fs::path& p : {txt, bin}) {
    if (Exists(p)) existing.push_back(PathToUtf8(p));
  }
  if (existing.empty()) {
    WritePair(*record, txt, bin);
    return;
  }
  std::weak_ptr<char> alive = alive_;
  dialogs_->AskOverwrite(existing, [this, alive, record, txt, bin](bool replace) {
    if (!alive.expired() && replace) WritePair(*record, txt, bin);
  });
}

void ServiceRecords::mnuOptionKeepRecords_Click() {
  if (keep_) {
    // A change made within the gap is not dropped with the switch.
    CatchUp(false);
    keep_ = false;
    keptTxt_.clear();
    keptBin_.clear();
    return;
  }
  if (!dialogs_) return;
  std::weak_ptr<char> alive = alive_;
  dialogs_->AskFolder(keepFolder_.empty() ? lastFolder_ : keepFolder_, [this, alive](const std::string& folder) {
    if (alive.expired() || folder.empty() || keep_) return;
    keepFolder_ = folder;
    keep_ = true;
    // The radio on the bench now is kept from here on too.
    if (record_) StartKeeping();
  });
}

void ServiceRecords::StartKeeping() {
  const fs::path folder = PathFromUtf8(keepFolder_);
  const std::string base = record_->BaseName();
  fs::path failed = folder / PathFromUtf8(base + ".bin");
  for (int n = 1; n <= kMaxSameName; ++n) {
    const fs::path txt = folder / PathFromUtf8(n == 1 ? base + ".txt" : base + " (" + std::to_string(n) + ").txt");
    const fs::path bin = ImagePath(txt);
    if (Exists(txt) || Exists(bin)) continue;
    if (!DurableFile::Replace(bin, ImageBytes(*record_))) {
      failed = bin;
      break;
    }
    keptTxt_ = PathToUtf8(txt);
    keptBin_ = PathToUtf8(bin);
    WriteKept(false);
    return;
  }
  keptFailed_ = true;
  Fail(failed);
}

void ServiceRecords::WriteKept(bool exiting) {
  keepGap_.set_counter(kKeepGapMs);
  if (DurableFile::Replace(PathFromUtf8(keptTxt_), Report(*record_))) {
    dirty_ = false;
    keptFailed_ = false;
    return;
  }
  // Still owed: tried again after the gap and at the way out. Said once
  // until a write succeeds, and on the way out where it outlives the box.
  dirty_ = true;
  if (!keptFailed_) Fail(PathFromUtf8(keptTxt_));
  keptFailed_ = true;
  if (exiting && exitNotice_) exitNotice_(CannotWrite(PathFromUtf8(keptTxt_)));
}

// ---------------------------------------------------------------- settings

void ServiceRecords::saveData(clsCmcProfileIO& objProf) const {
  // Until records are saved or kept the settings file stays as it was.
  if (lastFolder_.empty() && keepFolder_.empty() && !keep_) return;
  objProf.Section = kSection;
  // A longer path would come back cut short and name another folder; it is
  // better forgotten, and asked for again.
  auto fits = [](const std::string& path) { return path.size() <= clsCmcProfileIO::kMaxValueLength ? path : ""; };
  objProf.saveData("LastFolder", fits(lastFolder_));
  objProf.saveData("KeepRecords", keep_);
  objProf.saveData("KeepFolder", fits(keepFolder_));
}

void ServiceRecords::loadData(clsCmcProfileIO& objProf) {
  objProf.Section = kSection;
  objProf.loadData("LastFolder", lastFolder_, std::string());
  objProf.loadData("KeepFolder", keepFolder_, std::string());
  bool keep = false;
  objProf.loadData("KeepRecords", keep, false);
  keep_ = keep && !keepFolder_.empty();
}

}  // namespace pw
