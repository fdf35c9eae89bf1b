#include "history/router_table.h"

#include <QSqlRecord>
#include <QVariant>

#include <iterator>

namespace tarvo {

namespace {

qint64 secondsOrZero(const QDateTime& t) {
    return t.isValid() ? t.toSecsSinceEpoch() : qint64(0);
}

QDateTime utcOf(qint64 seconds) {
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
}

} // namespace

bool RouterTable::prepare(const QSqlDatabase& db, bool writing) {
    release();
    db_ = db;
    if (!writing)
        return true;
    // Written with a reading: the failure before it is over.
    bool ok = save_.emplace(db_).prepare(QStringLiteral(
        "INSERT INTO routers (udn, name, rx, tx, uptime, speed, time, wide, counts, moved, own, "
        "less, less_since, less_own, less_router, error, error_time, lost) VALUES (?, ?, ?, ?, ?, "
        "?, ?, ?, ?, ?, ?, ?, ?, ?, ?, NULL, 0, 0) ON CONFLICT (udn) DO UPDATE SET name = "
        "excluded.name, rx = excluded.rx, tx = excluded.tx, uptime = excluded.uptime, speed = "
        "excluded.speed, time = excluded.time, wide = excluded.wide, counts = excluded.counts, "
        "moved = excluded.moved, own = excluded.own, less = excluded.less, less_since = "
        "excluded.less_since, less_own = excluded.less_own, less_router = excluded.less_router, "
        "error = NULL, error_time = 0, lost = 0"));
    // A span that goes on from one already kept lengthens it.
    ok = ok && extendUnknown_.emplace(db_).prepare(
                   QStringLiteral("UPDATE router_unknown SET to_s = max(to_s, ?) WHERE i = ? AND "
                                  "from_s <= ? AND to_s >= ?"));
    ok = ok && addUnknown_.emplace(db_).prepare(
                   QStringLiteral("INSERT INTO router_unknown (i, from_s, to_s) VALUES (?, ?, ?) "
                                  "ON CONFLICT (i, from_s) DO UPDATE SET to_s = max(to_s, "
                                  "excluded.to_s)"));
    ok = ok && failure_.emplace(db_).prepare(QStringLiteral(
                   "UPDATE routers SET error = ?, error_time = ?, lost = ? WHERE udn = ?"));
    return ok;
}

void RouterTable::release() {
    for (auto* q : {&find_, &save_, &extendUnknown_, &addUnknown_, &failure_})
        q->reset();
    db_ = QSqlDatabase();
}

int RouterTable::id(const QString& udn) {
    if (!db_.isValid())
        return -1;
    if (!find_) {
        find_.emplace(db_);
        if (!find_->prepare(QStringLiteral("SELECT i FROM routers WHERE udn = ?"))) {
            find_.reset();
            return -1;
        }
    }
    find_->bindValue(0, udn);
    const int id = find_->exec() && find_->next() ? find_->value(0).toInt() : -1;
    find_->finish();
    return id;
}

std::vector<RouterRecord> RouterTable::records() {
    std::vector<RouterRecord> out;
    if (!db_.isValid())
        return out;
    QSqlQuery query(db_);
    // A history from before routers were read has no such table: none were. Columns by name:
    // an older file lacks the newer ones.
    if (!query.exec(QStringLiteral("SELECT * FROM routers ORDER BY time DESC, i DESC")))
        return out;
    const QSqlRecord columns = query.record();
    const auto at = [&](const char* name) {
        const int i = columns.indexOf(QLatin1String(name));
        return i < 0 ? QVariant() : query.value(i);
    };
    while (query.next()) {
        RouterRecord r;
        r.id = at("udn").toString();
        r.name = at("name").toString();
        r.lastRead = utcOf(at("time").toLongLong());
        r.counts = at("counts").toBool();
        r.countsLess = at("less").toBool();
        r.error = at("error").toString();
        if (!r.error.isEmpty())
            r.errorTime = utcOf(at("error_time").toLongLong());
        r.lost = at("lost").toBool();
        out.push_back(r);
    }
    return out;
}

std::optional<RouterState> RouterTable::state(const QString& udn) {
    if (!db_.isValid())
        return std::nullopt;
    QSqlQuery query(db_);
    query.prepare(QStringLiteral("SELECT name, rx, tx, uptime, speed, time, wide, counts, moved, "
                                 "own, less, less_since, less_own, less_router FROM routers WHERE "
                                 "udn = ?"));
    query.addBindValue(udn);
    if (!query.exec() || !query.next())
        return std::nullopt;
    RouterState state;
    state.last.udn = udn;
    state.last.name = query.value(0).toString();
    state.last.received = query.value(1).toULongLong();
    state.last.sent = query.value(2).toULongLong();
    state.last.uptime = query.value(3).toLongLong();
    state.last.lineSpeed = query.value(4).toULongLong();
    state.last.time = utcOf(query.value(5).toLongLong());
    state.wide = query.value(6).toBool();
    state.counts = query.value(7).toBool();
    state.movedAt = utcOf(query.value(8).toLongLong());
    state.ownSinceMoved = query.value(9).toULongLong();
    state.countsLess = query.value(10).toBool();
    if (const qint64 since = query.value(11).toLongLong())
        state.lessSince = utcOf(since);
    state.lessOwn = query.value(12).toULongLong();
    state.lessRouter = query.value(13).toULongLong();
    return state;
}

std::vector<UsageGap> RouterTable::unknown(int router, const QDateTime& from, const QDateTime& to) {
    std::vector<UsageGap> out;
    if (!db_.isValid())
        return out;
    QSqlQuery query(db_);
    query.prepare(QStringLiteral("SELECT from_s, to_s FROM router_unknown WHERE i = ? AND from_s "
                                 "< ? AND to_s > ? ORDER BY from_s"));
    query.addBindValue(router);
    query.addBindValue(to.toSecsSinceEpoch());
    query.addBindValue(from.toSecsSinceEpoch());
    if (!query.exec())
        return out;
    while (query.next())
        out.push_back({utcOf(query.value(0).toLongLong()), utcOf(query.value(1).toLongLong())});
    return out;
}

int RouterTable::save(const RouterState& state) {
    if (!save_)
        return -1;
    const RouterReading& last = state.last;
    // The counters are 64-bit unsigned and SQLite's integers signed: stored as their bit
    // pattern, read back the same. An empty name is an empty text, never NULL.
    const QVariant values[] = {QVariant(last.udn),
                               QVariant(QStringLiteral("") + last.name),
                               QVariant(qint64(last.received)),
                               QVariant(qint64(last.sent)),
                               QVariant(last.uptime),
                               QVariant(qint64(last.lineSpeed)),
                               QVariant(last.time.toSecsSinceEpoch()),
                               QVariant(int(state.wide)),
                               QVariant(int(state.counts)),
                               QVariant(secondsOrZero(state.movedAt)),
                               QVariant(qint64(state.ownSinceMoved)),
                               QVariant(int(state.countsLess)),
                               QVariant(secondsOrZero(state.lessSince)),
                               QVariant(qint64(state.lessOwn)),
                               QVariant(qint64(state.lessRouter))};
    for (int i = 0; i < int(std::size(values)); ++i)
        save_->bindValue(i, values[i]);
    return save_->exec() ? id(last.udn) : -1;
}

bool RouterTable::addUnknown(int router, const std::vector<RouterSpan>& spans) {
    if (!extendUnknown_ || !addUnknown_)
        return false;
    for (const RouterSpan& span : spans) {
        extendUnknown_->bindValue(0, span.to.toSecsSinceEpoch());
        extendUnknown_->bindValue(1, router);
        extendUnknown_->bindValue(2, span.from.toSecsSinceEpoch());
        extendUnknown_->bindValue(3, span.from.toSecsSinceEpoch());
        if (!extendUnknown_->exec())
            return false;
        if (extendUnknown_->numRowsAffected() > 0)
            continue;
        addUnknown_->bindValue(0, router);
        addUnknown_->bindValue(1, span.from.toSecsSinceEpoch());
        addUnknown_->bindValue(2, span.to.toSecsSinceEpoch());
        if (!addUnknown_->exec())
            return false;
    }
    return true;
}

bool RouterTable::saveFailure(const RouterFailure& failure) {
    if (!failure_)
        return false;
    failure_->bindValue(0, QStringLiteral("") + failure.error);
    failure_->bindValue(1, secondsOrZero(failure.time));
    failure_->bindValue(2, int(failure.lost));
    failure_->bindValue(3, failure.udn);
    return failure_->exec();
}

} // namespace tarvo
