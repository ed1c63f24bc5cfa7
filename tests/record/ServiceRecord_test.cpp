// The report's text on its own: what comes from outside (a device's name)
// is made printable and kept within the report's width.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "record/ServiceRecord.h"
#include "support/RecordDesk.h"

namespace pw::test {
namespace {

using ::testing::Contains;

// Characters, not bytes: a UTF-8 sequence is one column.
size_t Columns(const std::string& s) {
  size_t n = 0;
  for (const char c : s) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return n;
}

TEST(ServiceRecordText, ADeviceNameFromOutsideIsPrintableValidUtf8AndFitsTheWidth) {
  std::string longName;
  for (int i = 0; i < 150; ++i) longName += "\xC3\xB6";
  const struct {
    const char* name;
    std::string device;
    std::string shown;  // "" when the test only asks for the width
  } cases[] = {
      {"control characters", "/dev/tty\x01USB\r\n0", "/dev/tty?USB??0"},
      {"not UTF-8", "COM\xFF\xC3", "COM??"},
      {"UTF-8", "/dev/serial/by-id/J\xC3\xB6rg", "/dev/serial/by-id/J\xC3\xB6rg"},
      {"four-byte UTF-8", "radio \xF0\x9F\x93\xBB", "radio \xF0\x9F\x93\xBB"},
      // Ill-formed: one "?" for every byte of it.
      {"overlong slash",
       "a\xC0\xAF"
       "b",
       "a??b"},
      {"overlong three bytes",
       "a\xE0\x80\xAF"
       "b",
       "a???b"},
      {"surrogate",
       "a\xED\xA0\x80"
       "b",
       "a???b"},
      {"beyond U+10FFFF",
       "a\xF4\x90\x80\x80"
       "b",
       "a????b"},
      {"cut short at the end", "a\xE2\x82", "a??"},
      // Well-formed but not printable: one "?" for the character.
      {"C1 control",
       "a\xC2\x85"
       "b",
       "a?b"},
      {"right-to-left override",
       "a\xE2\x80\xAE"
       "b",
       "a?b"},
      {"right-to-left mark",
       "a\xE2\x80\x8F"
       "b",
       "a?b"},
      {"first strong isolate",
       "a\xE2\x81\xA8"
       "b",
       "a?b"},
      {"line separator",
       "a\xE2\x80\xA8"
       "b",
       "a?b"},
      {"byte-order mark",
       "a\xEF\xBB\xBF"
       "b",
       "a?b"},
      {"noncharacter",
       "a\xEF\xBF\xBE"
       "b",
       "a?b"},
      {"too long", longName, ""},
  };
  for (const auto& c : cases) {
    const ServiceRecord record({2026, 1, 2, 3, 4, 5}, {1, c.device, "2320", "0001", true}, ByteStr(4096, 0));
    const std::vector<std::string> lines = ReportLines(record.Report({2026, 1, 2, 3, 5, 0}, "1.0"));
    for (const std::string& l : lines) {
      EXPECT_LE(Columns(l), 100u) << c.name << ": " << l;
      for (const char ch : l) EXPECT_FALSE(ch >= 0 && ch < 0x20) << c.name << ": " << l;
    }
    if (!c.shown.empty()) {
      EXPECT_THAT(lines, Contains("  Port:      COM 1 (" + c.shown + ")")) << c.name;
    }
    EXPECT_THAT(lines, Contains("  Market:    Japan")) << c.name;
  }
}

// A procedure's written values are listed behind the times, as many to a
// line as fit in the report's width: a line that fills it exactly stays one.
TEST(ServiceRecordText, WrittenValuesFillLinesUpToTheWidthExactly) {
  ServiceRecord record({2026, 1, 2, 3, 4, 5}, {}, ByteStr(4096, 0));
  record.ProcedureStarted({2026, 1, 2, 3, 4, 6}, ServiceProcedure::Sql);
  // Addresses outside the parameters read "0x001 = 5": 24 + 10 + 6 * 11 = 100.
  for (int32_t adr = 1; adr <= 8; ++adr) record.ProcedureWrote(adr, 5);
  record.ProcedureEnded({2026, 1, 2, 3, 4, 7}, ProcedureEnd::Finished);
  const std::string indent(24, ' ');
  const std::vector<std::string> lines = ReportLines(record.Report({2026, 1, 2, 3, 5, 0}, "1.0"));
  const std::string full = indent + "0x001 = 5, 0x002 = 5, 0x003 = 5, 0x004 = 5, 0x005 = 5, 0x006 = 5, 0x007 = 5,";
  ASSERT_EQ(full.size(), 100u);
  EXPECT_THAT(lines, Contains(full));
  EXPECT_THAT(lines, Contains(indent + "0x008 = 5"));
}

TEST(ServiceRecordText, TheNameCarriesTheMinuteOfTheConnect) {
  const ServiceRecord record({2027, 3, 4, 5, 6, 7}, {}, ByteStr(4096, 0));
  EXPECT_EQ(record.BaseName(), "KQ-R4T 2027-03-04 0506");
}

}  // namespace
}  // namespace pw::test
