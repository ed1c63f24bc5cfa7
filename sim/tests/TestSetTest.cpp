// The simulated radio test set as a program meets it: SCPI lines in, answers
// out on virtual time; its faults; and how its readings follow the radio.
#include "sim/TestSet.h"
#include "sim/Analog.h"
#include "sim/Channels.h"
#include "sim/Radio.h"
#include "TestName.h"
#include "Wire.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace {

using Kind = sim::TestSetFault::Kind;

sim::RadioOptions unpaced() {
  sim::RadioOptions options;
  options.pacing = false;
  return options;
}

sim::TestSetOptions quiet(uint32_t seed = 7) {
  sim::TestSetOptions options;
  options.seed = seed;
  options.noisyReadings = false;
  return options;
}

class TestSetTest : public ::testing::Test {
 protected:
  explicit TestSetTest(const sim::TestSetOptions& options = quiet()) : testSet(options) {
    EXPECT_TRUE(testSet.Connect());
  }

  void send(const std::string& line) { testSet.Receive(line + "\n", nowMs, radio); }
  // Everything the test set says within the next second.
  std::string heard() {
    std::string out;
    for (int64_t t = testSet.NextDueMs(); t >= 0 && t <= nowMs + 1000; t = testSet.NextDueMs()) {
      out += testSet.Transmit(t);
    }
    nowMs += 1000;
    return out;
  }
  std::string ask(const std::string& line) {
    send(line);
    return heard();
  }
  double number(const std::string& query) { return std::stod(ask(query)); }
  std::string nextError() { return ask("SYST:ERR?"); }

  // An E8 command to the radio, as the service program sends it.
  void radioCommand(uint8_t sub, uint8_t value) {
    radio.Receive(wire::frameToRadio(wire::e8(sub, value)), nowMs);
    radio.Transmit(nowMs);
  }
  int presentBand() const {
    return sim::analog::temperatureBand(sim::analog::thermistorCode(radio.options().temperatureC));
  }

  sim::Radio radio{unpaced()};
  sim::TestSet testSet;
  int64_t nowMs = 0;
};

// ---------------------------------------------------------------- commands

TEST_F(TestSetTest, AnswersTheCommonQueriesEachOnALineOfItsOwn) {
  EXPECT_EQ(ask("*IDN?"), testSet.identity() + "\n");
  EXPECT_NE(testSet.identity().find("Radio Test Set"), std::string::npos);
  EXPECT_EQ(ask("*OPC?"), "1\n");
  EXPECT_EQ(nextError(), "0,\"No error\"\n");
  EXPECT_EQ(ask("*CLS"), "");
}

struct RoundTrip {
  const char* set;
  const char* query;
  const char* answer;
};

class SettingTest : public TestSetTest, public ::testing::WithParamInterface<RoundTrip> {};

TEST_P(SettingTest, ASettingReadsBackInSCPIFormWithoutAnError) {
  send(GetParam().set);
  EXPECT_EQ(ask(GetParam().query), std::string(GetParam().answer) + "\n");
  EXPECT_EQ(nextError(), "0,\"No error\"\n");
}

INSTANTIATE_TEST_SUITE_P(
    TestSet, SettingTest,
    ::testing::Values(RoundTrip{"FREQ 156800000", "FREQ?", "+1.568000000E+08"},
                      RoundTrip{":SOURce:FREQuency:CW 161.4 MHz", "freq?", "+1.614000000E+08"},
                      RoundTrip{"freq 1.5625E+08", "SOUR:FREQ?", "+1.562500000E+08"},
                      RoundTrip{"FREQ .1606GHZ", "FREQ:CW?", "+1.606000000E+08"},
                      RoundTrip{"FREQ +157425 kHz", "FREQ?", "+1.574250000E+08"},
                      RoundTrip{"POW -47.5", "POW?", "-4.7500E+01"},
                      RoundTrip{":SOUR:POW:LEV:IMM:AMPL -20 DBM", "POWer:LEVel?", "-2.0000E+01"},
                      RoundTrip{"OUTP ON", "OUTP?", "1"}, RoundTrip{"output:state 0", "OUTP:STAT?", "0"},
                      RoundTrip{"FM:STAT OFF", "FM:STAT?", "0"},
                      RoundTrip{"LFO:FREQ 1 KHZ", "LFO:FREQ?", "+1.00000E+03"},
                      RoundTrip{"LFO:VOLT 10 MV", "LFOutput:VOLTage?", "+1.0000E-02"},
                      RoundTrip{"LFO:STAT ON", "LFO?", "1"}, RoundTrip{"UNIT:POW DBM", "UNIT:POW?", "DBM"},
                      RoundTrip{"unit:power w", "UNIT:POW?", "W"}, RoundTrip{":PTT ON", "PTT?", "1"}),
    [](const auto& info) { return testName(std::string(info.param.set)); });

