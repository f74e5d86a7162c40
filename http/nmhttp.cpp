#include "http/nmhttp.h"

#include "http/body_capture.h"
#include "http/part_file.h"
#include "http/proxy_tunnel.h"
#include "http/redirect_target.h"
#include "http/reply_framing.h"
#include "http/reply_head_reader.h"
#include "http/request_header.h"
#include "http/request_lines.h"

#include <QFile>
#include <QTimer>
#include <algorithm>
#include <memory>
#include <stdexcept>

namespace {

[[noreturn]] void throwFileError(const QString& verb, const QString& name, const QFile& file) {
    throw std::runtime_error(QStringLiteral("Cannot %1 file \"%2\". %3")
                                 .arg(verb, name, file.errorString())
                                 .toStdString());
}

} // namespace

TNMHTTP::TNMHTTP(QObject* owner)
    : TPowersock(owner)
    , end_(new QTimer(this)) {
    end_->setSingleShot(true);
    end_->setInterval(0);
    connect(end_, &QTimer::timeout, this, &TNMHTTP::EndOperation);
}

void TNMHTTP::Abort() {
    // Ends a wait for a lookup or connect notification at once, not only at
    // the next socket event.
    EventArrived = true;
    Cancel();
}

void TNMHTTP::Start(CmdType command, const QString& url) {
    RequireIdle();
    command_ = command;
    URL = url.toUtf8();
    running_ = true;
    cancelRequested_ = false;
    operation_ = std::make_unique<Task<>>(RunTransactionAsync());
    // Told from the event loop, after the operation's frame is gone: a
    // handler of `finished` may start the next request or delete us.
    operation_->Start([this] { end_->start(); });
}

void TNMHTTP::cancel() {
    if (!operation_ || operation_->Done())
        return;
    cancelRequested_ = true;
    Abort();
}

bool TNMHTTP::Busy() const {
    return running_;
}

void TNMHTTP::EndOperation() {
    if (!operation_)
        return;
    Result result;
    try {
        operation_->Result();
        result.status = ended_.status;
        result.reason = ended_.reason;
    } catch (const ENetError& e) {
        result.status = cancelRequested_ && e.code() == SockErrorCode::Cancelled
                            ? Result::Status::Cancelled
                            : Result::Status::Error;
        result.error = e.code();
        result.reason = e.text();
    } catch (const std::exception& e) {
        result.status = Result::Status::Error;
        result.reason = QString::fromLocal8Bit(e.what());
    }
    result.replyCode = ReplyCode;
    operation_.reset();
    running_ = false;
    emit finished(result);
}

TNMHTTP::~TNMHTTP() {
    // An operation still under way ends with us, its part file removed; no
    // event may resume it any more.
    DropWaiter();
    operation_.reset();
}

bool TNMHTTP::SendsBody() const {
    switch (command_) {
    case cmdPost:
    case cmdPut:
    case cmdPatch:
    case cmdTrace:
    case cmdRaw:
        return true;
    default:
        return false;
    }
}

void TNMHTTP::SplitURL() {
    const RequestTarget target = RequestTarget::Split(URL, TLS, {Host, Port, secure_, {}, {}});
    Host = target.host;
    Port = target.port;
    secure_ = target.secure;
    requestPath_ = target.path;
    URL = target.url;
}

void TNMHTTP::ComposeHeader() {
    RequestHeader header;
    header.command = command_;
    header.target = {Host, Port, secure_, requestPath_, URL};
    // Inside a tunnel the proxy only relays bytes: the request is the one a
    // server gets directly.
    header.viaProxy = !Proxy.isEmpty() && !secure_;
    header.keepAlive = KeepAlive;
    header.info = HeaderInfo;
    // A cookie that a redirect set goes back only where it came from.
    header.cookie = cookies_.For(Origin(), HeaderInfo.Cookie);
    header.extraValue = ExtraHeaderValue;
    header.extraHeaders = ExtraHeaders;
    // LINK and UNLINK send no body, so they announce none: a length with no
    // bytes behind it would leave the server waiting for them.
    if (SendsBody() && OutputFileMode) {
        const QString name = QFile::decodeName(SendData);
        QFile file(name);
        if (!file.open(QIODevice::ReadOnly))
            throwFileError(QStringLiteral("open"), name, file);
        header.bodyLength = file.size();
    } else if (SendsBody()) {
        header.bodyLength = SendData.size();
    }
    header.ComposeInto(headerList_);
}

