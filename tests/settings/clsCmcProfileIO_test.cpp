#include "settings/clsCmcProfileIO.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "base/Utf8Path.h"

namespace pw {
namespace {

namespace fs = std::filesystem;

// A folder of its own for every test, removed again afterwards.
class ProfileFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::temp_directory_path() / ("pw_profile_" + std::string(info->name()) + "_" +
                                        std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(dir_);
    io_.SetCurrentPath(PathToUtf8(dir_));
    io_.Name = "Test.ini";
    io_.Section = "OPTION";
  }

  void TearDown() override {
    std::error_code ec;
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(dir_, ec);
  }

  fs::path File() const { return dir_ / "Test.ini"; }

  void WriteFile(const std::string& content) const {
    std::ofstream out(File(), std::ios::binary);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
  }

  std::string ReadFile() const {
    std::ifstream in(File(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  std::vector<std::string> FolderEntries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) names.push_back(PathToUtf8(entry.path().filename()));
    return names;
  }

  fs::path dir_;
  clsCmcProfileIO io_;
};

// ---------------------------------------------------------------------------
// Paths

TEST(ProfilePath, SetCurrentPathAddsOneSeparator) {
  struct Case {
    std::string folder;
    std::string path;
  };
  const std::string sep(1, static_cast<char>(fs::path::preferred_separator));
  const std::vector<Case> cases = {
      {"/opt/pw", "/opt/pw" + sep},
      {"/opt/pw/", "/opt/pw/"},
      {"/", "/"},
      {"C:\\", "C:\\"},
      {"", ""},  // no folder means the current one, never the root
  };
  for (const Case& c : cases) {
    clsCmcProfileIO io;
    io.SetCurrentPath(c.folder);
    io.Name = "PWR4TADJ.rs";
    EXPECT_EQ(io.Path, c.path) << c.folder;
    EXPECT_EQ(io.GetMyProfile(), c.path + "PWR4TADJ.rs") << c.folder;
  }
}

TEST(ProfilePath, StripTerminatorCutsAtFirstNul) {
  EXPECT_EQ(clsCmcProfileIO::StripTerminator(std::string("ab\0cd\0", 6)), "ab");
  EXPECT_EQ(clsCmcProfileIO::StripTerminator(std::string("\0x", 2)), "");
  EXPECT_EQ(clsCmcProfileIO::StripTerminator("plain"), "plain");
}

// ---------------------------------------------------------------------------
// Round trips

TEST_F(ProfileFileTest, EveryTypeReadsBackWhatWasSaved) {
  ASSERT_TRUE(io_.saveData("I16", int16_t{-32768}));
  ASSERT_TRUE(io_.saveData("I32", int32_t{2147483647}));
  ASSERT_TRUE(io_.saveData("F", 0.1f));
  ASSERT_TRUE(io_.saveData("D", -1.25e-300));
  ASSERT_TRUE(io_.saveData("B", uint8_t{255}));
  ASSERT_TRUE(io_.saveData("S", "hello world"));  // a literal must be written as text, not as a Boolean
  ASSERT_TRUE(io_.saveData("T", true));
  ASSERT_TRUE(io_.saveData("F0", false));
  ASSERT_TRUE(io_.saveData("DT", ProfileDate{2000, 1, 31, 23, 59, 58}));

  int16_t i16 = 0;
  int32_t i32 = 0;
  float f = 0;
  double d = 0;
  uint8_t b = 0;
  std::string s;
  bool t = false;
  bool f0 = true;
  ProfileDate dt{};
  EXPECT_TRUE(io_.loadData("I16", i16, int16_t{0}));
  EXPECT_TRUE(io_.loadData("I32", i32, 0));
  EXPECT_TRUE(io_.loadData("F", f, 0.0f));
  EXPECT_TRUE(io_.loadData("D", d, 0.0));
  EXPECT_TRUE(io_.loadData("B", b, uint8_t{0}));
  EXPECT_TRUE(io_.loadData("S", s, ""));
  EXPECT_TRUE(io_.loadData("T", t, false));
  EXPECT_TRUE(io_.loadData("F0", f0, true));
  EXPECT_TRUE(io_.loadData("DT", dt, ProfileDate{}));
  EXPECT_EQ(i16, -32768);
  EXPECT_EQ(i32, 2147483647);
  EXPECT_EQ(f, 0.1f);
  EXPECT_EQ(d, -1.25e-300);
  EXPECT_EQ(b, 255);
  EXPECT_EQ(s, "hello world");
  EXPECT_TRUE(t);
  EXPECT_FALSE(f0);
  EXPECT_EQ(dt, (ProfileDate{2000, 1, 31, 23, 59, 58}));

  const std::string text = ReadFile();
  EXPECT_NE(text.find("\r\nDT=2000.01.31-23:59:58\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\r\nT=1\r\nF0=0\r\n"), std::string::npos) << text;
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"Test.ini"});  // no temporary file left
}

