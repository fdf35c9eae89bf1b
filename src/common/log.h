#pragma once

#include <QLoggingCategory>
#include <QString>

#include <cstdio>

namespace tarvo {

// One category per subsystem. Warnings and information are on by default, debug lines off
// (QT_LOGGING_RULES="tarvo.*.debug=true" turns them on).
Q_DECLARE_LOGGING_CATEGORY(lcTraffic)
Q_DECLARE_LOGGING_CATEGORY(lcHistory)
Q_DECLARE_LOGGING_CATEGORY(lcRouter)
Q_DECLARE_LOGGING_CATEGORY(lcNews)
Q_DECLARE_LOGGING_CATEGORY(lcSystem)

// The program's log: every message of Qt's logging, one line each, to "tarvo.log" in the data
// directory (at most kMaxBytes; the one before kept as "tarvo.log.1") and to standard error
// where there is one. Text from outside (paths, feeds, a router's answers) cannot break a line
// or forge one: control, format and separator characters are written escaped.
class Log {
public:
    static constexpr qint64 kMaxBytes = 1024 * 1024;
    static constexpr int kMaxLineChars = 1000;
    static constexpr char kFileName[] = "tarvo.log";

    // Installs the log as Qt's message handler; directory empty: standard error only. err is
    // where standard error goes (null: none, as for a program without a console).
    static void install(const QString& directory, std::FILE* err = stderr);
    // Back to Qt's own handler.
    static void uninstall();

    // One message as its line is written, without the line end: time, category, level, text.
    static QString line(QtMsgType type, const char* category, const QString& text,
                        const QString& time);
    // The text with what would break a line escaped (\n, \r, \t, \\, \u2028...), cut to
    // kMaxLineChars.
    static QString escaped(const QString& text);
};

} // namespace tarvo
