#include "history/history_recorder.h"

#include "common/log.h"

#include <algorithm>

namespace tarvo {

HistoryRecorder::HistoryRecorder(HistoryStore* store)
    : store_(store && store->isOpen() ? store : nullptr) {}

void HistoryRecorder::add(qint64 minute, const QString& interface, std::uint64_t received,
                          std::uint64_t sent, bool beforeMeter) {
    if (received == 0 && sent == 0)
        return;
    std::vector<MinuteTraffic>& rows = pending_[minute];
    auto it = std::find_if(rows.begin(), rows.end(), [&](const MinuteTraffic& t) {
        return t.interface == interface && t.beforeMeter == beforeMeter;
    });
    if (it == rows.end())
        it = rows.insert(rows.end(), MinuteTraffic{interface, 0, 0, beforeMeter});
    it->received += received;
    it->sent += sent;
}

void HistoryRecorder::start(const QDateTime& now, std::uint64_t totalReceived,
                            std::uint64_t totalSent, const std::string& bootId,
                            const QDateTime& linksUp) {
    if (!store_)
        return;
    bootId_ = bootId;
    started_ = true;
    currentMinute_ = HistoryStore::minuteKey(now);
    linksUpMinute_.reset();
    if (linksUp.isValid())
        linksUpMinute_ = HistoryStore::minuteKey(linksUp);
    const std::optional<HistoryMark> before = store_->mark();
    mark_ = HistoryMark{totalReceived, totalSent, currentMinute_, QString(), bootId};
    if (before) {
        // The totals file is saved every second, the history once a minute: after a kill the
        // totals hold the traffic of the minute the history lost, given to that minute.
        mark_.interface = before->interface;
        if (totalReceived > before->received || totalSent > before->sent) {
            const QString interface =
                before->interface.isEmpty() ? QStringLiteral("?") : before->interface;
            add(before->minute, interface,
                totalReceived > before->received ? totalReceived - before->received : 0,
                totalSent > before->sent ? totalSent - before->sent : 0);
        }
        // Totals below the mark in this boot: the history took in a reading that the totals
        // file had not yet saved, and this run's first reading counts it again.
        if (!bootId.empty() && before->bootId == bootId) {
            creditReceived_ =
                before->received > totalReceived ? before->received - totalReceived : 0;
            creditSent_ = before->sent > totalSent ? before->sent - totalSent : 0;
        }
    }
    markDirty_ = true;
    writePending(currentMinute_);
}

void HistoryRecorder::feed(const QDateTime& now, std::uint64_t totalReceived,
                           std::uint64_t totalSent, const std::vector<LinkCount>& counted,
                           const std::vector<std::string>& sinceLinkStart) {
    if (!store_ || !started_)
        return;
    tick(now);
    const qint64 minute = currentMinute_;
    for (const LinkCount& link : counted) {
        auto before = std::find_if(last_.begin(), last_.end(),
                                   [&](const LinkCount& c) { return c.name == link.name; });
        std::uint64_t received = link.in - (before == last_.end() ? 0 : before->in);
        std::uint64_t sent = link.out - (before == last_.end() ? 0 : before->out);
        if (firstReading_) {
            const std::uint64_t r = std::min(received, creditReceived_);
            const std::uint64_t s = std::min(sent, creditSent_);
            received -= r;
            sent -= s;
            creditReceived_ -= r;
            creditSent_ -= s;
            // Not before the reading's minute (a clock set back since): it goes there.
            if (linksUpMinute_ && *linksUpMinute_ < minute &&
                std::find(sinceLinkStart.begin(), sinceLinkStart.end(), link.name) !=
                    sinceLinkStart.end()) {
                add(*linksUpMinute_, QString::fromStdString(link.name), received, sent, true);
                continue;
            }
        }
        add(minute, QString::fromStdString(link.name), received, sent);
    }
    // What the history holds of the counted traffic beyond the first reading is never
    // counted again.
    firstReading_ = false;
    creditReceived_ = creditSent_ = 0;
    last_ = counted;
    if (mark_.received != totalReceived || mark_.sent != totalSent) {
        mark_.received = totalReceived;
        mark_.sent = totalSent;
        markDirty_ = true;
    }
}

void HistoryRecorder::tick(const QDateTime& now) {
    if (!store_ || !started_)
        return;
    const qint64 minute = HistoryStore::minuteKey(now);
    if (minute != currentMinute_) {
        writePending(minute);
        currentMinute_ = minute;
    }
}

void HistoryRecorder::reset(std::uint64_t totalReceived, std::uint64_t totalSent) {
    if (!store_ || !started_)
        return;
    // What was counted before the reset goes in with the mark of before; then the mark
    // jumps with the totals, with no traffic.
    writePending(currentMinute_);
    mark_.received = totalReceived;
    mark_.sent = totalSent;
    markDirty_ = true;
    writePending(currentMinute_);
}

void HistoryRecorder::flush() {
    if (store_ && started_)
        writePending(currentMinute_);
}

bool HistoryRecorder::writePending(qint64 markMinute) {
    if (pending_.empty() && !markDirty_)
        return true;
    HistoryMark mark = mark_;
    // Traffic a kill keeps from the history belongs to the minute after this write.
    mark.minute = markMinute;
    std::map<qint64, std::vector<MinuteTraffic>> minutes = pending_;
    std::uint64_t most = 0;
    for (const auto& [minute, rows] : pending_) {
        for (const MinuteTraffic& t : rows) {
            if (t.received + t.sent > most) {
                most = t.received + t.sent;
                mark.interface = t.interface;
            }
        }
    }
    if (minutes.empty())
        minutes[markMinute] = {};
    // Minutes kept from a failed write go with this one, in the same transaction as the mark,
    // so that the mark never claims traffic the history lacks.
    if (!store_->write(minutes, mark)) {
        if (!failing_)
            qCWarning(lcHistory) << "the usage history could not be written; its minutes are kept"
                                    " for the next write";
        failing_ = true;
        return false;
    }
    if (failing_)
        qCInfo(lcHistory) << "the usage history is written again";
    failing_ = false;
    ++writes_;
    pending_.clear();
    markDirty_ = false;
    mark_ = mark;
    return true;
}

} // namespace tarvo
