#include "history/history_store.h"

#include "history/history_file.h"

#include <QVariant>

#include <algorithm>

namespace tarvo {

using namespace history_keys;

// What the store keeps of this computer beside its rows: its interfaces and the mark.
struct HistoryStore::Statements {
    explicit Statements(const QSqlDatabase& db)
        : findInterface(db), addInterface(db), setMark(db), getMark(db) {}
    QSqlQuery findInterface;
    QSqlQuery addInterface;
    QSqlQuery setMark;
    QSqlQuery getMark;
    QHash<QString, int> ids;
};

// One router's rows, read as a history of their own. Known by its UDN, not its row: a
// history moved aside and begun anew numbers its routers anew.
class HistoryStore::RouterView final : public UsageSource {
public:
    RouterView(HistoryStore& store, const QString& udn, bool others)
        : store_(store), udn_(udn), others_(others) {}

    std::vector<UsageRow> hours(const QDate& day) override {
        return store_.rows_.hours(scope(), day);
    }
    std::vector<UsageRow> days(const QDate& first, const QDate& last) override {
        return store_.rows_.days(scope(), first, last);
    }
    std::vector<UsageRow> months(const QDate& first, const QDate& last) override {
        return store_.rows_.months(scope(), first, last);
    }
    UsageRow total(const QDateTime& from, const QDateTime& to) override {
        return store_.rows_.total(scope(), from, to);
    }
    QStringList interfaces() override { return {}; }
    std::vector<UsageGap> unknown(const QDateTime& from, const QDateTime& to) override {
        return store_.routers_.unknown(scope().router, from, to);
    }

private:
    // No such router (any more): a scope that matches no row.
    RowScope scope() const { return {std::max(store_.routerId(udn_), 0), others_}; }

