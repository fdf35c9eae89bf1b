// The usage window with a year of made-up history, to look at it; not part of the program.
// Usage: tarvo_usage_demo [tab 0-2] [quota MB] [cycle day] [path of a history moved aside]
#include "history/usage_window.h"

#include "history/fake_usage_source.h"
#include "support/fakes.h"

#include <QApplication>
#include <QTabWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    FakeClock clock;
    clock.time = QDateTime::currentDateTime();
    FakeSettings settings;
    FakeMessages messages;
    tarvo::writeAllowanceSettings(settings, {args.size() > 2 ? args[2].toULongLong() : 50000,
                                             args.size() > 3 ? args[3].toInt() : 1});
    FakeUsageSource source(clock.time.date().addDays(-365), clock.time.date());
    // Some traffic of this morning counted before the meter ran, to show its mark.
    source.beforeMeterHour = QDateTime(clock.time.date(), QTime(0, 0));
    source.beforeMeterBytes = 90 * FakeUsageSource::kMB;
    tarvo::UsageWindow window(&source, clock, settings, messages);
    window.tabs->setCurrentIndex(args.size() > 1 ? args[1].toInt() : 0);
    if (args.size() > 4)
        window.showMovedAside(args[4]);
    window.move(20, 20);
    window.show();
    return app.exec();
}
