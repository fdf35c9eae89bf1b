#pragma once

#include "system/command_launcher.h"

#include <QStringList>

#include <vector>

// Records the programs started; findProgram finds the names in `installed`, in /usr/bin.
class FakeLauncher : public tarvo::CommandLauncher {
public:
    struct Started {
        QString program;
        QStringList arguments;
        tarvo::ShowState show;
    };
    std::vector<Started> started;
    QStringList installed;
    bool startSucceeds = true;

    bool start(const QString& program, const QStringList& arguments,
               tarvo::ShowState show) override {
        started.push_back({program, arguments, show});
        return startSucceeds;
    }
    QString findProgram(const QString& name) const override {
        return installed.contains(name) ? QStringLiteral("/usr/bin/") + name : QString();
    }
};
