#include "settings/ProfileLines.h"

#include "base/TextScan.h"

namespace pw::profile {

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

namespace {

// Calls visit(text, eol) for each line of content, in order.
template <class Visit>
void ForEachLine(std::string_view content, Visit visit) {
  std::size_t start = 0;
  const std::size_t n = content.size();
  while (start < n) {
    const std::size_t pos = content.find_first_of("\r\n", start);
    if (pos == std::string_view::npos) {
      visit(content.substr(start), std::string_view());
      break;
    }
    const std::size_t eolLen = (content[pos] == '\r' && pos + 1 < n && content[pos + 1] == '\n') ? 2 : 1;
    visit(content.substr(start, pos - start), content.substr(pos, eolLen));
    start = pos + eolLen;
  }
}

}  // namespace

std::vector<Line> SplitLines(std::string_view content) {
  std::vector<Line> lines;
  ForEachLine(content, [&](std::string_view text, std::string_view eol) {
    lines.push_back({std::string(text), std::string(eol)});
  });
  return lines;
}

std::vector<std::string_view> LineTexts(std::string_view content) {
  std::vector<std::string_view> texts;
  ForEachLine(content, [&](std::string_view text, std::string_view) { texts.push_back(text); });
  return texts;
}

std::vector<std::string_view> LineTexts(const std::vector<Line>& lines) {
  std::vector<std::string_view> texts;
  texts.reserve(lines.size());
  for (const Line& line : lines) texts.push_back(line.text);
  return texts;
}

std::string JoinLines(const std::vector<Line>& lines) {
  std::string out;
  for (const Line& line : lines) {
    out += line.text;
    out += line.eol;
  }
  return out;
}

namespace {

enum class LineKind { Other, Section, Key };

// Views into the line's text.
struct ParsedLine {
  LineKind kind = LineKind::Other;
  std::string_view name;   // section or key name, trimmed
  std::string_view value;  // key's value, trimmed
};

ParsedLine ParseLine(std::string_view text) {
  ParsedLine parsed;
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  if (i == text.size()) return parsed;
  if (text[i] == '[') {
    // Anything that opens with a bracket starts a section, even without its
    // closing bracket, so junk lines can never be read as keys of the
    // section before them.
    std::size_t close = text.find(']', i + 1);
    if (close == std::string_view::npos) close = text.size();
    parsed.kind = LineKind::Section;
    parsed.name = TrimBlanks(text.substr(i + 1, close - i - 1));
    return parsed;
  }
  if (text[i] == ';') return parsed;  // comment
  const std::size_t eq = text.find('=', i);
  if (eq == std::string_view::npos) return parsed;
  parsed.kind = LineKind::Key;
  parsed.name = TrimBlanks(text.substr(i, eq - i));
  parsed.value = TrimBlanks(text.substr(eq + 1));
  return parsed;
}

}  // namespace

Location Find(const std::vector<std::string_view>& lines, const std::string& section, const std::string& key) {
  Location loc;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const ParsedLine parsed = ParseLine(lines[i]);
    if (parsed.kind == LineKind::Section) {
      if (loc.section != kNone) break;  // the section ended
      if (EqualsNoCase(parsed.name, section)) loc.section = i;
    } else if (parsed.kind == LineKind::Key && loc.section != kNone) {
      loc.lastKey = i;
      if (loc.key == kNone && EqualsNoCase(parsed.name, key)) {
        loc.key = i;
        loc.value = std::string(parsed.value);
      }
    }
  }
  return loc;
}

std::string_view WithoutBom(std::string_view content) {
  if (content.substr(0, kUtf8Bom.size()) == kUtf8Bom) content.remove_prefix(kUtf8Bom.size());
  return content;
}

std::string CopyEntry(std::string_view value, std::size_t maxLength) {
  const std::size_t kMax = maxLength;
  const bool quoted =
      value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front();
  if (!quoted) return std::string(value.substr(0, kMax));
  const std::string_view inner = value.substr(1);  // still ends with the closing quote
  if (inner.size() <= kMax + 1) {
    const std::string_view copied = inner.substr(0, kMax);
    return std::string(copied.substr(0, copied.size() - 1));
  }
  return std::string(inner.substr(0, kMax));
}

}  // namespace pw::profile
