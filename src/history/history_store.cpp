#include "history/history_store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSqlError>
#include <QSqlRecord>
#include <QUrl>
#include <QVariant>

#include <algorithm>
#include <atomic>

namespace tarvo {

namespace {

constexpr qint64 kDay = 24 * 60;

qint64 floorDiv(qint64 a, qint64 b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

qint64 ceilDiv(qint64 a, qint64 b) {
    return -floorDiv(-a, b);
}

qint64 monthStartMinute(qint64 month) {
    const QDate first(int(floorDiv(month, 12)), int(month - floorDiv(month, 12) * 12) + 1, 1);
    return QDateTime(first, QTime(0, 0), Qt::UTC).toSecsSinceEpoch() / 60;
}

UsageRow& operator+=(UsageRow& a, const UsageRow& b) {
    a.received += b.received;
    a.sent += b.sent;
    return a;
}

const char* const kSchema[] = {
    "CREATE TABLE IF NOT EXISTS interfaces (i INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE)",
    "CREATE TABLE IF NOT EXISTS minutes (k INTEGER NOT NULL, i INTEGER NOT NULL, rx INTEGER "
    "NOT NULL, tx INTEGER NOT NULL, PRIMARY KEY (k, i)) WITHOUT ROWID",
    "CREATE TABLE IF NOT EXISTS hours (k INTEGER NOT NULL, i INTEGER NOT NULL, rx INTEGER "
    "NOT NULL, tx INTEGER NOT NULL, PRIMARY KEY (k, i)) WITHOUT ROWID",
    "CREATE TABLE IF NOT EXISTS days (k INTEGER NOT NULL, i INTEGER NOT NULL, rx INTEGER "
    "NOT NULL, tx INTEGER NOT NULL, PRIMARY KEY (k, i)) WITHOUT ROWID",
    "CREATE TABLE IF NOT EXISTS months (k INTEGER NOT NULL, i INTEGER NOT NULL, rx INTEGER "
    "NOT NULL, tx INTEGER NOT NULL, PRIMARY KEY (k, i)) WITHOUT ROWID",
    "CREATE INDEX IF NOT EXISTS minutes_by_interface ON minutes (i, k)",
    "CREATE INDEX IF NOT EXISTS hours_by_interface ON hours (i, k)",
    // The part of the rows of those minutes that a start of the meter found on links that had
    // come up before it ran.
    "CREATE TABLE IF NOT EXISTS before_meter (k INTEGER NOT NULL, i INTEGER NOT NULL, rx "
    "INTEGER NOT NULL, tx INTEGER NOT NULL, PRIMARY KEY (k, i)) WITHOUT ROWID",
    "CREATE TABLE IF NOT EXISTS mark (one INTEGER PRIMARY KEY CHECK (one = 1), rx INTEGER "
    "NOT NULL, tx INTEGER NOT NULL, minute INTEGER NOT NULL, interface TEXT NOT NULL, boot "
    "TEXT NOT NULL)",
    // Home routers, kept apart from this computer's interfaces: the same rows per router, the
    // part of them spread over a gap in its readings, the spans that cannot be known, and the
    // reading the next one is measured from.
    "CREATE TABLE IF NOT EXISTS routers (i INTEGER PRIMARY KEY, udn TEXT NOT NULL UNIQUE, name "
    "TEXT NOT NULL, rx INTEGER NOT NULL, tx INTEGER NOT NULL, uptime INTEGER NOT NULL, speed "
    "INTEGER NOT NULL, time INTEGER NOT NULL, wide INTEGER NOT NULL, counts INTEGER NOT NULL, "
    "moved INTEGER NOT NULL, own INTEGER NOT NULL)",
    "CREATE TABLE IF NOT EXISTS router_minutes (k INTEGER NOT NULL, i INTEGER NOT NULL, rx "
    "INTEGER NOT NULL, tx INTEGER NOT NULL, PRIMARY KEY (k, i)) WITHOUT ROWID",
    "CREATE TABLE IF NOT EXISTS router_hours (k INTEGER NOT NULL, i INTEGER NOT NULL, rx "
    "INTEGER NOT NULL, tx INTEGER NOT NULL, PRIMARY KEY (k, i)) WITHOUT ROWID",
    "CREATE TABLE IF NOT EXISTS router_days (k INTEGER NOT NULL, i INTEGER NOT NULL, rx "
    "INTEGER NOT NULL, tx INTEGER NOT NULL, PRIMARY KEY (k, i)) WITHOUT ROWID",
    "CREATE TABLE IF NOT EXISTS router_months (k INTEGER NOT NULL, i INTEGER NOT NULL, rx "
    "INTEGER NOT NULL, tx INTEGER NOT NULL, PRIMARY KEY (k, i)) WITHOUT ROWID",
    "CREATE INDEX IF NOT EXISTS router_minutes_by_router ON router_minutes (i, k)",
    "CREATE INDEX IF NOT EXISTS router_hours_by_router ON router_hours (i, k)",
    "CREATE TABLE IF NOT EXISTS router_before_meter (k INTEGER NOT NULL, i INTEGER NOT NULL, rx "
    "INTEGER NOT NULL, tx INTEGER NOT NULL, PRIMARY KEY (k, i)) WITHOUT ROWID",
    "CREATE TABLE IF NOT EXISTS router_spread (k INTEGER NOT NULL, i INTEGER NOT NULL, rx "
    "INTEGER NOT NULL, tx INTEGER NOT NULL, PRIMARY KEY (k, i)) WITHOUT ROWID",
    "CREATE TABLE IF NOT EXISTS router_unknown (i INTEGER NOT NULL, from_s INTEGER NOT NULL, "
    "to_s INTEGER NOT NULL, PRIMARY KEY (i, from_s)) WITHOUT ROWID",
};

// Columns added since the tables were first made: added to a file that lacks them, read by
// name so that an older file still reads.
const char* const kAddedColumns[][2] = {
    {"routers", "less INTEGER NOT NULL DEFAULT 0"},
    {"routers", "less_since INTEGER NOT NULL DEFAULT 0"},
    {"routers", "less_own INTEGER NOT NULL DEFAULT 0"},
    {"routers", "less_router INTEGER NOT NULL DEFAULT 0"},
    {"routers", "error TEXT"},
    {"routers", "error_time INTEGER NOT NULL DEFAULT 0"},
    {"routers", "lost INTEGER NOT NULL DEFAULT 0"},
    {"router_minutes", "own_rx INTEGER NOT NULL DEFAULT 0"},
    {"router_minutes", "own_tx INTEGER NOT NULL DEFAULT 0"},
    {"router_hours", "own_rx INTEGER NOT NULL DEFAULT 0"},
    {"router_hours", "own_tx INTEGER NOT NULL DEFAULT 0"},
    {"router_days", "own_rx INTEGER NOT NULL DEFAULT 0"},
    {"router_days", "own_tx INTEGER NOT NULL DEFAULT 0"},
    {"router_months", "own_rx INTEGER NOT NULL DEFAULT 0"},
    {"router_months", "own_tx INTEGER NOT NULL DEFAULT 0"},
};

bool addMissingColumns(QSqlQuery& query) {
    for (const auto& [table, column] : kAddedColumns) {
        const QString name = QString::fromLatin1(column).section(u' ', 0, 0);
        if (!query.exec(QStringLiteral("SELECT count(*) FROM pragma_table_info('%1') WHERE name = "
                                       "'%2'")
                            .arg(QLatin1String(table), name)) ||
            !query.next())
            return false;
        const bool there = query.value(0).toInt() > 0;
        query.finish();
        if (!there && !query.exec(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2")
                                      .arg(QLatin1String(table), QLatin1String(column))))
            return false;
    }
    return true;
}

// Per scope (this computer, a router) the same tables; a router's also mark what was spread.
enum Table { Minutes, Hours, Days, Months, BeforeMeter, Spread };
const QString kTables[] = {QStringLiteral("minutes"),      QStringLiteral("hours"),
                           QStringLiteral("days"),         QStringLiteral("months"),
                           QStringLiteral("before_meter"), QStringLiteral("spread")};
const QString kRouterPrefix = QStringLiteral("router_");

bool damagedError(const QSqlError& error) {
    // SQLITE_BUSY, SQLITE_LOCKED, SQLITE_CORRUPT, SQLITE_NOTADB and the like: the file is
    // unusable to us, as opposed to a directory we may not write.
    const QString text = error.databaseText() + u' ' + error.driverText();
    return text.contains(QStringLiteral("not a database"), Qt::CaseInsensitive) ||
           text.contains(QStringLiteral("malformed"), Qt::CaseInsensitive) ||
           text.contains(QStringLiteral("locked"), Qt::CaseInsensitive) ||
           text.contains(QStringLiteral("corrupt"), Qt::CaseInsensitive);
}

} // namespace

struct HistoryStore::Statements {
    explicit Statements(const QSqlDatabase& db)
        : findInterface(db), addInterface(db), setMark(db), getMark(db) {
        for (int t = 0; t < 5; ++t)
            add[t] = QSqlQuery(db);
        for (int t = 0; t < 2; ++t)
            thin[t] = QSqlQuery(db);
    }
    QSqlQuery add[5];
    QSqlQuery thin[2];
    QSqlQuery findInterface;
    QSqlQuery addInterface;
    QSqlQuery setMark;
    QSqlQuery getMark;
    QHash<QString, int> ids;
    // Per interface id, the hour its rows were last thinned in: once an hour is enough, a
    // few rows over the count do no harm, and the count costs a walk of the index.
    QHash<int, qint64> thinnedHour;
};

// One router's rows, read as a history of their own. Known by its UDN, not its row: a
// history moved aside and begun anew numbers its routers anew.
class HistoryStore::RouterView final : public UsageSource {
public:
    std::vector<UsageRow> hours(const QDate& day) override { return store_.hoursOf(scope(), day); }
    std::vector<UsageRow> days(const QDate& first, const QDate& last) override {
        return store_.daysOf(scope(), first, last);
    }
    std::vector<UsageRow> months(const QDate& first, const QDate& last) override {
        return store_.monthsOf(scope(), first, last);
    }
    UsageRow total(const QDateTime& from, const QDateTime& to) override {
        return store_.totalOf(scope(), from, to);
    }
    QStringList interfaces() override { return {}; }
    std::vector<UsageGap> unknown(const QDateTime& from, const QDateTime& to) override {
        return store_.unknownOf(scope().router, from, to);
    }

private:
    // No such router (any more): a scope that matches no row.
    Scope scope() const { return {std::max(store_.routerId(udn_), 0), others_}; }

