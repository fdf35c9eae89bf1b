#include "history/history_store.h"
#include "history/usage_report.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace tarvo;

namespace {

const QString kNames[] = {QStringLiteral("eth0"), QStringLiteral("wlan0"), QStringLiteral("usb0"),
                          QStringLiteral("ppp0"), QStringLiteral("enp3s0")};

// A year of history as the meter leaves it: minute rows for the last week, hour rows for the
// rest (thinned minutes leave exactly those), every row on 5 interfaces.
void fillYear(HistoryStore& store, const QDateTime& now) {
    const qint64 end = HistoryStore::minuteKey(now);
    const qint64 weekStart = end - HistoryStore::kMinuteRows;
    std::map<qint64, std::vector<MinuteTraffic>> batch;
    auto flush = [&](qint64 minute) {
        store.write(batch, HistoryMark{0, 0, minute, kNames[0], "bench"});
        batch.clear();
    };
    for (qint64 m = end - 365 * 24 * 60; m < end; m += (m < weekStart ? 60 : 1)) {
        auto& rows = batch[m];
        for (int i = 0; i < 5; ++i)
            rows.push_back(
                {kNames[i], std::uint64_t(1000 + m % 977 * (i + 1)), std::uint64_t(100 + i)});
        if (batch.size() >= 2000)
            flush(m);
    }
    flush(end);
}

void BM_HistoryMinuteWrite(benchmark::State& state) {
    QTemporaryDir dir;
    HistoryStore store(dir.filePath(QStringLiteral("history.sqlite")),
                       HistoryStore::Mode::ReadWrite);
    // On a year's history, so each write also thins full minute and hour tables.
    const QDateTime now = QDateTime::currentDateTime();
    fillYear(store, now);
    qint64 minute = HistoryStore::minuteKey(now);
    std::vector<MinuteTraffic> rows;
    for (const QString& name : kNames)
        rows.push_back({name, 123456, 7890});
    for (auto _ : state) {
        ++minute;
        if (!store.writeMinute(minute, rows, HistoryMark{1, 1, minute, kNames[0], "bench"}))
            state.SkipWithError("write failed");
    }
}
BENCHMARK(BM_HistoryMinuteWrite)->Unit(benchmark::kMillisecond);

void BM_UsageJsonOfAYear(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("history.sqlite"));
    const QDateTime now = QDateTime::currentDateTime();
    {
        HistoryStore writer(path, HistoryStore::Mode::ReadWrite);
        fillYear(writer, now);
    }
    state.counters["file_MB"] = double(QFileInfo(path).size()) / (1024.0 * 1024.0);
    const AllowanceSettings quota{10 * 1024, 15};
    for (auto _ : state) {
        // As "tarvo --usage --json" does it: open read-only, report, close.
        HistoryStore store(path, HistoryStore::Mode::ReadOnly);
        benchmark::DoNotOptimize(usageJson(store, now, quota));
    }
}
BENCHMARK(BM_UsageJsonOfAYear)->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace

// The SQL driver is a plugin: it wants an application object to be found.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