struct BadCommand {
  const char* line;
  const char* error;
};

class ErrorTest : public TestSetTest, public ::testing::WithParamInterface<BadCommand> {};

TEST_P(ErrorTest, ABadCommandQueuesItsErrorAndChangesNothing) {
  send("FREQ 156.8 MHZ");
  send("POW -60");
  send("OUTP OFF");
  EXPECT_EQ(ask(GetParam().line), "");
  EXPECT_EQ(nextError(), std::string(GetParam().error) + "\n");
  EXPECT_EQ(nextError(), "0,\"No error\"\n");
  EXPECT_EQ(ask("FREQ?;POW?;OUTP?"), "+1.568000000E+08;-6.0000E+01;0\n");
}

INSTANTIATE_TEST_SUITE_P(
    TestSet, ErrorTest,
    ::testing::Values(
        BadCommand{"BOGUS", "-113,\"Undefined header\""}, BadCommand{"FREQUENC 156 MHZ", "-113,\"Undefined header\""},
        BadCommand{"MEAS:FREQ 5", "-113,\"Undefined header\""}, BadCommand{"FREQ 5 GHZ", "-222,\"Data out of range\""},
        BadCommand{"FREQ 50 KHZ", "-222,\"Data out of range\""}, BadCommand{"POW 13.5", "-222,\"Data out of range\""},
        BadCommand{"POW -131", "-222,\"Data out of range\""}, BadCommand{"LFO:VOLT 5", "-222,\"Data out of range\""},
        BadCommand{"FREQ abc", "-104,\"Data type error\""}, BadCommand{"FREQ --5", "-104,\"Data type error\""},
        BadCommand{"FREQ 156 FOO", "-131,\"Invalid suffix\""}, BadCommand{"POW -20 MHZ", "-131,\"Invalid suffix\""},
        BadCommand{"POW -20 V", "-131,\"Invalid suffix\""}, BadCommand{"LFO:VOLT 1 HZ", "-131,\"Invalid suffix\""},
        BadCommand{"OUTP MAYBE", "-224,\"Illegal parameter value\""}, BadCommand{"OUTP", "-109,\"Missing parameter\""},
        BadCommand{"*IDN? 3", "-108,\"Parameter not allowed\""}),
    [](const auto& info) { return testName(info.param.line); });

TEST_F(TestSetTest, SeveralCommandsInOneLineAnswerTogetherAsSCPIJoinsThem) {
  EXPECT_EQ(ask("FREQ 160 MHZ;FREQ?;*OPC?"), "+1.600000000E+08;1\n");
  EXPECT_EQ(ask("*OPC?\r"), "1\n");  // a CR LF line is one line
}

TEST_F(TestSetTest, TheErrorQueueKeepsItsOrderAndMarksAnOverflowInItsLastEntry) {
  send("BOGUS");
  send("FREQ 5 GHZ");
  EXPECT_EQ(nextError(), "-113,\"Undefined header\"\n");
  EXPECT_EQ(nextError(), "-222,\"Data out of range\"\n");

  for (int i = 0; i < 12; ++i) send("BOGUS");
  for (int i = 0; i < 9; ++i) EXPECT_EQ(nextError(), "-113,\"Undefined header\"\n") << i;
  EXPECT_EQ(nextError(), "-350,\"Queue overflow\"\n");
  EXPECT_EQ(nextError(), "0,\"No error\"\n");

  send("BOGUS");
  send("*CLS");
  EXPECT_EQ(nextError(), "0,\"No error\"\n");
}

