#include "http/nmhttp.h"

#include "http/nmurl.h"
#include "http/nmuu_processor.h"
#include "http/part_file.h"
#include "http/proxy_tunnel.h"
#include "http/reply_framing.h"
#include "http/request_lines.h"

#include <QFile>
#include <QScopeGuard>
#include <QTimer>
#include <algorithm>
#include <cctype>
#include <memory>
#include <stdexcept>

namespace {

const char* const methodWords[] = {
    "GET ",  "OPTIONS ", "HEAD ", "POST ",   "PUT ",   "PATCH ", "COPY ",
    "MOVE ", "DELETE ",  "LINK ", "UNLINK ", "TRACE ", "",
};

// Position of the n-th (from 1) `c` in `text`, or -1.
qsizetype nthIndex(const QByteArray& text, char c, int n) {
    qsizetype at = -1;
    for (int i = 0; i < n; ++i) {
        at = text.indexOf(c, at + 1);
        if (at < 0)
            return -1;
    }
    return at;
}

QByteArray withoutLineEnd(QByteArray line) {
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return line;
}

[[noreturn]] void throwFileError(const QString& verb, const QString& name, const QFile& file) {
    throw std::runtime_error(QStringLiteral("Cannot %1 file \"%2\". %3")
                                 .arg(verb, name, file.errorString())
                                 .toStdString());
}

// True when `location` starts with "scheme://" (RFC 3986: a letter, then
// letters, digits, "+", "-", "."): a relative location may carry a full URL
// in its query ("/login?next=http://x/") and is still relative.
bool hasScheme(const QByteArray& location) {
    const qsizetype colon = location.indexOf("://");
    if (colon <= 0 || !std::isalpha(static_cast<unsigned char>(location[0])))
        return false;
    for (qsizetype i = 1; i < colon; ++i) {
        const auto c = static_cast<unsigned char>(location[i]);
        if (!std::isalnum(c) && c != '+' && c != '-' && c != '.')
            return false;
    }
    return true;
}

// RFC 3986 5.2.4: "." and ".." segments of a merged path are resolved; a
// ".." never climbs above the root.
QByteArray removeDotSegments(const QByteArray& path) {
    QList<QByteArray> kept;
    const QList<QByteArray> segments = path.split('/');
    for (qsizetype i = 1; i < segments.size(); ++i) {
        const QByteArray& segment = segments[i];
        const bool last = i == segments.size() - 1;
        if (segment == "." || segment == "..") {
            if (segment == ".." && !kept.isEmpty())
                kept.removeLast();
            if (last)
                kept.append(QByteArray()); // "/a/.." names the folder "/"
        } else {
            kept.append(segment);
        }
    }
    return '/' + kept.join('/');
}

// RFC 3986 5.2.2: a relative path reference is resolved against the folder of
// the request path (the path up to its last "/"), a bare query against the
// path itself. Queries are copied as they are.
QByteArray resolvedPath(const QByteArray& requestPath, const QByteArray& reference) {
    const QByteArray basePath = requestPath.mid(0, requestPath.indexOf('?'));
    const qsizetype query = reference.indexOf('?');
    const QByteArray referencePath = reference.mid(0, query);
    const QByteArray referenceQuery = query < 0 ? QByteArray() : reference.mid(query);
    if (referencePath.isEmpty())
        return (basePath.isEmpty() ? QByteArray("/") : basePath) + referenceQuery;
    const QByteArray merged = referencePath.startsWith('/')
                                  ? referencePath
                                  : basePath.left(basePath.lastIndexOf('/') + 1) + referencePath;
    return removeDotSegments(merged.startsWith('/') ? merged : '/' + merged) + referenceQuery;
}

bool isFollowedRedirect(int code) {
    return (code >= 300 && code <= 303) || code == 307 || code == 308;
}

} // namespace

TNMHTTP::TNMHTTP(QObject* owner)
    : TPowersock(owner)
    , end_(new QTimer(this)) {
    end_->setSingleShot(true);
    end_->setInterval(0);
    connect(end_, &QTimer::timeout, this, &TNMHTTP::EndOperation);
}