TEST_F(ProfileFileTest, NewFileHasTheProgramsOwnLayout) {
  ASSERT_TRUE(io_.saveData("ComPort", int16_t{2}));
  ASSERT_TRUE(io_.saveData("ComAutoRelease", int16_t{3}));
  EXPECT_EQ(ReadFile(), "[OPTION]\r\nComPort=2\r\nComAutoRelease=3\r\n");
}

// ---------------------------------------------------------------------------
// Reading values

enum class Kind { I16, I32, U8, F32, F64 };

// Reads `text` as the value of key "K" into a variable of the given kind,
// which starts as 77; nullopt when the load fails. A failed load must also
// leave the variable as it was.
std::optional<double> LoadAs(clsCmcProfileIO& io, Kind kind) {
  bool ok = false;
  double got = 0;
  switch (kind) {
    case Kind::I16: {
      int16_t v = 77;
      ok = io.loadData("K", v, int16_t{0});
      got = v;
      break;
    }
    case Kind::I32: {
      int32_t v = 77;
      ok = io.loadData("K", v, 0);
      got = v;
      break;
    }
    case Kind::U8: {
      uint8_t v = 77;
      ok = io.loadData("K", v, uint8_t{0});
      got = v;
      break;
    }
    case Kind::F32: {
      float v = 77;
      ok = io.loadData("K", v, 0.0f);
      got = v;
      break;
    }
    case Kind::F64: {
      double v = 77;
      ok = io.loadData("K", v, 0.0);
      got = v;
      break;
    }
  }
  if (!ok) {
    EXPECT_EQ(got, 77) << "a failed load changed the variable";
    return std::nullopt;
  }
  return got;
}

TEST_F(ProfileFileTest, NumbersConvertOrLeaveTheVariableAlone) {
  struct Case {
    std::string value;  // the text after "K=" in the file
    Kind kind;
    std::optional<double> expected;
  };
  const std::optional<double> fails;
  const std::vector<Case> cases = {
      {"4", Kind::I32, 4},
      {" 4 ", Kind::I32, 4},
      {"\t-12\t", Kind::I32, -12},
      {"+7", Kind::I32, 7},
      {"007", Kind::I32, 7},
      {"2.5", Kind::I32, 2},
      {"3.5", Kind::I32, 4},
      {"-2.5", Kind::I32, -2},
      {"2.5000001", Kind::I32, 3},
      {"2.4999", Kind::I32, 2},
      {"5.", Kind::I32, 5},
      {".6", Kind::I32, 1},
      {"2147483647", Kind::I32, 2147483647},
      {"2147483648", Kind::I32, fails},
      {"-2147483648", Kind::I32, -2147483648.0},
      {"99999999999999999999999", Kind::I32, fails},
      {"1e2", Kind::I32, fails},
      {"abc", Kind::I32, fails},
      {"4x", Kind::I32, fails},
      {"4 4", Kind::I32, fails},
      {"-", Kind::I32, fails},
      {".", Kind::I32, fails},
      {"&H10", Kind::I32, fails},
      {"", Kind::I32, fails},  // present but empty: the default is not used
      {"32767", Kind::I16, 32767},
      {"32767.5", Kind::I16, fails},  // rounds to 32768
      {"-32768.5", Kind::I16, -32768},
      {"-32769", Kind::I16, fails},
      {"255", Kind::U8, 255},
      {"256", Kind::U8, fails},
      {"-1", Kind::U8, fails},
      {"-0.4", Kind::U8, 0},
      {"1e2", Kind::F64, 100},
      {"-1.5E-3", Kind::F64, -1.5e-3},
      {".5", Kind::F64, 0.5},
      {"+5.", Kind::F64, 5},
      {"1e400", Kind::F64, fails},
      {"1e-400", Kind::F64, fails},
      {"1e", Kind::F64, fails},
      {"inf", Kind::F64, fails},
      {"nan", Kind::F64, fails},
      {"0x10", Kind::F64, fails},
      {"1,5", Kind::F64, fails},
      {"3.25", Kind::F32, 3.25},
      {"1e39", Kind::F32, fails},
  };
  for (const Case& c : cases) {
    WriteFile("[OPTION]\r\nK=" + c.value + "\r\n");
    EXPECT_EQ(LoadAs(io_, c.kind), c.expected) << "value '" << c.value << "'";
  }
}