    HistoryStore& store_;
    QString udn_;
    bool others_ = false;
};

HistoryStore::HistoryStore(const QString& path, Mode mode) : mode_(mode) {
    file_ = std::make_unique<HistoryFile>(
        path, mode == Mode::ReadWrite,
        HistoryFile::Statements{[this](const QSqlDatabase& db) { return prepare(db); },
                                [this] { release(); }});
}

HistoryStore::~HistoryStore() = default;

bool HistoryStore::isOpen() const {
    return file_->isOpen();
}

QString HistoryStore::readError() const {
    return file_->readError();
}

QString HistoryStore::movedAside() const {
    return file_->movedAside();
}

qint64 HistoryStore::minuteKey(const QDateTime& time) {
    return history_keys::minuteKey(time);
}

QDateTime HistoryStore::minuteTime(qint64 minute) {
    return history_keys::minuteTime(minute);
}

bool HistoryStore::prepare(const QSqlDatabase& db) {
    q_ = std::make_unique<Statements>(db);
    const bool writing = mode_ == Mode::ReadWrite;
    bool ok = rows_.prepare(db, writing) && routers_.prepare(db, writing) &&
              q_->getMark.prepare(
                  QStringLiteral("SELECT rx, tx, minute, interface, boot FROM mark WHERE one = 1"));
    // A reader needs only the mark; a file written by an earlier version lacks tables that
    // only writing needs, and is still read.
    if (!writing)
        return ok;
    ok = ok && q_->findInterface.prepare(QStringLiteral("SELECT i FROM interfaces WHERE name = ?"));
    ok = ok && q_->addInterface.prepare(QStringLiteral("INSERT INTO interfaces (name) VALUES (?)"));
    ok = ok && q_->setMark.prepare(
                   QStringLiteral("INSERT OR REPLACE INTO mark (one, rx, tx, minute, interface, "
                                  "boot) VALUES (1, ?, ?, ?, ?, ?)"));
    return ok;
}

void HistoryStore::release() {
    q_.reset();
    rows_.release();
    routers_.release();
}

void HistoryStore::forgetUncommitted() {
    // Ids learnt in a rolled-back transaction are gone with it.
    if (q_)
        q_->ids.clear();
    rows_.rolledBack();
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
    if (!isOpen() || mode_ != Mode::ReadWrite || minutes.empty())
        return false;
    const auto body = [&] {
        std::vector<int> written;
        for (const auto& [minute, traffic] : minutes) {
            const MinuteKeys keys = MinuteKeys::of(minute);
            for (const MinuteTraffic& t : traffic) {
                if (t.received == 0 && t.sent == 0)
                    continue;
                const int id = interfaceId(t.interface);
                if (id < 0 ||
                    !rows_.add(HistoryRows::Owner::Computer, id, keys, {t.received, t.sent},
                               t.beforeMeter ? HistoryRows::Mark::BeforeMeter
                                             : HistoryRows::Mark::None))
                    return false;
                if (std::find(written.begin(), written.end(), id) == written.end())
                    written.push_back(id);
            }
        }
        const qint64 hour = hourKey(minutes.rbegin()->first);
        for (const int id : written)
            if (!rows_.thin(HistoryRows::Owner::Computer, id, hour))
                return false;
        q_->setMark.bindValue(0, qint64(mark.received));
        q_->setMark.bindValue(1, qint64(mark.sent));
        q_->setMark.bindValue(2, mark.minute);
        // An empty text, never NULL.
        q_->setMark.bindValue(3, QStringLiteral("") + mark.interface);
        q_->setMark.bindValue(4, QStringLiteral("") + QString::fromStdString(mark.bootId));
        return q_->setMark.exec();
    };
    if (!file_->transact(body, [this] { forgetUncommitted(); }))
        return false;
    rows_.committed();
    return true;
}

std::optional<HistoryMark> HistoryStore::mark() {
    if (!isOpen() || !q_->getMark.exec() || !q_->getMark.next())
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
    if (!isOpen())
        return 0;
    QSqlQuery query(file_->database());
    if (!query.exec(QStringLiteral("SELECT count(*) FROM %1").arg(table)) || !query.next())
        return 0;
    return query.value(0).toLongLong();
}

std::vector<UsageRow> HistoryStore::hours(const QDate& day) {
    return rows_.hours({}, day);
}

std::vector<UsageRow> HistoryStore::days(const QDate& first, const QDate& last) {
    return rows_.days({}, first, last);
}

std::vector<UsageRow> HistoryStore::months(const QDate& first, const QDate& last) {
    return rows_.months({}, first, last);
}

UsageRow HistoryStore::total(const QDateTime& from, const QDateTime& to) {
    return rows_.total({}, from, to);
}

QStringList HistoryStore::interfaces() {
    QStringList names;
    if (!isOpen())
        return names;
    QSqlQuery query(file_->database());
    if (!query.exec(QStringLiteral("SELECT name FROM interfaces ORDER BY i")))
        return names;
    while (query.next())
        names << query.value(0).toString();
    return names;
}

int HistoryStore::routerId(const QString& udn) {
    return isOpen() ? routers_.id(udn) : -1;
}

std::vector<RouterRecord> HistoryStore::routers() {
    return isOpen() ? routers_.records() : std::vector<RouterRecord>();
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

std::optional<RouterState> HistoryStore::routerState(const QString& udn) {
    return isOpen() ? routers_.state(udn) : std::nullopt;
}

bool HistoryStore::writeRouter(const RouterState& state, const std::vector<RouterMinute>& minutes,
                               const std::vector<RouterSpan>& unknown) {
    if (!isOpen() || mode_ != Mode::ReadWrite || state.last.udn.isEmpty())
        return false;
    const RouterReading& last = state.last;
    const auto body = [&] {
        const int id = routers_.save(state);
        if (id < 0)
            return false;
        for (const RouterMinute& m : minutes) {
            if (m.received == 0 && m.sent == 0 && m.ownReceived == 0 && m.ownSent == 0)
                continue;
            const HistoryRows::Mark mark =
                m.kind == RouterMinute::Kind::BeforeMeter ? HistoryRows::Mark::BeforeMeter
                : m.kind == RouterMinute::Kind::Spread    ? HistoryRows::Mark::Spread
                                                          : HistoryRows::Mark::None;
            if (!rows_.add(HistoryRows::Owner::Router, id,
                           MinuteKeys::of(minuteKey(m.minute.toLocalTime())),
                           {m.received, m.sent, m.ownReceived, m.ownSent}, mark))
                return false;
        }
        if (!routers_.addUnknown(id, unknown))
            return false;
        // The same age limits as an interface's rows.
        return rows_.thin(HistoryRows::Owner::Router, id,
                          hourKey(minuteKey(last.time.toLocalTime())));
    };
    if (!file_->transact(body, [this] { forgetUncommitted(); }))
        return false;
    rows_.committed();
    return true;
}

bool HistoryStore::writeRouterFailure(const RouterFailure& failure) {
    if (!isOpen() || mode_ != Mode::ReadWrite || failure.udn.isEmpty())
        return false;
    RouterFailure kept = failure;
    kept.error = failure.error.left(kErrorLength);
    const auto body = [&] { return routers_.saveFailure(kept); };
    return file_->transact(body, [this] { forgetUncommitted(); });
}

} // namespace tarvo