TEST_F(TestSetTest, ALineIsTakenWhenItsEndArrivesInWhateverPiecesItCame) {
  testSet.Receive("*ID", nowMs, radio);
  EXPECT_EQ(heard(), "");
  testSet.Receive("N?\n*OP", nowMs, radio);
  testSet.Receive("C?\n", nowMs, radio);
  EXPECT_EQ(heard(), testSet.identity() + "\n1\n");
}

TEST_F(TestSetTest, AnAnswerIsDueAfterTheAnswerDelayAndAMeasurementTakesLonger) {
  const sim::TestSetOptions defaults;
  send("*OPC?");
  EXPECT_EQ(testSet.NextDueMs(), nowMs + defaults.answerDelayMs);
  EXPECT_EQ(testSet.Transmit(nowMs + defaults.answerDelayMs - 1), "");
  EXPECT_EQ(testSet.Transmit(nowMs + defaults.answerDelayMs), "1\n");
  send("MEAS:FREQ?");
  EXPECT_EQ(testSet.NextDueMs(), nowMs + defaults.answerDelayMs + defaults.measureMs);
}

TEST_F(TestSetTest, GarbageOnTheLineOnlyQueuesErrorsAndTheNextGoodLineIsAnswered) {
  // Headers, some of them real, with parameters made of numbers, units and bare bytes.
  const std::vector<std::string> headers{"FREQ",  "POW", "LFO:VOLT",   "LFO:FREQ",  "OUTP", "UNIT:POW", "PTT",
                                         "*IDN?", "?",   "MEAS:FREQ?", "SYST:ERR?", ":",    ";",        ""};
  const std::vector<std::string> pieces{
      "1",  "-20", "+.5", "1e400", "--1", "E",  "V", "MV", "MHZ",  "DBM",
      "ON", "W",   ",",   " ",     "\t",  "\r", ";", "?",  "\xff", std::string(1, '\0')};
  std::mt19937 rng(5);
  for (int line = 0; line < 5000; ++line) {
    std::string text = headers[rng() % headers.size()] + (rng() % 4 ? " " : "");
    for (int i = static_cast<int>(rng() % 4); i > 0; --i) text += pieces[rng() % pieces.size()];
    testSet.Receive(text + "\n", nowMs, radio);
  }
  testSet.Receive(std::string(5000, 'X'), nowMs, radio);  // a line longer than any command
  send("");
  heard();
  send("*CLS");
  EXPECT_EQ(ask("*OPC?"), "1\n");
  EXPECT_EQ(nextError(), "0,\"No error\"\n");
}

// ------------------------------------------------------------------ faults

TEST_F(TestSetTest, ASilentTestSetIgnoresTheCommandsItIsSilentOn) {
  testSet.addFault({Kind::Silent, "meas", false});
  EXPECT_EQ(ask("MEAS:FREQ?"), "");
  EXPECT_EQ(ask("*IDN?"), testSet.identity() + "\n");
  testSet.clearFaults();
  testSet.addFault({Kind::Silent, "", true});
  EXPECT_EQ(ask("*OPC?"), "");
  EXPECT_EQ(ask("*OPC?"), "1\n");  // once
  testSet.addFault({Kind::Silent, "OUTP", false});
  send("OUTP ON");
  EXPECT_EQ(ask("OUTP?"), "");
  testSet.clearFaults();
  EXPECT_EQ(ask("OUTP?"), "0\n");  // a silent command is not carried out either
}

TEST_F(TestSetTest, SplitAnswersArriveInPiecesOneAfterAnother) {
  testSet.addFault({Kind::SplitAnswers, "*IDN", false});
  send("*IDN?");
  std::vector<std::string> pieces;
  for (int64_t t = testSet.NextDueMs(); t >= 0; t = testSet.NextDueMs()) pieces.push_back(testSet.Transmit(t));
  ASSERT_GT(pieces.size(), 2u);
  std::string whole;
  for (const auto& piece : pieces) {
    EXPECT_LE(piece.size(), static_cast<size_t>(sim::TestSet::kSplitPieceBytes));
    whole += piece;
  }
  EXPECT_EQ(whole, testSet.identity() + "\n");
}

TEST_F(TestSetTest, JoinedAnswersArriveTogetherInOneRead) {
  testSet.addFault({Kind::JoinedAnswers, "", false});
  send("*OPC?");
  const int64_t firstDue = testSet.NextDueMs();
  EXPECT_EQ(testSet.Transmit(nowMs + 10), "");
  send("SYST:ERR?");
  EXPECT_EQ(testSet.NextDueMs(), firstDue);
  EXPECT_EQ(testSet.Transmit(firstDue), "1\n0,\"No error\"\n");
}

