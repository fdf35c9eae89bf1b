#include "history/history_rows.h"

#include "history/history_store.h"

#include <QVariant>

namespace tarvo {

using namespace history_keys;

namespace {

const QString kTables[] = {QStringLiteral("minutes"),      QStringLiteral("hours"),
                           QStringLiteral("days"),         QStringLiteral("months"),
                           QStringLiteral("before_meter"), QStringLiteral("spread")};

QString tableName(int owner, int table) {
    return owner == int(HistoryRows::Owner::Router) ? QStringLiteral("router_") + kTables[table]
                                                    : kTables[table];
}

UsageRow& operator+=(UsageRow& a, const UsageRow& b) {
    a.received += b.received;
    a.sent += b.sent;
    return a;
}

} // namespace

bool HistoryRows::prepare(const QSqlDatabase& db, bool writing) {
    release();
    db_ = db;
    prepared_ = true;
    if (!writing)
        return true;
    bool ok = true;
    for (int owner = 0; owner < kOwners; ++owner) {
        const bool router = owner == int(Owner::Router);
        for (int t = Minutes; ok && t < kTableCount; ++t) {
            // This computer's traffic is never spread.
            if (!router && t == Spread)
                continue;
            // A router's time tables keep this computer's own share beside its count.
            const bool own = router && t <= Months;
            ok = add_[owner][t].emplace(db_).prepare(
                own ? QStringLiteral("INSERT INTO %1 (k, i, rx, tx, own_rx, own_tx) VALUES (?, ?, "
                                     "?, ?, ?, ?) ON CONFLICT (k, i) DO UPDATE SET rx = rx + "
                                     "excluded.rx, tx = tx + excluded.tx, own_rx = own_rx + "
                                     "excluded.own_rx, own_tx = own_tx + excluded.own_tx")
                          .arg(tableName(owner, t))
                    : QStringLiteral("INSERT INTO %1 (k, i, rx, tx) VALUES (?, ?, ?, ?) ON "
                                     "CONFLICT (k, i) DO UPDATE SET rx = rx + excluded.rx, tx = "
                                     "tx + excluded.tx")
                          .arg(tableName(owner, t)));
        }
        // The rows below the newest kept ones.
        for (int t = Minutes; ok && t <= Hours; ++t)
            ok = thin_[owner][t].emplace(db_).prepare(
                QStringLiteral("DELETE FROM %1 WHERE i = ? AND k < (SELECT k FROM %1 WHERE i = ? "
                               "ORDER BY k DESC LIMIT 1 OFFSET ?)")
                    .arg(tableName(owner, t)));
    }
    return ok;
}

void HistoryRows::release() {
    for (auto& owner : add_)
        for (auto& q : owner)
            q.reset();
    for (auto& owner : thin_)
        for (auto& q : owner)
            q.reset();
    for (auto& owner : sum_)
        for (auto& table : owner)
            for (auto& q : table)
                q.reset();
    db_ = QSqlDatabase();
    prepared_ = false;
    // A file begun anew has nothing thinned yet.
    thinnedHour_.clear();
    thinning_.clear();
}

bool HistoryRows::add(Owner owner, int id, const MinuteKeys& keys, const RowAmount& amount,
                      Mark mark) {
    const int o = int(owner);
    const qint64 at[kTableCount] = {keys.minute, keys.hour,   keys.day,
                                    keys.month,  keys.minute, keys.minute};
    const auto exec = [&](int table) {
        auto& q = add_[o][table];
        if (!q)
            return false;
        // Values bound by position, never appended: a failed write leaves no stray value.
        // The counters are 64-bit unsigned and SQLite's integers signed: stored as their bit
        // pattern, read back the same.
        q->bindValue(0, at[table]);
        q->bindValue(1, id);
        q->bindValue(2, qint64(amount.received));
        q->bindValue(3, qint64(amount.sent));
        if (owner == Owner::Router && table <= Months) {
            q->bindValue(4, qint64(amount.ownReceived));
            q->bindValue(5, qint64(amount.ownSent));
        }
        return q->exec();
    };
    for (int t = Minutes; t <= Months; ++t)
        if (!exec(t))
            return false;
    switch (mark) {
    case Mark::None:
        return true;
    case Mark::BeforeMeter:
        return exec(BeforeMeter);
    case Mark::Spread:
        return exec(Spread);
    }
    return false;
}

bool HistoryRows::thin(Owner owner, int id, qint64 hour) {
    const int o = int(owner);
    const qint64 key = qint64(id) * kOwners + o;
    if (const auto last = thinnedHour_.constFind(key);
        last != thinnedHour_.constEnd() && *last == hour)
        return true;
    for (int t = Minutes; t <= Hours; ++t) {
        auto& q = thin_[o][t];
        if (!q)
            return false;
        q->bindValue(0, id);
        q->bindValue(1, id);
        q->bindValue(2, (t == Minutes ? HistoryStore::kMinuteRows : HistoryStore::kHourRows) - 1);
        if (!q->exec())
            return false;
    }
    thinning_.emplace_back(key, hour);
    return true;
}

void HistoryRows::committed() {
    for (const auto& [key, hour] : thinning_)
        thinnedHour_.insert(key, hour);
    thinning_.clear();
}

void HistoryRows::rolledBack() {
    thinning_.clear();
}

std::vector<std::pair<qint64, UsageRow>> HistoryRows::sums(const RowScope& scope, int table,
                                                           qint64 from, qint64 to) {
    std::vector<std::pair<qint64, UsageRow>> out;
    if (!prepared_ || from >= to)
        return out;
    const int owner = int(scope.router < 0 ? Owner::Computer : Owner::Router);
    auto& query = sum_[owner][table][scope.others];
    if (!query) {
        // The others' rows: the router's less this computer's, never below zero.
        const QString columns =
            scope.others
                ? QStringLiteral("max(sum(rx) - sum(own_rx), 0), max(sum(tx) - sum(own_tx), 0)")
                : QStringLiteral("sum(rx), sum(tx)");
        query.emplace(db_);
        query->setForwardOnly(true);
        // A table an older file lacks has no rows; tried again next time.
        if (!query->prepare(
                QStringLiteral("SELECT k, %3 FROM %1 WHERE k >= ? AND k < ?%2 GROUP "
                               "BY k ORDER BY k")
                    .arg(tableName(owner, table),
                         owner == int(Owner::Router) ? QStringLiteral(" AND i = ?") : QString(),
                         columns))) {
            query.reset();
            return out;
        }
    }
    query->bindValue(0, from);
    query->bindValue(1, to);
    if (owner == int(Owner::Router))
        query->bindValue(2, scope.router);
    if (query->exec()) {
        while (query->next()) {
            UsageRow row;
            row.received = query->value(1).toULongLong();
            row.sent = query->value(2).toULongLong();
            out.emplace_back(query->value(0).toLongLong(), row);
        }
    }
    // A statement left open would hold its snapshot, and a reader would see no newer write.
    query->finish();
    return out;
}

UsageRow HistoryRows::sumRange(const RowScope& scope, int table, qint64 from, qint64 to) {
    UsageRow total;
    for (const auto& [key, row] : sums(scope, table, from, to))
        total += row;
    return total;
}

UsageRow HistoryRows::sumMinutes(const RowScope& scope, qint64 from, qint64 to, int level) {
    UsageRow total;
    if (from >= to)
        return total;
    // The whole months, days and hours within the span from their own rows, the edges from
    // finer ones, so minute and hour rows past their age are not needed for whole spans.
    if (level == Minutes)
        return sumRange(scope, Minutes, from, to);
    qint64 a = 0, b = 0, firstKey = 0, lastKey = 0;
    if (level == Months) {
        firstKey = monthKeyOfMinute(from);
        if (monthStartMinute(firstKey) < from)
            ++firstKey;
        lastKey = monthKeyOfMinute(to);
        a = monthStartMinute(firstKey);
        b = monthStartMinute(lastKey);
    } else {
        const qint64 unit = level == Days ? kDay : kHour;
        firstKey = ceilDiv(from, unit);
        lastKey = floorDiv(to, unit);
        a = firstKey * unit;
        b = lastKey * unit;
    }
    if (firstKey >= lastKey)
        return sumMinutes(scope, from, to, level - 1);
    total = sumRange(scope, level, firstKey, lastKey);
    total += sumMinutes(scope, from, a, level - 1);
    total += sumMinutes(scope, b, to, level - 1);
    return total;
}

void HistoryRows::addMarked(const RowScope& scope, std::vector<UsageRow>& rows, qint64 from,
                            qint64 to, const std::function<qint64(qint64)>& rowOf) {
    for (const int table : {int(BeforeMeter), int(Spread)}) {
        // This computer's traffic is never spread; the others' rows are differences, unmarked.
        if ((table == Spread && scope.router < 0) || scope.others)
            continue;
        for (const auto& [minute, part] : sums(scope, table, from, to)) {
            UsageRow& row = rows[size_t(rowOf(minute))];
            (table == BeforeMeter ? row.beforeMeter : row.spread) += part.received + part.sent;
        }
    }
}

std::vector<UsageRow> HistoryRows::hours(const RowScope& scope, const QDate& day) {
    const qint64 first = hourKey(minuteKey(QDateTime(day, QTime(0, 0))));
    std::vector<UsageRow> out(24);
    // Built from the wall clock: an hour that daylight-saving time skips still names itself.
    for (int h = 0; h < 24; ++h)
        out[h].start = QDateTime(day, QTime(h, 0));
    for (const auto& [key, row] : sums(scope, Hours, first, first + 24)) {
        out[key - first].received = row.received;
        out[key - first].sent = row.sent;
    }
    addMarked(scope, out, first * kHour, (first + 24) * kHour,
              [first](qint64 minute) { return hourKey(minute) - first; });
    return out;
}

std::vector<UsageRow> HistoryRows::days(const RowScope& scope, const QDate& first,
                                        const QDate& last) {
    std::vector<UsageRow> out;
    if (!first.isValid() || !last.isValid() || last < first)
        return out;
    const qint64 a = dayKey(minuteKey(QDateTime(first, QTime(0, 0))));
    out.resize(first.daysTo(last) + 1);
    for (size_t d = 0; d < out.size(); ++d)
        out[d].start = QDateTime(first.addDays(qint64(d)), QTime(0, 0));
    for (const auto& [key, row] : sums(scope, Days, a, a + qint64(out.size()))) {
        out[key - a].received = row.received;
        out[key - a].sent = row.sent;
    }
    addMarked(scope, out, a * kDay, (a + qint64(out.size())) * kDay,
              [a](qint64 minute) { return dayKey(minute) - a; });
    return out;
}

std::vector<UsageRow> HistoryRows::months(const RowScope& scope, const QDate& first,
                                          const QDate& last) {
    std::vector<UsageRow> out;
    if (!first.isValid() || !last.isValid() || last < first)
        return out;
    const qint64 a = monthKey(first);
    const qint64 b = monthKey(last);
    out.resize(b - a + 1);
    for (qint64 m = a; m <= b; ++m)
        out[m - a].start = QDateTime(monthStart(m), QTime(0, 0));
    for (const auto& [key, row] : sums(scope, Months, a, b + 1)) {
        out[key - a].received = row.received;
        out[key - a].sent = row.sent;
    }
    addMarked(scope, out, monthStartMinute(a), monthStartMinute(b + 1),
              [a](qint64 minute) { return monthKeyOfMinute(minute) - a; });
    return out;
}

UsageRow HistoryRows::total(const RowScope& scope, const QDateTime& from, const QDateTime& to) {
    UsageRow total = sumMinutes(scope, minuteKey(from), minuteKey(to), Months);
    total.start = from;
    return total;
}

} // namespace tarvo
