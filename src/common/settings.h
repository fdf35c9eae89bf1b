#pragma once

#include <QDate>
#include <QString>

#include <cstdint>
#include <optional>
#include <string_view>

namespace tarvo {

class SettingsStore;

// How a key's stored text reads. A file the user edited by hand holds anything; each rule
// says what that anything is taken as, so that no reader has rules of its own.
enum class SettingRule {
    Flag,    // "1" is on, any other text off
    Number,  // ASCII digits from min to max, blanks around them dropped; anything else: fallback
    Word,    // one of words, blanks around it dropped; anything else: fallback
    Text,    // as written
    Trimmed, // blanks around it dropped
    Router,  // "auto" (also empty) or "off", in any case, or an http address; anything else: off
    Notice,  // "<cycle start, ISO> <mark, 0 to 100>[ <allowance in MB>]"; anything else: ""
};

// One key: where it is kept, what a missing value reads as, and how its text reads.
struct SettingKey {
    std::u16string_view section;
    std::u16string_view name;
    std::u16string_view fallback;
    SettingRule rule;
    std::uint64_t min = 0, max = 0; // Number
    std::u16string_view words = {}; // Word: the words taken, separated by blanks
};

// Far beyond any real allowance (about 95 TB), so that no byte count derived from it can
// overflow.
inline constexpr std::uint64_t kMaxQuotaMb = 100'000'000;

// Every key the program reads or writes. A new key is one line here and its getter below.
inline constexpr SettingKey kSettingKeys[] = {
    {u"settings", u"ontop", u"1", SettingRule::Flag},
    {u"settings", u"interfaces", u"", SettingRule::Text},
    {u"settings", u"router", u"auto", SettingRule::Router},
    {u"settings", u"quota_mb", u"0", SettingRule::Number, 0, kMaxQuotaMb},
    {u"settings", u"cycle_day", u"1", SettingRule::Number, 1, 31},
    {u"settings", u"quota_source", u"computer", SettingRule::Word, 0, 0, u"computer router"},
    {u"settings", u"quota_router", u"", SettingRule::Trimmed},
    {u"settings", u"quota_notified", u"", SettingRule::Notice},
};

// The key at "section/name", found while compiling: a misspelt key does not build.
consteval const SettingKey& settingKey(std::u16string_view path) {
    for (const SettingKey& key : kSettingKeys)
        if (path.size() == key.section.size() + 1 + key.name.size() &&
            path.starts_with(key.section) && path[key.section.size()] == u'/' &&
            path.ends_with(key.name))
            return key;
    throw "no such setting";
}

// What a stored text reads as by the key's rule: the form its setter writes.
QString settingReadAs(const SettingKey& key, const QString& stored);

// Whose traffic the monthly allowance counts: this computer's, or all the devices' behind a
// home router.
enum class QuotaSource { Computer, Router };

// The allowance mark last told: in which cycle, which mark and for which allowance, so that a
// restart tells nothing twice and a changed allowance is told its own marks.
struct AllowanceNotice {
    QDate cycleStart; // invalid: nothing told
    int mark = 0;
    std::optional<std::uint64_t> quotaMb; // none: written before the allowance was part of it
    bool operator==(const AllowanceNotice&) const = default;
};

// Reads the settings, each key by its rule. Nothing is read before a getter asks, and each
// asks the store again, so that a value changed elsewhere (the usage window, the user's
// editor) is seen.
class SettingsView {
public:
    explicit SettingsView(const SettingsStore& store) : reads_(store) {}

    // The text a key reads as; entry n (from 1) is the n-th of the section's list, in the form
    // Qt's settings arrays take ("allowances/2/quota_mb"); 0 is the key itself.
    QString text(const SettingKey& key, int entry = 0) const;

    bool alwaysOnTop() const;
    // The interfaces counted instead of the automatic choice (empty): names or shell patterns,
    // comma-separated, as written.
    QString interfaces() const;
    // "auto", "off" or the http address of a router's description.
    QString router() const;
    // The monthly allowance in MB (0: none), the day of the month it starts again, whose
    // traffic it counts and the router it counts (its id; empty: the one read last).
    std::uint64_t quotaMb() const;
    int cycleDay() const;
    QuotaSource quotaSource() const;
    QString quotaRouter() const;
    AllowanceNotice quotaNotified() const;

private:
    const SettingsStore& reads_;
};

// ... and writes them, each in the form it reads back as.
class Settings : public SettingsView {
public:
    explicit Settings(SettingsStore& store) : SettingsView(store), writes_(store) {}

    void setAlwaysOnTop(bool on);
    void setQuotaMb(std::uint64_t mb); // beyond kMaxQuotaMb: kMaxQuotaMb
    void setCycleDay(int day);         // held to 1 to 31
    void setQuotaSource(QuotaSource source);
    void setQuotaRouter(const QString& id);
    void setQuotaNotified(const AllowanceNotice& notice);

private:
    void write(const SettingKey& key, const QString& text, int entry = 0);
    SettingsStore& writes_;
};

} // namespace tarvo
