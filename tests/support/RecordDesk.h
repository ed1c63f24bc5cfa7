// What the service record needs besides the bench: a calendar that moves
// with the bench's virtual clock, and dialogs that answer from a script.
#pragma once

#include <deque>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "serial/IClock.h"
#include "shell/ICalendar.h"
#include "shell/IRecordDialogs.h"

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
