#include "instruments/BenchFile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "support/TempDir.h"

namespace pw {
namespace {

class BenchFileTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& content) {
    const auto path = (dir.path() / "Bench.ini").string();
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }
  std::string Content() const {
    std::ifstream file(dir.path() / "Bench.ini", std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  }
  test::TempDir dir;
};

TEST_F(BenchFileTest, AMissingFileIsSaidSo) {
  BenchConfig config;
  std::string why;
  EXPECT_FALSE(ReadBenchFile((dir.path() / "Bench.ini").string(), config, why));
  EXPECT_NE(why.find("does not exist"), std::string::npos) << why;
}

TEST_F(BenchFileTest, KeysLeftOutKeepTheirDefaults) {
  BenchConfig config;
  std::string why;
  ASSERT_TRUE(ReadBenchFile(Write("[GENERATOR]\r\nAddress=tcp:gen\r\n"), config, why)) << why;
  const RoleConfig& gen = config[Role::Generator];
  EXPECT_EQ(gen.Address, "tcp:gen");
  EXPECT_EQ(gen.TimeoutMs, 2000);
  EXPECT_EQ(gen.SettleMs, 200);
  EXPECT_EQ(gen.CableLossDb, 0);
  EXPECT_EQ(gen.MaxLevelDbm, -20);
  EXPECT_EQ(gen.Gpib, -1);
  EXPECT_TRUE(gen.Commands.empty());
  EXPECT_EQ(gen.Command(command::kSetLevel, "POW {dBm}"), "POW {dBm}");
  const RoleConfig& ptt = config[Role::Ptt];
  EXPECT_FALSE(ptt.Configured());
  EXPECT_TRUE(ptt.AtisNeedsPtt);
  EXPECT_FALSE(ptt.TransmitPathSafe);
  EXPECT_FALSE(ptt.ActiveLow);
  EXPECT_EQ(ptt.MinUnkeyedS, 1);
  EXPECT_EQ(ptt.MaxKeyedS, 20);
}

TEST_F(BenchFileTest, EveryRoleReadsItsOwnSectionAndOverrides) {
  const std::string path = Write(
      "; the bench of room 2\n"
      "[generator]\n"
      "Address = tcp:10.0.0.5:5025\n"
      "TimeoutMs=3500\n"
      "CableLossDb=1.5\n"
      "MaxLevelDbm=-30\n"
      "SetLevel=:SOUR:POW:LEV {dBm}\n"
      "SignalFm=FM:DEV 3000;FM:STAT ON\n"
      "Identity=SG-9\n"
      "[POWER METER]\n"
      "Address=serial:/dev/ttyUSB0,19200\n"
      "Gpib=13\n"
      "CableLossDb=0.7\n"
      "[MODULATION METER]\n"
      "Address=tcp:10.0.0.5\n"
      "Measure=:FETC:FM:DEV?\n"
      "SettleMs=500\n"
      "[PTT]\n"
      "Address=serial:COM3\n"
      "Line=DTR\n"
      "ActiveLow=1\n"
      "TransmitPathSafe=1\n"
      "AtisNeedsPtt=0\n"
      "MinUnkeyedS=2.5\n"
      "MaxKeyedS=10\n"
      "[TARGETS]\n"
      "Power.High=25\n"
      "; not a target\n"
      "Deviation = \"3000\"\n");
  BenchConfig config;
  std::string why;
  ASSERT_TRUE(ReadBenchFile(path, config, why)) << why;
  const RoleConfig& gen = config[Role::Generator];
  EXPECT_EQ(gen.Address, "tcp:10.0.0.5:5025");
  EXPECT_EQ(gen.TimeoutMs, 3500);
  EXPECT_DOUBLE_EQ(gen.CableLossDb, 1.5);
  EXPECT_EQ(gen.MaxLevelDbm, -30);
  EXPECT_EQ(gen.Command(command::kSetLevel, "POW {dBm}"), ":SOUR:POW:LEV {dBm}");
  EXPECT_EQ(gen.Command(command::kSetFrequency, "FREQ {Hz}"), "FREQ {Hz}");
  EXPECT_EQ(gen.SignalFm, "FM:DEV 3000;FM:STAT ON");
  EXPECT_EQ(gen.Identity, "SG-9");
  EXPECT_EQ(config[Role::PowerMeter].Gpib, 13);
  EXPECT_DOUBLE_EQ(config[Role::PowerMeter].CableLossDb, 0.7);
  EXPECT_EQ(config[Role::ModulationMeter].Command(command::kMeasure, "MEAS:FM:DEV?"), ":FETC:FM:DEV?");
  EXPECT_EQ(config[Role::ModulationMeter].SettleMs, 500);
  EXPECT_FALSE(config[Role::Counter].Configured());
  const RoleConfig& ptt = config[Role::Ptt];
  EXPECT_EQ(ptt.Line, "DTR");
  EXPECT_TRUE(ptt.ActiveLow);
  EXPECT_TRUE(ptt.TransmitPathSafe);
  EXPECT_FALSE(ptt.AtisNeedsPtt);
  EXPECT_DOUBLE_EQ(ptt.MinUnkeyedS, 2.5);
  EXPECT_EQ(ptt.MaxKeyedS, 10);
  ASSERT_EQ(config.Targets.size(), 2u);
  EXPECT_EQ(config.Targets[0], (std::pair<std::string, std::string>("Power.High", "25")));
  EXPECT_EQ(config.Targets[1], (std::pair<std::string, std::string>("Deviation", "3000")));
}

TEST_F(BenchFileTest, NonsenseValuesFallBackToTheKeysDefaults) {
  BenchConfig config;
  std::string why;
  ASSERT_TRUE(ReadBenchFile(Write("[COUNTER]\nTimeoutMs=soon\nSettleMs=-5\nGpib=31\n[PTT]\nMaxKeyedS=x\n"
                                  "TransmitPathSafe=\n"),
                            config, why));
  EXPECT_EQ(config[Role::Counter].TimeoutMs, 2000);
  EXPECT_EQ(config[Role::Counter].SettleMs, 200);
  EXPECT_EQ(config[Role::Counter].Gpib, -1);
  EXPECT_EQ(config[Role::Ptt].MaxKeyedS, 20);
  EXPECT_FALSE(config[Role::Ptt].TransmitPathSafe) << "an empty value never declares the path safe";
}

TEST_F(BenchFileTest, SavingWritesOnlyTheKeysThatChanged) {
  const std::string original =
      "; hand-written\r\n"
      "[GENERATOR]\r\n"
      "Address=tcp:gen\r\n"
      "TimeoutMs = 2000\r\n"
      "\r\n"
      "[TARGETS]\r\n"
      "Power.High=25\r\n";
  const std::string path = Write(original);
  BenchConfig before;
  std::string why;
  ASSERT_TRUE(ReadBenchFile(path, before, why));
  BenchConfig after = before;
  ASSERT_TRUE(WriteBenchChanges(path, before, after, why)) << why;
  EXPECT_EQ(Content(), original) << "nothing changed, nothing written (defaults included)";

  after[Role::Generator].Address = "tcp:gen2";
  after[Role::Counter].Address = "tcp:cnt";
  ASSERT_TRUE(WriteBenchChanges(path, before, after, why)) << why;
  EXPECT_EQ(Content(),
            "; hand-written\r\n"
            "[GENERATOR]\r\n"
            "Address=tcp:gen2\r\n"
            "TimeoutMs = 2000\r\n"
            "\r\n"
            "[TARGETS]\r\n"
            "Power.High=25\r\n"
            "[COUNTER]\r\n"
            "Address=tcp:cnt\r\n");
  BenchConfig reread;
  ASSERT_TRUE(ReadBenchFile(path, reread, why));
  EXPECT_EQ(reread[Role::Generator].Address, "tcp:gen2");
  EXPECT_EQ(reread[Role::Counter].Address, "tcp:cnt");
}

}  // namespace
}  // namespace pw
