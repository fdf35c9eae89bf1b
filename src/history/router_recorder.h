#pragma once

#include "history/history_store.h"
#include "router/router_reading.h"

#include <QDateTime>

#include <map>
#include <optional>
#include <vector>

namespace tarvo {

// Gathers a router's traffic in memory and writes it with the router's state once the minute
// is over and at a clean stop: the state written is always the one the written traffic was
// measured to, so that after a kill the next reading is measured from what the history holds.
// Each router's pending traffic is its own: a write that fails keeps it with the router it
// belongs to, however many routers are read in between.
class RouterRecorder {
public:
    // store may be null: no history, every call does nothing.
    explicit RouterRecorder(HistoryStore* store);

    // What the next reading of the router with this UDN is measured from: what is pending for
    // it, else what the history keeps; nothing for a router never read.
    std::optional<RouterState> kept(const QString& udn);
    // One reading's traffic; another router's pending traffic is written first.
    void add(const RouterStep& step);
    // A failure to read a router, kept with it; one that names no router is not kept.
    void fail(const RouterFailure& failure);
    // Each tick: writes once the minute is over.
    void tick(const QDateTime& now);
    // Clean stop: writes what is pending.
    void flush();
    // Bytes (received and sent) pending for the day, not yet written, for one router.
    std::uint64_t pendingOn(const QString& udn, const QDate& day) const;

private:
    struct Pending {
        RouterState state;
        std::vector<RouterMinute> minutes;
        std::vector<RouterSpan> unknown;
        std::optional<RouterFailure> failure;
        bool traffic = false; // state, minutes and spans wait to be written
        bool read = false;    // read in this run: state is its last reading
        QString lastError;    // the failure last told, so that a repeat is not told again
        bool lostTold = false;
    };
    void write();

    HistoryStore* store_;
    std::map<QString, Pending> pending_;
    QString current_; // the router read last
    std::optional<qint64> currentMinute_;
};

} // namespace tarvo
