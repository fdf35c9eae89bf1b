#pragma once

#include "history/history_keys.h"
#include "history/history_rows.h"
#include "history/router_table.h"
#include "history/usage_source.h"
#include "router/router_reading.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tarvo {

class HistoryFile;

// One interface's traffic within one minute.
struct MinuteTraffic {
    QString interface;
    std::uint64_t received = 0;
    std::uint64_t sent = 0;
    // Found by a start of the meter on a link that came up before it ran, and put at the
    // time the link came up.
    bool beforeMeter = false;
};

// How far the history has come with the totals: the totals' value when the history last
// took in traffic, so that a start after a kill adds what the totals gained since.
struct HistoryMark {
    std::uint64_t received = 0;
    std::uint64_t sent = 0;
    qint64 minute = 0;  // the minute of that write (see minuteKey)
    QString interface;  // the interface that carried most of it
    std::string bootId; // the boot the counters of that write belonged to

    bool operator==(const HistoryMark&) const = default;
};

// "history.sqlite": per counted interface the traffic of each wall-clock minute, with hour,
// day and month rows. Every write adds to all four at once, so thinning the old rows is only a
// delete. Per interface the newest 7 days' worth of minute rows and 400 days' worth of hour
// rows are kept, counted in rows, not measured against the clock: a clock that is wrong for a
// moment must never delete history. Day and month rows are kept for ever.
class HistoryStore final : public UsageSource {
public:
    static constexpr const char* kFileName = "history.sqlite";
    static constexpr qint64 kMinuteRows = 7 * 24 * 60;
    static constexpr qint64 kHourRows = 400 * 24;

    enum class Mode { ReadWrite, ReadOnly };

    // ReadWrite: a damaged file, one that is no database or one that something else holds
    // locked is moved aside and a new one started; a directory that cannot be written means
    // no history; a file found damaged under any write (this computer's rows, a router's, a
    // router's failure) is moved aside the same way and the write made again on the new one.
    // ReadOnly: never writes any file, a missing file reads as no traffic.
    HistoryStore(const QString& path, Mode mode);
    ~HistoryStore() override;
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    bool isOpen() const;
    // ReadOnly: why a history file that is there could not be read (not a database, damaged,
    // no read right); empty when it was read or there is none.
    QString readError() const;
    // Where a damaged file was last moved to, when this store opened or on a write, or empty.
    QString movedAside() const;

    // One transaction: adds each interface's traffic to the minute and to its hour, day and
    // month, sets the mark, and drops the written interfaces' minute and hour rows beyond
    // their count. A write of no traffic sets only the mark.
    bool writeMinute(qint64 minute, const std::vector<MinuteTraffic>& traffic,
                     const HistoryMark& mark);
    // The same for several minutes in one transaction (minutes kept after a failed write).
    bool write(const std::map<qint64, std::vector<MinuteTraffic>>& minutes,
               const HistoryMark& mark);

    // The mark of the last write; nothing before the first.
    std::optional<HistoryMark> mark();

    // A wall-clock time as the number of its minute: local date and time read as if UTC, so
    // hours, days and months of the local calendar are plain divisions.
    static qint64 minuteKey(const QDateTime& time);
    static QDateTime minuteTime(qint64 minute);
    static qint64 monthKey(const QDate& day) { return history_keys::monthKey(day); }

    // Rows of a table ("minutes", "hours", "days", "months"), for checks of the thinning.
    qint64 rowCount(const QString& table);

    std::vector<UsageRow> hours(const QDate& day) override;
    std::vector<UsageRow> days(const QDate& first, const QDate& last) override;
    std::vector<UsageRow> months(const QDate& first, const QDate& last) override;
    UsageRow total(const QDateTime& from, const QDateTime& to) override;
    QStringList interfaces() override;

    // Home routers: read apart from this computer's rows, never summed with them.
    std::vector<RouterRecord> routers() override;
    UsageSource* router(const QString& id) override;
    // What is kept of a router beside its rows; nothing before its first write.
    std::optional<RouterState> routerState(const QString& udn);
    // One transaction: the router's traffic per minute (with its hour, day and month rows),
    // the spans that cannot be known, and its state, so that a kill at any moment neither
    // loses nor doubles what the next reading is measured against.
    bool writeRouter(const RouterState& state, const std::vector<RouterMinute>& minutes,
                     const std::vector<RouterSpan>& unknown);
    // The router's last failure, until its next reading is written.
    bool writeRouterFailure(const RouterFailure& failure);
    static constexpr int kErrorLength = 200;
    UsageSource* routerOthers(const QString& id) override;

private:
    class RouterView;
    struct Statements;

    bool prepare(const QSqlDatabase& db);
    void release();
    // A write that is rolled back leaves nothing it learnt behind.
    void forgetUncommitted();
    int interfaceId(const QString& name);
    int routerId(const QString& udn);

    Mode mode_;
    HistoryRows rows_;
    RouterTable routers_;
    std::unique_ptr<Statements> q_;
    std::map<QString, std::unique_ptr<RouterView>> routerViews_;
    std::map<QString, std::unique_ptr<RouterView>> routerOthers_;
    // Last: closing the file drops the statements above.
    std::unique_ptr<HistoryFile> file_;
};

} // namespace tarvo
