#pragma once

#include "common/clock.h"
#include "common/connection_probe.h"
#include "common/data_directory.h"
#include "common/message_boxes.h"
#include "common/settings_store.h"
#include "history/history_store.h"
#include "history/notifier.h"
#include "history/usage_source.h"
#include "router/router_source.h"
#include "traffic/if_table.h"

#include <QChar>

#include <functional>
#include <string>

namespace tarvo {

class CommandLauncher;
class Registry;

// Refuses a second running copy of the program. The refused copy asks the running one to
// come to the front, so that starting the program again always shows it.
class InstanceLock {
public:
    virtual ~InstanceLock() = default;
    virtual bool tryAcquire() = 0;
    // Held: runs onShowRequest on the GUI thread whenever a later copy starts.
    virtual void listenForShowRequests(std::function<void()> onShowRequest) = 0;
    // Refused: tells the running copy to show itself; writes no file and no setting.
    virtual void askRunningCopyToShow() = 0;
};

// Every contact of the windows with the outside world. main() fills it with the real
// implementations; tests hand in fakes. Not owning.
struct Services {
    InterfaceTableSource* interfaces = nullptr;
    ConnectionProbe* connection = nullptr;
    Clock* clock = nullptr;
    MessageBoxes* messages = nullptr;
    SettingsStore* settings = nullptr;
    InstanceLock* instanceLock = nullptr;
    Registry* registry = nullptr;
    CommandLauncher* launcher = nullptr;
    UsageSource* usage = nullptr;   // the usage history; null: none kept
    Notifier* notifier = nullptr;   // desktop notifications; null: message boxes
    RouterSource* router = nullptr; // the home router's counters; null: not read
    QString applicationFilePath;
    DataDirectory dataDirectory{QString()};
    QChar decimalSeparator = u'.';
    std::string bootId; // this boot of the computer; empty when unknown
    QDateTime bootTime; // when the computer started; invalid when unknown
    // Opens the usage history once the lock is held; unset or returning null: no history.
    std::function<HistoryStore*()> openHistory;
};

} // namespace tarvo
