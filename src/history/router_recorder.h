#pragma once

#include "history/history_store.h"
#include "router/router_reading.h"

#include <QDateTime>

#include <optional>
#include <vector>

namespace tarvo {

// Gathers a router's traffic in memory and writes it with the router's state once the minute
// is over and at a clean stop: the state written is always the one the written traffic was
// measured to, so that after a kill the next reading is measured from what the history holds.
class RouterRecorder {
public:
    // store may be null: no history, every call does nothing.
    explicit RouterRecorder(HistoryStore* store);

    // What the next reading of the router with this UDN is measured from: what is pending for
    // it, else what the history keeps; nothing for a router never read.
    std::optional<RouterState> kept(const QString& udn);
    // One reading's traffic; another router's pending traffic is written first.
    void add(const RouterStep& step);
    // Each tick: writes once the minute is over.
    void tick(const QDateTime& now);
    // Clean stop: writes what is pending.
    void flush();
    // Bytes (received and sent) pending for the day, not yet written.
    std::uint64_t pendingOn(const QDate& day) const;

private:
    bool write();

    HistoryStore* store_;
    std::optional<RouterState> state_;
    std::vector<RouterMinute> minutes_;
    std::vector<RouterSpan> unknown_;
    std::optional<qint64> currentMinute_;
    bool pending_ = false;
};

} // namespace tarvo