TEST_F(ProfileFileTest, MissingKeysReadTheDefault) {
  int32_t port = 0;
  EXPECT_TRUE(io_.loadData("ComPort", port, 1));  // no file at all
  EXPECT_EQ(port, 1);

  WriteFile("[OTHER]\r\nComPort=9\r\n[OPTION]\r\nComAutoRelease=3\r\n");
  port = 0;
  EXPECT_TRUE(io_.loadData("ComPort", port, 1));  // the key of another section does not count
  EXPECT_EQ(port, 1);

  std::string text = "before";
  EXPECT_FALSE(io_.loadData("Missing", text, ""));  // nothing to read: unchanged, false
  EXPECT_EQ(text, "before");
  EXPECT_TRUE(io_.loadData("Missing", text, "  dflt  "));  // the default is cleaned like a value
  EXPECT_EQ(text, "dflt");
}

TEST_F(ProfileFileTest, TextIsTrimmedCutAtNulAndAt254Characters) {
  struct Case {
    std::string value;
    std::optional<std::string> expected;
  };
  const std::vector<Case> cases = {
      {" 4 ", "4"},
      {std::string("ab\0cd", 5), "ab"},
      {std::string("\0cd", 3), std::nullopt},
      {"   ", std::nullopt},
      {std::string(300, 'a'), std::string(254, 'a')},
      {std::string(253, 'a') + "  b", std::string(253, 'a')},  // trimmed again after the cut
      {"a=b=c", "a=b=c"},
  };
  for (const Case& c : cases) {
    WriteFile("[OPTION]\r\nK=" + c.value + "\r\n");
    std::string got = "unchanged";
    const bool ok = io_.loadData("K", got, "");
    EXPECT_EQ(ok ? std::optional<std::string>(got) : std::nullopt, c.expected) << c.value.size();
    if (!ok) {
      EXPECT_EQ(got, "unchanged");
    }
  }
}

TEST_F(ProfileFileTest, BooleanIsFalseOnlyForZero) {
  struct Case {
    std::string value;
    bool expected;
  };
  const std::vector<Case> cases = {{"0", false},    {"1", true},  {"yes", true},
                                   {"false", true}, {"00", true}, {" 0 ", false}};
  for (const Case& c : cases) {
    WriteFile("[OPTION]\r\nK=" + c.value + "\r\n");
    bool got = !c.expected;
    EXPECT_TRUE(io_.loadData("K", got, false)) << c.value;
    EXPECT_EQ(got, c.expected) << c.value;
  }
}

