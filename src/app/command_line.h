#pragma once

#include <QString>
#include <QStringList>

namespace tarvo {

// What the arguments ask for.
struct CommandLine {
    enum class Action { Meter, Usage, Help, Version, Error };
    Action action = Action::Meter;
    bool json = false; // with Usage
    QString error;     // with Error: what is wrong, in English and in Arabic, one line each
};

// The program's arguments without the program name. Qt's own options (with their values)
// are left for Qt; anything else unknown is an error, so that no mistyped option starts the
// meter.
CommandLine parseCommandLine(const QStringList& arguments);

// "--help": the options, in English and in Arabic.
QString helpText();
// "--version".
QString versionText();

} // namespace tarvo