    HistoryStore& store_;
    QString udn_;
    bool others_ = false;

public:
    RouterView(HistoryStore& store, const QString& udn, bool others)
        : store_(store), udn_(udn), others_(others) {}
};

HistoryStore::HistoryStore(const QString& path, Mode mode) : path_(path), mode_(mode) {
    static std::atomic<int> next{0};
    connection_ = QStringLiteral("tarvo-history-%1").arg(next++);
    // Without the driver no file is judged: a sound history must not be moved aside.
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE")))
        return;
    open_ = mode == Mode::ReadWrite ? openReadWrite() : openReadOnly();
}

HistoryStore::~HistoryStore() {
    close();
}

void HistoryStore::close() {
    q_.reset();
    open_ = false;
    if (QSqlDatabase::contains(connection_)) {
        {
            QSqlDatabase db = QSqlDatabase::database(connection_, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(connection_);
    }
}

qint64 HistoryStore::minuteKey(const QDateTime& time) {
    // A local time is taken as it reads, also one that daylight-saving time skips (a local
    // midnight that does not exist still starts its day).
    const QDateTime local = time.timeSpec() == Qt::LocalTime ? time : time.toLocalTime();
    return floorDiv(QDateTime(local.date(), local.time(), Qt::UTC).toSecsSinceEpoch(), 60);
}

QDateTime HistoryStore::minuteTime(qint64 minute) {
    const QDateTime utc = QDateTime::fromSecsSinceEpoch(minute * 60, Qt::UTC);
    return QDateTime(utc.date(), utc.time());
}

bool HistoryStore::tryOpenFile() {
    close();
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
    db.setDatabaseName(path_);
    // Another program holding the file is waited for briefly, then treated as unusable.
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=300"));
    if (!db.open())
        return false;
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("PRAGMA journal_mode=WAL")) || !query.next() ||
        query.value(0).toString().compare(QStringLiteral("wal"), Qt::CaseInsensitive) != 0)
        return false;
    if (!query.exec(QStringLiteral("PRAGMA synchronous=NORMAL")))
        return false;
    if (!query.exec(QStringLiteral("PRAGMA quick_check")) || !query.next() ||
        query.value(0).toString() != u"ok")
        return false;
    for (const char* statement : kSchema)
        if (!query.exec(QString::fromLatin1(statement)))
            return false;
    if (!addMissingColumns(query))
        return false;
    return prepare();
}

bool HistoryStore::prepare() {
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    q_ = std::make_unique<Statements>(db);
    // A reader needs only the mark; a file written by an earlier version lacks tables that
    // only writing needs, and is still read.
    if (mode_ == Mode::ReadOnly)
        return q_->getMark.prepare(
            QStringLiteral("SELECT rx, tx, minute, interface, boot FROM mark WHERE one = 1"));
    bool ok = true;
    for (int t = 0; t < 5; ++t)
        ok = ok &&
             q_->add[t].prepare(QStringLiteral("INSERT INTO %1 (k, i, rx, tx) VALUES (?, ?, ?, ?) "
                                               "ON CONFLICT (k, i) DO UPDATE SET rx = rx + "
                                               "excluded.rx, tx = tx + excluded.tx")
                                    .arg(kTables[t]));
    // Each interface's rows below its newest kept ones.
    for (int t = 0; t < 2; ++t)
        ok = ok && q_->thin[t].prepare(QStringLiteral("DELETE FROM %1 WHERE i = ? AND k < (SELECT "
                                                      "k FROM %1 WHERE i = ? ORDER BY k DESC "
                                                      "LIMIT 1 OFFSET ?)")
                                           .arg(kTables[t]));
    ok = ok && q_->findInterface.prepare(QStringLiteral("SELECT i FROM interfaces WHERE name = ?"));
    ok = ok && q_->addInterface.prepare(QStringLiteral("INSERT INTO interfaces (name) VALUES (?)"));
    ok = ok && q_->setMark.prepare(
                   QStringLiteral("INSERT OR REPLACE INTO mark (one, rx, tx, minute, interface, "
                                  "boot) VALUES (1, ?, ?, ?, ?, ?)"));
    ok = ok && q_->getMark.prepare(QStringLiteral(
                   "SELECT rx, tx, minute, interface, boot FROM mark WHERE one = 1"));
    return ok;
}

void HistoryStore::moveAside() {
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target = path_ + QStringLiteral(".damaged-") + stamp;
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = path_ + QStringLiteral(".damaged-") + stamp + u'-' + QString::number(n);
    if (QFile::rename(path_, target)) {
        movedAside_ = target;
        // Its journal belongs to it, not to the new file.
        for (const char* suffix : {"-wal", "-shm"}) {
            const QString side = path_ + QLatin1String(suffix);
            if (QFileInfo::exists(side) && !QFile::rename(side, target + QLatin1String(suffix)))
                QFile::remove(side);
        }
    } else {
        QFile::remove(path_);
    }
}

bool HistoryStore::openReadWrite() {
    const QFileInfo info(path_);
    QDir().mkpath(info.absolutePath());
    const QFileInfo dir(info.absolutePath());
    if (!dir.isDir() || !dir.isWritable())
        return false;
    if (tryOpenFile())
        return true;
    close();
    if (!QFileInfo::exists(path_))
        return false;
    moveAside();
    if (tryOpenFile())
        return true;
    close();
    return false;
}

bool HistoryStore::openReadOnly() {
    const QFileInfo info(path_);
    if (!info.exists()) {
        // A directory that may not be searched hides whether there is history at all.
        const QFileInfo dir(info.absolutePath());
        if (dir.isDir() && !dir.isExecutable())
            readError_ = QStringLiteral("the folder %1 cannot be entered").arg(dir.filePath());
        return false;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
    if (QFileInfo::exists(path_ + QStringLiteral("-wal"))) {
        // A running meter's journal is read as well.
        db.setDatabaseName(path_);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=1000"));
    } else {
        // No journal beside it: nobody writes it now, and reading it as unchanging makes no
        // journal or shared-memory file appear.
        db.setDatabaseName(QUrl::fromLocalFile(path_).toString(QUrl::FullyEncoded) +
                           QStringLiteral("?immutable=1"));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI"));
    }
    const auto failed = [this](const QSqlError& error) {
        readError_ = error.databaseText().isEmpty() ? error.text() : error.databaseText();
        if (readError_.trimmed().isEmpty())
            readError_ = QStringLiteral("cannot be opened");
        return false;
    };
    if (!db.open())
        return failed(db.lastError());
    // SQLite opens lazily: the schema read is what reads the file's header, so a file that is
    // no database, a damaged first page or one we may not read fails here, cheaply.
    QSqlQuery schema(db);
    if (!schema.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) || !schema.next())
        return failed(schema.lastError());
    // An empty file is a database without tables, as the meter would begin it: no traffic.
    if (schema.value(0).toLongLong() == 0)
        return false;
    if (!prepare()) {
        readError_ = QStringLiteral("not a usage history (its tables are missing)");
        return false;
    }
    return true;
}

bool HistoryStore::recoverIfDamaged() {
    if (mode_ != Mode::ReadWrite)
        return false;
    close();
    if (QFileInfo::exists(path_))
        moveAside();
    open_ = tryOpenFile();
    if (!open_)
        close();
    return open_;
}

int HistoryStore::interfaceId(const QString& name) {
    if (auto it = q_->ids.constFind(name); it != q_->ids.constEnd())
        return *it;
    q_->findInterface.bindValue(0, name);
    if (!q_->findInterface.exec())
        return -1;
    int id = -1;
    if (q_->findInterface.next())
        id = q_->findInterface.value(0).toInt();
    q_->findInterface.finish();
    if (id < 0) {
        q_->addInterface.bindValue(0, name);
        if (!q_->addInterface.exec())
            return -1;
        id = q_->addInterface.lastInsertId().toInt();
    }
    q_->ids.insert(name, id);
    return id;
}

bool HistoryStore::writeMinute(qint64 minute, const std::vector<MinuteTraffic>& traffic,
                               const HistoryMark& mark) {
    return write({{minute, traffic}}, mark);
}

bool HistoryStore::write(const std::map<qint64, std::vector<MinuteTraffic>>& minutes,
                         const HistoryMark& mark) {
    if (!open_ || mode_ != Mode::ReadWrite || minutes.empty())
        return false;
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    auto attempt = [&]() -> bool {
        if (!db.transaction())
            return false;
        bool ok = true;
        std::vector<int> written;
        for (const auto& [minute, traffic] : minutes) {
            const qint64 keys[5] = {minute, floorDiv(minute, 60), floorDiv(minute, kDay),
                                    monthKey(minuteTime(minute).date()), minute};
            for (const MinuteTraffic& t : traffic) {
                if (t.received == 0 && t.sent == 0)
                    continue;
                const int id = interfaceId(t.interface);
                ok = ok && id >= 0;
                if (std::find(written.begin(), written.end(), id) == written.end())
                    written.push_back(id);
                for (int table = 0; ok && table < (t.beforeMeter ? 5 : 4); ++table) {
                    QSqlQuery& add = q_->add[table];
                    add.bindValue(0, keys[table]);
                    add.bindValue(1, id);
                    add.bindValue(2, qint64(t.received));
                    add.bindValue(3, qint64(t.sent));
                    ok = add.exec();
                }
            }
        }
        // Values bound by position, never appended: a failed write leaves no stray value.
        const qint64 hour = floorDiv(minutes.rbegin()->first, 60);
        std::vector<int> thinned;
        for (const int id : written) {
            const auto last = q_->thinnedHour.constFind(id);
            if (last != q_->thinnedHour.constEnd() && *last == hour)
                continue;
            thinned.push_back(id);
            for (int t = 0; ok && t < 2; ++t) {
                q_->thin[t].bindValue(0, id);
                q_->thin[t].bindValue(1, id);
                q_->thin[t].bindValue(2, (t == 0 ? kMinuteRows : kHourRows) - 1);
                ok = q_->thin[t].exec();
            }
        }
        q_->setMark.bindValue(0, qint64(mark.received));
        q_->setMark.bindValue(1, qint64(mark.sent));
        q_->setMark.bindValue(2, mark.minute);
        // An empty text, never NULL.
        q_->setMark.bindValue(3, QStringLiteral("") + mark.interface);
        q_->setMark.bindValue(4, QStringLiteral("") + QString::fromStdString(mark.bootId));
        ok = ok && q_->setMark.exec();
        if (ok && db.commit()) {
            for (const int id : thinned)
                q_->thinnedHour.insert(id, hour);
            return true;
        }
        db.rollback();
        // Ids learnt in a rolled-back transaction are gone with it.
        q_->ids.clear();
        return false;
    };
    if (attempt())
        return true;
    // A file damaged under us is moved aside and the write goes to a new one.
    bool damaged = false;
    {
        QSqlQuery check(db);
        damaged = !check.exec(QStringLiteral("PRAGMA quick_check")) || !check.next() ||
                  check.value(0).toString() != u"ok" || damagedError(check.lastError());
    }
    db = QSqlDatabase();
    if (!damaged || !recoverIfDamaged())
        return false;
    db = QSqlDatabase::database(connection_, false);
    return attempt();
}

std::optional<HistoryMark> HistoryStore::mark() {
    if (!open_ || !q_->getMark.exec() || !q_->getMark.next())
        return std::nullopt;
    HistoryMark m;
    m.received = q_->getMark.value(0).toULongLong();
    m.sent = q_->getMark.value(1).toULongLong();
    m.minute = q_->getMark.value(2).toLongLong();
    m.interface = q_->getMark.value(3).toString();
    m.bootId = q_->getMark.value(4).toString().toStdString();
    q_->getMark.finish();
    return m;
}

qint64 HistoryStore::rowCount(const QString& table) {
    if (!open_)
        return 0;
    QSqlQuery query(QSqlDatabase::database(connection_, false));
    if (!query.exec(QStringLiteral("SELECT count(*) FROM %1").arg(table)) || !query.next())
        return 0;
    return query.value(0).toLongLong();
}

QString HistoryStore::tableOf(const Scope& scope, int table) {
    return scope.router < 0 ? kTables[table] : kRouterPrefix + kTables[table];
}

std::vector<std::pair<qint64, UsageRow>> HistoryStore::sums(const Scope& scope, int table,
                                                            qint64 from, qint64 to) {
    std::vector<std::pair<qint64, UsageRow>> out;
    if (!open_ || from >= to)
        return out;
    QSqlQuery query(QSqlDatabase::database(connection_, false));
    query.setForwardOnly(true);
    // The others' rows: the router's less this computer's, never below zero.
    const QString columns =
        scope.others
            ? QStringLiteral("max(sum(rx) - sum(own_rx), 0), max(sum(tx) - sum(own_tx), 0)")
            : QStringLiteral("sum(rx), sum(tx)");
    query.prepare(QStringLiteral("SELECT k, %3 FROM %1 WHERE k >= ? AND k < ?%2 "
                                 "GROUP BY k ORDER BY k")
                      .arg(tableOf(scope, table),
                           scope.router < 0 ? QString() : QStringLiteral(" AND i = ?"), columns));
    query.addBindValue(from);
    query.addBindValue(to);
    if (scope.router >= 0)
        query.addBindValue(scope.router);
    if (!query.exec())
        return out;
    while (query.next()) {
        UsageRow row;
        row.received = query.value(1).toULongLong();
        row.sent = query.value(2).toULongLong();
        out.emplace_back(query.value(0).toLongLong(), row);
    }
    return out;
}

UsageRow HistoryStore::sumRange(const Scope& scope, int table, qint64 from, qint64 to) {
    UsageRow total;
    for (const auto& [key, row] : sums(scope, table, from, to))
        total += row;
    return total;
}

UsageRow HistoryStore::sumMinutes(const Scope& scope, qint64 from, qint64 to, int level) {
    UsageRow total;
    if (from >= to)
        return total;
    // The whole months, days and hours within the span from their own rows, the edges from
    // finer ones, so minute and hour rows past their age are not needed for whole spans.
    if (level == Minutes)
        return sumRange(scope, Minutes, from, to);
    qint64 a = 0, b = 0, firstKey = 0, lastKey = 0;
    if (level == Months) {
        firstKey = monthKey(minuteTime(from).date());
        if (monthStartMinute(firstKey) < from)
            ++firstKey;
        lastKey = monthKey(minuteTime(to).date());
        a = monthStartMinute(firstKey);
        b = monthStartMinute(lastKey);
    } else {
        const qint64 unit = level == Days ? kDay : 60;
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

void HistoryStore::addMarked(const Scope& scope, std::vector<UsageRow>& rows, qint64 from,
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

std::vector<UsageRow> HistoryStore::hoursOf(const Scope& scope, const QDate& day) {
    const qint64 first = minuteKey(QDateTime(day, QTime(0, 0))) / 60;
    std::vector<UsageRow> out(24);
    // Built from the wall clock: an hour that daylight-saving time skips still names itself.
    for (int h = 0; h < 24; ++h)
        out[h].start = QDateTime(day, QTime(h, 0));
    for (const auto& [key, row] : sums(scope, Hours, first, first + 24)) {
        out[key - first].received = row.received;
        out[key - first].sent = row.sent;
    }
    addMarked(scope, out, first * 60, (first + 24) * 60,
              [first](qint64 minute) { return floorDiv(minute, 60) - first; });
    return out;
}

std::vector<UsageRow> HistoryStore::daysOf(const Scope& scope, const QDate& first,
                                           const QDate& last) {
    std::vector<UsageRow> out;
    if (!first.isValid() || !last.isValid() || last < first)
        return out;
    const qint64 a = minuteKey(QDateTime(first, QTime(0, 0))) / kDay;
    out.resize(first.daysTo(last) + 1);
    for (size_t d = 0; d < out.size(); ++d)
        out[d].start = QDateTime(first.addDays(qint64(d)), QTime(0, 0));
    for (const auto& [key, row] : sums(scope, Days, a, a + qint64(out.size()))) {
        out[key - a].received = row.received;
        out[key - a].sent = row.sent;
    }
    addMarked(scope, out, a * kDay, (a + qint64(out.size())) * kDay,
              [a](qint64 minute) { return floorDiv(minute, kDay) - a; });
    return out;
}

std::vector<UsageRow> HistoryStore::monthsOf(const Scope& scope, const QDate& first,
                                             const QDate& last) {
    std::vector<UsageRow> out;
    if (!first.isValid() || !last.isValid() || last < first)
        return out;
    const qint64 a = monthKey(first);
    const qint64 b = monthKey(last);
    out.resize(b - a + 1);
    for (qint64 m = a; m <= b; ++m)
        out[m - a].start = QDateTime(QDate(int(m / 12), int(m % 12) + 1, 1), QTime(0, 0));
    for (const auto& [key, row] : sums(scope, Months, a, b + 1)) {
        out[key - a].received = row.received;
        out[key - a].sent = row.sent;
    }
    addMarked(scope, out, monthStartMinute(a), monthStartMinute(b + 1),
              [a](qint64 minute) { return monthKey(minuteTime(minute).date()) - a; });
    return out;
}

UsageRow HistoryStore::totalOf(const Scope& scope, const QDateTime& from, const QDateTime& to) {
    UsageRow total = sumMinutes(scope, minuteKey(from), minuteKey(to), Months);
    total.start = from;
    return total;
}

std::vector<UsageRow> HistoryStore::hours(const QDate& day) {
    return hoursOf({}, day);
}

std::vector<UsageRow> HistoryStore::days(const QDate& first, const QDate& last) {
    return daysOf({}, first, last);
}

std::vector<UsageRow> HistoryStore::months(const QDate& first, const QDate& last) {
    return monthsOf({}, first, last);
}

UsageRow HistoryStore::total(const QDateTime& from, const QDateTime& to) {
    return totalOf({}, from, to);
}

QStringList HistoryStore::interfaces() {
    QStringList names;
    if (!open_)
        return names;
    QSqlQuery query(QSqlDatabase::database(connection_, false));
    if (!query.exec(QStringLiteral("SELECT name FROM interfaces ORDER BY i")))
        return names;
    while (query.next())
        names << query.value(0).toString();
    return names;
}

int HistoryStore::routerId(const QString& udn) {
    if (!open_)
        return -1;
    QSqlQuery query(QSqlDatabase::database(connection_, false));
    query.prepare(QStringLiteral("SELECT i FROM routers WHERE udn = ?"));
    query.addBindValue(udn);
    if (!query.exec() || !query.next())
        return -1;
    return query.value(0).toInt();
}

std::vector<RouterRecord> HistoryStore::routers() {
    std::vector<RouterRecord> out;
    if (!open_)
        return out;
    QSqlQuery query(QSqlDatabase::database(connection_, false));
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
        r.lastRead = QDateTime::fromSecsSinceEpoch(at("time").toLongLong(), Qt::UTC);
        r.counts = at("counts").toBool();
        r.countsLess = at("less").toBool();
        r.error = at("error").toString();
        if (!r.error.isEmpty())
            r.errorTime = QDateTime::fromSecsSinceEpoch(at("error_time").toLongLong(), Qt::UTC);
        r.lost = at("lost").toBool();
        out.push_back(r);
    }
    return out;
}

UsageSource* HistoryStore::router(const QString& id) {
    if (routerId(id) < 0)
        return nullptr;
    auto& view = routerViews_[id];
    if (!view)
        view = std::make_unique<RouterView>(*this, id, false);
    return view.get();
}

UsageSource* HistoryStore::routerOthers(const QString& id) {
    if (routerId(id) < 0)
        return nullptr;
    auto& view = routerOthers_[id];
    if (!view)
        view = std::make_unique<RouterView>(*this, id, true);
    return view.get();
}

std::vector<UsageGap> HistoryStore::unknownOf(int router, const QDateTime& from,
                                              const QDateTime& to) {
    std::vector<UsageGap> out;
    if (!open_)
        return out;
    QSqlQuery query(QSqlDatabase::database(connection_, false));
    query.prepare(QStringLiteral("SELECT from_s, to_s FROM router_unknown WHERE i = ? AND from_s "
                                 "< ? AND to_s > ? ORDER BY from_s"));
    query.addBindValue(router);
    query.addBindValue(to.toSecsSinceEpoch());
    query.addBindValue(from.toSecsSinceEpoch());
    if (!query.exec())
        return out;
    while (query.next())
        out.push_back({QDateTime::fromSecsSinceEpoch(query.value(0).toLongLong(), Qt::UTC),
                       QDateTime::fromSecsSinceEpoch(query.value(1).toLongLong(), Qt::UTC)});
    return out;
}

std::optional<RouterState> HistoryStore::routerState(const QString& udn) {
    if (!open_)
        return std::nullopt;
    QSqlQuery query(QSqlDatabase::database(connection_, false));
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
    state.last.time = QDateTime::fromSecsSinceEpoch(query.value(5).toLongLong(), Qt::UTC);
    state.wide = query.value(6).toBool();
    state.counts = query.value(7).toBool();
    state.movedAt = QDateTime::fromSecsSinceEpoch(query.value(8).toLongLong(), Qt::UTC);
    state.ownSinceMoved = query.value(9).toULongLong();
    state.countsLess = query.value(10).toBool();
    if (const qint64 since = query.value(11).toLongLong())
        state.lessSince = QDateTime::fromSecsSinceEpoch(since, Qt::UTC);
    state.lessOwn = query.value(12).toULongLong();
    state.lessRouter = query.value(13).toULongLong();
    return state;
}

bool HistoryStore::writeRouter(const RouterState& state, const std::vector<RouterMinute>& minutes,
                               const std::vector<RouterSpan>& unknown) {
    if (!open_ || mode_ != Mode::ReadWrite || state.last.udn.isEmpty())
        return false;
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    if (!db.transaction())
        return false;
    QSqlQuery query(db);
    const RouterReading& last = state.last;
    // The counters are 64-bit unsigned and SQLite's integers signed: stored as their bit
    // pattern, read back the same.
    // Written with a reading: the failure before it is over.
    query.prepare(QStringLiteral(
        "INSERT INTO routers (udn, name, rx, tx, uptime, speed, time, wide, counts, moved, own, "
        "less, less_since, less_own, less_router, error, error_time, lost) VALUES (?, ?, ?, ?, ?, "
        "?, ?, ?, ?, ?, ?, ?, ?, ?, ?, NULL, 0, 0) ON CONFLICT (udn) DO UPDATE SET name = "
        "excluded.name, rx = excluded.rx, tx = excluded.tx, uptime = excluded.uptime, speed = "
        "excluded.speed, time = excluded.time, wide = excluded.wide, counts = excluded.counts, "
        "moved = excluded.moved, own = excluded.own, less = excluded.less, less_since = "
        "excluded.less_since, less_own = excluded.less_own, less_router = excluded.less_router, "
        "error = NULL, error_time = 0, lost = 0"));
    const auto seconds = [](const QDateTime& t) {
        return t.isValid() ? t.toSecsSinceEpoch() : qint64(0);
    };
    for (const QVariant& v :
         {QVariant(last.udn), QVariant(QStringLiteral("") + last.name),
          QVariant(qint64(last.received)), QVariant(qint64(last.sent)), QVariant(last.uptime),
          QVariant(qint64(last.lineSpeed)), QVariant(last.time.toSecsSinceEpoch()),
          QVariant(int(state.wide)), QVariant(int(state.counts)), QVariant(seconds(state.movedAt)),
          QVariant(qint64(state.ownSinceMoved)), QVariant(int(state.countsLess)),
          QVariant(seconds(state.lessSince)), QVariant(qint64(state.lessOwn)),
          QVariant(qint64(state.lessRouter))})
        query.addBindValue(v);
    bool ok = query.exec();
    const int id = ok ? routerId(last.udn) : -1;
    ok = ok && id >= 0;
    QSqlQuery add(db);
    for (const RouterMinute& m : minutes) {
        if (!ok)
            break;
        if (m.received == 0 && m.sent == 0 && m.ownReceived == 0 && m.ownSent == 0)
            continue;
        const qint64 minute = minuteKey(m.minute.toLocalTime());
        const qint64 keys[6] = {minute,
                                floorDiv(minute, 60),
                                floorDiv(minute, kDay),
                                monthKey(minuteTime(minute).date()),
                                minute,
                                minute};
        for (int table = Minutes; ok && table <= Spread; ++table) {
            if ((table == BeforeMeter && m.kind != RouterMinute::Kind::BeforeMeter) ||
                (table == Spread && m.kind != RouterMinute::Kind::Spread))
                continue;
            // The four time tables keep this computer's own share beside the router's count.
            const bool own = table <= Months;
            ok = add.prepare(
                own ? QStringLiteral("INSERT INTO %1 (k, i, rx, tx, own_rx, own_tx) VALUES (?, ?, "
                                     "?, ?, ?, ?) ON CONFLICT (k, i) DO UPDATE SET rx = rx + "
                                     "excluded.rx, tx = tx + excluded.tx, own_rx = own_rx + "
                                     "excluded.own_rx, own_tx = own_tx + excluded.own_tx")
                          .arg(kRouterPrefix + kTables[table])
                    : QStringLiteral("INSERT INTO %1 (k, i, rx, tx) VALUES (?, ?, ?, ?) "
                                     "ON CONFLICT (k, i) DO UPDATE SET rx = rx + "
                                     "excluded.rx, tx = tx + excluded.tx")
                          .arg(kRouterPrefix + kTables[table]));
            add.addBindValue(keys[table]);
            add.addBindValue(id);
            add.addBindValue(qint64(m.received));
            add.addBindValue(qint64(m.sent));
            if (own) {
                add.addBindValue(qint64(m.ownReceived));
                add.addBindValue(qint64(m.ownSent));
            }
            ok = ok && add.exec();
        }
    }
    for (const RouterSpan& span : unknown) {
        if (!ok)
            break;
        // A span that goes on from one already kept lengthens it.
        ok = add.prepare(QStringLiteral("UPDATE router_unknown SET to_s = max(to_s, ?) WHERE i = "
                                        "? AND from_s <= ? AND to_s >= ?"));
        add.addBindValue(span.to.toSecsSinceEpoch());
        add.addBindValue(id);
        add.addBindValue(span.from.toSecsSinceEpoch());
        add.addBindValue(span.from.toSecsSinceEpoch());
        ok = ok && add.exec();
        if (!ok || add.numRowsAffected() > 0)
            continue;
        ok = add.prepare(QStringLiteral("INSERT INTO router_unknown (i, from_s, to_s) VALUES (?, "
                                        "?, ?) ON CONFLICT (i, from_s) DO UPDATE SET to_s = "
                                        "max(to_s, excluded.to_s)"));
        add.addBindValue(id);
        add.addBindValue(span.from.toSecsSinceEpoch());
        add.addBindValue(span.to.toSecsSinceEpoch());
        ok = ok && add.exec();
    }
    // The same age limits as an interface's rows, once an hour.
    const qint64 hour = floorDiv(minuteKey(last.time.toLocalTime()), 60);
    if (ok && routerThinnedHour_.value(id, -1) != hour) {
        for (int t = Minutes; ok && t <= Hours; ++t) {
            ok = add.prepare(QStringLiteral("DELETE FROM %1 WHERE i = ? AND k < (SELECT k FROM %1 "
                                            "WHERE i = ? ORDER BY k DESC LIMIT 1 OFFSET ?)")
                                 .arg(kRouterPrefix + kTables[t]));
            add.addBindValue(id);
            add.addBindValue(id);
            add.addBindValue((t == Minutes ? kMinuteRows : kHourRows) - 1);
            ok = ok && add.exec();
        }
    }
    if (ok && db.commit()) {
        routerThinnedHour_.insert(id, hour);
        return true;
    }
    db.rollback();
    return false;
}

bool HistoryStore::writeRouterFailure(const RouterFailure& failure) {
    if (!open_ || mode_ != Mode::ReadWrite || failure.udn.isEmpty())
        return false;
    QSqlQuery query(QSqlDatabase::database(connection_, false));
    // Only a router already kept: a failure alone never makes one.
    query.prepare(QStringLiteral("UPDATE routers SET error = ?, error_time = ?, lost = ? WHERE "
                                 "udn = ?"));
    query.addBindValue(QStringLiteral("") + failure.error.left(kErrorLength));
    query.addBindValue(failure.time.isValid() ? failure.time.toSecsSinceEpoch() : qint64(0));
    query.addBindValue(int(failure.lost));
    query.addBindValue(failure.udn);
    return query.exec();
}

} // namespace tarvo
