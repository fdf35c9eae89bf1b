#pragma once

#include "app/services.h"
#include "support/fake_launcher.h"
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
