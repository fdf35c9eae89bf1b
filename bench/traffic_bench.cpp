#include "common/data_directory.h"
#include "traffic/platform.h"
#include "traffic/totals_store.h"
#include "traffic/traffic_meter.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace tarvo;

// One full rate update as the clock tick runs it, the read of /proc/net/dev included.
static void BM_UpdateRatesTick(benchmark::State& state) {
    // As the program makes it: in a namespace without a physical link the default routes
    // decide what counts, so the classification and the route watch are part of the tick.
    auto source = makeInterfaceTableSource();
    CIpHelper helper(*source);
    TrafficMeter meter(helper, u'.');
    meter.fields.savedReceived = QStringLiteral("123456789");
    meter.fields.savedSent = QStringLiteral("98765");
    qint64 ms = 0;
    meter.readRates(ms);
    for (auto _ : state) {
        meter.readRates(ms += 1000);
        benchmark::DoNotOptimize(meter.fields.downRate);
    }
}
BENCHMARK(BM_UpdateRatesTick);

// One periodic save of the totals file.
static void BM_TotalsSave(benchmark::State& state) {
    QTemporaryDir dir;
    TotalsStore store(DataDirectory(dir.path()), u'.');
    const SavedTotals saved{QStringLiteral("123456789012"), QStringLiteral("98765432")};
    std::uint64_t received = 1000;
    // The first write syncs; the rest of the minute does not, as in the running program.
    CounterReading reading{
        true, received, 7, {"3f1c2a64-5b0e-4d1e-9a6f-2f7a8b9c0d1e", {{"eth0", 2, received, 7}}}};
    store.save(saved, reading);
    for (auto _ : state) {
        reading.received = ++received;
        reading.record.links[0].in = received;
        benchmark::DoNotOptimize(store.save(saved, reading));
    }
}
BENCHMARK(BM_TotalsSave);

BENCHMARK_MAIN();
