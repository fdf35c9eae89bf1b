#pragma once

#include "history/history_store.h"
#include "traffic/ip_helper.h"

#include <QDateTime>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace tarvo {

// Gathers the counted traffic of the current minute in memory and hands it to the store
// once the minute is over and once more at a clean stop; nothing is written per second.
// The store's mark follows the totals, so that after a kill the next start adds what the
// totals took in since the last write, and takes off what a restart counts a second time.
class HistoryRecorder {
public:
    // store may be null: no history, every call does nothing.
    explicit HistoryRecorder(HistoryStore* store);

    // At start-up, with the totals loaded from the totals file and this boot's identity:
    // brings the history level with the totals.
    void start(const QDateTime& now, std::uint64_t totalReceived, std::uint64_t totalSent,
               const std::string& bootId);

    // After each successful reading: the totals now (saved totals plus the sums) and what
    // each interface counted in this run (CIpHelper::countedByLink).
    void feed(const QDateTime& now, std::uint64_t totalReceived, std::uint64_t totalSent,
              const std::vector<LinkCount>& counted);

    // Each tick: writes the minute once it is over, whether or not a reading came.
    void tick(const QDateTime& now);

    // The totals were reset and are now totalReceived and totalSent, without traffic: the
    // history keeps what it has, the mark follows the totals.
    void reset(std::uint64_t totalReceived, std::uint64_t totalSent);

    // Clean stop: writes what is pending.
    void flush();

    // Transactions written, for checks.
    int writes() const { return writes_; }

private:
    struct Pending {
        std::map<QString, std::pair<std::uint64_t, std::uint64_t>> byInterface;
        std::vector<QString> order;
    };
    void add(qint64 minute, const QString& interface, std::uint64_t received, std::uint64_t sent);
    bool writePending(qint64 markMinute);

    HistoryStore* store_;
    std::string bootId_;
    std::map<qint64, Pending> pending_; // more than one only after a failed write
    qint64 currentMinute_ = 0;
    bool started_ = false;
    bool firstReading_ = true;
    bool markDirty_ = false;
    HistoryMark mark_;
    // What the history already holds of the traffic that the first reading counts again.
    std::uint64_t creditReceived_ = 0;
    std::uint64_t creditSent_ = 0;
    std::vector<LinkCount> last_;
    int writes_ = 0;
};

} // namespace tarvo