void TNMHTTP::Get(const QString& url) {
    Run(cmdGet, url);
}
void TNMHTTP::Options(const QString& url) {
    Run(cmdOptions, url);
}
void TNMHTTP::Head(const QString& url) {
    Run(cmdHead, url);
}
void TNMHTTP::Delete(const QString& url) {
    Run(cmdDelete, url);
}

void TNMHTTP::Post(const QString& url, const QByteArray& data) {
    RequireIdle();
    if (EncodePost && !OutputFileMode) {
        TNMURL encoder;
        encoder.InputString = data;
        SendData = encoder.Encode();
    } else {
        SendData = data;
    }
    Run(cmdPost, url);
}

void TNMHTTP::Put(const QString& url, const QByteArray& data) {
    RequireIdle();
    SendData = data;
    Run(cmdPut, url);
}

void TNMHTTP::Patch(const QString& url, const QByteArray& data) {
    RequireIdle();
    SendData = data;
    Run(cmdPatch, url);
}

void TNMHTTP::Trace(const QString& url, const QByteArray& data) {
    RequireIdle();
    SendData = data;
    Run(cmdTrace, url);
}

void TNMHTTP::Raw(const QString& url, const QByteArray& data) {
    RequireIdle();
    SendData = data;
    Run(cmdRaw, url);
}

void TNMHTTP::Copy(const QString& url, const QString& targetUrl) {
    RequireIdle();
    ExtraHeaderValue = targetUrl.toUtf8();
    Run(cmdCopy, url);
}

void TNMHTTP::Move(const QString& url, const QString& targetUrl) {
    RequireIdle();
    ExtraHeaderValue = targetUrl.toUtf8();
    Run(cmdMove, url);
}

void TNMHTTP::Link(const QString& url, const QString& link) {
    RequireIdle();
    ExtraHeaderValue = link.toUtf8();
    SendData = "Send.dat";
    Run(cmdLink, url);
}

