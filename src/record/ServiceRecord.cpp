#include "record/ServiceRecord.h"

#include <algorithm>
#include <cstdio>

#include "base/LineEnd.h"
#include "base/LocalTime.h"
#include "base/ProgramTitle.h"
#include "model/clsIndEep_RigR4T.h"

namespace pw {

namespace {

// Where the log's text starts after its times.
constexpr const char* kLogIndent = "                        ";

// The length of the well-formed UTF-8 sequence at text[i], 0 when there is
// none, with its code point. Well-formed as the Unicode standard's table of
// byte ranges has it: no overlong forms, no surrogates, nothing beyond
// U+10FFFF. (The standard library offers no UTF-8 check that is not
// deprecated.)
size_t Utf8Sequence(const std::string& text, size_t i, char32_t& cp) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[i + k]); };
  const unsigned char lead = byte(0);
  size_t len = 0;
  unsigned char low = 0x80;  // the range of the second byte
  unsigned char high = 0xBF;
  if (lead < 0x80) {
    cp = lead;
    return 1;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    len = 2;
    cp = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    len = 3;
    cp = lead & 0x0Fu;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    len = 4;
    cp = lead & 0x07u;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (i + len > text.size()) return 0;
  for (size_t k = 1; k < len; ++k) {
    const unsigned char c = byte(k);
    if (c < (k == 1 ? low : 0x80) || c > (k == 1 ? high : 0xBF)) return 0;
    cp = (cp << 6) | (c & 0x3Fu);
  }
  return len;
}

// Characters that show as themselves: not the C0 and C1 controls, not the
// invisible format characters that reorder or hide text (bidirectional
// controls, zero-width marks, the byte-order mark), not the line and
// paragraph separators, not the noncharacters.
bool IsPrintable(char32_t cp) {
  if (cp < 0x20 || (cp >= 0x7F && cp <= 0x9F) || cp == 0xAD || cp == 0x061C) return false;
  if ((cp >= 0x200B && cp <= 0x200F) || (cp >= 0x2028 && cp <= 0x202E) || (cp >= 0x2060 && cp <= 0x206F)) {
    return false;
  }
  if (cp == 0xFEFF || (cp >= 0xFFF9 && cp <= 0xFFFB)) return false;
  if ((cp >= 0xFDD0 && cp <= 0xFDEF) || (cp & 0xFFFEu) == 0xFFFEu) return false;
  return true;
}

// Text from outside (a device's name, a message) made printable and cut to
// `columns` characters, so the report is always valid UTF-8: every byte of
// an ill-formed sequence becomes "?", and so does every character that is
// well-formed but not printable.
std::string Printable(const std::string& text, size_t columns) {
  std::string out;
  size_t count = 0;
  for (size_t i = 0; i < text.size() && count < columns; ++count) {
    char32_t cp = 0;
    const size_t len = Utf8Sequence(text, i, cp);
    if (len == 0) {
      out += '?';
      ++i;
    } else {
      if (IsPrintable(cp)) {
        out.append(text, i, len);
      } else {
        out += '?';
      }
      i += len;
    }
  }
  return out;
}

std::string WriteText(const std::pair<int32_t, uint8_t>& w) {
  if (const clsIndEep_RigR4T::ParaRow* row = clsIndEep_RigR4T::ParameterAt(w.first)) {
    return std::string(row->name) + " = " + std::to_string(clsIndEep_RigR4T::ParaValue(*row, w.second));
  }
  char buf[32];
  std::snprintf(buf, sizeof buf, "0x%03X = %u", static_cast<unsigned>(w.first), w.second);
  return buf;
}

// "a, b, c" broken into lines of at most kColumns, each behind the indent.
void AppendWrapped(std::vector<std::string>& out, const std::vector<std::string>& items) {
  std::string line = kLogIndent;
  const size_t indent = line.size();
  for (size_t i = 0; i < items.size(); ++i) {
    const std::string item = items[i] + (i + 1 < items.size() ? "," : "");
    if (line.size() > indent && line.size() + 1 + item.size() > static_cast<size_t>(ServiceRecord::kColumns)) {
      out.push_back(line);
      line = kLogIndent;
    }
    if (line.size() > indent) line += ' ';
    line += item;
  }
  if (line.size() > indent) out.push_back(line);
}

// Each sweep in a line, its warnings, and its levels in rows of this many
// behind the value of the row's first reading; a sweep of the whole range
// at step 4 takes five rows.
constexpr size_t kLevelsPerRow = 16;
constexpr const char* kSweepIndent = "            ";

