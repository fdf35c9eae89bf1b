#pragma once

#include "support/fakes.h"
#include "system/command_launcher.h"

#include <QList>
#include <QStringList>

namespace tarvo::testing {

class RecordingLauncher final : public CommandLauncher {
public:
    struct Start {
        QString program;
        QStringList arguments;
        ShowState showState;
    };
    QList<Start> starts;
    QStringList installed; // names findProgram finds, in /usr/bin
    bool startSucceeds = true;

    bool start(const QString& program, const QStringList& arguments, ShowState showState) override {
        starts.append(Start{program, arguments, showState});
        return startSucceeds;
    }
    QString findProgram(const QString& name) const override {
        return installed.contains(name) ? QStringLiteral("/usr/bin/") + name : QString();
    }
};

} // namespace tarvo::testing
