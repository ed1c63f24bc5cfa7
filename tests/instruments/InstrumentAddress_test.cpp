#include "instruments/InstrumentAddress.h"

#include <gtest/gtest.h>

namespace pw {
namespace {

using Kind = InstrumentAddress::Kind;

struct AddressCase {
  const char* text;
  bool ok;
  Kind kind;
  const char* hostOrDevice;
  int portOrBaud;
};

class InstrumentAddressTest : public ::testing::TestWithParam<AddressCase> {};

TEST_P(InstrumentAddressTest, ReadsTheAddressOrSaysWhyNot) {
  const AddressCase& c = GetParam();
  InstrumentAddress address;
  std::string why;
  ASSERT_EQ(ParseInstrumentAddress(c.text, address, why), c.ok) << c.text << ": " << why;
  if (!c.ok) {
    EXPECT_FALSE(why.empty()) << c.text;
    EXPECT_EQ(address.kind, Kind::None) << "a refused text leaves the address alone";
    return;
  }
  EXPECT_EQ(address.kind, c.kind) << c.text;
  if (c.kind == Kind::Tcp) {
    EXPECT_EQ(address.host, c.hostOrDevice);
    EXPECT_EQ(address.port, c.portOrBaud);
  } else {
    EXPECT_EQ(address.device, c.hostOrDevice);
    if (c.kind == Kind::Serial) {
      EXPECT_EQ(address.baud, c.portOrBaud);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, InstrumentAddressTest,
    ::testing::Values(
        AddressCase{"tcp:192.168.1.20", true, Kind::Tcp, "192.168.1.20", 5025},
        AddressCase{"tcp:gen.lab:5555", true, Kind::Tcp, "gen.lab", 5555},
        AddressCase{" TCP: gen.lab : 5025 ", true, Kind::Tcp, "gen.lab", 5025},
        AddressCase{"tcp:[::1]:5026", true, Kind::Tcp, "::1", 5026},
        AddressCase{"tcp:[fe80::1]", true, Kind::Tcp, "fe80::1", 5025},
        AddressCase{"serial:/dev/ttyUSB0", true, Kind::Serial, "/dev/ttyUSB0", 9600},
        AddressCase{"serial:COM7,115200", true, Kind::Serial, "COM7", 115200},
        AddressCase{"tcp:", false, Kind::None, "", 0}, AddressCase{"tcp::5025", false, Kind::None, "", 0},
        AddressCase{"tcp:host:0", false, Kind::None, "", 0}, AddressCase{"tcp:host:65536", false, Kind::None, "", 0},
        AddressCase{"tcp:host:", false, Kind::None, "", 0}, AddressCase{"tcp:host:50x", false, Kind::None, "", 0},
        AddressCase{"tcp:[::1", false, Kind::None, "", 0}, AddressCase{"serial:", false, Kind::None, "", 0},
        AddressCase{"serial:COM1,fast", false, Kind::None, "", 0},
        AddressCase{"serial:COM1,", false, Kind::None, "", 0}, AddressCase{"gpib:12", false, Kind::None, "", 0},
        AddressCase{"192.168.1.20", false, Kind::None, "", 0}, AddressCase{"", false, Kind::None, "", 0}));

TEST(InstrumentAddressTest, UsbtmcOnLinuxOnly) {
  InstrumentAddress address;
  std::string why;
#ifdef __linux__
  ASSERT_TRUE(ParseInstrumentAddress("usbtmc:/dev/usbtmc0", address, why)) << why;
  EXPECT_EQ(address.kind, Kind::Usbtmc);
  EXPECT_EQ(address.device, "/dev/usbtmc0");
  EXPECT_FALSE(ParseInstrumentAddress("usbtmc:", address, why));
#else
  EXPECT_FALSE(ParseInstrumentAddress("usbtmc:/dev/usbtmc0", address, why));
  EXPECT_NE(why.find("Linux only"), std::string::npos) << why;
#endif
}

TEST(InstrumentAddressTest, TextReadsBackAsTheSameAddress) {
  for (const char* text : {"tcp:gen.lab:5555", "tcp:[::1]:5026", "serial:COM7,115200"}) {
    InstrumentAddress first;
    InstrumentAddress second;
    std::string why;
    ASSERT_TRUE(ParseInstrumentAddress(text, first, why));
    ASSERT_TRUE(ParseInstrumentAddress(InstrumentAddressText(first), second, why)) << InstrumentAddressText(first);
    EXPECT_EQ(InstrumentAddressText(second), InstrumentAddressText(first));
  }
}

}  // namespace
}  // namespace pw
