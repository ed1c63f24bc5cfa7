// Shared helpers of the procedure tests: a connected bench, the E8 traffic on
// the cable in a readable form, and "Const.ini" texts with a few lines changed.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "shell/frmMain.h"
#include "support/Bench.h"
#include "support/WireLog.h"

namespace pw::test {

// The shipped "Const.ini" with some lines (1-based) replaced.
inline std::string ConstIniWith(const std::map<int, std::string>& replaced) {
  std::istringstream in(DefaultConstIni());
  std::string text;
  std::string line;
  for (int n = 1; std::getline(in, line); ++n) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const auto it = replaced.find(n);
    text += (it == replaced.end() ? line : it->second) + "\r\n";
  }
  return text;
}

inline std::vector<std::string> E8Traffic(const sim::Radio& radio, size_t from = 0) {
  std::vector<std::string> out;
  for (const E8Frame& f : E8Frames(radio, from)) out.push_back(f.Text());
  return out;
}

// The values the program sent with E8 sub-command `sub`, in order.
inline std::vector<int> SentValues(const sim::Radio& radio, int sub, size_t from = 0) {
  std::vector<int> out;
  for (const E8Frame& f : E8Frames(radio, from)) {
    if (f.toRadio && f.sub == sub) out.push_back(f.value);
  }
  return out;
}

// A signed line value as the E8 command carries it.
inline int AsByte(int v) { return v & 0xFF; }

// A bench connected to the simulated radio, with the console live and the
// first cycle finished.
class ProcedureBench {
 public:
  explicit ProcedureBench(const sim::RadioOptions& options = {}, const std::string& constIni = DefaultConstIni())
      : b(options, constIni) {}

  // Connects; false when the program did not start or the console did not go live.
  [[nodiscard]] bool Connect() { return b.Start() && b.ConnectAndSettle(); }

  clsIndOp_RigR4T& Model() { return b.Model(); }
  clsConsole& Console() { return b.Console(); }
  const std::string& Line(int16_t index) const { return b.window.console.lines.at(static_cast<size_t>(index)); }

  void Enter(int16_t line) {
    b.Select(line);
    b.Key(keys::kReturn);
  }
  void Right(int16_t line, int times = 1) {
    b.Select(line);
    for (int i = 0; i < times; ++i) b.Key(keys::kRight);
  }
  // Runs until the procedure step is `step`.
  [[nodiscard]] bool RunToStep(proc::Step step, int limitMs = 5000) {
    return b.RunUntil([&] { return Model().procStep() == step; }, limitMs);
  }
  // Runs until the window has beeped `count` times in all.
  [[nodiscard]] bool RunToBeep(int count = 1, int limitMs = 60000) {
    return b.RunUntil([&] { return b.window.beeps >= count; }, limitMs);
  }
  // Where the frame log ends now, to look only at what comes after.
  size_t Mark() const { return b.radio.frameLog().size(); }

  Bench b;
};

}  // namespace pw::test
