#include "router/bounded_fetch.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>

#include <memory>

namespace tarvo {

void boundedFetch(QNetworkAccessManager& manager, const QUrl& url, const QByteArray* post,
                  const FetchHeaders& headers, QObject* context, FetchDone done) {
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    for (const auto& [name, value] : headers)
        request.setRawHeader(name, value);
    QNetworkReply* reply = post ? manager.post(request, *post) : manager.get(request);
    // Read as it comes, so that an answer too large is refused at its 64 KiB, not held whole.
    reply->setReadBufferSize(FetchLimits::kMaxAnswer + 1);
    struct State {
        QByteArray body;
        QString refusal;
        bool delivered = false;
    };
    auto state = std::make_shared<State>();
    QPointer<QObject> alive(context);
    const auto refuse = [reply, state](const QString& why) {
        if (state->refusal.isEmpty())
            state->refusal = why;
        reply->abort();
    };
    auto* deadline = new QTimer(reply);
    deadline->setSingleShot(true);
    QObject::connect(deadline, &QTimer::timeout, reply,
                     [refuse] { refuse(QStringLiteral("no whole answer within 2 s")); });
    deadline->start(FetchLimits::kDeadlineMs);
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [reply, refuse] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > FetchLimits::kMaxAnswer)
            refuse(QStringLiteral("an answer over 64 KiB"));
    });
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [reply, state, refuse] {
        state->body += reply->readAll();
        if (state->body.size() > FetchLimits::kMaxAnswer)
            refuse(QStringLiteral("an answer over 64 KiB"));
    });
    QObject::connect(
        reply, &QNetworkReply::finished, reply, [reply, state, alive, done = std::move(done)] {
            reply->deleteLater();
            if (state->delivered || !alive)
                return;
            state->delivered = true;
            if (state->refusal.isEmpty())
                state->body += reply->readAll();
            const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            if (!state->refusal.isEmpty())
                done(std::nullopt, state->refusal);
            else if (reply->error() != QNetworkReply::NoError)
                done(std::nullopt, reply->errorString());
            else if (status != 200)
                done(std::nullopt, QStringLiteral("HTTP status %1").arg(status));
            else if (state->body.size() > FetchLimits::kMaxAnswer)
                done(std::nullopt, QStringLiteral("an answer over 64 KiB"));
            else
                done(state->body, QString());
        });
}

} // namespace tarvo
