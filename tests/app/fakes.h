#pragma once

#include "app/services.h"
#include "support/fakes.h"
#include "system/memory_registry.h"
#include "traffic/fake_if_table.h"

#include <QTemporaryDir>

#include <functional>
#include <vector>

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
