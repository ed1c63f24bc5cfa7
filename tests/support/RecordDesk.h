// What the service record needs besides the bench: a calendar that moves
// with the bench's virtual clock, and dialogs that answer from a script.
#pragma once

#include <deque>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/DurableFile.h"
#include "platform/ICalendar.h"
#include "platform/IClock.h"
#include "platform/IRecordDialogs.h"

namespace pw::test {

// 2026-12-10 14:32:00 when the clock reads `startTick`, one second later for
// every 1000 ms of virtual time (within the day).
class BenchCalendar : public ICalendar {
 public:
  explicit BenchCalendar(IClock& clock, int32_t startTick = 1000) : clock_(clock), startTick_(startTick) {}
  LocalTime Now() override {
    const int elapsed = (clock_.GetTickCount() - startTick_) / 1000;
    const int seconds = 14 * 3600 + 32 * 60 + elapsed;
    return {2026, 12, 10, seconds / 3600, seconds / 60 % 60, seconds % 60};
  }

 private:
  IClock& clock_;
  int32_t startTick_;
};

// Answers each question with the next scripted answer ("" cancels, as the
// technician closing the dialog) and notes what was asked.
class ScriptedDialogs : public IRecordDialogs {
 public:
  std::deque<std::string> paths;  // for AskSaveFile and AskFolder, in order
  std::deque<bool> overwrite;     // for AskOverwrite
  std::vector<std::string> asked;

  void AskSaveFile(const std::string& folder, const std::string& name, PathReply reply) override {
    asked.push_back("save in '" + folder + "' as '" + name + "'");
    reply(Next());
  }
  void AskFolder(const std::string& folder, PathReply reply) override {
    asked.push_back("folder from '" + folder + "'");
    reply(Next());
  }
  void AskOverwrite(const std::vector<std::string>& existing, std::function<void(bool)> reply) override {
    asked.push_back("overwrite " + std::to_string(existing.size()));
    const bool yes = !overwrite.empty() && overwrite.front();
    if (!overwrite.empty()) overwrite.pop_front();
    reply(yes);
  }

 private:
  std::string Next() {
    if (paths.empty()) return {};
    std::string p = paths.front();
    paths.pop_front();
    return p;
  }
};

// A file's bytes, "" when it cannot be read.
inline std::string FileBytes(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// A report cut at its CR LF line ends; a final piece without one is kept
// so that a missing line end shows.
inline std::vector<std::string> ReportLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t at; (at = text.find("\r\n", start)) != std::string::npos; start = at + 2) {
    lines.push_back(text.substr(start, at - start));
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

}  // namespace pw::test

namespace pw::test {

// A folder nobody may write into. Where the tests run with the rights to
// write anyway (as root), the refusal comes from the durable write's test
// hook instead, at the step a read-only folder refuses: creating the
// temporary file. The hook cannot tell folders apart, so while it is in
// place no durable write succeeds anywhere.
class ReadOnlyFolder {
 public:
  explicit ReadOnlyFolder(std::filesystem::path folder) : folder_(std::move(folder)) {
    std::filesystem::create_directories(folder_);
    std::filesystem::permissions(folder_,
                                 std::filesystem::perms::owner_write | std::filesystem::perms::group_write |
                                     std::filesystem::perms::others_write,
                                 std::filesystem::perm_options::remove);
    const std::filesystem::path probe = folder_ / "probe";
    if (std::ofstream(probe).good()) {
      std::filesystem::remove(probe);
      DurableFile::SetStepObserver([](DurableFile::Step step) { return step != DurableFile::Step::Create; });
      hooked_ = true;
    }
  }
  ~ReadOnlyFolder() {
    if (hooked_) DurableFile::SetStepObserver({});
    std::error_code ec;
    std::filesystem::permissions(folder_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
  }
  ReadOnlyFolder(const ReadOnlyFolder&) = delete;
  ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;
  const std::filesystem::path& path() const { return folder_; }

 private:
  std::filesystem::path folder_;
  bool hooked_ = false;
};

}  // namespace pw::test