TEST_F(ProfileFileTest, DateNeedsExactlyNineteenCharactersAndARealDate) {
  struct Case {
    std::string value;
    std::optional<ProfileDate> expected;
  };
  const std::vector<Case> cases = {
      {"2000.01.31-23:59:58", ProfileDate{2000, 1, 31, 23, 59, 58}},
      {"2000.1.31-23:59:58", std::nullopt},  // 18 characters
      {"2000.01.31-23:59:58x", std::nullopt},
      {"2000/01/31 23:59:58", ProfileDate{2000, 1, 31, 23, 59, 58}},  // separators are not read
      {"2000.01.3x-2x:59:58", ProfileDate{2000, 1, 30, 20, 59, 58}},  // a non-digit reads as 0
      {"2000.02.29-00:00:00", ProfileDate{2000, 2, 29, 0, 0, 0}},
      {"1900.02.29-00:00:00", std::nullopt},
      {"2000.13.01-00:00:00", std::nullopt},
      {"2000.00.01-00:00:00", std::nullopt},
      {"2000.01.01-24:00:00", std::nullopt},
  };
  const ProfileDate before{1999, 12, 31, 1, 2, 3};
  for (const Case& c : cases) {
    WriteFile("[OPTION]\r\nK=" + c.value + "\r\n");
    ProfileDate got = before;
    const bool ok = io_.loadData("K", got, ProfileDate{});
    EXPECT_EQ(ok, c.expected.has_value()) << c.value;
    EXPECT_EQ(got, c.expected.value_or(before)) << c.value;
  }
}

TEST_F(ProfileFileTest, ValuesThatCouldNotBeReadBackAreNotWritten) {
  WriteFile("[OPTION]\r\nK=1\r\n");
  EXPECT_FALSE(io_.saveData("F", std::numeric_limits<float>::infinity()));
  EXPECT_FALSE(io_.saveData("D", std::nan("")));
  EXPECT_FALSE(io_.saveData("DT", ProfileDate{2001, 2, 29, 0, 0, 0}));
  EXPECT_FALSE(io_.saveData("DT", ProfileDate{10000, 1, 1, 0, 0, 0}));
  EXPECT_FALSE(io_.saveData("S", "two\nlines"));
  EXPECT_FALSE(io_.saveData("S", "two\rlines"));
  EXPECT_FALSE(io_.saveData("S", "\"\""));
  EXPECT_FALSE(io_.saveData("S", " 'quoted' "));
  EXPECT_FALSE(io_.saveData("", int16_t{1}));
  EXPECT_FALSE(io_.saveData("a=b", int16_t{1}));
  EXPECT_FALSE(io_.saveData("[X]", int16_t{1}));
  EXPECT_FALSE(io_.saveData(";K", int16_t{1}));
  io_.Section = "";
  EXPECT_FALSE(io_.saveData("K", int16_t{2}));
  io_.Section = "A]B";
  EXPECT_FALSE(io_.saveData("K", int16_t{2}));
  io_.Section = "A\nB";
  EXPECT_FALSE(io_.saveData("K", int16_t{2}));
  EXPECT_EQ(ReadFile(), "[OPTION]\r\nK=1\r\n");
}

// ---------------------------------------------------------------------------
// Editing the file

