#include "feed_fetcher.h"

#include "common/log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

namespace tarvo {

namespace {

bool isWebScheme(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return scheme == u"http" || scheme == u"https";
}

} // namespace

FeedFetcher::FeedFetcher(QObject* parent)
    : QObject(parent), network_(new QNetworkAccessManager(this)) {
    deadline_.setSingleShot(true);
    connect(&deadline_, &QTimer::timeout, this, [this] { complete(false); });
}

FeedFetcher::~FeedFetcher() {
    dropReply();
}

QByteArray charsetOfContentType(const QByteArray& contentType) {
    const QList<QByteArray> parts = contentType.split(';');
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QByteArray parameter = parts[i].trimmed();
        const qsizetype equals = parameter.indexOf('=');
        if (equals < 0 || parameter.left(equals).trimmed().toLower() != "charset")
            continue;
        QByteArray value = parameter.mid(equals + 1).trimmed();
        if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
            value = value.mid(1, value.size() - 2);
        return value;
    }
    return {};
}

bool FeedFetcher::start(const QString& address) {
    if (running_)
        return false;
    running_ = true;
    body_.clear();
    charset_.clear();
    redirects_ = 0;
    address_ = address;
    deadline_.start(limits_.deadline);

    // Surrounding blanks are typing, not part of an address.
    const QUrl url(address.trimmed());
    const QString scheme = url.scheme().toLower();
    if (isWebScheme(url) && url.isValid() && !url.host().isEmpty()) {
        startNetwork(url);
    } else if (scheme == u"file") {
        // The result still arrives from the event loop, as for a download.
        const QString path = url.toLocalFile();
        later([this, path] { readFile(path); });
    } else if (QDir::isAbsolutePath(address) || url.scheme().isEmpty()) {
        later([this, address] { readFile(address); });
    } else {
        later([this] { complete(false); });
    }
    return true;
}

void FeedFetcher::cancel() {
    dropReply();
    deadline_.stop();
    running_ = false;
    ++generation_;
}

// Runs a step of this fetch from the event loop; after a cancel it never runs, even when
// another fetch has started meanwhile.
void FeedFetcher::later(std::function<void()> step) {
    QMetaObject::invokeMethod(
        this,
        [this, step = std::move(step), generation = generation_] {
            if (generation == generation_)
                step();
        },
        Qt::QueuedConnection);
}

void FeedFetcher::startNetwork(const QUrl& url) {
    QNetworkRequest request(url);
    // Redirects stay on the web and never fall from https back to http. (Verifying each
    // one ourselves instead trips over the manager's handling of reused connections.)
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(limits_.maxRedirects);
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Tarvo news reader"));
    reply_ = network_->get(request);
    connect(reply_, &QNetworkReply::readyRead, this, &FeedFetcher::onReadyRead);
    connect(reply_, &QNetworkReply::redirected, this, &FeedFetcher::onRedirected);
    connect(reply_, &QNetworkReply::finished, this, &FeedFetcher::onReplyFinished);
}

void FeedFetcher::readFile(const QString& path) {
    if (!running_)
        return;
    // Only a regular file: a device or a pipe could block the program or never end.
    const QFileInfo info(path);
    QFile file(path);
    if (!info.isFile() || info.size() > limits_.maxBytes || !file.open(QIODevice::ReadOnly)) {
        complete(false);
        return;
    }
    body_ = file.read(limits_.maxBytes + 1);
    complete(file.error() == QFileDevice::NoError && body_.size() <= limits_.maxBytes);
}

void FeedFetcher::onReadyRead() {
    if (!reply_)
        return;
    body_ += reply_->read(limits_.maxBytes + 1 - body_.size());
    if (body_.size() > limits_.maxBytes)
        complete(false);
}

void FeedFetcher::onRedirected(const QUrl& url) {
    if (!reply_)
        return;
    if (++redirects_ > limits_.maxRedirects || !isWebScheme(url))
        complete(false);
}

void FeedFetcher::onReplyFinished() {
    if (!reply_)
        return;
    onReadyRead();
    if (!running_)
        return;
    const int status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    charset_ = charsetOfContentType(reply_->rawHeader("Content-Type"));
    complete(reply_->error() == QNetworkReply::NoError && status >= 200 && status < 300);
}

void FeedFetcher::complete(bool ok) {
    if (!running_)
        return;
    if (!ok)
        qCWarning(lcNews).noquote()
            << "the feed could not be read:" << address_
            << (reply_ && reply_->error() != QNetworkReply::NoError ? reply_->errorString()
                                                                    : QString());
    dropReply();
    deadline_.stop();
    running_ = false;
    QByteArray document;
    QByteArray charset;
    if (ok) {
        document.swap(body_);
        charset.swap(charset_);
    }
    body_.clear();
    charset_.clear();
    emit finished(ok, document, charset);
}

void FeedFetcher::dropReply() {
    if (!reply_)
        return;
    QNetworkReply* reply = reply_;
    reply_ = nullptr;
    reply->disconnect(this);
    reply->abort();
    reply->deleteLater();
}

} // namespace tarvo