Task<> TNMHTTP::SendRequestAsync() {
    // One send for the lines, the blank line and a body held in memory: the
    // same bytes as three writes, without a small trailing segment that
    // Nagle's algorithm would hold back for an acknowledgement.
    QByteArray request = headerList_.Text();
    request += "\r\n";
    if (SendsBody() && !OutputFileMode)
        request += SendData;
    co_await WriteAsync(request);
    if (SendsBody() && OutputFileMode)
        co_await SendFileAsync(QFile::decodeName(SendData));
}

Task<> TNMHTTP::ReadReplyHeaderAsync() {
    ExpectedBytes = 0;
    RetryAfter = -1;
    ReplyHeadReader reader(*this, OutputFileMode ? QFile::decodeName(Header) : QString(), Header,
                           MaxHeaderBytes);
    noReply_ = !co_await reader.ReadAsync(head_);
    if (!head_.error.isEmpty())
        co_return;
    ReplyCode = qint16(head_.statusCode);
    if (!head_.location.isEmpty())
        location_ = head_.location;
    ExpectedBytes = qMax<qint64>(head_.contentLength, 0);
    RetryAfter = head_.retryAfter.value_or(-1);
}

Task<QString> TNMHTTP::CaptureBodyAsync(PartFile* part, bool discard) {
    ReceivedBytes = 0;
    if (!part && !discard)
        Body.clear();
    // RFC 9110 6.4.1: these replies carry no body whatever they announce.
    if (command_ == cmdHead || ReplyCode == 204 || ReplyCode == 304)
        co_return QString();
    ReportStatus(8, part ? QStringLiteral("CaptureFile") : QStringLiteral("Capture String"));
    BodyCapture capture(*this, part, discard ? nullptr : &Body, MaxHeaderBytes);
    co_return co_await capture.ReadAsync(head_);
}

void TNMHTTP::Fail(const QString& reason) {
    FailureReason = reason;
    ended_ = {Result::Status::BadReply, reason};
    // Shown even when ReportLevel lets no status through: it is the answer
    // to "why did this job fail".
    StatusText = reason;
    ReportStatus(1, reason);
    if (OnFailure)
        OnFailure(command_);
}

QByteArray TNMHTTP::Origin() const {
    return Host.toUtf8().toLower() + ':' + QByteArray::number(Port);
}

Task<> TNMHTTP::SecureConnectionAsync() {
    if (!Proxy.isEmpty())
        co_await OpenProxyTunnelAsync(*this, Host, quint16(Port));
    co_await StartTlsAsync(Host, quint16(Port));
}

