#pragma once
// A usage history of the tests' own: a temporary folder and the history file in it.

#include "history/history_store.h"

#include <QDateTime>
#include <QDir>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdint>
#include <memory>

// The history file in a data folder, where the program keeps it.
inline QString historyPathIn(const QString& dir) {
    return QDir(dir).filePath(QString::fromLatin1(tarvo::HistoryStore::kFileName));
}

inline std::unique_ptr<tarvo::HistoryStore> openHistoryIn(const QString& dir) {
    return std::make_unique<tarvo::HistoryStore>(historyPathIn(dir),
                                                 tarvo::HistoryStore::Mode::ReadWrite);
}

// The folder alone, for tests that open and close the file themselves.
struct TempHistoryDir {
    QTemporaryDir dir;
    QString path() const { return historyPathIn(dir.path()); }
    // The files a damaged history was moved aside to.
    QStringList damaged() const {
        return QDir(dir.path())
            .entryList({QString::fromLatin1(tarvo::HistoryStore::kFileName) +
                        QStringLiteral(".damaged-*")},
                       QDir::Files);
    }
};

// The folder and the history opened for writing in it.
struct TempHistory : TempHistoryDir {
    tarvo::HistoryStore store{path(), tarvo::HistoryStore::Mode::ReadWrite};
};

// One minute of one interface, with the mark at that minute.
inline bool addMinute(tarvo::HistoryStore& store, const QDateTime& when, const QString& name,
                      std::uint64_t rx, std::uint64_t tx) {
    const qint64 k = tarvo::HistoryStore::minuteKey(when);
    return store.writeMinute(k, {{name, rx, tx}}, tarvo::HistoryMark{0, 0, k, QString(), "B"});
}