void TNMHTTP::Unlink(const QString& url, const QString& link) {
    RequireIdle();
    ExtraHeaderValue = link.toUtf8();
    SendData = "Send.dat";
    Run(cmdUnlink, url);
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

void TNMHTTP::RequireIdle() const {
    // A handler runs inside the waits of a request; a second request started
    // there would overwrite the first one's URL and close its connection.
    if (running_)
        throw std::logic_error("A request is already under way");
}

void TNMHTTP::Run(CmdType command, const QString& url) {
    RequireIdle();
    command_ = command;
    URL = url.toUtf8();
    running_ = true;
    const auto idle = qScopeGuard([this] { running_ = false; });
    Wait(RunTransactionAsync());
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
    if (URL.isEmpty())
        throw std::runtime_error("Empty URL");
    // A URL that could end the request line early is refused, not repaired:
    // nobody can say which of its lines was meant.
    if (const QString what = RequestLines::ControlByte(URL); !what.isEmpty())
        throw std::runtime_error(QStringLiteral("The URL \"%1\" holds %2; nothing was sent")
                                     .arg(RequestLines::Shown(URL), what)
                                     .toStdString());
    if (Port == 0)
        Port = 80;
    const bool hasAuthority = URL.contains("//");

    const qsizetype pathStart = hasAuthority ? nthIndex(URL, '/', 3) : URL.indexOf('/');
    requestPath_ = pathStart >= 0 ? URL.mid(pathStart) : QByteArray();

    const qsizetype colon = URL.indexOf(':');
    if (colon >= 0) {
        const QByteArray scheme = URL.left(colon).toLower();
        if (scheme == "gopher")
            Port = 70;
        else if (scheme == "ftp")
            Port = 21;
        else if (scheme == "https" && !TLS)
            throw std::runtime_error("HTTP Secure Socket is not supported");
        else
            Port = scheme == "https" ? 443 : 80;
        secure_ = scheme == "https";
    }

    QByteArray hostText;
    if (hasAuthority) {
        const qsizetype second = nthIndex(URL, '/', 2);
        const qsizetype third = nthIndex(URL, '/', 3);
        hostText = URL.mid(second + 1, third < 0 ? -1 : third - second - 1);
    } else if (!URL.startsWith('/')) {
        const qsizetype slash = URL.indexOf('/');
        hostText = slash < 0 ? URL : URL.left(slash);
    }
    // The colons of an IPv6 literal ("[::1]:8080") are inside its brackets.
    const qsizetype portColon =
        hostText.indexOf(':', hostText.startsWith('[') ? qMax(hostText.indexOf(']'), 0) : 0);
    if (portColon >= 0) {
        const QByteArray portText = hostText.mid(portColon + 1);
        bool ok = std::all_of(portText.begin(), portText.end(),
                              [](char c) { return c >= '0' && c <= '9'; });
        // Digits alone: a blank that the number reading would skip would go on
        // into a request line to a proxy.
        const int port = ok ? portText.toInt(&ok) : 0;
        if (!ok || port < 0 || port > 65535)
            throw std::invalid_argument(
                ("'" + portText + "' is not a valid port number").toStdString());
        Port = port;
        hostText.truncate(portColon);
    }
    if (!hostText.isEmpty()) {
        // The lookup, the Host line, SNI and the certificate check all take
        // the IDNA form of a name with letters beyond ASCII.
        const QByteArray ascii = RequestLines::AsciiHost(QString::fromUtf8(hostText));
        if (ascii.isEmpty())
            throw std::runtime_error(QStringLiteral("The host name \"%1\" is not a valid name")
                                         .arg(QString::fromUtf8(hostText))
                                         .toStdString());
        Host = QString::fromLatin1(ascii);
    }
    if (requestPath_.isEmpty()) {
        requestPath_ = "/";
        URL += '/';
    }
    // RFC 3986: blanks and bytes beyond ASCII go on the wire percent-encoded,
    // in the request line to a server and to a proxy alike. A URL that needs
    // none of it keeps its bytes.
    const QByteArray path = RequestLines::EncodeTarget(requestPath_);
    const QByteArray url = RequestLines::EncodeUrl(URL);
    requestPath_ = path;
    URL = url;
}

void TNMHTTP::ComposeHeader() {
    headerList_.Clear();
    // RFC 9112 3.2: the port belongs to the host name unless it is the
    // scheme's default one; without it a server builds its links for port 80.
    QByteArray host = Host.toUtf8();
    if (Port != (secure_ ? 443 : 80))
        host += ':' + QByteArray::number(Port);
    // Inside a tunnel the proxy only relays bytes: the request is the one a
    // server gets directly.
    const bool viaProxy = !Proxy.isEmpty() && !secure_;
    // Over TLS, HTTP/1.1 lets a server frame a body of unknown length with
    // chunks: a body framed only by the close is whole only when the server
    // ends TLS in order, which many do not. A plain request stays HTTP/1.0.
    const bool http11 = KeepAlive || secure_;
    if (command_ != cmdRaw)
        headerList_.Add(methodWords[command_] + (viaProxy ? URL : requestPath_) +
                        (http11 ? " HTTP/1.1" : " HTTP/1.0"));
    if (viaProxy) {
        headerList_.Add("Proxy-Connection: Keep-Alive");
        headerList_.Add("Host: " + host);
    }
    headerList_.SetHeader("Host", host);
    if (KeepAlive)
        headerList_.SetHeader("Connection", "keep-alive");
    else if (http11)
        headerList_.SetHeader("Connection", "close");
    headerList_.Add("Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff");
    headerList_.Add("Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript");
    if (!HeaderInfo.LocalProgram.isEmpty())
        headerList_.SetHeader("User-Agent", HeaderInfo.LocalProgram);
    if (!HeaderInfo.LocalMailAddress.isEmpty())
        headerList_.SetHeader("From", HeaderInfo.LocalMailAddress);
    // A cookie that a redirect set goes back only where it came from.
    const QByteArray cookie = cookies_.value(Origin(), HeaderInfo.Cookie);
    if (!cookie.isEmpty())
        headerList_.SetHeader("Cookie", cookie);
    if (!HeaderInfo.Referer.isEmpty())
        headerList_.SetHeader("Referer", HeaderInfo.Referer);
    if (!HeaderInfo.UserId.isEmpty() && !HeaderInfo.Password.isEmpty())
        headerList_.SetHeader(
            "Authorization",
            "Basic " + TNMUUProcessor::Base64Line(HeaderInfo.UserId + ":" + HeaderInfo.Password));
    headerList_.Add("Content-type: application/x-www-form-urlencoded");
    if (command_ == cmdCopy || command_ == cmdMove)
        headerList_.Add("URI-header: " + ExtraHeaderValue);
    else if (command_ == cmdLink || command_ == cmdUnlink)
        headerList_.Add("Link: " + ExtraHeaderValue);
    // LINK and UNLINK send no body, so they announce none: a length with no
    // bytes behind it would leave the server waiting for them.
    if (SendsBody()) {
        qint64 length = SendData.size();
        if (OutputFileMode) {
            const QString name = QFile::decodeName(SendData);
            QFile file(name);
            if (!file.open(QIODevice::ReadOnly))
                throwFileError(QStringLiteral("open"), name, file);
            length = file.size();
        }
        headerList_.Add("Content-Length: " + QByteArray::number(length));
    }
    for (const QByteArray& line : ExtraHeaders) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0)
            headerList_.SetHeader(line.left(colon), line.mid(colon + 1).trimmed());
    }
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
    head_ = {};
    RetryAfter = -1;
    noReply_ = false;

    std::unique_ptr<QFile> file;
    if (OutputFileMode) {
        const QString name = QFile::decodeName(Header);
        file = std::make_unique<QFile>(name);
        if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate))
            throwFileError(QStringLiteral("create"), name, *file);
    } else {
        Header.clear();
    }
    qint64 headerBytes = 0;
    const auto store = [&](const QByteArray& line) {
        // Without a bound, a server that never ends its header would fill the
        // memory at the speed of the connection.
        headerBytes += line.size();
        if (headerBytes > MaxHeaderBytes)
            throw ESockError(
                QStringLiteral("Reply header longer than %1 bytes").arg(MaxHeaderBytes),
                SockErrorCode::TooLong);
        if (!file)
            Header += line;
        else if (file->write(line) != line.size())
            throwFileError(QStringLiteral("write"), file->fileName(), *file);
    };

    const auto isStatusLine = [](const QByteArray& line) {
        return ReplyFraming::StatusCode(line).has_value();
    };
    for (;;) {
        // The status line and the lines after it in one read, split here:
        // a line at a time would cost a peek and a read per line. A first
        // line that is no status line is all that is read.
        const QByteArray head = co_await ReadLinesAsync(MaxHeaderBytes - headerBytes, isStatusLine);
        if (head.isEmpty()) {
            noReply_ = true;
            head_ = {};
            head_.error = QStringLiteral("No reply: the server closed the connection");
            co_return;
        }
        store(head); // throws when it has no end within the bound
        head_ = ParseReplyHead(head, QDateTime::currentDateTimeUtc());
        if (!head_.error.isEmpty())
            co_return;
        ReplyCode = qint16(head_.statusCode);
        if (!head_.location.isEmpty())
            location_ = head_.location;
        // RFC 9110 15.2: an interim reply is followed by the real one.
        if (head_.statusCode >= 200) {
            ExpectedBytes = qMax<qint64>(head_.contentLength, 0);
            RetryAfter = head_.retryAfter.value_or(-1);
            co_return;
        }
        if (!file)
            Header.clear();
        else if (!file->resize(0) || !file->seek(0))
            throwFileError(QStringLiteral("write"), file->fileName(), *file);
    }
}