Task<> TNMHTTP::RunTransactionAsync() {
    FailureReason.clear();
    head_ = {};
    const auto disconnectQuietly = [this] {
        try {
            Disconnect();
        } catch (...) {
            // The exception that ended the pass is the one to pass on.
        }
    };
    ended_ = {};
    SavedBytes = -1;
    const QString bodyFile = InputFileMode ? QFile::decodeName(Body) : QString();
    const bool bodyFileFree = std::exchange(BodyFileFree, false);
    if (InputFileMode && bodyFileFree)
        PartFile::CheckName(bodyFile);
    else if (InputFileMode)
        PartFile::CheckTarget(bodyFile);
    for (int pass = 1;; ++pass) {
        SplitURL();
        ComposeHeader();
        if (OnAboutToSend)
            OnAboutToSend(this);
        // Whatever a line came from, none may carry a control byte: checked
        // on the lines as composed, before any connection is made.
        QList<QByteArray> lines;
        for (qsizetype i = 0; i < headerList_.Count(); ++i)
            lines << headerList_.Strings(i);
        if (const QString problem = RequestLines::Problem(lines); !problem.isEmpty())
            throw std::runtime_error(problem.toStdString());
        const QByteArray origin = Origin();
        // The connection a kept one must go to: the server, through the same
        // proxy, in the same scheme.
        const QByteArray peer = origin + ' ' + Proxy.toUtf8() + ':' +
                                QByteArray::number(ProxyPort) + (secure_ ? " tls" : "");
        // Bytes that came after the last reply belong to no request: a
        // connection that carries them, or that the peer closed, is left.
        bool reuse = KeepAlive && keptTo_ == peer && ConnectionReusable();
        if (!keptTo_.isEmpty() && !reuse)
            disconnectQuietly();
        keptTo_.clear();
        bool ended = false;
        bool keep = false;
        try {
            // A cancel asked for before the connect (from OnAboutToSend, or
            // between two passes) is not forgotten by the connect's start.
            if (cancelRequested_)
                throw ESockError(QStringLiteral("Connection Canceled"), SockErrorCode::Cancelled);
            for (;;) {
                if (!reuse) {
                    co_await ConnectAsync();
                    if (secure_)
                        co_await SecureConnectionAsync();
                }
                // A kept connection the server closed while it was idle fails
                // the send or ends before a status line: once, a new one.
                bool stale = false;
                head_ = {};
                try {
                    co_await SendRequestAsync();
                    ReplyCode = 0;
                    co_await ReadReplyHeaderAsync();
                    stale = reuse && noReply_;
                } catch (const ESockError& e) {
                    // Only before a reply began: a request the server may
                    // have answered in part is not sent twice.
                    if (!reuse || e.code() != SockErrorCode::SocketError ||
                        !head_.statusLine.isEmpty())
                        throw;
                    stale = true;
                }
                if (!stale)
                    break;
                disconnectQuietly();
                reuse = false;
            }
            if (const QString problem = head_.Problem(); !problem.isEmpty()) {
                Fail(problem);
                ended = true;
            } else {
                const int code = ReplyCode;
                // Only a success reaches the path: an error page or a
                // redirect's body is no file the user asked for. Removed
                // unless committed, so what an interrupted transfer wrote
                // never reaches the body file either.
                std::unique_ptr<PartFile> part;
                if (InputFileMode && code < 299)
                    part = std::make_unique<PartFile>(bodyFile);
                const QString cut = co_await CaptureBodyAsync(part.get(), InputFileMode && !part);
                // Whole and framed: the next request can follow on this connection.
                keep = KeepAlive && head_.persists && cut.isEmpty() &&
                       (head_.framing != ReplyHead::Framing::UntilClose || command_ == cmdHead ||
                        code == 204 || code == 304) &&
                       IsConnected;
                const bool final = code < 299 || code > 399;
                // An error reply's body is dropped anyway: its status says
                // what happened even when the body was cut short.
                if (final && code < 299 && !cut.isEmpty()) {
                    Fail(cut);
                    ended = true;
                } else if (final) {
                    // The file is in place before anyone hears of the outcome.
                    if (part) {
                        part->commit();
                        SavedBytes = ReceivedBytes;
                    }
                    if (code < 299) {
                        ended_ = {Result::Status::Succeeded, {}};
                        if (OnSuccess)
                            OnSuccess(command_);
                        ReportStatus(2, QStringLiteral("Transaction Completed"));
                    } else {
                        ended_ = {Result::Status::HttpError, QString::fromLatin1(head_.statusLine)};
                        if (OnFailure)
                            OnFailure(command_);
                    }
                } else if (RedirectTarget::Followed(code)) {
                    if (!head_.location.isEmpty()) {
                        URL = location_;
                        // RFC 7231 6.4: a 303 is answered by a GET (a HEAD stays a
                        // HEAD), and a 301 or 302 after a POST too, as browsers do;
                        // the send data is not repeated to the new place.
                        if ((code == 303 && command_ != cmdHead) ||
                            (command_ == cmdPost && (code == 301 || code == 302)))
                            command_ = cmdGet;
                    } else {
                        Fail(QStringLiteral("Redirect %1 without a Location line").arg(code));
                        ended = true;
                    }
                }
            }
        } catch (...) {
            disconnectQuietly();
            throw;
        }
        if (keep && !ended) {
            keptTo_ = peer;
        } else {
            Disconnect();
        }
        if (ended)
            co_return;

        const int code = ReplyCode;
        if (code >= 300 && code <= 398) {
            cookies_.Keep(origin, ReceivedCookie());
            if (OnRedirect) {
                bool handled = false;
                OnRedirect(handled);
                if (handled) {
                    ended_ = {Result::Status::HttpError, QString::fromLatin1(head_.statusLine)};
                    co_return;
                }
            }
            if (RedirectTarget::Followed(code)) {
                URL = RedirectTarget::Absolute(URL, secure_, Host, Port, requestPath_);
                const QByteArray scheme = URL.left(URL.indexOf(':')).toLower();
                if (scheme != "http" && !(TLS && scheme == "https")) {
                    Fail(QStringLiteral("Redirect to an unsupported scheme: %1")
                             .arg(ReplyFraming::Excerpt(URL)));
                    co_return;
                }
                if (secure_ && scheme == "http") {
                    // Followed, since the server said so, but never silently.
                    StatusText = QStringLiteral("Redirected from https: to plain http: ") +
                                 QString::fromUtf8(URL);
                    ReportStatus(1, StatusText);
                }
            }
        }
        if (code == 401 && OnAuthenticationNeeded)
            OnAuthenticationNeeded(this);
        if (code < 299 || code > 399)
            co_return;
        if (pass >= MaxPasses) {
            Fail(QStringLiteral("Gave up after %1 requests: the server keeps answering %2")
                     .arg(MaxPasses)
                     .arg(code));
            co_return;
        }
    }
}