TEST_F(TestSetTest, CrLfAnswersEndWithCrLf) {
  testSet.addFault({Kind::CrLf, "*OPC", false});
  EXPECT_EQ(ask("*OPC?"), "1\r\n");
  EXPECT_EQ(ask("OUTP?"), "0\n");
}

TEST_F(TestSetTest, AQueuedErrorFollowsTheCommandItIsOnWhichIsStillCarriedOut) {
  testSet.addFault({Kind::QueuedError, "FREQ", true});
  send("FREQ 157 MHZ");
  EXPECT_EQ(nextError(), "-221,\"Settings conflict\"\n");
  EXPECT_EQ(ask("FREQ?"), "+1.570000000E+08\n");
  EXPECT_EQ(nextError(), "0,\"No error\"\n");
}

TEST_F(TestSetTest, ADroppedConnectionLosesWhatWasPendingAndTakesNothingMore) {
  testSet.addFault({Kind::DropConnection, "MEAS:POW", true});
  send("*IDN?");
  send("MEAS:POW?;*OPC?");
  EXPECT_FALSE(testSet.Connected());
  EXPECT_EQ(heard(), "");
  EXPECT_EQ(ask("*OPC?"), "");
  EXPECT_TRUE(testSet.Connect());
  EXPECT_EQ(ask("*OPC?"), "1\n");
}

TEST_F(TestSetTest, ANewConnectionTakesTheOpenOnesPlaceUnlessASecondIsRefused) {
  const uint64_t first = testSet.ConnectionId();
  send("*IDN?");
  ASSERT_TRUE(testSet.Connect());
  EXPECT_NE(testSet.ConnectionId(), first);
  EXPECT_EQ(heard(), "");  // the old connection's answer went with it

  testSet.addFault({Kind::RefuseSecondConnection, "", false});
  const uint64_t second = testSet.ConnectionId();
  EXPECT_FALSE(testSet.Connect());
  EXPECT_TRUE(testSet.Connected());
  EXPECT_EQ(testSet.ConnectionId(), second);
  EXPECT_EQ(ask("*OPC?"), "1\n");
  testSet.Disconnect();
  EXPECT_TRUE(testSet.Connect());  // nothing open: not a second connection
}

// ---------------------------------------------------------------- coupling

