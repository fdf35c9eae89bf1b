#include "history/history_file.h"

#include "common/app_name.h"
#include "common/log.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QVariant>

#include <atomic>

namespace tarvo {

namespace {

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

HistoryFile::HistoryFile(const QString& path, bool writing, Statements statements)
    : path_(path), writing_(writing), statements_(std::move(statements)) {
    static std::atomic<int> next{0};
    connection_ = commandName() + QStringLiteral("-history-%1").arg(next++);
    // Without the driver no file is judged: a sound history must not be moved aside.
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE")))
        return;
    open_ = writing_ ? openWriting() : openReading();
}

HistoryFile::~HistoryFile() {
    close();
}

QSqlDatabase HistoryFile::database() const {
    return QSqlDatabase::database(connection_, false);
}

void HistoryFile::close() {
    if (statements_.release)
        statements_.release();
    open_ = false;
    if (QSqlDatabase::contains(connection_)) {
        {
            QSqlDatabase db = QSqlDatabase::database(connection_, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(connection_);
    }
}

bool HistoryFile::tryOpen() {
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
    return statements_.prepare(db);
}

void HistoryFile::moveAside() {
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target = path_ + QStringLiteral(".damaged-") + stamp;
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = path_ + QStringLiteral(".damaged-") + stamp + u'-' + QString::number(n);
    if (QFile::rename(path_, target)) {
        movedAside_ = target;
        qCInfo(lcHistory).noquote() << "the usage history was damaged and moved aside to" << target;
        // Its journal belongs to it, not to the new file.
        for (const char* suffix : {"-wal", "-shm"}) {
            const QString side = path_ + QLatin1String(suffix);
            if (QFileInfo::exists(side) && !QFile::rename(side, target + QLatin1String(suffix)))
                QFile::remove(side);
        }
    } else {
        qCWarning(lcHistory).noquote()
            << "the damaged usage history could not be moved aside and was removed:" << path_;
        QFile::remove(path_);
    }
}

bool HistoryFile::openWriting() {
    const QFileInfo info(path_);
    QDir().mkpath(info.absolutePath());
    const QFileInfo dir(info.absolutePath());
    if (!dir.isDir() || !dir.isWritable())
        return false;
    if (tryOpen())
        return true;
    close();
    if (!QFileInfo::exists(path_))
        return false;
    moveAside();
    if (tryOpen())
        return true;
    close();
    return false;
}

bool HistoryFile::openReading() {
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
    if (!statements_.prepare(db)) {
        statements_.release();
        readError_ = QStringLiteral("not a usage history (its tables are missing)");
        return false;
    }
    return true;
}

bool HistoryFile::attempt(const std::function<bool()>& body,
                          const std::function<void()>& rolledBack) {
    QSqlDatabase db = database();
    if (db.transaction()) {
        if (body() && db.commit())
            return true;
        db.rollback();
    }
    if (rolledBack)
        rolledBack();
    return false;
}

bool HistoryFile::damaged() {
    QSqlQuery check(database());
    return !check.exec(QStringLiteral("PRAGMA quick_check")) || !check.next() ||
           check.value(0).toString() != u"ok" || damagedError(check.lastError());
}

bool HistoryFile::transact(const std::function<bool()>& body,
                           const std::function<void()>& rolledBack) {
    if (!open_ || !writing_)
        return false;
    if (attempt(body, rolledBack))
        return true;
    // A file damaged under us is moved aside and the write goes to a new one.
    if (!damaged())
        return false;
    close();
    if (QFileInfo::exists(path_))
        moveAside();
    open_ = tryOpen();
    if (!open_) {
        close();
        return false;
    }
    return attempt(body, rolledBack);
}

} // namespace tarvo
