#pragma once

#include "history/history_store.h"
#include "traffic/link_count.h"

#include <QDateTime>

#include <cstdint>
#include <map>
#include <optional>
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
    // brings the history level with the totals. linksUp is when the links came up as far as
    // known (the computer's start); invalid when unknown.
    void start(const QDateTime& now, std::uint64_t totalReceived, std::uint64_t totalSent,
               const std::string& bootId, const QDateTime& linksUp = QDateTime());

    // After each successful reading: the totals now (saved totals plus the sums), what each
    // interface counted in this run (CIpHelper::countedByLink) and which of them count from
    // their own start (CIpHelper::countedSinceLinkStart). What those carried before the
    // first reading went over them before the meter ran: it goes to the minute of linksUp,
    // marked as such, so that it neither spikes the minute of the start nor counts against
    // a cycle that began after it.
    void feed(const QDateTime& now, std::uint64_t totalReceived, std::uint64_t totalSent,
              const std::vector<LinkCount>& counted,
              const std::vector<std::string>& sinceLinkStart = {});

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
    void add(qint64 minute, const QString& interface, std::uint64_t received, std::uint64_t sent,
             bool beforeMeter = false);
    bool writePending(qint64 markMinute);

    HistoryStore* store_;
    std::string bootId_;
    // Per minute, in the order first seen; more than one minute only after a failed write or
    // with traffic from before the meter ran.
    std::map<qint64, std::vector<MinuteTraffic>> pending_;
    qint64 currentMinute_ = 0;
    std::optional<qint64> linksUpMinute_; // unknown: their traffic goes to the first reading
    bool started_ = false;
    bool firstReading_ = true;
    bool markDirty_ = false;
    HistoryMark mark_;
    // What the history already holds of the traffic that the first reading counts again.
    std::uint64_t creditReceived_ = 0;
    std::uint64_t creditSent_ = 0;
    std::vector<LinkCount> last_;
    int writes_ = 0;
    bool failing_ = false; // the last write failed: told once, until one succeeds
};

} // namespace tarvo
