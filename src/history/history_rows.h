#pragma once

#include "history/history_keys.h"
#include "history/usage_source.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace tarvo {

// Whose rows: this computer's (router < 0) or one router's.
struct RowScope {
    int router = -1;
    bool others = false; // a router's count less this computer's own through it
};

// What one minute adds to a row; a router's rows also keep this computer's own share.
struct RowAmount {
    std::uint64_t received = 0, sent = 0;
    std::uint64_t ownReceived = 0, ownSent = 0;
};

// The rows of the history, this computer's per interface and each router's apart: minutes,
// hours, days and months, with the part of them that was counted before the meter ran or
// spread over a gap in a router's readings. Both owners' rows go through the same
// statements, prepared once for each open file.
class HistoryRows {
public:
    enum class Owner { Computer, Router };
    enum class Mark { None, BeforeMeter, Spread };

    // Writing prepares the statements that add and thin; reading prepares on first use,
    // since a file written by an earlier version lacks some tables.
    bool prepare(const QSqlDatabase& db, bool writing);
    void release();

    // Adds to the rows of the minute, its hour, day and month, and to the marked part.
    bool add(Owner owner, int id, const history_keys::MinuteKeys& keys, const RowAmount& amount,
             Mark mark);
    // Drops the minute and hour rows beyond their count, once an hour: a few rows over the
    // count do no harm, and the count costs a walk of the index.
    bool thin(Owner owner, int id, qint64 hour);
    // Which thinning a transaction did is kept only once it is committed.
    void committed();
    void rolledBack();

    std::vector<UsageRow> hours(const RowScope& scope, const QDate& day);
    std::vector<UsageRow> days(const RowScope& scope, const QDate& first, const QDate& last);
    std::vector<UsageRow> months(const RowScope& scope, const QDate& first, const QDate& last);
    UsageRow total(const RowScope& scope, const QDateTime& from, const QDateTime& to);

private:
    enum Table { Minutes, Hours, Days, Months, BeforeMeter, Spread, kTableCount };
    static constexpr int kOwners = 2;

    // Sums of received and sent per key of a table over [from, to).
    std::vector<std::pair<qint64, UsageRow>> sums(const RowScope& scope, int table, qint64 from,
                                                  qint64 to);
    UsageRow sumRange(const RowScope& scope, int table, qint64 from, qint64 to);
    UsageRow sumMinutes(const RowScope& scope, qint64 from, qint64 to, int level);
    // Adds to rows what of the minutes in [from, to) was counted before the meter ran or
    // spread over a gap; rowOf gives a minute's row.
    void addMarked(const RowScope& scope, std::vector<UsageRow>& rows, qint64 from, qint64 to,
                   const std::function<qint64(qint64)>& rowOf);

    QSqlDatabase db_;
    bool prepared_ = false;
    // Per owner: add per table, thin per minutes and hours, sums per table and others.
    std::optional<QSqlQuery> add_[kOwners][kTableCount];
    std::optional<QSqlQuery> thin_[kOwners][2];
    std::optional<QSqlQuery> sum_[kOwners][kTableCount][2];
    // Per owner and id, the hour its rows were last thinned in; and this transaction's.
    QHash<qint64, qint64> thinnedHour_;
    std::vector<std::pair<qint64, qint64>> thinning_;
};

} // namespace tarvo
