// The usage window with a year of made-up history, to look at it; not part of the program.
// Usage: tarvo_usage_demo [tab 0-2] [quota MB] [cycle day] [path of a history moved aside]
// With TARVO_DEMO_ROUTER set, a home router was read too, and its use is shown and counted.
#include "history/usage_window.h"

#include "history/fake_usage_source.h"
#include "support/fakes.h"

#include <QApplication>
#include <QRadioButton>
#include <QScreen>
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
    // The household's use: this computer's four times over, spread yesterday, one span unknown.
    FakeUsageSource household(clock.time.date().addDays(-200), clock.time.date());
    household.spreadDay = clock.time.date().addDays(-1);
    household.scale = 4;
    FakeUsageSource others(clock.time.date().addDays(-200), clock.time.date());
    others.scale = 3;
    if (qEnvironmentVariableIsSet("TARVO_DEMO_ROUTER")) {
        source.routerRows = &household;
        source.routerRecord.id = QStringLiteral("uuid:demo");
        source.routerRecord.name = QStringLiteral("موجّه المنزل");
        source.routerRecord.lastRead = clock.time.addSecs(-5);
        source.othersRows = &others;
        // With TARVO_DEMO_ROUTER=failing: its last round failed and it counts less.
        if (qgetenv("TARVO_DEMO_ROUTER") == "failing") {
            source.routerRecord.error = QStringLiteral("no whole answer within 2 s");
            source.routerRecord.countsLess = true;
        }
        const QDateTime night(clock.time.date().addDays(-2), QTime(1, 10));
        household.gaps = {{night, night.addSecs(5 * 3600)}};
        tarvo::AllowanceSettings counted = tarvo::readAllowanceSettings(settings);
        counted.source = tarvo::AllowanceSettings::Source::Router;
        counted.router = source.routerRecord.id;
        tarvo::writeAllowanceSource(settings, counted);
    }
    tarvo::UsageWindow window(&source, clock, settings, messages);
    if (source.routerRows)
        (qEnvironmentVariableIsSet("TARVO_DEMO_OTHERS") ? window.othersChoice
                                                        : window.networkChoice)
            ->setChecked(true);
    window.tabs->setCurrentIndex(args.size() > 1 ? args[1].toInt() : 0);
    if (args.size() > 4)
        window.showMovedAside(args[4]);
    // As the strip opens it: no taller than the screen.
    window.fitHeight(window.screen()->availableGeometry().height() - 40);
    window.move(20, 20);
    window.show();
    return app.exec();
}
