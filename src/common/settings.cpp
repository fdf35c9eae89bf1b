#include "common/settings.h"

#include "common/app_name.h"
#include "common/digits.h"
#include "common/settings_store.h"

#include <QStringList>
#include <QUrl>

#include <algorithm>

namespace tarvo {

namespace {

QString text16(std::u16string_view text) {
    return QStringView(text.data(), qsizetype(text.size())).toString();
}

QString keyName(const SettingKey& key, int entry) {
    return entry > 0 ? QString::number(entry) + u'/' + text16(key.name) : text16(key.name);
}

QString noticeText(const AllowanceNotice& notice) {
    QString text = notice.cycleStart.toString(Qt::ISODate) + u' ' + QString::number(notice.mark);
    if (notice.quotaMb)
        text += u' ' + QString::number(*notice.quotaMb);
    return text;
}

// Only the form noticeText writes: a cycle start that is not its ISO text ("2024-1-5") never
// equals one the program worked out, so it is nothing told, as a bad mark or allowance is.
std::optional<AllowanceNotice> parseNotice(const QString& text) {
    const QStringList parts = text.split(u' ');
    if (parts.size() != 2 && parts.size() != 3)
        return std::nullopt;
    AllowanceNotice notice;
    notice.cycleStart = QDate::fromString(parts[0], Qt::ISODate);
    const std::optional<std::uint64_t> mark = parseDigits(parts[1], 100);
    if (!mark || !notice.cycleStart.isValid() ||
        notice.cycleStart.toString(Qt::ISODate) != parts[0])
        return std::nullopt;
    notice.mark = int(*mark);
    if (parts.size() == 3) {
        notice.quotaMb = parseDigits(parts[2], kMaxQuotaMb);
        if (!notice.quotaMb)
            return std::nullopt;
    }
    return notice;
}

QString routerReadAs(const QString& stored) {
    const QString s = stored.trimmed();
    if (s.isEmpty() || s.compare(u"auto", Qt::CaseInsensitive) == 0)
        return QStringLiteral("auto");
    // A setting that is no http address sends nothing rather than anything else.
    const QUrl url(s, QUrl::StrictMode);
    if (s.compare(u"off", Qt::CaseInsensitive) == 0 || !url.isValid() || url.scheme() != u"http")
        return QStringLiteral("off");
    return s;
}

} // namespace

QString settingReadAs(const SettingKey& key, const QString& stored) {
    const QString fallback = text16(key.fallback);
    switch (key.rule) {
    case SettingRule::Flag:
        return stored == u"1" ? QStringLiteral("1") : QStringLiteral("0");
    case SettingRule::Number: {
        const std::optional<std::uint64_t> n = parseDigits(stored.trimmed(), key.max);
        return n && *n >= key.min ? QString::number(*n) : fallback;
    }
    case SettingRule::Word: {
        const QString word = stored.trimmed();
        const bool known = !word.isEmpty() && text16(key.words).split(u' ').contains(word);
        return known ? word : fallback;
    }
    case SettingRule::Text:
        return stored;
    case SettingRule::Trimmed:
        return stored.trimmed();
    case SettingRule::Router:
        return routerReadAs(stored);
    case SettingRule::Notice: {
        const std::optional<AllowanceNotice> notice = parseNotice(stored);
        return notice ? noticeText(*notice) : QString();
    }
    }
    return fallback;
}

QString SettingsView::text(const SettingKey& key, int entry) const {
    return settingReadAs(key, reads_.value(appName(), text16(key.section), keyName(key, entry),
                                           text16(key.fallback)));
}

bool SettingsView::alwaysOnTop() const {
    return text(settingKey(u"settings/ontop")) == u"1";
}

QString SettingsView::interfaces() const {
    return text(settingKey(u"settings/interfaces"));
}

QString SettingsView::router() const {
    return text(settingKey(u"settings/router"));
}

std::uint64_t SettingsView::quotaMb() const {
    return text(settingKey(u"settings/quota_mb")).toULongLong();
}

int SettingsView::cycleDay() const {
    return text(settingKey(u"settings/cycle_day")).toInt();
}

QuotaSource SettingsView::quotaSource() const {
    return text(settingKey(u"settings/quota_source")) == u"router" ? QuotaSource::Router
                                                                   : QuotaSource::Computer;
}

QString SettingsView::quotaRouter() const {
    return text(settingKey(u"settings/quota_router"));
}

AllowanceNotice SettingsView::quotaNotified() const {
    return parseNotice(text(settingKey(u"settings/quota_notified"))).value_or(AllowanceNotice{});
}

void Settings::write(const SettingKey& key, const QString& text, int entry) {
    writes_.setValue(appName(), text16(key.section), keyName(key, entry), text);
}

void Settings::setAlwaysOnTop(bool on) {
    write(settingKey(u"settings/ontop"), on ? QStringLiteral("1") : QStringLiteral("0"));
}

void Settings::setQuotaMb(std::uint64_t mb) {
    write(settingKey(u"settings/quota_mb"), QString::number(std::min(mb, kMaxQuotaMb)));
}

void Settings::setCycleDay(int day) {
    write(settingKey(u"settings/cycle_day"), QString::number(std::clamp(day, 1, 31)));
}

void Settings::setQuotaSource(QuotaSource source) {
    write(settingKey(u"settings/quota_source"),
          source == QuotaSource::Router ? QStringLiteral("router") : QStringLiteral("computer"));
}

void Settings::setQuotaRouter(const QString& id) {
    write(settingKey(u"settings/quota_router"), id);
}

void Settings::setQuotaNotified(const AllowanceNotice& notice) {
    write(settingKey(u"settings/quota_notified"), noticeText(notice));
}

} // namespace tarvo
