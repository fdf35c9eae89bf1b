#pragma once

#include "history/allowance.h"
#include "history/usage_source.h"

#include <QDateTime>
#include <QStringList>

#include <optional>
#include <vector>

namespace tarvo {

// The household's use as the home router counts it: which router the windows show and the
// allowance counts, and what is said of it. No widgets.

inline constexpr char16_t UsageSourceCaption[] = u"الاستهلاك:";
inline constexpr char16_t ThisComputerChoice[] = u"هذا الحاسب";
inline constexpr char16_t WholeNetworkChoice[] = u"كل أجهزة الشبكة (الموجّه)";
inline constexpr char16_t RouterLastReadLine[] = u"الموجّه: %1 — آخر قراءة %2";
inline constexpr char16_t RouterNotReadSinceLine[] = u"لم يُقرأ الموجّه منذ %1";
inline constexpr char16_t RouterDoesNotCountLine[] =
    u"لا يعطي الموجّه عدادات تتغير، فلا يُحسب منه استهلاك الشبكة";
inline constexpr char16_t SpreadNote[] = u"~ وُزّع بالتساوي على مدة لم يُقرأ فيها الموجّه";
inline constexpr char16_t UnknownSpanLine[] = u"لم يُعرف ما عبر الموجّه من %1 إلى %2";
inline constexpr char16_t WholeNetworkTodayTip[] = u"كل أجهزة الشبكة اليوم: %1";
inline constexpr char16_t QuotaSourceCaption[] = u"تُحسب الباقة على:";
inline constexpr char16_t UnknownInFigureNote[] = u"الرقم لا يشمل مدة لم تُعرف";
inline constexpr char16_t QuotaRouterNotSeenLine[] =
    u"الباقة محسوبة على الموجّه %1، ولا يُرى على هذه الشبكة الآن";

inline constexpr char16_t NoRouterAnsweredLine[] = u"لم يجب أي موجّه على الشبكة";
inline constexpr char16_t RouterUnreadableLine[] = u"تعذّر قراءة الموجّه: %1";
inline constexpr char16_t RouterCountsLessLine[] = u"الموجّه لا يعدّ حركة هذا الحاسب";
inline constexpr char16_t QuotaRouterCountsLessLine[] =
    u"الموجّه يعدّ أقل مما مرّ به من هذا الحاسب وحده";
inline constexpr char16_t OtherDevicesChoice[] = u"بقية الأجهزة";
inline constexpr char16_t OtherDevicesNote[] =
    u"بقية الأجهزة: ما عدّه الموجّه ناقص حركة هذا الحاسب من خلاله، وهو حدّ أدنى: حركة هذا "
    u"الحاسب داخل المنزل تُحسب عليه ولا يعدّها الموجّه";

// The failure kept when a search found no router at all, on the router read last.
inline constexpr char kNoRouterAnswered[] = "no router answered";

// A router's name as every label and line shows it: plain text, without control, format and
// separator characters, at most kShownNameLength characters; its id where it gives none.
constexpr int kShownNameLength = 64;
QString shownRouterName(const RouterRecord& router);

// How the router counts, as "--usage --json" says it: "ok", "lost", "not counting" or
// "counts less".
QString routerStatus(const RouterRecord& router);

// The router the windows show: the one read last; none before any was read.
std::optional<RouterRecord> shownRouter(UsageSource* history);

// A router's time as its lines say it, local: "dd/MM/yyyy HH:mm".
QString routerTimeText(const QDateTime& time);

// The lines under the choice of whose use is shown: the router's name and last reading, that
// it was not read for over two minutes, that it does not count.
QStringList routerStatusLines(const RouterRecord& router, const QDateTime& now);

// One line per span whose traffic through the router is unknown, in order.
QStringList unknownSpanLines(const std::vector<UsageGap>& gaps);

// Whose rows the allowance counts, as the settings say.
struct AllowanceCount {
    UsageSource* source = nullptr; // null: a router this history never read
    bool router = false;
    QString routerId;   // the router it counts: the one set, else the one read last
    QString routerName; // its name, else its id
    // The router was read within the last hour and is the one read last: it is on this
    // network now. Always true for this computer.
    bool seen = true;
    // Notices may be given: this computer, or a router that is seen and counts.
    bool notify = true;
    // The router counts less than this computer alone moved through it.
    bool countsLess = false;
};
AllowanceCount allowanceCount(UsageSource* history, const AllowanceSettings& allowance,
                              const QDateTime& now);

// Whether any span of [from, to) is unknown in source.
bool hasUnknown(UsageSource* source, const QDate& first, const QDate& afterLast);

} // namespace tarvo
