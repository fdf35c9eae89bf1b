#pragma once

#include "app/services.h"
#include "history/allowance.h"
#include "history/history_recorder.h"
#include "history/router_recorder.h"
#include "traffic/ip_helper.h"
#include "traffic/totals_store.h"
#include "traffic/traffic_meter.h"

#include <QElapsedTimer>

#include <memory>
#include <string>
#include <vector>

namespace tarvo {

// The meter's work behind the strip, without any widget: the counters, the rates and totals,
// the totals file, the usage history and the allowance. The window calls it from its timers
// and shows fields(); the order of the steps within a second lives here.
class MeterSession {
public:
    explicit MeterSession(const Services& services);

    // Once the instance lock is held: the totals and the same-boot record, the history brought
    // level with the totals, the interface setting. The fields then hold the saved totals.
    void start();

    // Each second while connected: one reading, the rates and totals, the history fed.
    void readRates(const QDateTime& now);
    // Each second: the minute average and the connection state; returns whether connected.
    bool connectionStep();
    // Offline: the totals saved at once.
    void saveOffline();
    // Each second: the totals file, then the history's minute once it is over, so that the
    // history's mark never runs ahead of the totals file; then the home router's minute, and
    // the router is asked whether to read it again.
    void save(const QDateTime& now);
    // The totals become the traffic since the computer started; the history keeps its own.
    void reset();
    // Once a minute: tells the user when the use of the monthly allowance passes a mark.
    void checkAllowance();
    // The clean stop: the pending minute into the history.
    void flush();
    // A reading of the home router: its traffic judged against what the history keeps of it.
    void routerReading(const RouterReading& reading);
    // All the devices' traffic through the router today, as the totals show MB; empty before
    // a router was read.
    const QString& networkToday() const { return networkToday_; }

    const MeterFields& fields() const { return meter_.fields; }
    const TrafficMeter& meter() const { return meter_; }
    std::vector<std::string> countedNames() const { return ipHelper_.countedNames(); }
    // The usage history the windows read; null when none is kept.
    UsageSource* usage() const { return usage_; }
    // A damaged history moved aside at the start: where to; empty otherwise.
    const QString& historyMovedAside() const { return historyMovedAside_; }

private:
    SavedTotals savedTotals() const;
    void readNetworkToday(const QString& udn, const QDate& today);

    Services services_;
    CIpHelper ipHelper_;
    TrafficMeter meter_;
    TotalsStore totals_;
    std::unique_ptr<HistoryRecorder> history_;
    std::unique_ptr<RouterRecorder> routerHistory_;
    HistoryStore* store_ = nullptr;
    QElapsedTimer steady_;
    std::uint64_t ownAtRouterReading_ = 0;
    QString routerUdn_;
    QString networkToday_;
    AllowanceWatch allowanceWatch_;
    UsageSource* usage_;
    QString historyMovedAside_;
};

} // namespace tarvo
