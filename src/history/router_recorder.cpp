#include "history/router_recorder.h"

#include "common/log.h"

namespace tarvo {

RouterRecorder::RouterRecorder(HistoryStore* store)
    : store_(store && store->isOpen() ? store : nullptr) {}

std::optional<RouterState> RouterRecorder::kept(const QString& udn) {
    if (!store_)
        return std::nullopt;
    // What this run read last, written or not: it holds the steady clock's time, which the
    // history does not keep.
    if (const auto it = pending_.find(udn); it != pending_.end() && it->second.read)
        return it->second.state;
    return store_->routerState(udn);
}

void RouterRecorder::add(const RouterStep& step) {
    const QString& udn = step.state.last.udn;
    if (!store_ || udn.isEmpty())
        return;
    if (!current_.isEmpty() && current_ != udn)
        write();
    current_ = udn;
    Pending& p = pending_[udn];
    if (!p.read || !p.lastError.isEmpty())
        qCInfo(lcRouter).noquote() << "reading the router" << step.state.last.name << udn;
    p.lastError.clear();
    p.minutes.insert(p.minutes.end(), step.minutes.begin(), step.minutes.end());
    for (const RouterSpan& span : step.unknown) {
        // Spans one after another are one span.
        if (!p.unknown.empty() && p.unknown.back().to >= span.from &&
            p.unknown.back().from <= span.from)
            p.unknown.back().to = std::max(p.unknown.back().to, span.to);
        else
            p.unknown.push_back(span);
    }
    p.state = step.state;
    p.traffic = p.read = true;
    // Read again: the failure is over.
    p.failure.reset();
}

void RouterRecorder::fail(const RouterFailure& failure) {
    if (!store_ || failure.udn.isEmpty())
        return;
    Pending& p = pending_[failure.udn];
    // Told when it changes, not at every round that fails the same way.
    if (failure.error != p.lastError || (failure.lost && !p.lostTold)) {
        if (failure.lost)
            qCInfo(lcRouter).noquote()
                << "the router" << failure.udn << "is lost:" << failure.error;
        else
            qCWarning(lcRouter).noquote()
                << "the router" << failure.udn << "could not be read:" << failure.error;
    }
    p.lastError = failure.error;
    p.lostTold = failure.lost;
    p.failure = failure;
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

std::uint64_t RouterRecorder::pendingOn(const QString& udn, const QDate& day) const {
    std::uint64_t bytes = 0;
    if (const auto it = pending_.find(udn); it != pending_.end())
        for (const RouterMinute& m : it->second.minutes)
            if (m.minute.toLocalTime().date() == day)
                bytes += m.received + m.sent;
    return bytes;
}

void RouterRecorder::write() {
    for (auto it = pending_.begin(); it != pending_.end();) {
        Pending& p = it->second;
        // A failed write keeps all of it for the next, with the newer state.
        if (p.traffic && store_->writeRouter(p.state, p.minutes, p.unknown)) {
            p.minutes.clear();
            p.unknown.clear();
            p.traffic = false;
        }
        // A reading written after the failure clears it in the history; one still pending
        // is written as it is.
        if (!p.traffic && p.failure && store_->writeRouterFailure(*p.failure))
            p.failure.reset();
        it = !p.read && !p.traffic && !p.failure ? pending_.erase(it) : std::next(it);
    }
}

} // namespace tarvo
