#include "http/nmhttp.h"

#include "http/body_capture.h"
#include "http/http2_connection.h"
#include "http/http2_stream.h"
#include "http/kept_connection.h"
#include "http/part_file.h"
#include "http/proxy_tunnel.h"
#include "http/redirect_target.h"
#include "http/reply_head_reader.h"
#include "http/reply_verdict.h"
#include "http/request_header.h"
#include "http/request_lines.h"
#include "http/url_credentials.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QScopeGuard>
#include <QTimer>
#include <algorithm>
#include <memory>
#include <stdexcept>

namespace {

[[noreturn]] void throwOpenError(const QString& name, const QFile& file) {
    throw std::runtime_error(QCoreApplication::translate("TNMHTTP", "Cannot open file \"%1\". %2")
                                 .arg(name, file.errorString())
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
    TakeLogin();
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
    if (!login_.known) {
        login_.host = Host;
        login_.port = Port;
        login_.secure = secure_;
        login_.known = true;
    }
    header.info.UserId = LoginGoesHere() ? login_.user : QByteArray();
    header.info.Password = LoginGoesHere() ? login_.password : QByteArray();
    if (header.viaProxy) {
        header.proxyUser = ProxyUser;
        header.proxyPassword = ProxyPassword;
    }
    // A cookie a reply set goes back only where its domain and path say.
    header.cookie = Cookies->CookieLineFor(RequestLines::AsciiHost(Host), requestPath_, secure_,
                                           QDateTime::currentSecsSinceEpoch());
    if (header.cookie.isEmpty())
        header.cookie = HeaderInfo.Cookie;
    header.extraValue = ExtraHeaderValue;
    header.extraHeaders = ExtraHeaders;
    if (resumeFrom_ >= 0) {
        header.rangeFrom = resumeFrom_;
        header.ifRange = resume_.Validator();
    }
    if (SendsBody(command_) && OutputFileMode) {
        const QString name = QFile::decodeName(SendData);
        QFile file(name);
        if (!file.open(QIODevice::ReadOnly))
            throwOpenError(name, file);
        header.bodyLength = file.size();
    } else if (SendsBody(command_)) {
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
    if (SendsBody(command_) && !OutputFileMode)
        request += SendData;
    co_await WriteAsync(request);
    if (SendsBody(command_) && OutputFileMode)
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
    if (CarriesNoBody(command_, ReplyCode))
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

void TNMHTTP::TakeLogin() {
    // A "user:password@" is no part of the address: left in, it would be
    // read as a port, and the password would show in the reason.
    const UrlCredentials credentials = TakeCredentials(QString::fromUtf8(URL));
    login_ = {};
    if (credentials.hasUser) {
        URL = credentials.url.toUtf8();
        login_.user = credentials.user.toUtf8();
        login_.password = credentials.password.toUtf8();
    } else {
        login_.user = HeaderInfo.UserId;
        login_.password = HeaderInfo.Password;
    }
}

bool TNMHTTP::LoginGoesHere() const {
    return login_.known && login_.secure == secure_ && login_.port == Port &&
           login_.host.compare(Host, Qt::CaseInsensitive) == 0;
}

QByteArray TNMHTTP::Origin() const {
    return Host.toUtf8().toLower() + ':' + QByteArray::number(Port);
}

std::optional<qint64> TNMHTTP::AskedFrom() const {
    if (resumeFrom_ >= 0)
        return resumeFrom_;
    for (const QByteArray& line : ExtraHeaders)
        if (line.trimmed().toLower().startsWith("range:"))
            return std::nullopt;
    return -1;
}

std::unique_ptr<PartFile> TNMHTTP::StartPart(const QString& target, const QString& url) {
    auto part = std::make_unique<PartFile>(target);
    // Written before the first byte of the body, so that whatever ends the
    // transfer (a reset, Stop!, a kill) leaves a part the next try can trust;
    // an older info describes another reply and must go.
    const std::optional<ResumeInfo> info = ResumeInfo::Of(url, head_);
    if (info && info->length >= ResumeInfo::kWorthFromBytes && info->Save(target)) {
        part->keepWhenCut();
        infoOnDisk_ = true;
    } else if (std::exchange(infoOnDisk_, false)) {
        QFile::remove(ResumeInfo::InfoName(target));
    }
    return part;
}

void TNMHTTP::AfterResume(const ResumeVerdict& resumed, const QString& target,
                          ReplyVerdict& verdict) {
    using Step = ResumeVerdict::Step;
    switch (resumed.step) {
    case Step::Append:
        break;
    case Step::Refuse:
        ResumeInfo::Forget(target);
        verdict.outcome = ReplyVerdict::Outcome::Failure;
        verdict.reason = resumed.reason;
        break;
    case Step::StartAgain:
        ResumeInfo::Forget(target);
        resumeFrom_ = -1;
        if (verdict.outcome != ReplyVerdict::Outcome::Failure)
            verdict.outcome = ReplyVerdict::Outcome::Repeat;
        break;
    case Step::Complete:
        if (verdict.outcome != ReplyVerdict::Outcome::Failure)
            verdict.outcome = ReplyVerdict::Outcome::Success;
        break;
    case Step::Whole:
        // A file the server no longer has leaves no part behind.
        if (resumeFrom_ >= 0 && (ReplyCode == 404 || ReplyCode == 410))
            ResumeInfo::Forget(target);
        break;
    }
}

bool TNMHTTP::WantsHttp2() const {
    // A request with a body is sent as it always was.
    return Http2 && secure_ && (command_ == cmdGet || command_ == cmdHead);
}

Task<bool> TNMHTTP::StreamAsync() {
    Cancelled = false;
    for (;;) {
        switch (Http2Links->Ask(peer_, this)) {
        case Http2Connections::Peer::Http2:
            AttachStream();
            co_return true;
        case Http2Connections::Peer::Http1:
            co_return false;
        case Http2Connections::Peer::Unknown:
            h2Connecting_ = true;
            co_return false;
        case Http2Connections::Peer::Connecting:
            ReportStatus(8, tr("Waiting for the connection to %1").arg(Host));
            // As long as a connect of our own could take.
            TimerOn();
            break;
        case Http2Connections::Peer::Full:
            // However long the streams before it take: each has a time-out
            // of its own.
            ReportStatus(8, tr("Waiting for room on the connection to %1").arg(Host));
            TimerOff();
            TimedOut = false;
            break;
        }
        co_await WaitForWakeAsync();
        TimerOff();
        if (TimedOut)
            throw ESockError(tr("Connection Timed out"), SockErrorCode::ConnectTimedOut);
        if (Cancelled)
            throw ESockError(tr("Connection Canceled"), SockErrorCode::Cancelled);
    }
}

void TNMHTTP::AttachStream() {
    auto stream = std::make_unique<Http2Stream>(Http2Links->Usable(peer_));
    stream_ = stream.get();
    UseStream(std::move(stream));
}

Task<> TNMHTTP::OpenConnectionAsync() {
    stream_ = nullptr;
    h2Connecting_ = false;
    const bool h2 = WantsHttp2();
    if (h2 && co_await StreamAsync())
        co_return;
    // Whatever ends this connect (an error, a cancel, our end), those
    // waiting for it hear of it.
    const std::shared_ptr<Http2Connections> links = Http2Links;
    const QByteArray peer = peer_;
    auto unblock = qScopeGuard([this, links, peer] {
        if (std::exchange(h2Connecting_, false))
            links->Failed(peer);
    });
    co_await ConnectAsync();
    if (!secure_)
        co_return;
    if (!Proxy.isEmpty())
        co_await OpenProxyTunnelAsync(*this, Host, quint16(Port), ProxyUser, ProxyPassword);
    OfferAlpn(h2 ? QList<QByteArray>{"h2", "http/1.1"} : QList<QByteArray>{});
    co_await StartTlsAsync(Host, quint16(Port));
    if (!h2)
        co_return;
    const QByteArray alpn = AlpnSelected();
    if (alpn != "h2") {
        if (std::exchange(h2Connecting_, false))
            links->Connected(peer, alpn, nullptr);
        co_return;
    }
    h2Connecting_ = false;
    links->SetPaced(Pace != nullptr);
    if (!links->Connected(peer, alpn, TakeConnection()))
        throw ESockError(tr("HTTP/2 with %1 could not be started").arg(Host),
                         SockErrorCode::SocketError);
    AttachStream();
}

Task<bool> TNMHTTP::ExchangeAsync() {
    head_ = {};
    co_await SendRequestAsync();
    ReplyCode = 0;
    co_await ReadReplyHeaderAsync();
    co_return !noReply_;
}

Task<> TNMHTTP::RunTransactionAsync() {
    FailureReason.clear();
    head_ = {};
    ended_ = {};
    SavedBytes = -1;
    const QString bodyFile = InputFileMode ? QFile::decodeName(Body) : QString();
    const bool bodyFileFree = std::exchange(BodyFileFree, false);
    if (InputFileMode && bodyFileFree)
        PartFile::CheckName(bodyFile);
    else if (InputFileMode)
        PartFile::CheckTarget(bodyFile);
    // A part a cut transfer of this file left, with what identifies the
    // server's file: only the rest is asked for, if the file is the same.
    const QString fileUrl = QString::fromUtf8(URL);
    resumeFrom_ = -1;
    infoOnDisk_ = false;
    if (InputFileMode) {
        qint64 partSize = 0;
        if (const auto info = ResumeInfo::Load(bodyFile, fileUrl, partSize, &infoOnDisk_)) {
            resume_ = *info;
            resumeFrom_ = partSize;
        }
    }
    const KeptConnection::Steps steps{
        [this] { return OpenConnectionAsync(); }, [this] { return ExchangeAsync(); },
        [this] { return !head_.statusLine.isEmpty(); },
        [this] { return stream_ && IsConnected && stream_->Unprocessed(); }};
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
        peer_ = KeptConnection::PeerKey(origin, Proxy, ProxyPort, secure_);
        const bool reuse = kept_.Claim(peer_, KeepAlive);
        ReplyVerdict verdict;
        try {
            // A cancel asked for before the connect (from OnAboutToSend, or
            // between two passes) is not forgotten by the connect's start.
            if (cancelRequested_)
                throw ESockError(tr("Connection Canceled"), SockErrorCode::Cancelled);
            co_await kept_.CarryAsync(reuse, steps);
            // Every reply may set cookies: a login page's as well as a
            // redirect's or an error page's.
            for (const QByteArray& cookie : head_.setCookies)
                Cookies->SetFromReply(cookie, RequestLines::AsciiHost(Host), requestPath_, secure_,
                                      QDateTime::currentSecsSinceEpoch());
            // Only a success reaches the path: an error page or a redirect's
            // body is no file the user asked for. Removed unless committed,
            // so what an interrupted transfer wrote never reaches the body
            // file either.
            std::unique_ptr<PartFile> part;
            QString cut;
            ResumeVerdict resumed;
            if (head_.Problem().isEmpty()) {
                if (const std::optional<qint64> from = AskedFrom())
                    resumed = JudgeResume(*from, resume_, head_);
                if (InputFileMode && resumed.step == ResumeVerdict::Step::Append)
                    part = std::make_unique<PartFile>(bodyFile, resumeFrom_);
                else if (InputFileMode && IsSuccessStatus(ReplyCode) &&
                         resumed.step == ResumeVerdict::Step::Whole)
                    part = StartPart(bodyFile, fileUrl);
                cut = co_await CaptureBodyAsync(part.get(), InputFileMode && !part);
            }
            verdict = JudgeReply(head_, command_, cut);
            AfterResume(resumed, bodyFile, verdict);
            switch (verdict.outcome) {
            case ReplyVerdict::Outcome::Failure:
                Fail(verdict.reason);
                break;
            case ReplyVerdict::Outcome::Success:
                // The file is in place before anyone hears of the outcome.
                if (part) {
                    part->commit();
                    SavedBytes = ReceivedBytes +
                                 (resumed.step == ResumeVerdict::Step::Append ? resumeFrom_ : 0);
                } else if (resumed.step == ResumeVerdict::Step::Complete) {
                    SavedBytes = PartFile::Adopt(bodyFile);
                }
                if (InputFileMode && std::exchange(infoOnDisk_, false))
                    QFile::remove(ResumeInfo::InfoName(bodyFile));
                ended_ = {Result::Status::Succeeded, {}};
                if (OnSuccess)
                    OnSuccess(command_);
                ReportStatus(2, tr("Transaction Completed"));
                break;
            case ReplyVerdict::Outcome::ErrorStatus:
                ended_ = {Result::Status::HttpError, verdict.reason};
                if (OnFailure)
                    OnFailure(command_);
                break;
            case ReplyVerdict::Outcome::Redirect:
                URL = location_;
                // The send data is not repeated to the new place.
                command_ = verdict.nextCommand;
                break;
            case ReplyVerdict::Outcome::Repeat:
                break;
            case ReplyVerdict::Outcome::NotModified:
                // Told as an answer that is no success: the path keeps its
                // file, and the caller reads the status for what it means.
                ended_ = {Result::Status::HttpError, QString::fromLatin1(head_.statusLine)};
                if (OnFailure)
                    OnFailure(command_);
                break;
            }
        } catch (...) {
            kept_.CloseQuietly();
            throw;
        }
        const bool failed = verdict.outcome == ReplyVerdict::Outcome::Failure;
        // Whole and framed: the next request can follow on this connection.
        kept_.Release(!failed && KeepAlive && verdict.reusable && IsConnected);
        if (failed)
            co_return;

        const int code = ReplyCode;
        if (code >= 300 && code <= 398 && verdict.outcome != ReplyVerdict::Outcome::NotModified) {
            if (OnRedirect) {
                bool handled = false;
                OnRedirect(handled);
                if (handled) {
                    ended_ = {Result::Status::HttpError, QString::fromLatin1(head_.statusLine)};
                    co_return;
                }
            }
            if (verdict.outcome == ReplyVerdict::Outcome::Redirect) {
                const RedirectTarget::Hop hop =
                    RedirectTarget::Follow(URL, secure_, Host, Port, requestPath_, TLS);
                URL = hop.url;
                if (!hop.refusal.isEmpty()) {
                    Fail(hop.refusal);
                    co_return;
                }
                if (hop.downgrade) {
                    // Followed, since the server said so, but never silently.
                    StatusText =
                        tr("Redirected from https: to plain http: %1").arg(QString::fromUtf8(URL));
                    ReportStatus(1, StatusText);
                }
            }
        }
        if (code == 401 && OnAuthenticationNeeded)
            OnAuthenticationNeeded(this);
        if (verdict.outcome != ReplyVerdict::Outcome::Redirect &&
            verdict.outcome != ReplyVerdict::Outcome::Repeat)
            co_return;
        if (pass >= MaxPasses) {
            Fail(tr("Gave up after %1 requests: the server keeps answering %2")
                     .arg(MaxPasses)
                     .arg(code));
            co_return;
        }
    }
}