TEST(ChannelsTest, ChannelsSitWhereTheChannelMapPutsThem) {
  sim::Memory m = sim::defaultMemory(false);
  m[sim::mem::kFlagsUsa + 0] = 0x00;
  m[sim::mem::kFlagsUsa + 2] = sim::mem::kFlagSimplex;
  m[sim::mem::kFlagsUsa + 3] = sim::mem::kFlagTxInhibit;
  m[sim::mem::kFlagsInt + 240] = sim::mem::kFlagSimplex;
  // Free channel FR7 (row 240): receive 0x5CB0 * 6250 + 21.7 MHz, transmit 0x6180 * 6250.
  const int record = sim::mem::kFreeChannels + 6 * sim::mem::kFreeRecordSize;
  m[record + 3] = 0x5C;
  m[record + 4] = 0xB0;
  m[record + 5] = 0x61;
  m[record + 6] = 0x80;
  struct Case {
    int group, channel;
    int64_t rxHz, txHz;
    bool txInhibit;
  };
  for (const Case c :
       {Case{1, 0, 160'600'000, 156'000'000, false}, Case{1, 2, 156'050'000, 156'050'000, false},
        Case{1, 3, 156'050'000, 156'050'000, true}, Case{0, 121, 156'025'000, 156'025'000, false},
        Case{0, 120, 160'625'000, 156'025'000, false}, Case{0, 240, 23'728 * 6250LL + 21'700'000, 156'000'000, false},
        Case{3, 0, 162'550'000, 162'550'000, true}, Case{3, 9, 163'275'000, 163'275'000, true},
        Case{3, 10, 0, 0, true}}) {
    const auto f = sim::channelFrequencies(m, c.group, c.channel);
    EXPECT_EQ(f.rxHz, c.rxHz) << c.group << "/" << c.channel;
    EXPECT_EQ(f.txHz, c.txHz) << c.group << "/" << c.channel;
    EXPECT_EQ(f.txInhibit, c.txInhibit) << c.group << "/" << c.channel;
  }
}

TEST_F(TestSetTest, TheSignalDetectorPeaksWithTheGeneratorOnTheSelectedChannelsReceiveFrequency) {
  radioCommand(0x00, 2);    // dial mode INT
  radioCommand(0x01, 120);  // channel 60, duplex: receives on 160.625 MHz
  send("POW -60");
  send("OUTP ON");
  const auto sdAt = [&](const std::string& frequency) {
    send("FREQ " + frequency);
    return *radio.reading(0x98);
  };
  const int onChannel = sdAt("160.625 MHZ");
  EXPECT_GT(onChannel, sdAt("160.630 MHZ"));
  EXPECT_GT(sdAt("160.630 MHZ"), sdAt("160.650 MHZ"));
  EXPECT_GT(onChannel, sdAt("156.025 MHZ"));  // the channel's transmit side
  EXPECT_EQ(onChannel, sdAt("160.625 MHZ"));

  radioCommand(0x01, 121);  // 60A: receives on 156.025 MHz
  EXPECT_EQ(sdAt("156.025 MHZ"), onChannel);
  EXPECT_LT(sdAt("160.625 MHZ"), onChannel);
}

TEST_F(TestSetTest, TheGeneratorLevelIsTheTestSignalWhileItsOutputIsOn) {
  const sim::Radio bench{unpaced()};
  radioCommand(0x00, 2);
  radioCommand(0x01, 120);
  send("FREQ 160.625 MHZ");
  send("POW -97");                                        // 10 dBuV, the bench's own default
  EXPECT_EQ(*radio.reading(0x99), *bench.reading(0x99));  // off: the bench signal
  send("OUTP ON");
  EXPECT_EQ(*radio.reading(0x99), sim::analog::noiseCode(10.0));
  send("POW -120");
  EXPECT_EQ(*radio.reading(0x99), sim::analog::noiseCode(-13.0));
  const int weak = *radio.reading(0x98);
  send("POW -50");
  EXPECT_EQ(*radio.reading(0x99), sim::analog::noiseCode(57.0));
  EXPECT_GT(*radio.reading(0x98), weak);
  send("FREQ 160.675 MHZ");  // the next channel: the receiver hears next to nothing
  EXPECT_GT(*radio.reading(0x99), sim::analog::noiseCode(0.0));
  send("OUTP OFF");
  EXPECT_EQ(*radio.reading(0x98), *bench.reading(0x98));
  EXPECT_EQ(*radio.reading(0x99), *bench.reading(0x99));
}

TEST_F(TestSetTest, UnkeyedTheCounterAndTheMetersHaveNoReading) {
  EXPECT_EQ(number("MEAS:FREQ?"), sim::TestSet::kNoReading);
  EXPECT_EQ(number("MEAS:FM:DEV?"), sim::TestSet::kNoReading);
  EXPECT_LT(number("MEAS:POW?"), 1e-4);
  EXPECT_EQ(*radio.reading(0x96), 0);  // TXDET
  send("PTT ON");
  EXPECT_TRUE(radio.pttKeyed());
  EXPECT_GT(*radio.reading(0x96), 0);
  EXPECT_LT(number("MEAS:FREQ?"), 1e9);
  radioCommand(0x00, 0x20);  // weather channels: the radio never sends there
  EXPECT_EQ(*radio.reading(0x96), 0);
  EXPECT_EQ(number("MEAS:FREQ?"), sim::TestSet::kNoReading);
  EXPECT_EQ(number("MEAS:FM:DEV?"), sim::TestSet::kNoReading);
  send("PTT OFF");
  EXPECT_FALSE(radio.pttKeyed());
}

TEST_F(TestSetTest, KeyedTheCarrierFollowsThePresentBandsReferenceEntryByTheRadiosStep) {
  radioCommand(0x00, 2);
  radioCommand(0x01, 120);  // transmits on 156.025 MHz
  send("PTT ON");
  const int band = presentBand();
  const double step = testSet.transmitter().hzPerCount();
  radio.poke(sim::mem::kRefTable + band, static_cast<uint8_t>(testSet.transmitter().onFrequencyCount()));
  EXPECT_DOUBLE_EQ(number("MEAS:FREQ?"), 156'025'000.0);
  radio.poke(sim::mem::kRefTable + band, static_cast<uint8_t>(testSet.transmitter().onFrequencyCount() + 10));
  EXPECT_NEAR(number("MEAS:FREQ?"), 156'025'000.0 + 10 * step, 0.5);
  radio.poke(sim::mem::kRefTable + (band + 1) % 20, 0);  // another band's entry
  EXPECT_NEAR(number("MEAS:FREQ?"), 156'025'000.0 + 10 * step, 0.5);
}

TEST_F(TestSetTest, KeyedThePowerFollowsTheByteOfTheSelectedLevel) {
  send("PTT ON");
  for (const int level : {0, 1, 2}) {
    radioCommand(0x02, static_cast<uint8_t>(level));
    const int adr = sim::mem::kPowerHi + level;
    radio.poke(adr, 120);
    const double before = number("MEAS:POW?");
    radio.poke(adr, 130);
    EXPECT_GT(number("MEAS:POW?"), before * 1.3) << level;
    const double watts = number("MEAS:POW?");
    radio.poke(sim::mem::kPowerHi + (level + 1) % 3, 20);  // another level's byte
    EXPECT_DOUBLE_EQ(number("MEAS:POW?"), watts) << level;
    send("UNIT:POW DBM");
    EXPECT_NEAR(number("MEAS:POW?"), 10 * std::log10(watts * 1000), 0.01) << level;
    send("UNIT:POW W");
  }
}

TEST_F(TestSetTest, KeyedTheDeviationFollowsModWithTheToneOnAndTheAtisLevelInTheAtisModes) {
  send("PTT ON");
  send("LFO:FREQ 1000");
  send("LFO:VOLT 0.05");
  EXPECT_EQ(number("MEAS:FM:DEV?"), 0.0);  // tone off: a bare carrier
  send("LFO:STAT ON");
  radio.poke(sim::mem::kModLevel, 100);
  const double at100 = number("MEAS:FM:DEV?");
  radio.poke(sim::mem::kModLevel, 120);
  EXPECT_NEAR(number("MEAS:FM:DEV?"), at100 * 1.2, 1.0);  // four digits
  send("PTT OFF");

  radio.poke(sim::mem::kAtis1300, 90);
  radio.poke(sim::mem::kAtis2100, 110);
  radioCommand(0x03, 1);  // the 1300 Hz tone: keyed without the PTT
  const double tone1300 = number("MEAS:FM:DEV?");
  radioCommand(0x03, 2);
  EXPECT_NEAR(number("MEAS:FM:DEV?"), tone1300 * 110 / 90, 1.0);  // four digits
  radio.poke(sim::mem::kModLevel, 10);                            // MOD plays no part in the ATIS modes
  EXPECT_NEAR(number("MEAS:FM:DEV?"), tone1300 * 110 / 90, 1.0);  // four digits
  radioCommand(0x03, 0);
  EXPECT_EQ(number("MEAS:FM:DEV?"), sim::TestSet::kNoReading);
}

TEST(TestSetUnitTest, EachRadioHasOffsetsOfItsOwnAndReadingsCarryALittleNoise) {
  EXPECT_NE(sim::Transmitter(1).hzPerCount(), sim::Transmitter(2).hzPerCount());
  EXPECT_EQ(sim::Transmitter(3).hzPerCount(), sim::Transmitter(3).hzPerCount());

  sim::RadioOptions options;
  options.pacing = false;
  sim::Radio radio(options);
  sim::TestSet testSet;  // noisy by default
  ASSERT_TRUE(testSet.Connect());
  std::vector<double> readings;
  for (int i = 0; i < 3; ++i) {
    testSet.Receive(i == 0 ? "PTT ON\nMEAS:FREQ?\n" : "MEAS:FREQ?\n", i * 100, radio);
    readings.push_back(std::stod(testSet.Transmit(i * 100 + 99)));
  }
  EXPECT_NE(readings[0], readings[1]);
  EXPECT_NEAR(readings[0], readings[1], 20.0);
  EXPECT_NEAR(readings[1], readings[2], 20.0);
}

}  // namespace
