#pragma once

#include "app/services.h"
#include "system/memory_registry.h"
#include "traffic/fake_if_table.h"

#include <QMap>
#include <QTemporaryDir>

#include <functional>
#include <vector>

class FakeClock : public tarvo::Clock {
public:
    QDateTime time{QDate(2017, 4, 7), QTime(9, 5, 3)};
    std::vector<int> sleeps;
    std::function<void()> onNow;
    QDateTime now() const override {
        if (onNow)
            onNow();
        return time;
    }
    void sleepMs(int ms) override { sleeps.push_back(ms); }
};

class FakeConnection : public tarvo::ConnectionProbe {
public:
    bool connected = true;
    bool isConnected() override { return connected; }
};

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
};

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
};

class FakeLock : public tarvo::InstanceLock {
public:
    bool free = true;
    int showRequestsSent = 0;
    std::function<void()> onShowRequest;
    bool tryAcquire() override { return free; }
    void listenForShowRequests(std::function<void()> callback) override {
        onShowRequest = std::move(callback);
    }
    void askRunningCopyToShow() override { ++showRequestsSent; }
};

class FakeLauncher : public tarvo::CommandLauncher {
public:
    struct Started {
        QString program;
        QStringList arguments;
        tarvo::ShowState show;
    };
    std::vector<Started> started;
    QStringList installed; // programs findProgram finds
    bool start(const QString& program, const QStringList& arguments,
               tarvo::ShowState show) override {
        started.push_back({program, arguments, show});
        return true;
    }
    QString findProgram(const QString& name) const override {
        return installed.contains(name) ? "/usr/bin/" + name : QString();
    }
};

// Every service faked, the data directory a fresh temporary one.
struct FakeServices {
    FakeIfTable table;
    FakeConnection connection;
    FakeClock clock;
    FakeMessages messages;
    FakeSettings settings;
    FakeLock lock;
    tarvo::MemoryRegistry registry;
    FakeLauncher launcher;
    QTemporaryDir dir;
    std::string bootId;

    tarvo::Services services() {
        tarvo::Services s;
        s.interfaces = &table;
        s.connection = &connection;
        s.clock = &clock;
        s.messages = &messages;
        s.settings = &settings;
        s.instanceLock = &lock;
        s.registry = &registry;
        s.launcher = &launcher;
        s.applicationFilePath = "/opt/tarvo/bin/tarvo";
        s.dataDirectory = tarvo::DataDirectory(dir.path());
        s.bootId = bootId;
        return s;
    }
};