Task<qint64> TNMHTTP::CaptureIntoAsync(BodySink sink, qint64 count) {
    if (sink.part)
        co_return co_await CaptureMoreAsync(sink.part->fd(), sink.part->fileName(), count);
    if (sink.discard)
        co_return co_await SkipAsync(count);
    co_return co_await CaptureMoreAsync(Body, count);
}

Task<QString> TNMHTTP::CaptureBodyAsync(BodySink sink) {
    ReceivedBytes = 0;
    if (!sink.part && !sink.discard)
        Body.clear();
    // RFC 9110 6.4.1: these replies carry no body whatever they announce.
    if (command_ == cmdHead || ReplyCode == 204 || ReplyCode == 304)
        co_return QString();
    ReportStatus(8, sink.part ? QStringLiteral("CaptureFile") : QStringLiteral("Capture String"));
    if (head_.framing == ReplyHead::Framing::Chunked)
        co_return co_await CaptureChunkedAsync(sink);
    const bool lengthAnnounced = head_.framing == ReplyHead::Framing::Length;
    co_await CaptureIntoAsync(sink, lengthAnnounced ? ExpectedBytes : -1);
    if (lengthAnnounced && ReceivedBytes < ExpectedBytes)
        co_return QStringLiteral("Connection closed after %1 of %2 bytes")
            .arg(ReceivedBytes)
            .arg(ExpectedBytes);
    // RFC 9112 6.3: the close frames this body, so a close that anyone on
    // the path could have caused (TLS without close_notify, RFC 8446 6.1)
    // says nothing about whether it is all there.
    if (!lengthAnnounced && !PeerEndConfirmed())
        co_return QStringLiteral("Connection closed before the end of the reply");
    co_return QString();
}

