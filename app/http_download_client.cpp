#include "app/http_download_client.h"

#include "app/client_settings.h"
#include "http/nmhttp.h"
#include "http/reply_head.h"
#include "http/request_lines.h"

#include <QFile>
#include <QUrl>

HttpDownloadClient::HttpDownloadClient(TNMHTTP& http)
    : http_(http) {
    // Look the callbacks up at call time, so SetEvents may come later.
    http_.OnConnect = [this](QObject*) {
        if (events().connected)
            events().connected();
    };
    http_.OnStatus = [this](QObject*, const QString&) {
        if (events().status)
            events().status();
    };
    http_.OnPacketRecvd = [this](QObject*) {
        if (events().packetReceived)
            events().packetReceived();
    };
    http_.OnSuccess = [this](CmdType) { ReplySucceeded(); };
    http_.OnFailure = [this](CmdType) {
        failed_ = true;
        ReplyFailed();
    };
    finished_ = QObject::connect(&http_, &TNMHTTP::finished, [this](const TNMHTTP::Result& r) {
        const bool threw = r.status == TNMHTTP::Result::Status::Error ||
                           r.status == TNMHTTP::Result::Status::Cancelled;
        ended_ = {threw, r.error, r.reason};
        TransferOver(threw, threw ? r.reason : QString(), r.error);
    });
}

HttpDownloadClient::~HttpDownloadClient() {
    http_.OnConnect = nullptr;
    http_.OnStatus = nullptr;
    http_.OnPacketRecvd = nullptr;
    http_.OnSuccess = nullptr;
    http_.OnFailure = nullptr;
    QObject::disconnect(finished_);
}

void HttpDownloadClient::Start(const QString& url, const QString& path, PathFound found) {
    http_.Body = QFile::encodeName(path);
    http_.BodyFileFree = found == PathFound::Nothing;
    // A request that fails before it runs saved nothing either.
    http_.SavedBytes = -1;
    // What the last request left in the component says nothing of this one
    // until it has run.
    ended_ = {};
    failed_ = false;
    if (refererFromBaseUrl_)
        http_.HeaderInfo.Referer = RequestLines::EncodeUrl(BaseUrlOf(url).toUtf8());
    if (beforeGet_)
        beforeGet_(url);
    if (loginFor_) {
        const std::optional<BasicLogin> login = loginFor_(url);
        http_.HeaderInfo.UserId = login ? login->user.toUtf8() : QByteArray();
        http_.HeaderInfo.Password = login ? login->password.toUtf8() : QByteArray();
    }
    // Before the request starts: on a kept connection a reply already
    // waiting is read, and its outcome told, within Start.
    TransferBegins();
    try {
        http_.Start(cmdGet, url);
    } catch (...) {
        TransferNotStarted();
        throw;
    }
}

void HttpDownloadClient::Abort() {
    AbortAsked();
    http_.cancel();
}

int HttpDownloadClient::ReplyStatus() const {
    return http_.ReplyCode;
}

QString HttpDownloadClient::ReplyEtag() const {
    return QString::fromLatin1(http_.LastReplyHead().etag);
}

QString HttpDownloadClient::ReplyLastModified() const {
    return QString::fromLatin1(http_.LastReplyHead().lastModified);
}

bool HttpDownloadClient::ReplyOffersBasic() const {
    return http_.LastReplyHead().basicOffered;
}

bool HttpDownloadClient::Multiplexed() const {
    return http_.OnStream();
}

QString HttpDownloadClient::StatusText() const {
    return http_.StatusText;
}

qint64 HttpDownloadClient::ReceivedBytes() const {
    return http_.ReceivedBytes;
}

qint64 HttpDownloadClient::ExpectedBytes() const {
    return http_.ExpectedBytes;
}

QString HttpDownloadClient::FailureReason() const {
    if (!http_.FailureReason.isEmpty())
        return http_.FailureReason;
    return QString::fromLatin1(http_.StatusLine());
}

qint64 HttpDownloadClient::SlowDownSeconds() const {
    // Only the reply's own status says so; a failure of ours never does.
    if (!http_.FailureReason.isEmpty() || (http_.ReplyCode != 429 && http_.ReplyCode != 503))
        return -1;
    return qMax<qint64>(http_.RetryAfter, 0);
}

qint64 HttpDownloadClient::SavedBytes() const {
    return http_.SavedBytes;
}

void HttpDownloadClient::NewRun() {
    http_.ClearCookies();
}

DownloadClient::Failure HttpDownloadClient::LastFailure() const {
    if (ended_.error) {
        // Where the connection went: the proxy, when one is used.
        const bool direct = http_.Proxy.isEmpty();
        const QString host = direct ? http_.Host : http_.Proxy;
        const QString address =
            host.toLower() + ':' + QString::number(direct ? http_.Port : http_.ProxyPort);
        return {
            JobPolicy::ForError(ended_.code),
            JobPolicy::ErrorReason(ended_.code, http_.LastErrorCode, ended_.text, host, address)};
    }
    if (!failed_) // it never got as far as a reply: the caller has the text
        return {};
    if (!http_.FailureReason.isEmpty())
        return {JobPolicy::ForBadReply(http_.FailureReason), http_.FailureReason, true};
    return {JobPolicy::ForStatus(http_.ReplyCode), QString::fromLatin1(http_.StatusLine()), true};
}

QString HttpDownloadClient::AddressOf(const QString& url) const {
    // A hook may pick a proxy per URL (the environment's): the server's
    // address is then the one that stays the same for the same URL.
    if (!beforeGet_ && !http_.Proxy.isEmpty())
        return http_.Proxy.toLower() + ':' + QString::number(http_.ProxyPort);
    const QUrl parsed(url);
    const int port = parsed.port(
        parsed.scheme().compare(QStringLiteral("https"), Qt::CaseInsensitive) == 0 ? 443 : 80);
    return parsed.host().toLower() + ':' + QString::number(port);
}
