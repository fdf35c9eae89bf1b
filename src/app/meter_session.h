#pragma once

#include "app/services.h"
#include "history/allowance.h"
#include "history/history_recorder.h"
#include "history/router_recorder.h"
#include "router/router_rules.h"
#include "traffic/ip_helper.h"
#include "traffic/totals_store.h"
#include "traffic/traffic_meter.h"

#include <QElapsedTimer>

#include <memory>
#include <string>
#include <vector>

namespace tarvo {

// Whether the computer is connected, as the last connection step found it.
enum class Connection { Unknown, Connected, Offline };

// The status line's caption of a connection state: "متصل", "غير متصل", nothing before the
// first step.
QString connectionCaption(Connection state);

// What one second leaves the window to show and do, beside fields().
struct MeterSecond {
    QString clock; // the time of day as the clock shows it; empty while the clock is off
    Connection connection = Connection::Unknown;
    bool pause = false; // offline: the window shows the second, then calls pauseOffline()
};

// The meter's work behind the strip, without any widget: the clock, the counters, the rates
// and totals, the connection state, the totals file, the usage history, the allowance and the
// home router. The window forwards its timers here and shows fields() and what each second
// returns; the order of the steps within a second lives here.
class MeterSession {
public:
    explicit MeterSession(const Services& services);

    // Once the instance lock is held: the totals and the same-boot record, the history brought
    // level with the totals, the interface setting. The fields then hold the saved totals.
    void start();

    // The whole second, in order: the clock and, while connected, the rates; the connection
    // step; the save; every sixtieth second the allowance.
    MeterSecond tick(const QDateTime& now);
    // From the end of the start-up on: the clock runs, and the minutes count from here.
    void beginSeconds();
    // The steps of a second, as tick runs them. The clock: its caption, and the rates while
    // connected; tick runs it only while the clock runs.
    MeterSecond clockStep(const QDateTime& now);
    // The minute average and the connection state. Offline, the totals are saved at once, the
    // clock stops until the connection is back, and the second asks for the offline pause.
    MeterSecond connectionStep();
    // The totals file, then the history's minute once it is over, so that the history's mark
    // never runs ahead of the totals file; then the home router's minute, and the router is
    // asked whether to read it again.
    void save(const QDateTime& now);
    // An offline second ends with messages let run and a 200 ms pause.
    void pauseOffline();
    // One reading, the rates and totals, the history fed.
    void readRates(const QDateTime& now);

    Connection connection() const { return connection_; }
    // Whether the seconds run the clock and the rates: off until the start-up is done, while
    // offline and once the window closes.
    bool clockRunning() const { return clockRunning_; }
    void setClockRunning(bool on) { clockRunning_ = on; }

    // The totals become the traffic since the computer started; the history keeps its own.
    void reset();
    // Once a minute: tells the user when the use of the monthly allowance passes a mark.
    void checkAllowance();
    // The clean stop: the pending minute into the history.
    void flush();
    // A reading of the home router: its traffic judged against what the history keeps of it.
    void routerReading(const RouterReading& reading);
    // A failure to find or read it: kept with the router, for the usage window and --usage.
    void routerFailure(const RouterFailure& failure);
    // All the devices' traffic through the router today, as the totals show MB; empty before
    // a router was read.
    const QString& networkToday() const { return networkToday_; }
    // The strip's tool tip, rich text laid out right to left: the interfaces counted and, once
    // a router was read, all the devices' traffic today.
    QString stripToolTip() const;

    // The "always on top" choice, kept in the settings; on unless turned off.
    bool alwaysOnTop() const;
    void setAlwaysOnTop(bool on);

    const MeterFields& fields() const { return meter_.fields; }
    const TrafficMeter& meter() const { return meter_; }
    // The usage history the windows read; null when none is kept.
    UsageSource* usage() const { return usage_; }
    // A damaged history moved aside at the start: where to; empty otherwise.
    const QString& historyMovedAside() const { return historyMovedAside_; }

private:
    SavedTotals savedTotals() const;
    void saveOffline();
    void readNetworkToday(const QString& udn, const QDate& today);

    Services services_;
    CIpHelper ipHelper_;
    TrafficMeter meter_;
    TotalsStore totals_;
    std::unique_ptr<HistoryRecorder> history_;
    std::unique_ptr<RouterRecorder> routerHistory_;
    HistoryStore* store_ = nullptr;
    QElapsedTimer steady_;
    OwnTraffic ownAtRouterReading_;
    bool routerRead_ = false;
    QString routerUdn_;
    QString networkToday_;
    AllowanceWatch allowanceWatch_;
    UsageSource* usage_;
    QString historyMovedAside_;
    Connection connection_ = Connection::Unknown;
    bool clockRunning_ = false;
    int seconds_ = 0;
};

} // namespace tarvo
