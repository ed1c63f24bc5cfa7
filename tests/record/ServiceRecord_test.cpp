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

TEST(ServiceRecordText, TheNameCarriesTheMinuteOfTheConnect) {
  const ServiceRecord record({2027, 3, 4, 5, 6, 7}, {}, ByteStr(4096, 0));
  EXPECT_EQ(record.BaseName(), "KQ-R4T 2027-03-04 0506");
}

}  // namespace
}  // namespace pw::test
