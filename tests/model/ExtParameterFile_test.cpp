#include "model/ExtParameterFile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace pw {
namespace {

namespace fs = std::filesystem;

const std::string kTitle = "PW-R4T ADJ Rev.1.1";

// A file of `values.size() + 1` lines: the title line, then one value per
// line, each ended with `eol`.
std::string MakeFile(const std::string& titleLine, const std::vector<std::string>& values,
                     const std::string& eol = "\r\n") {
  std::string text = titleLine + eol;
  for (const std::string& v : values) text += v + eol;
  return text;
}

std::vector<std::string> Numbered(int count) {
  std::vector<std::string> values;
  for (int i = 1; i <= count; ++i) values.push_back(std::to_string(i));
  return values;
}

bool Read(const std::string& content, ExtParameters& params) {
  std::istringstream in(content);
  return ReadExtParameters(in, params);
}

// ---------------------------------------------------------------------------
// Conversions

TEST(ValLike, ReadsTheNumberAtTheStart) {
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    std::string text;
    double expected;
  };
  const std::vector<Case> cases = {
      {"12", 12},
      {"   12", 12},
      {"12 ; comment", 12},
      {"12 abc", 12},
      {"1 2", 12},
      {"\t7", 7},
      {"1\t2", 12},
      {"1\n2", 12},
      {"abc", 0},
      {"; 5", 0},
      {"", 0},
      {"-5", -5},
      {"+5", 5},
      {"- 5", -5},
      {"--1", 0},
      {"1.5", 1.5},
      {".5", 0.5},
      {"5.", 5},
      {"1.2.3", 1.2},
      {"1e2", 100},
      {"1E+2", 100},
      {"1 e - 2", 0.01},
      {"2.5D1", 25},
      {"1e", 1},
      {"1e+", 1},
      {"1x2", 1},
      {"1,5", 1},
      {"&H1F", 31},
      {"&h1f", 31},
      {"&H 1 F", 31},
      {"&H", 0},
      {"&HFFFF", -1},
      {"&H8000", -32768},
      {"&H10000", 65536},
      {"&HFFFFFFFF", -1},
      {"&H100000000", inf},
      {"&O17", 15},
      {"&O177777", -1},
      {"&Q1", 0},
      {"1e400", inf},
      {"-1e400", -inf},
      {"1e-400", 0},
      {"0." + std::string(1000, '0') + "1e500", 0},  // 1e-501, too small despite the positive exponent
      {"1e99999999999999999999999", inf},
      {"0e99999999999999999999999", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ValLike(c.text), c.expected) << "'" << c.text << "'";
  }
}

TEST(RoundToInt16, RoundsHalvesToEvenAndChecksTheRange) {
  struct Case {
    double value;
    std::optional<int16_t> expected;
  };
  const std::vector<Case> cases = {
      {1.5, 2},
      {2.5, 2},
      {-2.5, -2},
      {-1.5, -2},
      {0.49, 0},
      {0.51, 1},
      {-0.5, 0},
      {32767, 32767},
      {32767.4, 32767},
      {32767.5, std::nullopt},
      {-32768, -32768},
      {-32768.5, -32768},
      {-32768.6, std::nullopt},
      {1e300, std::nullopt},
      {std::numeric_limits<double>::infinity(), std::nullopt},
      {-std::numeric_limits<double>::infinity(), std::nullopt},
      {std::numeric_limits<double>::quiet_NaN(), std::nullopt},
  };
  for (const Case& c : cases) {
    int16_t out = 123;
    const bool ok = RoundToInt16(c.value, out);
    EXPECT_EQ(ok ? std::optional<int16_t>(out) : std::nullopt, c.expected) << c.value;
    if (!ok) {
      EXPECT_EQ(out, 123) << c.value;
    }
  }
}

// ---------------------------------------------------------------------------
// Whole files