std::vector<std::string> SweepLines(const SweepCurves& sweeps) {
  std::vector<std::string> out;
  if (sweeps.all().empty()) out.emplace_back("  none");
  for (const SweepCurve& c : sweeps.all()) {
    const auto& p = c.points;
    std::string head = "  " + ClockText(c.started) + "  BPF " + SweepCurves::FilterName(c.filter) + "  " +
                       std::to_string(p.size()) + (p.size() == 1 ? " reading" : " readings");
    if (!p.empty()) head += ", " + std::to_string(p.front().value) + " to " + std::to_string(p.back().value);
    if (p.size() > 1) head += " by " + std::to_string(p[1].value - p[0].value);
    if (c.finished) {
      head +=
          "; best " + std::to_string(c.low) + " to " + std::to_string(c.high) + ", set to " + std::to_string(c.chosen);
    } else {
      head += "; not finished";
    }
    out.push_back(head);
    for (const std::string& w : c.Warnings()) out.push_back(kSweepIndent + std::string("warning: ") + w);
    for (size_t i = 0; i < p.size(); i += kLevelsPerRow) {
      char buf[16];
      std::snprintf(buf, sizeof buf, "%5d:", p[i].value);
      std::string row = kSweepIndent + std::string(buf);
      for (size_t j = i; j < std::min(p.size(), i + kLevelsPerRow); ++j) {
        std::snprintf(buf, sizeof buf, "%4d", p[j].level);
        row += buf;
      }
      out.push_back(row);
    }
  }
  return out;
}

}  // namespace

ServiceRecord::ServiceRecord(const LocalTime& connected, Identity identity, ByteStr image)
    : connected_(connected), identity_(std::move(identity)), before_(image), now_(std::move(image)) {}

bool ServiceRecord::FollowImage(const ByteStr& image) {
  if (image == now_) return false;
  now_ = image;
  return true;
}

bool ServiceRecord::FollowMonitors(std::vector<std::string> lines) {
  if (lines == monitors_) return false;
  monitors_ = std::move(lines);
  return true;
}

ServiceRecord::Entry* ServiceRecord::RunningEntry() {
  for (auto it = log_.rbegin(); it != log_.rend(); ++it) {
    if (it->isRun) return it->ended ? nullptr : &*it;
  }
  return nullptr;
}

void ServiceRecord::ProcedureStarted(const LocalTime& at, ServiceProcedure procedure) {
  // A run still open here was ended without being told; it cannot be left
  // looking as if it were still running.
  if (Entry* open = RunningEntry()) {
    open->ended = at;
    open->how = ProcedureEnd::OtherProcedure;
  }
  Entry e;
  e.started = at;
  e.procedure = procedure;
  log_.push_back(std::move(e));
}

void ServiceRecord::ProcedureWrote(int32_t eeAdr, uint8_t value) {
  Entry* run = RunningEntry();
  if (!run) return;
  // In address order, as the parameters are listed; the last value counts.
  auto it = std::lower_bound(run->writes.begin(), run->writes.end(), eeAdr,
                             [](const std::pair<int32_t, uint8_t>& w, int32_t adr) { return w.first < adr; });
  if (it != run->writes.end() && it->first == eeAdr) {
    it->second = value;
  } else {
    run->writes.insert(it, {eeAdr, value});
  }
}

void ServiceRecord::ProcedureEnded(const LocalTime& at, ProcedureEnd how) {
  if (Entry* run = RunningEntry()) {
    run->ended = at;
    run->how = how;
  }
}

void ServiceRecord::LinkError(const LocalTime& at, const std::string& message) {
  // What runs when the link fails ends with it.
  ProcedureEnded(at, ProcedureEnd::LinkError);
  Entry e;
  e.started = at;
  e.isRun = false;
  e.linkError = message.substr(0, message.find_first_of("\r\n"));
  log_.push_back(std::move(e));
}

int ServiceRecord::ChangedParameters() const { return static_cast<int>(Changes().size()); }

std::vector<ServiceRecord::Change> ServiceRecord::Changes() const {
  std::vector<Change> out;
  for (const auto& p : clsIndEep_RigR4T::ParameterMap()) {
    const auto a = static_cast<size_t>(p.adr);
    if (a >= before_.size() || a >= now_.size() || before_[a] == now_[a]) continue;
    out.push_back(
        {std::string(p.name), clsIndEep_RigR4T::ParaValue(p, before_[a]), clsIndEep_RigR4T::ParaValue(p, now_[a])});
  }
  return out;
}

