#pragma once

#include <QString>
#include <QStringList>

namespace tarvo {

// How a started program's window should first appear, numbered as the platform's show
// states. Linux programs take no such request, so there it is only a hint.
enum class ShowState {
    Hidden = 0,
    Normal = 1,
    Minimized = 2,
    Maximized = 3,
    Show = 5,
};

// Starts programs without waiting for them.
class CommandLauncher {
public:
    virtual ~CommandLauncher() = default;
    // Each argument reaches the program as one argument, whatever it holds.
    virtual bool start(const QString& program, const QStringList& arguments,
                       ShowState showState) = 0;
    // The program's absolute path when it is found on the search path, else empty.
    virtual QString findProgram(const QString& name) const = 0;
};

class ProcessLauncher final : public CommandLauncher {
public:
    bool start(const QString& program, const QStringList& arguments, ShowState showState) override;
    QString findProgram(const QString& name) const override;
};

} // namespace tarvo