TEST_F(ProfileFileTest, SaveChangesOnlyTheOneKeysLine) {
  struct Case {
    const char* what;
    std::string before;
    std::string key;
    std::string after;
  };
  const std::string ports = "[PORTS]\r\nCOM1=/dev/ttyS0\r\nCOM10=/dev/ttyUSB3\r\n";
  const std::vector<Case> cases = {
      {"replace in place", "; settings\r\n[OPTION]\r\nComPort=1\r\nComAutoRelease=0\r\n\r\n" + ports, "ComPort",
       "; settings\r\n[OPTION]\r\nComPort=5\r\nComAutoRelease=0\r\n\r\n" + ports},
      {"names compare without case; the value's surroundings go", "[option]\r\n  comport = 1 \r\n", "ComPort",
       "[option]\r\nComPort=5\r\n"},
      {"append after the section's last key, before blanks and the next section",
       "[OPTION]\r\nComAutoRelease=0\r\n; note\r\n\r\n" + ports, "ComPort",
       "[OPTION]\r\nComAutoRelease=0\r\nComPort=5\r\n; note\r\n\r\n" + ports},
      {"append right after a header without keys", "[OPTION]\r\n\r\n" + ports, "ComPort",
       "[OPTION]\r\nComPort=5\r\n\r\n" + ports},
      {"append a new section at the end", ports, "ComPort", ports + "[OPTION]\r\nComPort=5\r\n"},
      {"empty file", "", "ComPort", "[OPTION]\r\nComPort=5\r\n"},
      {"the same key in another section stays", "[OTHER]\r\nComPort=1\r\n", "ComPort",
       "[OTHER]\r\nComPort=1\r\n[OPTION]\r\nComPort=5\r\n"},
      {"a commented-out key is not the key", "[OPTION]\r\n;ComPort=1\r\n", "ComPort",
       "[OPTION]\r\nComPort=5\r\n;ComPort=1\r\n"},
      {"the first of two equal sections and keys is the one",
       "[OPTION]\r\nComPort=1\r\nComPort=2\r\n[OPTION]\r\nComPort=3\r\n", "ComPort",
       "[OPTION]\r\nComPort=5\r\nComPort=2\r\n[OPTION]\r\nComPort=3\r\n"},
      {"LF-only file gets LF", "[A]\nx=1\n", "ComPort", "[A]\nx=1\n[OPTION]\nComPort=5\n"},
      {"CR-only file gets CR", "[OPTION]\rx=1\r", "ComPort", "[OPTION]\rx=1\rComPort=5\r"},
      {"mixed line ends are kept", "[A]\nx=1\r\n[OPTION]\rComPort=1\n", "ComPort", "[A]\nx=1\r\n[OPTION]\rComPort=5\n"},
      {"no final line end: replaced last line stays unterminated", "[OPTION]\r\nComPort=1", "ComPort",
       "[OPTION]\r\nComPort=5"},
      {"no final line end: appended key ends the old last line", "[OPTION]\r\nx=1", "ComPort",
       "[OPTION]\r\nx=1\r\nComPort=5\r\n"},
      {"no final line end: appended section", "[A]\r\nx=1", "ComPort", "[A]\r\nx=1\r\n[OPTION]\r\nComPort=5\r\n"},
  };
  for (const Case& c : cases) {
    WriteFile(c.before);
    EXPECT_TRUE(io_.saveData(c.key, int16_t{5})) << c.what;
    EXPECT_EQ(ReadFile(), c.after) << c.what;
    int16_t got = 0;
    EXPECT_TRUE(io_.loadData(c.key, got, int16_t{0})) << c.what;
    EXPECT_EQ(got, 5) << c.what;
  }
}

TEST_F(ProfileFileTest, PortsSectionSurvivesSavesAndReadsAsText) {
  const std::string original = "[PORTS]\r\nCOM1=/dev/ttyS0\r\nCOM2 = /dev/ttyUSB0 \r\nCOM10=/dev/serial/by-id/x\r\n";
  WriteFile(original);
  for (int16_t port = 1; port <= 4; ++port) {
    ASSERT_TRUE(io_.saveData("ComPort", port));
    ASSERT_TRUE(io_.saveData("ComAutoRelease", int16_t{0}));
  }
  EXPECT_EQ(ReadFile(), original + "[OPTION]\r\nComPort=4\r\nComAutoRelease=0\r\n");

  io_.Section = "PORTS";
  std::string device;
  EXPECT_TRUE(io_.loadData("COM2", device, ""));
  EXPECT_EQ(device, "/dev/ttyUSB0");
  EXPECT_TRUE(io_.loadData("com10", device, ""));
  EXPECT_EQ(device, "/dev/serial/by-id/x");
  EXPECT_FALSE(io_.loadData("COM3", device, ""));
}

// Deterministic junk: every byte value, NULs, stray CRs and LFs, brackets
// and equals signs, and one very long line.
std::string Junk(unsigned seed, std::size_t size) {
  std::mt19937 gen(seed);
  std::uniform_int_distribution<int> byte(0, 255);
  std::string junk;
  for (std::size_t i = 0; i < size; ++i) junk.push_back(static_cast<char>(byte(gen)));
  junk.insert(size / 2, std::string(100000, 'x'));
  return junk;
}

