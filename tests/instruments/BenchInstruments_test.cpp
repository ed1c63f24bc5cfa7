#include "instruments/BenchInstruments.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "support/LoopbackInstrument.h"

namespace pw {
namespace {

using OpState = BenchInstruments::OpState;
using test::LoopbackInstrument;
constexpr const char* kTestSet = "tcp:testset:5025";

// Every role on one test set, the PTT by its switch commands.
BenchConfig TestSetBench() {
  BenchConfig config;
  for (Role role : kRoles) config[role].Address = "tcp:testset";
  config[Role::Ptt].Commands[command::kOn] = ":PTT ON";
  config[Role::Ptt].Commands[command::kOff] = ":PTT OFF";
  config[Role::Ptt].TransmitPathSafe = true;
  return config;
}

class BenchInstrumentsTest : public ::testing::Test {
 protected:
  void Configure(const BenchConfig& config) {
    bench.Configure(config);
    Run(100);
  }
  // The heartbeat for `ms` of virtual time.
  void Run(int ms) {
    for (int t = 0; t <= ms; t += 50) {
      bench.Task();
      clock.Advance(50);
    }
  }
  // Ticks until the role's operation ends (at most a minute).
  OpState Settle(Role role) {
    for (int i = 0; i < 1200 && bench.State(role) == OpState::Running; ++i) Run(0);
    return bench.State(role);
  }
  void KeyNow() {
    ASSERT_TRUE(bench.StartKey()) << bench.Failure(Role::Ptt);
    ASSERT_EQ(Settle(Role::Ptt), OpState::Done) << bench.Failure(Role::Ptt);
    ASSERT_TRUE(bench.Keyed());
  }
  LoopbackInstrument& TestSet() { return *links.At(kTestSet); }

