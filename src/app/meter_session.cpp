#include "app/meter_session.h"

#include "common/log.h"
#include "common/number_text.h"
#include "common/settings.h"
#include "history/notifier.h"
#include "history/router_usage.h"
#include "router/router_rules.h"
#include "traffic/counting_rule.h"

#include <QCoreApplication>

namespace tarvo {

namespace {

std::uint64_t bytes(const QString& total) {
    return std::uint64_t(LeadingNumber(total));
}

constexpr int kOfflinePauseMs = 200;

} // namespace

QString connectionCaption(Connection state) {
    switch (state) {
    case Connection::Connected:
        return QStringLiteral("متصل");
    case Connection::Offline:
        return QStringLiteral("غير متصل");
    case Connection::Unknown:
        break;
    }
    return {};
}

MeterSession::MeterSession(const Services& services)
    : services_(services), ipHelper_(*services.interfaces),
      meter_(ipHelper_, services.decimalSeparator),
      totals_(services.dataDirectory, services.decimalSeparator),
      history_(std::make_unique<HistoryRecorder>(nullptr)),
      routerHistory_(std::make_unique<RouterRecorder>(nullptr)),
      allowanceWatch_(*services.settings), usage_(services.usage) {}

void MeterSession::start() {
    std::optional<CountedRecord> record;
    const SavedTotals saved = totals_.load(&record);
    ipHelper_.setStartRecord(record.value_or(CountedRecord{}), services_.bootId);
    if (services_.openHistory) {
        HistoryStore* store = services_.openHistory();
        store_ = store && store->isOpen() ? store : nullptr;
        history_ = std::make_unique<HistoryRecorder>(store);
        routerHistory_ = std::make_unique<RouterRecorder>(store);
        if (store)
            historyMovedAside_ = store->movedAside();
        // Moving a damaged file aside is the history's own to log.
        if (!store || !store->isOpen())
            qCWarning(lcHistory) << "no usage history can be kept: its file cannot be opened";
        // The usage window and the allowance read what the recorder writes.
        if (store && !usage_)
            usage_ = store;
    }
    history_->start(services_.clock->now(), bytes(saved.received), bytes(saved.sent),
                    services_.bootId, services_.bootTime);
    ipHelper_.setPatterns(
        splitPatterns(SettingsView(*services_.settings).interfaces().toStdString()));
    meter_.fields.savedReceived = saved.received;
    meter_.fields.savedSent = saved.sent;
    meter_.firstSample = true;
    steady_.start();
    if (services_.router) {
        services_.router->onReading = [this](const RouterReading& r) { routerReading(r); };
        services_.router->onFailure = [this](const RouterFailure& f) { routerFailure(f); };
    }
}

void MeterSession::readRates(const QDateTime& now) {
    meter_.readRates(services_.clock->steadyMs());
    if (!ipHelper_.hasReading())
        return;
    const SavedTotals saved = savedTotals();
    history_->feed(now, bytes(saved.received) + ipHelper_.BytesReceived(),
                   bytes(saved.sent) + ipHelper_.BytesSent(), ipHelper_.countedByLink(),
                   ipHelper_.countedSinceLinkStart());
}

MeterSecond MeterSession::tick(const QDateTime& now) {
    MeterSecond second = clockRunning_ ? clockStep(now) : MeterSecond{{}, connection_, false};
    const MeterSecond connection = connectionStep();
    second.connection = connection.connection;
    second.pause = connection.pause;
    save(now);
    if (++seconds_ % 60 == 0)
        checkAllowance();
    return second;
}

void MeterSession::beginSeconds() {
    clockRunning_ = true;
    seconds_ = 0;
}

MeterSecond MeterSession::clockStep(const QDateTime& now) {
    MeterSecond second{{}, connection_, false};
    second.clock = now.time().toString(QStringLiteral("HH:mm:ss"));
    if (connection_ == Connection::Connected)
        readRates(now);
    return second;
}

MeterSecond MeterSession::connectionStep() {
    meter_.minuteStep(services_.clock->steadyMs());
    connection_ = services_.connection->isConnected() ? Connection::Connected : Connection::Offline;
    clockRunning_ = connection_ == Connection::Connected;
    if (!clockRunning_)
        saveOffline();
    return {{}, connection_, !clockRunning_};
}

void MeterSession::pauseOffline() {
    QCoreApplication::processEvents();
    services_.clock->sleepMs(kOfflinePauseMs);
}

void MeterSession::saveOffline() {
    totals_.saveOffline(savedTotals(), ipHelper_.reading());
}

void MeterSession::save(const QDateTime& now) {
    totals_.save(savedTotals(), ipHelper_.reading());
    history_->tick(now);
    routerHistory_->tick(now);
    // Not before this computer's first reading: the router's own searches and questions are
    // then traffic of the meter's run, not of the time before it.
    if (services_.router && ipHelper_.hasReading())
        services_.router->tick(steady_.elapsed());
}

void MeterSession::routerReading(const RouterReading& answered) {
    // The time between two readings is the steady clock's: the wall clock may be set. The
    // link stamps when it asked; a source that does not is stamped now.
    RouterReading reading = answered;
    if (reading.steadyMs < 0)
        reading.steadyMs = services_.clock->steadyMs();
    // This computer's own traffic since the last reading, to tell a router that never counts,
    // or counts less than this computer alone, and what the other devices moved.
    const OwnTraffic own{ipHelper_.BytesReceived(), ipHelper_.BytesSent()};
    const auto since = [](std::uint64_t now, std::uint64_t before) {
        return now >= before ? now - before : 0;
    };
    const OwnTraffic ownSince{since(own.received, ownAtRouterReading_.received),
                              since(own.sent, ownAtRouterReading_.sent)};
    // The first reading of a run has nothing to measure from.
    const bool measured = routerRead_;
    routerRead_ = true;
    ownAtRouterReading_ = own;
    const OwnTraffic through = reading.behind && measured ? ownSince : OwnTraffic{};
    routerHistory_->add(judgeReading(routerHistory_->kept(reading.udn), reading,
                                     ownSince.received + ownSince.sent, through));
    routerUdn_ = reading.udn;
    readNetworkToday(reading.udn, reading.time.toLocalTime().date());
}

void MeterSession::routerFailure(const RouterFailure& failure) {
    RouterFailure kept = failure;
    // A search that found no router at all is told on the router read last: it is not here.
    if (kept.udn.isEmpty()) {
        if (!routerUdn_.isEmpty())
            kept.udn = routerUdn_;
        else if (store_)
            if (const std::vector<RouterRecord> routers = store_->routers(); !routers.empty())
                kept.udn = routers.front().id;
        if (failure.error == QLatin1String(kNoRouterAnswered))
            kept.lost = true;
    }
    routerHistory_->fail(kept);
}

bool MeterSession::alwaysOnTop() const {
    return SettingsView(*services_.settings).alwaysOnTop();
}

void MeterSession::setAlwaysOnTop(bool on) {
    Settings(*services_.settings).setAlwaysOnTop(on);
}

QString MeterSession::stripToolTip() const {
    QStringList names;
    for (const std::string& name : ipHelper_.countedNames())
        names << QString::fromStdString(name);
    // Rich text only to lay the line out right to left, as an Arabic sentence, on one line.
    const auto paragraph = [](const QString& text) {
        return QStringLiteral("<p dir=\"rtl\" style=\"white-space:pre\">") + text.toHtmlEscaped() +
               QStringLiteral("</p>");
    };
    QString tip =
        paragraph(QStringLiteral("الواجهات المحسوبة: ") + names.join(QStringLiteral(", ")));
    if (!networkToday_.isEmpty())
        tip += paragraph(QString::fromUtf16(WholeNetworkTodayTip).arg(networkToday_));
    return tip;
}

void MeterSession::readNetworkToday(const QString& udn, const QDate& today) {
    // What is written, and what is pending with the recorder, is the day so far.
    UsageSource* rows = store_ ? store_->router(udn) : nullptr;
    std::uint64_t bytes = routerHistory_->pendingOn(udn, today);
    if (rows) {
        const UsageRow day =
            rows->total(QDateTime(today, QTime(0, 0)), QDateTime(today.addDays(1), QTime(0, 0)));
        bytes += day.received + day.sent;
    }
    networkToday_ = MegabytesText(double(bytes) / kBytesPerKB, services_.decimalSeparator);
}

void MeterSession::reset() {
    // No counter is taken off any more: the readings grow by what the record took off.
    const auto [received, sent] = ipHelper_.countFromBoot();
    meter_.shiftBaselines(received, sent);
    history_->reset(ipHelper_.BytesReceived() + received, ipHelper_.BytesSent() + sent);
    MeterFields& f = meter_.fields;
    f.receivedKB = f.sentKB = f.savedReceived = f.savedSent = QStringLiteral("0");
    totals_.writeResetLine();
}

void MeterSession::checkAllowance() {
    const AllowanceSettings allowance = readAllowanceSettings(*services_.settings);
    if (allowance.quotaMb == 0)
        return; // nothing to watch: the history is not read
    const QDate today = services_.clock->today();
    // A router that does not count, or is not on this network now, tells nothing.
    const AllowanceCount count = allowanceCount(usage_, allowance, services_.clock->now());
    if (!count.notify)
        return;
    const AllowanceMark mark =
        allowanceWatch_.check(usedInCycle(count.source, today, allowance.cycleDay), today);
    tellAllowance(mark, services_.notifier, *services_.messages);
}

void MeterSession::flush() {
    // The router's exchanges end first, then one last reading counts what they and the last
    // second moved: a clean stop leaves none of this computer's own traffic out of the history.
    if (services_.router)
        services_.router->endExchanges();
    if (connection_ == Connection::Connected && ipHelper_.hasReading()) {
        readRates(services_.clock->now());
        totals_.save(savedTotals(), ipHelper_.reading());
    }
    history_->flush();
    routerHistory_->flush();
}

SavedTotals MeterSession::savedTotals() const {
    return {meter_.fields.savedReceived, meter_.fields.savedSent};
}

} // namespace tarvo
