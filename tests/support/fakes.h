#pragma once

#include "common/clock.h"
#include "common/connection_probe.h"
#include "common/message_boxes.h"
#include "common/settings_store.h"

#include <QDateTime>
#include <QMap>
#include <QStringList>

#include <functional>
#include <vector>

// Friday 7 April 2017, 09:05:03 unless a test sets another time.
class FakeClock : public tarvo::Clock {
public:
    QDateTime time{QDate(2017, 4, 7), QTime(9, 5, 3)};
    qint64 steady = 0;
    std::vector<int> sleeps;
    std::function<void()> onNow;
    QDateTime now() const override {
        if (onNow)
            onNow();
        return time;
    }
    qint64 steadyMs() const override { return steady; }
    // A pause takes its time on the steady clock as it would in earnest.
    void sleepMs(int ms) override {
        sleeps.push_back(ms);
        steady += ms;
    }
};

class FakeConnection : public tarvo::ConnectionProbe {
public:
    bool connected = true;
    bool isConnected() override { return connected; }
};

// Records every box; questions get `answer`.
class FakeMessages : public tarvo::MessageBoxes {
public:
    struct Shown {
        QString caption, text;
        bool question;
    };
    std::vector<Shown> shown;
    bool answer = false;
    void information(const QString& caption, const QString& text) override {
        shown.push_back({caption, text, false});
    }
    bool askYesNo(const QString& caption, const QString& text) override {
        shown.push_back({caption, text, true});
        return answer;
    }
    QStringList captions() const {
        QStringList all;
        for (const Shown& box : shown)
            all << box.caption;
        return all;
    }
    QStringList texts() const {
        QStringList all;
        for (const Shown& box : shown)
            all << box.text;
        return all;
    }
};

// Keys as "application/section/key"; counts the reads.
class FakeSettings : public tarvo::SettingsStore {
public:
    QMap<QString, QString> values;
    mutable int reads = 0;
    std::function<void()> onRead;
    QString value(const QString& app, const QString& section, const QString& key,
                  const QString& defaultValue) const override {
        ++reads;
        if (onRead)
            onRead();
        return values.value(app + '/' + section + '/' + key, defaultValue);
    }
    void setValue(const QString& app, const QString& section, const QString& key,
                  const QString& value) override {
        values[app + '/' + section + '/' + key] = value;
    }
    // The program's own setting of that name.
    QString& at(const QString& key) { return values["Tarvo/settings/" + key]; }
};
