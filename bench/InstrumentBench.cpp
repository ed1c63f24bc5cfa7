// One reading's round trip through the bench on a loopback instrument: the
// command built, written, the answer split into lines and read as a number.
// What the instruments add to a tick when they answer at once.
#include <benchmark/benchmark.h>

#include "instruments/BenchInstruments.h"
#include "support/LoopbackInstrument.h"

namespace pw {
namespace {

void BM_QueryRoundTrip(benchmark::State& state) {
  VirtualClock clock;
  test::LoopbackLinks links;
  BenchInstruments bench(links, clock);
  BenchConfig config;
  config[Role::Counter].Address = "tcp:counter";
  config[Role::Counter].SettleMs = 0;
  bench.Configure(config);
  for (auto _ : state) {
    bench.StartMeasure(Role::Counter);
    while (bench.State(Role::Counter) == BenchInstruments::OpState::Running) bench.Task();
    benchmark::DoNotOptimize(bench.Reading(Role::Counter));
    // The received log would otherwise grow with every round.
    links.At("tcp:counter:5025")->received.clear();
  }
}
BENCHMARK(BM_QueryRoundTrip);

}  // namespace
}  // namespace pw
