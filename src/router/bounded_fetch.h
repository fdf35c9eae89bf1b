#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

class QNetworkAccessManager;
class QObject;

namespace tarvo {

// One exchange with a device on the LAN, which is not trusted to end it: the whole of it
// within 2 s, an answer of at most 64 KiB, no redirect, status 200 only.
struct FetchLimits {
    static constexpr int kDeadlineMs = 2000;
    static constexpr qint64 kMaxAnswer = 64 * 1024;
};

using FetchHeaders = QList<QPair<QByteArray, QByteArray>>;
// The body, or nullopt with the reason.
using FetchDone = std::function<void(std::optional<QByteArray> body, const QString& error)>;

// A GET where post is null, else a POST of it. done runs once, on the manager's thread, unless
// context is destroyed first.
void boundedFetch(QNetworkAccessManager& manager, const QUrl& url, const QByteArray* post,
                  const FetchHeaders& headers, QObject* context, FetchDone done);

} // namespace tarvo
