#pragma once

#include <QSqlDatabase>
#include <QString>

#include <functional>

namespace tarvo {

// The SQLite file under the history: its connection, journal and schema (the columns added
// since the tables were first made are added to an older file), and what is done with a file
// that is damaged: moved aside, its journal with it, and a new one begun.
class HistoryFile {
public:
    // What the history prepares on the connection: made after every open, and dropped before
    // every close, since a statement must not outlive its connection.
    struct Statements {
        std::function<bool(const QSqlDatabase&)> prepare;
        std::function<void()> release;
    };

    // writing: a damaged file, one that is no database or one that something else holds
    // locked is moved aside and a new one started. Otherwise nothing is ever written, and a
    // journal beside the file (a running meter's) is read as well.
    HistoryFile(const QString& path, bool writing, Statements statements);
    ~HistoryFile();
    HistoryFile(const HistoryFile&) = delete;
    HistoryFile& operator=(const HistoryFile&) = delete;

    bool isOpen() const { return open_; }
    QSqlDatabase database() const;
    QString readError() const { return readError_; }
    QString movedAside() const { return movedAside_; }

    // Runs body in one transaction. A failure on a file that is found damaged moves it aside,
    // begins a new one and runs body once more, on it; rolledBack runs after each failed try.
    bool transact(const std::function<bool()>& body, const std::function<void()>& rolledBack);

private:
    bool openWriting();
    bool openReading();
    bool tryOpen();
    bool attempt(const std::function<bool()>& body, const std::function<void()>& rolledBack);
    bool damaged();
    void moveAside();
    void close();

    QString path_;
    bool writing_;
    Statements statements_;
    QString connection_;
    bool open_ = false;
    QString movedAside_;
    QString readError_;
};

} // namespace tarvo