TEST_F(ProfileFileTest, BinaryJunkIsReadSafelyAndKeptOnSave) {
  for (unsigned seed = 1; seed <= 20; ++seed) {
    const std::string junk = Junk(seed, 4000);
    WriteFile(junk);
    int32_t port = 0;
    EXPECT_TRUE(io_.loadData("ComPort", port, 1));
    EXPECT_EQ(port, 1) << seed;

    ASSERT_TRUE(io_.saveData("ComPort", int16_t{3})) << seed;
    const std::string after = ReadFile();
    // Nothing of the junk changed: it is all still there, in front of the new lines.
    ASSERT_GE(after.size(), junk.size());
    EXPECT_EQ(after.substr(0, junk.size()), junk) << seed;
    EXPECT_TRUE(io_.loadData("ComPort", port, 1));
    EXPECT_EQ(port, 3) << seed;
  }
}

TEST_F(ProfileFileTest, JunkAroundTheSectionIsKeptByteForByte) {
  const std::string head = Junk(7, 2000) + "\r\n";
  const std::string tail = Junk(8, 2000);
  WriteFile(head + "[OPTION]\r\nComPort=1\r\n" + tail);
  ASSERT_TRUE(io_.saveData("ComPort", int16_t{4}));
  EXPECT_EQ(ReadFile(), head + "[OPTION]\r\nComPort=4\r\n" + tail);
}

// ---------------------------------------------------------------------------
// Failed writes leave the old file as it was

TEST_F(ProfileFileTest, ReadOnlyFolderFailsAndKeepsTheOldFile) {
  const std::string original = "[OPTION]\r\nComPort=2\r\n";
  WriteFile(original);
  fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read | fs::perms::group_exec |
                            fs::perms::others_read | fs::perms::others_exec);
  {
    // A user who may write anyway (an administrator) cannot show the failure.
    std::ofstream probe(dir_ / "probe");
    if (probe) {
      probe.close();
      std::error_code ec;
      fs::remove(dir_ / "probe", ec);
      GTEST_SKIP() << "this user can write into a read-only folder";
    }
  }
  EXPECT_FALSE(io_.saveData("ComPort", int16_t{3}));
  EXPECT_EQ(ReadFile(), original);
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"Test.ini"});
}

TEST_F(ProfileFileTest, UnwritableTargetsFailWithoutDamage) {
  // A read-only file stays as the user made it.
  const std::string original = "[OPTION]\r\nComPort=2\r\n";
  WriteFile(original);
  fs::permissions(File(), fs::perms::owner_read);
  EXPECT_FALSE(io_.saveData("ComPort", int16_t{3}));
  fs::permissions(File(), fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(ReadFile(), original);

  // A folder that does not exist is not created.
  clsCmcProfileIO elsewhere = io_;
  elsewhere.SetCurrentPath((dir_ / "missing").string());
  EXPECT_FALSE(elsewhere.saveData("ComPort", int16_t{3}));
  EXPECT_FALSE(fs::exists(dir_ / "missing"));

  // A folder in the file's place is neither read nor replaced.
  elsewhere.SetCurrentPath(dir_.string());
  elsewhere.Name = "sub";
  fs::create_directory(dir_ / "sub");
  EXPECT_FALSE(elsewhere.saveData("ComPort", int16_t{3}));
  int32_t port = 0;
  EXPECT_TRUE(elsewhere.loadData("ComPort", port, 1));
  EXPECT_EQ(port, 1);
  EXPECT_TRUE(fs::is_directory(dir_ / "sub"));
  EXPECT_EQ(FolderEntries().size(), 2u);  // Test.ini and sub, no temporary file
}

}  // namespace
}  // namespace pw

// ---------------------------------------------------------------------------
// Files edited by hand: read as the Windows profile functions read them

