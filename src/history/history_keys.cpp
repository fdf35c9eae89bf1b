#include "history/history_keys.h"

namespace tarvo::history_keys {

qint64 minuteKey(const QDateTime& time) {
    // A local time is taken as it reads, also one that daylight-saving time skips (a local
    // midnight that does not exist still starts its day).
    const QDateTime local = time.timeSpec() == Qt::LocalTime ? time : time.toLocalTime();
    return floorDiv(QDateTime(local.date(), local.time(), Qt::UTC).toSecsSinceEpoch(), 60);
}

QDateTime minuteTime(qint64 minute) {
    const QDateTime utc = QDateTime::fromSecsSinceEpoch(minute * 60, Qt::UTC);
    return QDateTime(utc.date(), utc.time());
}

QDate monthStart(qint64 month) {
    const qint64 year = floorDiv(month, 12);
    return QDate(int(year), int(month - year * 12) + 1, 1);
}

qint64 monthStartMinute(qint64 month) {
    return QDateTime(monthStart(month), QTime(0, 0), Qt::UTC).toSecsSinceEpoch() / 60;
}

} // namespace tarvo::history_keys