std::vector<std::string> ServiceRecord::LogLines() const {
  std::vector<std::string> out;
  if (log_.empty()) out.emplace_back("  none");
  for (const Entry& e : log_) {
    std::string head = "  " + ClockText(e.started);
    if (e.isRun) {
      head += e.ended ? " to " + ClockText(*e.ended) : std::string(12, ' ');
      out.push_back(head + "  " + ProcedureName(e.procedure) + ": " + (e.ended ? EndText(e.how) : "still running"));
      std::vector<std::string> items;
      for (const auto& w : e.writes) items.push_back(WriteText(w));
      AppendWrapped(out, items);
    } else {
      out.push_back(head + std::string(12, ' ') + "  Link error: " + Printable(e.linkError, 60));
    }
  }
  return out;
}

std::string ServiceRecord::BaseName() const {
  return std::string(kRadioName) + " " + DateText(connected_, '-') + " " + ZeroPadded(connected_.hour, 2) +
         ZeroPadded(connected_.minute, 2);
}

std::string ServiceRecord::TimeText(const LocalTime& t) { return DateText(t, '-') + " " + ClockText(t); }

std::string ServiceRecord::ProcedureName(ServiceProcedure procedure) {
  switch (procedure) {
    case ServiceProcedure::Atis:
      return "ATIS levels";
    case ServiceProcedure::Txf:
      return "TXF reference table";
    case ServiceProcedure::Sql:
      return "SQL thresholds";
    case ServiceProcedure::BpfT1:
      return "BPF sweep T1";
    case ServiceProcedure::BpfT2:
      return "BPF sweep T2";
    case ServiceProcedure::BpfT3:
      return "BPF sweep T3";
    case ServiceProcedure::BpfT4:
      return "BPF sweep T4";
    case ServiceProcedure::BpfAll:
      return "BPF sweep ALL";
  }
  return "?";
}

std::string ServiceRecord::EndText(ProcedureEnd how) {
  switch (how) {
    case ProcedureEnd::Finished:
      return "finished";
    case ProcedureEnd::Connect:
      return "interrupted by Connect";
    case ProcedureEnd::Reload:
      return "interrupted by Reload(F5)";
    case ProcedureEnd::DispPara:
      return "interrupted by Disp para";
    case ProcedureEnd::OtherProcedure:
      return "interrupted by another procedure";
    case ProcedureEnd::LinkError:
      return "interrupted by a link error";
    case ProcedureEnd::PortChanged:
      return "interrupted by a change of port";
    case ProcedureEnd::NotConfirmed:
      return "the radio did not confirm";
  }
  return "?";
}

std::string ServiceRecord::Report(const LocalTime& reportTime, const std::string& programVersion) const {
  std::string r;
  auto line = [&r](const std::string& text) {
    // No trailing blanks: the blank line between the monitor lists stays empty.
    const size_t end = text.find_last_not_of(' ');
    r += (end == std::string::npos ? std::string() : text.substr(0, end + 1)) + kCrLf;
  };

  const std::string title =
      std::string(kProgramTitle) + " service record (pwr4tadj " + Printable(programVersion, 20) + ")";
  line(title);
  line(std::string(title.size(), '='));
  line("");
  line("Connected:  " + TimeText(connected_));
  line("Reported:   " + TimeText(reportTime));
  line("");
  line("Radio");
  std::string port = "COM " + std::to_string(identity_.portNo);
  if (!identity_.device.empty()) port += " (" + Printable(identity_.device, 70) + ")";
  line("  Port:      " + port);
  line("  Model:     " + Printable(identity_.modelName, 8));
  line("  Sub name:  " + Printable(identity_.subName, 8));
  line(std::string("  Market:    ") + (identity_.japan ? "Japan" : "other than Japan"));
  line("");

  line("Parameters: value at Connect, value now (* marks a change)");
  for (const auto& p : clsIndEep_RigR4T::ParameterMap()) {
    const auto a = static_cast<size_t>(p.adr);
    const uint8_t b = a < before_.size() ? before_[a] : 0;
    const uint8_t n = a < now_.size() ? now_[a] : 0;
    const std::string now = "    " + std::to_string(clsIndEep_RigR4T::ParaValue(p, n));
    line(std::string(b != n ? "* " : "  ") + clsIndEep_RigR4T::ParaLine(p, b) + "  " + now.substr(now.size() - 4));
  }
  const int changed = ChangedParameters();
  line(std::to_string(changed) + (changed == 1 ? " parameter" : " parameters") + " of " +
       std::to_string(clsIndEep_RigR4T::ParameterMap().size()) + " changed.");
  line("");

  line("Procedures and link errors");
  for (const std::string& l : LogLines()) line(l);
  line("");

  line("BPF sweeps: SD level at each value, rows led by the value of their first reading");
  for (const std::string& l : SweepLines(sweeps_)) line(l);
  line("");

  line("Monitor readings");
  if (monitors_.empty()) line("  none");
  for (const std::string& m : monitors_) line("  " + Printable(m, kColumns - 2));
  return r;
}

}  // namespace pw