namespace pw {
namespace {

TEST_F(ProfileFileTest, ByteOrderMarkIsNotPartOfTheFirstSection) {
  const std::string bom = "\xEF\xBB\xBF";
  WriteFile(bom + "[OPTION]\r\nComPort=3\r\n[PORTS]\r\nCOM1=/dev/ttyUSB0\r\n");
  int32_t port = 0;
  ASSERT_TRUE(io_.loadData("ComPort", port, 1));
  EXPECT_EQ(port, 3);

  // The save finds the marked section (no second [OPTION]) and keeps the mark.
  ASSERT_TRUE(io_.saveData("ComPort", int32_t{2}));
  ASSERT_TRUE(io_.saveData("ComAutoRelease", int32_t{4}));
  EXPECT_EQ(ReadFile(), bom + "[OPTION]\r\nComPort=2\r\nComAutoRelease=4\r\n[PORTS]\r\nCOM1=/dev/ttyUSB0\r\n");
}

TEST_F(ProfileFileTest, OnePairOfMatchingQuotesIsRemoved) {
  struct Case {
    std::string line;
    std::string text;
  };
  const std::string longText(300, 'x');
  const std::vector<Case> cases = {
      {"V=\"3\"", "3"},
      {"V='3'", "3"},
      {"V = \"/dev/serial/by-id/usb-FTDI_FT232R-if00-port0\" ", "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0"},
      {"V=\" 4 \"", "4"},      // trimmed after the quotes go
      {"V=\"\"\"\"", "\"\""},  // only one pair
      {"V=\"3'", "\"3'"},      // not a matching pair
      {"V=\"", "\""},          // a lone quote stays
      {"V=a\"b\"", "a\"b\""},  // quotes inside stay
      {"V=\"" + longText + "\"", longText.substr(0, clsCmcProfileIO::kMaxValueLength)},
      {"V=\"" + longText.substr(0, 253) + "\"", longText.substr(0, 253)},  // fits with its quote
  };
  for (const Case& c : cases) {
    WriteFile("[OPTION]\r\n" + c.line + "\r\n");
    std::string text;
    ASSERT_TRUE(io_.loadData("V", text, std::string("default"))) << c.line;
    EXPECT_EQ(text, c.text) << c.line;
  }

  // Two quotes alone are an empty value, read as a key without one: the
  // variable stays as it was, a port has no device.
  for (const std::string line : {"COM1=\"\"", "COM1=''", "COM1 = \"\" "}) {
    WriteFile("[OPTION]\r\n" + line + "\r\n");
    std::string text = "before";
    EXPECT_FALSE(io_.loadData("COM1", text, std::string("default"))) << line;
    EXPECT_EQ(text, "before") << line;
  }

  WriteFile("[OPTION]\r\nComPort=\"3\"\r\n");
  int16_t port = 0;
  ASSERT_TRUE(io_.loadData("ComPort", port, int16_t{1}));
  EXPECT_EQ(port, 3);
  // A save writes the value as the program always does, without quotes.
  ASSERT_TRUE(io_.saveData("ComPort", int16_t{3}));
  EXPECT_EQ(ReadFile(), "[OPTION]\r\nComPort=3\r\n");
}

TEST_F(ProfileFileTest, SeedFileIsReadUntilTheFirstSaveCreatesTheOwnFile) {
  const fs::path seed = dir_ / "admin" / "Test.ini";
  fs::create_directories(seed.parent_path());
  std::ofstream(seed, std::ios::binary) << "[OPTION]\r\nComPort=4\r\n[PORTS]\r\nCOM4=/dev/ttyACM0\r\n";
  io_.SeedFile = seed.string();

  int32_t port = 0;
  ASSERT_TRUE(io_.loadData("ComPort", port, 1));
  EXPECT_EQ(port, 4);
  EXPECT_FALSE(fs::exists(File()));

  ASSERT_TRUE(io_.saveData("ComAutoRelease", int32_t{2}));
  EXPECT_EQ(ReadFile(), "[OPTION]\r\nComPort=4\r\nComAutoRelease=2\r\n[PORTS]\r\nCOM4=/dev/ttyACM0\r\n");

  // From now on the own file is the one read, whatever the seed says.
  std::ofstream(seed, std::ios::binary) << "[OPTION]\r\nComPort=1\r\n";
  ASSERT_TRUE(io_.loadData("ComPort", port, 1));
  EXPECT_EQ(port, 4);
  io_.Section = "PORTS";
  std::string device;
  ASSERT_TRUE(io_.loadData("COM4", device, std::string()));
  EXPECT_EQ(device, "/dev/ttyACM0");
}

}  // namespace
}  // namespace pw