Task<QString> TNMHTTP::CaptureChunkedAsync(BodySink sink) {
    // RFC 9112 7.1: size line, data, CR LF, ... a size of 0, trailer lines,
    // and a blank line. The trailer is read and dropped.
    const QString cut = QStringLiteral("Connection closed inside a chunk after %1 bytes");
    for (;;) {
        const QByteArray sizeLine = co_await ReadLnAsync();
        if (sizeLine.isEmpty())
            co_return cut.arg(ReceivedBytes);
        const std::optional<qint64> size = ReplyFraming::ChunkSize(sizeLine);
        if (!size)
            co_return QStringLiteral("Malformed chunk size line: \"%1\"")
                .arg(ReplyFraming::Excerpt(withoutLineEnd(sizeLine)));
        if (*size == 0)
            break;
        if (co_await CaptureIntoAsync(sink, *size) < *size)
            co_return cut.arg(ReceivedBytes);
        const QByteArray end = co_await ReadLnAsync();
        if (end.isEmpty())
            co_return cut.arg(ReceivedBytes);
        if (end != "\r\n" && end != "\n")
            co_return QStringLiteral("Chunk longer than its size line says");
    }
    qint64 trailerBytes = 0;
    for (;;) {
        const QByteArray line = co_await ReadLnAsync();
        // The body is whole once the last chunk came; a server that closes
        // without the final blank line has still said everything.
        if (line.isEmpty() || line == "\r\n" || line == "\n")
            co_return QString();
        trailerBytes += line.size();
        if (trailerBytes > MaxHeaderBytes)
            throw ESockError(
                QStringLiteral("Reply trailer longer than %1 bytes").arg(MaxHeaderBytes),
                SockErrorCode::TooLong);
    }
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

QByteArray TNMHTTP::AbsoluteLocation(const QByteArray& location) const {
    QByteArray absolute;
    const QByteArray scheme = secure_ ? "https:" : "http:";
    if (hasScheme(location)) {
        absolute = location;
    } else if (location.startsWith("//")) {
        // A network-path reference keeps the scheme, and with it the default port.
        absolute = scheme + location;
    } else {
        QByteArray origin = scheme + "//" + Host.toUtf8();
        if (Port != (secure_ ? 443 : 80))
            origin += ':' + QByteArray::number(Port);
        absolute = origin + resolvedPath(requestPath_, location);
    }
    // A blank would end the request line's URL early and make the rest a
    // second word; bytes beyond ASCII do not belong on the wire either.
    QByteArray encoded;
    encoded.reserve(absolute.size());
    for (const char c : absolute) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7f)
            encoded += '%' + QByteArray::number(byte, 16).toUpper().rightJustified(2, '0');
        else
            encoded += c;
    }
    return encoded;
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
                const QString cut = co_await CaptureBodyAsync({part.get(), InputFileMode && !part});
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
                } else if (isFollowedRedirect(code)) {
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
            if (!ReceivedCookie().isEmpty())
                cookies_.insert(origin, ReceivedCookie());
            if (OnRedirect) {
                bool handled = false;
                OnRedirect(handled);
                if (handled) {
                    ended_ = {Result::Status::HttpError, QString::fromLatin1(head_.statusLine)};
                    co_return;
                }
            }
            if (isFollowedRedirect(code)) {
                URL = AbsoluteLocation(URL);
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
