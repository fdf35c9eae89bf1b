#include "history/usage_window.h"

#include "history/fake_usage_source.h"
#include "support/fakes.h"

#include <QApplication>
#include <QTableWidget>

#include <benchmark/benchmark.h>

using namespace tarvo;

// Opening the usage window with a year of history: three reads, three tables, three charts
// (the Hijri texts of their tool tips included) and the allowance, up to the first paint.
static void BM_OpenUsageWindowWithAYear(benchmark::State& state) {
    FakeClock clock;
    FakeSettings settings;
    FakeMessages messages;
    writeAllowanceSettings(settings, {20000, 1});
    FakeUsageSource source(clock.time.date().addDays(-365), clock.time.date());
    for (auto _ : state) {
        UsageWindow window(&source, clock, settings, messages);
        window.show();
        window.repaint();
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(window.tables[1]->rowCount());
    }
}
BENCHMARK(BM_OpenUsageWindowWithAYear)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
