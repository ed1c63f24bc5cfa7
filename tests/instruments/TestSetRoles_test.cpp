// Every role of the bench against the simulated radio test set in process:
// the Test button's answer, and a reading of each meter while keyed.
#include <gtest/gtest.h>

#include "instruments/BenchInstruments.h"
#include "sim/InProcessInstruments.h"

namespace pw {
namespace {

using OpState = BenchInstruments::OpState;

class TestSetRolesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    BenchConfig config;
    for (Role role : kRoles) config[role].Address = "tcp:testset";
    config[Role::Ptt].Commands[command::kOn] = ":PTT ON";
    config[Role::Ptt].Commands[command::kOff] = ":PTT OFF";
    config[Role::Ptt].TransmitPathSafe = true;
    bench.Configure(config);
  }
  OpState Settle(Role role) {
    for (int i = 0; i < 2000 && bench.State(role) == OpState::Running; ++i) {
      bench.Task();
      clock.Advance(10);
    }
    return bench.State(role);
  }

  VirtualClock clock;
  sim::Radio radio;
  sim::InProcessInstruments instruments{clock, radio};
  BenchInstruments bench{instruments, clock};
};

TEST_F(TestSetRolesTest, EachRolesTestShowsTheTestSetsIdentity) {
  for (Role role : kRoles) {
    SCOPED_TRACE(RoleSection(role));
    bench.StartIdentify(role);
    Settle(role);
    ASSERT_TRUE(bench.IdentifyDone(role));
    EXPECT_EQ(bench.State(role), OpState::Done) << bench.IdentifyResult(role);
    EXPECT_FALSE(bench.IdentifyResult(role).empty());
  }
  EXPECT_TRUE(bench.TakeMessage().empty());
}

TEST_F(TestSetRolesTest, EveryMeterReadsWhileKeyed) {
  ASSERT_TRUE(bench.StartKey());
  ASSERT_EQ(Settle(Role::Ptt), OpState::Done) << bench.Failure(Role::Ptt);
  for (Role role : {Role::Counter, Role::PowerMeter, Role::ModulationMeter}) {
    SCOPED_TRACE(RoleSection(role));
    ASSERT_TRUE(bench.StartMeasure(role));
    EXPECT_EQ(Settle(role), OpState::Done) << bench.Failure(role);
  }
  EXPECT_GT(bench.Reading(Role::Counter), 155e6);
  EXPECT_LT(bench.Reading(Role::Counter), 164e6);
  EXPECT_GT(bench.Reading(Role::PowerMeter), 0);
  ASSERT_TRUE(bench.StartRelease());
  EXPECT_EQ(Settle(Role::Ptt), OpState::Done) << bench.Failure(Role::Ptt);
  EXPECT_FALSE(bench.Keyed());
  EXPECT_TRUE(bench.TakeMessage().empty());
}

}  // namespace
}  // namespace pw
