#pragma once

#include "common/clock.h"
#include "common/message_boxes.h"
#include "common/settings_store.h"
#include "history/notifier.h"

#include <QMap>

#include <vector>

class HistoryClock : public tarvo::Clock {
public:
    QDateTime time{QDate(2017, 4, 7), QTime(9, 5, 3)};
    QDateTime now() const override { return time; }
    void sleepMs(int) override {}
};

class HistoryMessages : public tarvo::MessageBoxes {
public:
    std::vector<std::pair<QString, QString>> shown; // caption, text
    void information(const QString& caption, const QString& text) override {
        shown.emplace_back(caption, text);
    }
    bool askYesNo(const QString& caption, const QString& text) override {
        shown.emplace_back(caption, text);
        return false;
    }
};

class HistorySettings : public tarvo::SettingsStore {
public:
    QMap<QString, QString> values;
    QString value(const QString& app, const QString& section, const QString& key,
                  const QString& defaultValue) const override {
        return values.value(app + '/' + section + '/' + key, defaultValue);
    }
    void setValue(const QString& app, const QString& section, const QString& key,
                  const QString& value) override {
        values[app + '/' + section + '/' + key] = value;
    }
    QString& at(const QString& key) { return values["Tarvo/settings/" + key]; }
};

class FakeNotifier : public tarvo::Notifier {
public:
    // false: the desktop has no notification service
    bool answers = true;
    std::vector<std::pair<QString, QString>> sent; // summary, body
    void notify(const QString& summary, const QString& body,
                std::function<void()> onAbsent) override {
        sent.emplace_back(summary, body);
        if (!answers)
            onAbsent();
    }
};