  VirtualClock clock;
  test::LoopbackLinks links;
  BenchInstruments bench{links, clock};
};

TEST_F(BenchInstrumentsTest, EachRoleConnectsWithItsOwnSequenceThenSetsWithChecks) {
  BenchConfig config = TestSetBench();
  config[Role::Generator].CableLossDb = 2.5;
  Configure(config);
  TestSet().received.clear();

  ASSERT_TRUE(bench.StartSetGenerator(156800000, -47.5));
  ASSERT_EQ(Settle(Role::Generator), OpState::Done) << bench.Failure(Role::Generator);
  EXPECT_EQ(TestSet().received, (std::vector<std::string>{"*IDN?", "*CLS", "FM:STAT OFF", "SYST:ERR?", "*OPC?",
                                                          "FREQ 156800000", "POW -45", "SYST:ERR?", "*OPC?"}));
  EXPECT_EQ(bench.IdentityOf(Role::Generator), TestSet().idn);

  TestSet().received.clear();
  ASSERT_TRUE(bench.StartMeasure(Role::PowerMeter));
  ASSERT_EQ(Settle(Role::PowerMeter), OpState::Done) << bench.Failure(Role::PowerMeter);
  EXPECT_EQ(TestSet().received,
            (std::vector<std::string>{"*IDN?", "*CLS", "UNIT:POW W", "SYST:ERR?", "*OPC?", "MEAS:POW?"}));
  EXPECT_EQ(links.created, 1) << "roles at one address share one connection";
}

TEST_F(BenchInstrumentsTest, OverridesTakeTheirPlaceholdersInTheCLocale) {
  BenchConfig config = TestSetBench();
  RoleConfig& gen = config[Role::Generator];
  gen.Commands[command::kSetFrequency] = ":SOUR:FREQ {Hz} HZ";
  gen.Commands[command::kSetLevel] = ":SOUR:POW:LEV {dBm}";
  gen.Commands[command::kSetToneFrequency] = "AF {Hz}";
  gen.Commands[command::kSetToneLevel] = "AFL {V}";
  gen.Commands[command::kToneOn] = "AF ON";
  gen.SignalFm = "FM:DEV 3000;FM:STAT ON";
  config[Role::Counter].Commands[command::kMeasure] = ":FETC:FREQ?";
  TestSet().answers[":FETC:FREQ?"] = "1.56025E+08";
  Configure(config);

  ASSERT_TRUE(bench.StartSetGenerator(160000000, -60.25));
  ASSERT_EQ(Settle(Role::Generator), OpState::Done);
  ASSERT_TRUE(bench.StartTone(true, 1000, 0.125));
  ASSERT_EQ(Settle(Role::Generator), OpState::Done);
  ASSERT_TRUE(bench.StartMeasure(Role::Counter));
  ASSERT_EQ(Settle(Role::Counter), OpState::Done);
  EXPECT_DOUBLE_EQ(bench.Reading(Role::Counter), 156025000);
  for (const char* sent : {"FM:DEV 3000;FM:STAT ON", ":SOUR:FREQ 160000000 HZ", ":SOUR:POW:LEV -60.25", "AF 1000",
                           "AFL 0.125", "AF ON", ":FETC:FREQ?"}) {
    EXPECT_EQ(TestSet().Received(sent).size(), 1u) << sent;
  }
  EXPECT_TRUE(TestSet().Received("FM:STAT OFF").empty());
}

TEST_F(BenchInstrumentsTest, ReadingsComeInTheirUnitsWithThePowerMetersCableLoss) {
  BenchConfig config = TestSetBench();
  config[Role::PowerMeter].CableLossDb = 3;
  config[Role::PowerMeter].SettleMs = 400;
  Configure(config);
  struct Case {
    Role role;
    double reading;
  };
  for (const Case& c : {Case{Role::Counter, 1.568e8}, Case{Role::PowerMeter, 25.1 * 1.9952623149688795},
                        Case{Role::ModulationMeter, 3000}}) {
    ASSERT_TRUE(bench.StartMeasure(c.role));
    ASSERT_EQ(Settle(c.role), OpState::Done) << bench.Failure(c.role);
    EXPECT_NEAR(bench.Reading(c.role), c.reading, 1e-6) << RoleSection(c.role);
  }
  // The reading waits SettleMs before it is asked for.
  TestSet().received.clear();
  ASSERT_TRUE(bench.StartMeasure(Role::PowerMeter));
  Run(350);
  EXPECT_TRUE(TestSet().Received("MEAS:POW?").empty());
  Run(100);
  EXPECT_EQ(TestSet().Received("MEAS:POW?").size(), 1u);
}

TEST_F(BenchInstrumentsTest, AnswersCutIntoPiecesOrEndingInCrLfReadTheSame) {
  for (auto fault : {LoopbackInstrument::Fault::Split, LoopbackInstrument::Fault::CrLf}) {
    VirtualClock caseClock;
    test::LoopbackLinks caseLinks;
    BenchInstruments b(caseLinks, caseClock);
    caseLinks.At(kTestSet)->fault = fault;
    b.Configure(TestSetBench());
    ASSERT_TRUE(b.StartMeasure(Role::Counter));
    for (int i = 0; i < 400 && b.State(Role::Counter) == OpState::Running; ++i) b.Task(), caseClock.Advance(50);
    ASSERT_EQ(b.State(Role::Counter), OpState::Done) << b.Failure(Role::Counter);
    EXPECT_DOUBLE_EQ(b.Reading(Role::Counter), 1.568e8);
  }
}

TEST_F(BenchInstrumentsTest, RolesOnOneGpibAdapterShareItsPort) {
  BenchConfig config;
  config[Role::Counter].Address = "serial:/dev/ttyUSB0";
  config[Role::Counter].Gpib = 3;
  config[Role::ModulationMeter].Address = "serial:/dev/ttyUSB0,9600";
  config[Role::ModulationMeter].Gpib = 14;
  Configure(config);
  ASSERT_TRUE(bench.StartMeasure(Role::Counter));
  ASSERT_TRUE(bench.StartMeasure(Role::ModulationMeter));
  EXPECT_EQ(Settle(Role::Counter), OpState::Done) << bench.Failure(Role::Counter);
  EXPECT_EQ(Settle(Role::ModulationMeter), OpState::Done) << bench.Failure(Role::ModulationMeter);
  EXPECT_EQ(links.created, 1);
  const auto& sent = links.At("serial:/dev/ttyUSB0,9600")->received;
  ASSERT_GE(sent.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(sent.begin(), sent.begin() + 4),
            (std::vector<std::string>{"++mode 1", "++auto 0", "++eoi 1", "++eos 3"}));
  EXPECT_EQ(std::count(sent.begin(), sent.end(), "++addr 3"), std::count(sent.begin(), sent.end(), "++addr 14"));
  EXPECT_GT(std::count(sent.begin(), sent.end(), "++addr 3"), 0);
}

// ---------------------------------------------------------------------------
// Safety

TEST_F(BenchInstrumentsTest, SafetyRules) {
  struct Case {
    const char* name;
    std::function<void(BenchConfig&, LoopbackInstrument&)> setup;
    std::function<bool(BenchInstruments&)> start;
    Role role;
    const char* failure;  // empty: allowed and done
  };
  const std::vector<Case> cases = {
      {"keying while the output will not go off",
       [](BenchConfig&, LoopbackInstrument& ts) { ts.outputStuckOn = true, ts.outputOn = true; },
       [](BenchInstruments& b) { return b.StartKey(); }, Role::Ptt, "instead of 0"},
      {"keying without a safe path", [](BenchConfig& c, LoopbackInstrument&) { c[Role::Ptt].TransmitPathSafe = false; },
       [](BenchInstruments& b) { return b.StartKey(); }, Role::Ptt, "TransmitPathSafe=1"},
      {"keying with a confirmed path",
       [](BenchConfig& c, LoopbackInstrument&) { c[Role::Ptt].TransmitPathSafe = false; },
       [](BenchInstruments& b) {
         b.ConfirmTransmitPath();
         return b.StartKey();
       },
       Role::Ptt, ""},
      {"a PTT switch without Off=",
       [](BenchConfig& c, LoopbackInstrument&) { c[Role::Ptt].Commands.erase(command::kOff); },
       [](BenchInstruments& b) { return b.StartKey(); }, Role::Ptt, "On= and Off="},
      {"output on while keyed", nullptr,
       [](BenchInstruments& b) {
         b.StartKey();
         return b.StartGeneratorOutput(true);
       },
       Role::Generator, "stays off"},
      {"level at the limit", nullptr, [](BenchInstruments& b) { return b.StartSetGenerator(156000000, -20); },
       Role::Generator, ""},
      {"level above the limit", nullptr, [](BenchInstruments& b) { return b.StartSetGenerator(156000000, -19.9); },
       Role::Generator, "MaxLevelDbm=-20"},
      {"cable loss does not lift the limit at the radio",
       [](BenchConfig& c, LoopbackInstrument&) { c[Role::Generator].CableLossDb = 10; },
       [](BenchInstruments& b) { return b.StartSetGenerator(156000000, -15); }, Role::Generator, "MaxLevelDbm"},
      {"band's low edge", nullptr, [](BenchInstruments& b) { return b.StartSetGenerator(155000000, -50); },
       Role::Generator, ""},
      {"below the band", nullptr, [](BenchInstruments& b) { return b.StartSetGenerator(154999999, -50); },
       Role::Generator, "marine band"},
      {"above the band", nullptr, [](BenchInstruments& b) { return b.StartSetGenerator(164000001, -50); },
       Role::Generator, "marine band"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    VirtualClock caseClock;
    test::LoopbackLinks caseLinks;
    BenchInstruments b(caseLinks, caseClock);
    BenchConfig config = TestSetBench();
    LoopbackInstrument& ts = *caseLinks.At(kTestSet);
    if (c.setup) c.setup(config, ts);
    b.Configure(config);
    const bool started = c.start(b);
    for (int i = 0; i < 400 && b.State(c.role) == OpState::Running; ++i) {
      b.Task();
      caseClock.Advance(50);
    }
    if (*c.failure == 0) {
      EXPECT_TRUE(started) << b.Failure(c.role);
      EXPECT_EQ(b.State(c.role), OpState::Done) << b.Failure(c.role);
    } else {
      EXPECT_EQ(b.State(c.role), OpState::Failed);
      EXPECT_NE(b.Failure(c.role).find(c.failure), std::string::npos) << b.Failure(c.role);
      EXPECT_FALSE(ts.pttOn && ts.outputOn) << "never keyed with the output on";
    }
  }
}

TEST_F(BenchInstrumentsTest, KeyingSwitchesTheOutputOffAndChecksItFirst) {
  Configure(TestSetBench());
  TestSet().outputOn = true;
  TestSet().received.clear();
  KeyNow();
  const auto& sent = TestSet().received;
  const auto off = std::find(sent.begin(), sent.end(), "OUTP OFF");
  const auto query = std::find(sent.begin(), sent.end(), "OUTP?");
  const auto on = std::find(sent.begin(), sent.end(), ":PTT ON");
  ASSERT_NE(on, sent.end());
  EXPECT_LT(off, query);
  EXPECT_LT(query, on);
  EXPECT_TRUE(TestSet().pttOn);
}

TEST_F(BenchInstrumentsTest, OnePathConfirmationPerPlan) {
  BenchConfig config = TestSetBench();
  config[Role::Ptt].TransmitPathSafe = false;
  Configure(config);
  EXPECT_FALSE(bench.NeedsPathConfirmation());
  EXPECT_FALSE(bench.StartKey());
  EXPECT_TRUE(bench.NeedsPathConfirmation());
  bench.ConfirmTransmitPath();
  EXPECT_FALSE(bench.NeedsPathConfirmation());
  KeyNow();
  ASSERT_TRUE(bench.StartRelease());
  Settle(Role::Ptt);
  Run(1000);
  KeyNow();  // the same plan asks once
  bench.StartRelease();
  Settle(Role::Ptt);
  Run(1000);
  bench.BeginPlan();
  EXPECT_FALSE(bench.StartKey()) << "a new plan asks again";
}

TEST_F(BenchInstrumentsTest, TheTransmitterRestsBetweenKeyedSpans) {
  BenchConfig config = TestSetBench();
  config[Role::Ptt].MinUnkeyedS = 1.5;
  Configure(config);
  KeyNow();
  bench.StartRelease();
  Settle(Role::Ptt);
  EXPECT_FALSE(TestSet().pttOn);
  TestSet().received.clear();
  ASSERT_TRUE(bench.StartKey());
  Run(1300);
  EXPECT_TRUE(TestSet().Received(":PTT ON").empty()) << "keyed again before the rest was over";
  EXPECT_EQ(Settle(Role::Ptt), OpState::Done);
  EXPECT_TRUE(TestSet().pttOn);
}

TEST_F(BenchInstrumentsTest, TheKeyedTimeLimitReleasesWhateverRuns) {
  Configure(TestSetBench());
  KeyNow();
  ASSERT_TRUE(TestSet().pttOn);
  Run(19000);
  EXPECT_TRUE(bench.Keyed());
  EXPECT_TRUE(bench.TakeMessage().empty());
  TestSet().fault = LoopbackInstrument::Fault::Silence;  // a slow reading is under way
  ASSERT_TRUE(bench.StartMeasure(Role::Counter));
  Run(1100);
  EXPECT_FALSE(bench.Keyed());
  EXPECT_FALSE(TestSet().pttOn);
  EXPECT_EQ(bench.State(Role::Counter), OpState::Failed);
  EXPECT_NE(bench.TakeMessage().find("MaxKeyedS=20"), std::string::npos);
}

TEST_F(BenchInstrumentsTest, AtisCountsAsKeyedAndKeysThePttOnlyWhenItNeedsIt) {
  for (bool needsPtt : {true, false}) {
    SCOPED_TRACE(needsPtt);
    VirtualClock caseClock;
    test::LoopbackLinks caseLinks;
    BenchInstruments b(caseLinks, caseClock);
    BenchConfig config = TestSetBench();
    config[Role::Ptt].AtisNeedsPtt = needsPtt;
    b.Configure(config);
    LoopbackInstrument& ts = *caseLinks.At(kTestSet);
    ts.outputOn = true;
    ASSERT_TRUE(b.StartKey(true));
    for (int i = 0; i < 100 && b.State(Role::Ptt) == OpState::Running; ++i) b.Task(), caseClock.Advance(50);
    ASSERT_EQ(b.State(Role::Ptt), OpState::Done) << b.Failure(Role::Ptt);
    EXPECT_TRUE(b.Keyed());
    EXPECT_FALSE(ts.outputOn);
    EXPECT_EQ(ts.pttOn, needsPtt);
    EXPECT_FALSE(b.StartGeneratorOutput(true));
  }
}

TEST_F(BenchInstrumentsTest, EveryInstrumentFailureMakesTheBenchSafeAndSaysWhatHappened) {
  struct Case {
    const char* name;
    std::function<void(BenchConfig&, LoopbackInstrument&)> fault;
    const char* said;
  };
  const std::vector<Case> cases = {
      {"silence", [](BenchConfig&, LoopbackInstrument& ts) { ts.fault = LoopbackInstrument::Fault::Silence; },
       "no answer to \"MEAS:FREQ?\" within 2000 ms"},
      {"no reading", [](BenchConfig&, LoopbackInstrument& ts) { ts.answers["MEAS:FREQ?"] = "9.9E37"; },
       "\"MEAS:FREQ?\" answered \"9.9E37\": no reading"},
      {"not a number", [](BenchConfig&, LoopbackInstrument& ts) { ts.answers["MEAS:FREQ?"] = "ERR"; },
       "\"MEAS:FREQ?\" answered \"ERR\": not a number"},
      {"dropped connection", [](BenchConfig&, LoopbackInstrument& ts) { ts.dropped = true; },
       "the connection was lost: Connection refused"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    VirtualClock caseClock;
    test::LoopbackLinks caseLinks;
    BenchInstruments b(caseLinks, caseClock);
    BenchConfig config = TestSetBench();
    config[Role::Counter].Address = "tcp:counter";
    LoopbackInstrument& ts = *caseLinks.At(kTestSet);
    LoopbackInstrument& counter = *caseLinks.At("tcp:counter:5025");
    b.Configure(config);
    auto settle = [&](Role role) {
      for (int i = 0; i < 200 && b.State(role) == OpState::Running; ++i) b.Task(), caseClock.Advance(50);
      return b.State(role);
    };
    ASSERT_TRUE(b.StartMeasure(Role::Counter));
    ASSERT_EQ(settle(Role::Counter), OpState::Done);
    ASSERT_TRUE(b.StartKey());
    ASSERT_EQ(settle(Role::Ptt), OpState::Done);
    ASSERT_TRUE(ts.pttOn);
    ts.received.clear();
    c.fault(config, counter);
    ASSERT_TRUE(b.StartMeasure(Role::Counter));
    EXPECT_EQ(settle(Role::Counter), OpState::Failed);
    EXPECT_FALSE(b.Keyed());
    EXPECT_FALSE(ts.pttOn);
    EXPECT_EQ(ts.Received("OUTP OFF").size(), 1u);
    const std::string message = b.TakeMessage();
    EXPECT_EQ(message, "Frequency counter (tcp:counter): " + std::string(c.said) + ". The bench has been made safe.");
    EXPECT_TRUE(b.TakeMessage().empty()) << "shown once";
  }
}

TEST_F(BenchInstrumentsTest, ConnectFailuresNameTheInstrument) {
  struct Case {
    const char* name;
    std::function<void(BenchConfig&, LoopbackInstrument&)> fault;
    const char* said;
  };
  const std::vector<Case> cases = {
      {"error in the queue",
       [](BenchConfig&, LoopbackInstrument& ts) { ts.errors.push_back("-113,\"Undefined header\""); },
       "SYST:ERR? answered \"-113,\"Undefined header\"\""},
      {"wrong instrument", [](BenchConfig& c, LoopbackInstrument&) { c[Role::Generator].Identity = "SG-9"; },
       "*IDN? answered \"Bench Co,Test Set 1,0001,1.0\", which does not contain Identity=SG-9"},
      {"refused", [](BenchConfig&, LoopbackInstrument& ts) { ts.fault = LoopbackInstrument::Fault::RefuseOpen; },
       "cannot connect: Connection refused"},
      {"error with a leading zero digit is still an error",
       [](BenchConfig&, LoopbackInstrument& ts) { ts.errors.push_back("05,\"odd\""); }, "answered \"05,"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    VirtualClock caseClock;
    test::LoopbackLinks caseLinks;
    BenchInstruments b(caseLinks, caseClock);
    BenchConfig config;
    config[Role::Generator].Address = "tcp:gen";
    c.fault(config, *caseLinks.At("tcp:gen:5025"));
    b.Configure(config);
    ASSERT_TRUE(b.StartSetGenerator(156000000, -50));
    for (int i = 0; i < 200 && b.State(Role::Generator) == OpState::Running; ++i) b.Task(), caseClock.Advance(50);
    EXPECT_EQ(b.State(Role::Generator), OpState::Failed);
    const std::string message = b.TakeMessage();
    EXPECT_EQ(message.rfind("Signal generator (tcp:gen): ", 0), 0u) << message;
    EXPECT_NE(message.find(c.said), std::string::npos) << message;
  }
}

TEST_F(BenchInstrumentsTest, MakeSafeReleasesAndSwitchesOffAtOnce) {
  Configure(TestSetBench());
  KeyNow();
  TestSet().fault = LoopbackInstrument::Fault::Silence;
  ASSERT_TRUE(bench.StartMeasure(Role::ModulationMeter));
  Run(300);
  TestSet().received.clear();
  bench.MakeSafe();
  EXPECT_FALSE(TestSet().pttOn);
  EXPECT_EQ(TestSet().received, (std::vector<std::string>{":PTT OFF", "OUTP OFF"}));
  EXPECT_EQ(bench.State(Role::ModulationMeter), OpState::Failed);
  EXPECT_FALSE(bench.Keyed());
  EXPECT_TRUE(bench.TakeMessage().empty()) << "making safe on request is no failure to report";
}

TEST_F(BenchInstrumentsTest, ASerialPttLineIsReleasedAsSoonAsItsPortOpens) {
  for (bool activeLow : {false, true}) {
    SCOPED_TRACE(activeLow);
    VirtualClock caseClock;
    test::LoopbackLinks caseLinks;
    BenchInstruments b(caseLinks, caseClock);
    BenchConfig config;
    config[Role::Ptt].Address = "serial:COM3";
    config[Role::Ptt].Line = "DTR";
    config[Role::Ptt].ActiveLow = activeLow;
    config[Role::Ptt].TransmitPathSafe = true;
    LoopbackInstrument& port = *caseLinks.At("serial:COM3,9600");
    b.Configure(config);
    ASSERT_EQ(port.opens, 1) << "opened at start";
    ASSERT_EQ(port.lines.count(IInstrumentLink::Line::Dtr), 1u);
    EXPECT_EQ(port.lines[IInstrumentLink::Line::Dtr], activeLow) << "released";
    EXPECT_EQ(port.lines.count(IInstrumentLink::Line::Rts), 0u);
    ASSERT_TRUE(b.StartKey());
    for (int i = 0; i < 50 && b.State(Role::Ptt) == OpState::Running; ++i) b.Task(), caseClock.Advance(50);
    EXPECT_TRUE(b.Keyed());
    EXPECT_EQ(port.lines[IInstrumentLink::Line::Dtr], !activeLow) << "keyed";
    b.MakeSafe();
    EXPECT_EQ(port.lines[IInstrumentLink::Line::Dtr], activeLow) << "released";
    EXPECT_TRUE(port.received.empty()) << "a PTT line gets no SCPI";
  }
}

TEST_F(BenchInstrumentsTest, IdentifyShowsTheAnswerOrWhyItFailedWithoutAMessage) {
  BenchConfig config = TestSetBench();
  config[Role::Counter].Address = "tcp:counter";
  config[Role::PowerMeter].Address.clear();
  links.At("tcp:counter:5025")->fault = LoopbackInstrument::Fault::Silence;
  Configure(config);
  for (Role role : {Role::Generator, Role::Counter, Role::PowerMeter, Role::Ptt}) bench.StartIdentify(role);
  for (int i = 0; i < 100 && !bench.IdentifyDone(Role::Counter); ++i) Run(0);
  ASSERT_TRUE(bench.IdentifyDone(Role::Generator));
  EXPECT_EQ(bench.IdentifyResult(Role::Generator), TestSet().idn);
  EXPECT_EQ(bench.IdentifyResult(Role::Ptt), TestSet().idn);
  EXPECT_EQ(bench.IdentifyResult(Role::Counter),
            "Frequency counter (tcp:counter): no answer to \"*IDN?\" within 2000 ms.");
  EXPECT_EQ(bench.IdentifyResult(Role::PowerMeter), "No POWER METER in the bench file.");
  EXPECT_TRUE(bench.TakeMessage().empty());
}

TEST_F(BenchInstrumentsTest, AnAddressThatCannotBeReachedIsReportedOnceAtConfigure) {
  BenchConfig config;
  config[Role::Counter].Address = "gpib:4";
  Configure(config);
  EXPECT_FALSE(bench.HasRole(Role::Counter));
  EXPECT_NE(bench.TakeMessage().find("Frequency counter (gpib:4): "), std::string::npos);
  EXPECT_FALSE(bench.StartMeasure(Role::Counter));
}

}  // namespace
}  // namespace pw
