#include "history/router_recorder.h"

namespace tarvo {

RouterRecorder::RouterRecorder(HistoryStore* store)
    : store_(store && store->isOpen() ? store : nullptr) {}

std::optional<RouterState> RouterRecorder::kept(const QString& udn) {
    if (!store_)
        return std::nullopt;
    if (state_ && state_->last.udn == udn)
        return state_;
    return store_->routerState(udn);
}

void RouterRecorder::add(const RouterStep& step) {
    if (!store_)
        return;
    if (state_ && state_->last.udn != step.state.last.udn)
        write();
    minutes_.insert(minutes_.end(), step.minutes.begin(), step.minutes.end());
    unknown_.insert(unknown_.end(), step.unknown.begin(), step.unknown.end());
    state_ = step.state;
    pending_ = true;
}

void RouterRecorder::tick(const QDateTime& now) {
    if (!store_)
        return;
    const qint64 minute = HistoryStore::minuteKey(now);
    if (currentMinute_ && *currentMinute_ != minute)
        write();
    currentMinute_ = minute;
}

void RouterRecorder::flush() {
    if (store_)
        write();
}

std::uint64_t RouterRecorder::pendingOn(const QDate& day) const {
    std::uint64_t bytes = 0;
    for (const RouterMinute& m : minutes_)
        if (m.minute.toLocalTime().date() == day)
            bytes += m.received + m.sent;
    return bytes;
}

bool RouterRecorder::write() {
    if (!pending_ || !state_)
        return true;
    // A failed write keeps all of it for the next, with the newer state.
    if (!store_->writeRouter(*state_, minutes_, unknown_))
        return false;
    minutes_.clear();
    unknown_.clear();
    pending_ = false;
    return true;
}

} // namespace tarvo