TEST(ExtParameterFile, AcceptsOrRefusesTheFile) {
  std::vector<std::string> outOfRange = Numbered(32);
  outOfRange[5] = "32768";
  std::vector<std::string> letters = Numbered(32);
  letters[0] = "abc";
  std::vector<std::string> fortyLines = Numbered(32);
  for (int i = 0; i < 7; ++i) fortyLines.push_back("99999 not read");
  std::string noFinalEol = MakeFile(kTitle, Numbered(32));
  noFinalEol.resize(noFinalEol.size() - 2);

  struct Case {
    const char* what;
    std::string content;
    bool ok;
  };
  const std::vector<Case> cases = {
      {"plain", MakeFile(kTitle, Numbered(32)), true},
      {"blanks around the title", MakeFile("   " + kTitle + "  ", Numbered(32)), true},
      {"tabs around the title", MakeFile("\t" + kTitle + "\t", Numbered(32)), true},
      {"byte order mark in front", MakeFile("\xEF\xBB\xBF" + kTitle, Numbered(32)), true},
      {"title in lower case", MakeFile("pw-r4t adj rev.1.1", Numbered(32)), false},
      {"other revision", MakeFile("PW-R4T ADJ Rev.1.2", Numbered(32)), false},
      {"blank inside the title", MakeFile("PW-R4T  ADJ Rev.1.1", Numbered(32)), false},
      {"32 lines", MakeFile(kTitle, Numbered(31)), false},
      {"40 lines, the last 7 not read", MakeFile(kTitle, fortyLines), true},
      {"value beyond 16 bits", MakeFile(kTitle, outOfRange), false},
      {"letters give 0", MakeFile(kTitle, letters), true},
      {"LF line ends", MakeFile(kTitle, Numbered(32), "\n"), true},
      {"CR line ends", MakeFile(kTitle, Numbered(32), "\r"), true},
      {"no line end after line 33", noFinalEol, true},
      {"title only", kTitle + "\r\n", false},
      {"empty", "", false},
  };
  for (const Case& c : cases) {
    ExtParameters params;
    EXPECT_EQ(Read(c.content, params), c.ok) << c.what;
  }
}

TEST(ExtParameterFile, LinesGoToTheirFields) {
  std::vector<std::string> values = Numbered(32);
  values[0] = "  -7.5 ; start";  // rounds to -8
  values[1] = "&HFFFF";
  values[21] = "1 2";
  ExtParameters params;
  ASSERT_TRUE(Read(MakeFile(kTitle, values), params));
  EXPECT_EQ(params.refDefault, -8);
  EXPECT_EQ(params.refOffset[0], -1);
  for (int i = 1; i < 20; ++i) EXPECT_EQ(params.refOffset[static_cast<size_t>(i)], i + 2);
  EXPECT_EQ(params.bpfStep, 12);
  for (int j = 0; j < 6; ++j) EXPECT_EQ(params.sqlOffset[static_cast<size_t>(j)], 23 + j);
  for (int t = 0; t < 4; ++t) EXPECT_EQ(params.bpfPreset[static_cast<size_t>(t)], 29 + t);
}

TEST(ExtParameterFile, FailureKeepsWhatWasReadBeforeIt) {
  ExtParameters params;
  params.refDefault = 500;
  params.refOffset.fill(500);
  params.bpfPreset.fill(500);

  std::vector<std::string> values = Numbered(32);
  values[5] = "-40000";  // refOffset[4]
  EXPECT_FALSE(Read(MakeFile(kTitle, values), params));
  EXPECT_EQ(params.refDefault, 1);
  EXPECT_EQ(params.refOffset[3], 5);
  EXPECT_EQ(params.refOffset[4], 500);
  EXPECT_EQ(params.refOffset[5], 500);
  EXPECT_EQ(params.bpfPreset[3], 500);

  ExtParameters untouched;
  untouched.refDefault = 500;
  EXPECT_FALSE(Read(MakeFile("wrong title", Numbered(32)), untouched));
  EXPECT_EQ(untouched.refDefault, 500);
}

TEST(ExtParameterFile, JunkNeverCrashes) {
  for (unsigned seed = 1; seed <= 200; ++seed) {
    std::mt19937 gen(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> pick(0, 15);
    // Mostly number-like characters so that many lines get far into the conversion.
    const std::string alphabet = "0123456789.eEdD+-&Hh \t\r\n";
    std::string junk = kTitle + "\r\n";
    for (int i = 0; i < 2000; ++i) {
      junk.push_back(pick(gen) < 12 ? alphabet[static_cast<size_t>(byte(gen)) % alphabet.size()]
                                    : static_cast<char>(byte(gen)));
    }
    ExtParameters params;
    Read(junk, params);
    EXPECT_FALSE(std::isnan(ValLike(junk))) << seed;
  }
}

TEST(ExtParameterFile, ReadsFromAFile) {
  const fs::path dir = fs::temp_directory_path() /
                       ("pw_const_" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  fs::create_directories(dir);
  {
    std::ofstream out(dir / "Const.ini", std::ios::binary);
    out << MakeFile(kTitle, Numbered(32));
  }
  ExtParameters params;
  EXPECT_TRUE(ReadExtParameterFile((dir / "Const.ini").string(), params));
  EXPECT_EQ(params.bpfPreset[3], 32);
  EXPECT_FALSE(ReadExtParameterFile((dir / "Missing.ini").string(), params));
  EXPECT_FALSE(ReadExtParameterFile(dir.string(), params));  // a folder, not a file
  std::error_code ec;
  fs::remove_all(dir, ec);
}

}  // namespace
}  // namespace pw
