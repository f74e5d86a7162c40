#pragma once

#include "http/cmd_type.h"
#include "http/cookie_store.h"
#include "http/ex_string_list.h"
#include "http/header_info.h"
#include "http/http2_connections.h"
#include "http/kept_connection.h"
#include "http/reply_head.h"
#include "http/reply_verdict.h"
#include "http/resume_info.h"
#include "net/powersock.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <memory>

class Http2Stream;
class PartFile;

/// HTTP/1.0 client (RFC 1945) on a TPowersock session: one request per
/// connection, directly or through a proxy, the reply body into a file or
/// into memory, redirects followed. Start() runs a request as an operation
/// driven by the session's events and ends it with one `finished`; the
/// classic request operations (Get, Post, ...) run the same operation and
/// wait for it in the event loop, returning when it is over or throwing
/// ESockError / EAbortError / std::exception. The component is ready for
/// the next request either way.
///
/// Body and Header are bytes: in memory mode they hold the reply's body and
/// header as received; in file mode they are file names in the local 8-bit
/// encoding (QFile::encodeName / decodeName).
///
/// A reply is judged, never assumed: one without an HTTP status line, or
/// whose body is not framed as its header says (Content-Length, chunked),
/// ends with OnFailure and a FailureReason. In file mode the body is written
/// to a part file beside Body (PartFile::PartName) and renamed over Body only
/// when the reply that ends the run is a success and came whole: an
/// interrupted transfer, an error page or a redirect's body leaves Body as it
/// was. Into memory, Body holds whatever body the last reply had.
class QTimer;

class TNMHTTP : public TPowersock {
    Q_OBJECT
public:
    using TResultEvent = std::function<void(CmdType Cmd)>;
    using TRedirectEvent = std::function<void(bool& Handled)>;

    /// A run that would need more passes than this (redirects, repeated
    /// requests) ends with OnFailure.
    static constexpr int MaxPasses = 20;
    /// A reply whose status line and header lines together exceed this
    /// throws ESockError "Reply header longer than 1048576 bytes".
    static constexpr qint64 MaxHeaderBytes = 1 << 20;

    explicit TNMHTTP(QObject* owner = nullptr);
    ~TNMHTTP() override;

    // Published properties.
    QByteArray Body = "Default.htm"; ///< body file name (InputFileMode) or the body itself
    QByteArray Header = "Head.txt";  ///< header file name (OutputFileMode) or the header text
    THeaderInfo HeaderInfo;          ///< optional request header values
    bool InputFileMode = false;      ///< the reply body goes to the file named by Body
    /// Set by a caller that has just found nothing at the body file's path:
    /// the next Start leaves out its own look that the path is no folder or
    /// device, which costs a path lookup per request (a file name too long
    /// to create is refused all the same). The next request that runs
    /// clears it.
    bool BodyFileFree = false;
    /// The send data names a file to upload, and the reply header goes to the
    /// file named by Header.
    bool OutputFileMode = false;
    /// Whether `https:` URLs are fetched, through TLS on port 443 (and through
    /// a CONNECT tunnel when Proxy is set). Off by default, as the component
    /// always was: an `https:` URL then raises "HTTP Secure Socket is not
    /// supported". TlsCaFile (of the session) adds a trusted CA.
    bool TLS = false;
    /// Keeps the connection for the next request to the same server (and
    /// proxy): requests go out as HTTP/1.1 with "Connection: keep-alive", and
    /// a connection stays open after a reply that frames its body (a length,
    /// chunks, or no body) and does not ask to close. A kept connection the
    /// server has closed meanwhile, or on which bytes wait before the request
    /// goes out, is replaced by a new one, once, before the request fails.
    /// Off by default: the request bytes are those of HTTP/1.0 (of HTTP/1.1
    /// with "Connection: close" for `https:`).
    bool KeepAlive = false;
    /// Whether an `https:` GET or HEAD offers HTTP/2 by ALPN ("h2", then
    /// "http/1.1") and, when the server takes it, goes as a stream of the one
    /// connection Http2Links keeps to that server (and proxy). The request is
    /// composed and its reply read as HTTP/1.1 all the same; the reply's
    /// status line reads "HTTP/2 200". Off by default: the handshake offers
    /// no protocol, as it always did.
    bool Http2 = false;
    /// The HTTP/2 connections the requests go on. One set may be shared by
    /// the clients of a run, so that all go on one connection per server;
    /// never null.
    std::shared_ptr<Http2Connections> Http2Links = std::make_shared<Http2Connections>();
    /// Request lines "Name: value" the user asked for, set after the composed
    /// ones: a name the request has already is replaced in place, an empty
    /// value removes it, a new name is appended. Empty by default.
    QList<QByteArray> ExtraHeaders;
    /// The proxy's Basic authentication (RFC 7617, RFC 9110 11.7.1): sent
    /// as "Proxy-Authorization" to the proxy alone, with a request it
    /// forwards or with a CONNECT. Empty for none.
    QByteArray ProxyUser;
    QByteArray ProxyPassword;

    TResultEvent OnSuccess; ///< a whole reply below 299 was read
    /// A reply above 399, a reply that is not HTTP or not whole, or a run
    /// that could not finish (FailureReason says why, but for a plain error
    /// status).
    TResultEvent OnFailure;
    TNotifyEvent OnAboutToSend; ///< the request lines are composed; HeaderList() may be edited
    TRedirectEvent OnRedirect;  ///< a 3xx reply; Handled = true stops the run
    TNotifyEvent OnAuthenticationNeeded; ///< a 401 reply

    // Request operations. Each stores its arguments, sets the command code
    // and runs the transaction. Throws "Empty URL", "HTTP Secure Socket is
    // not supported", a port conversion error, and the socket layer's errors;
    // called from a handler while a request runs, std::logic_error "A request
    // is already under way", leaving that request as it was.
    void Get(const QString& url);
    void Options(const QString& url);
    void Head(const QString& url);
    void Delete(const QString& url);
    /// Sends `data` URL-encoded (unless OutputFileMode or EncodePost is false).
    void Post(const QString& url, const QByteArray& data);
    void Put(const QString& url, const QByteArray& data);
    void Patch(const QString& url, const QByteArray& data);
    void Trace(const QString& url, const QByteArray& data);
    /// Sends the header lines without a request line, then `data`.
    void Raw(const QString& url, const QByteArray& data);
    /// "URI-header: " carries the target.
    void Copy(const QString& url, const QString& targetUrl);
    void Move(const QString& url, const QString& targetUrl);
    /// "Link: " carries the link.
    void Link(const QString& url, const QString& link);
    void Unlink(const QString& url, const QString& link);

    /// How a request started by Start() ended.
    struct Result {
        enum class Status {
            Succeeded, ///< a whole reply below 299 (OnSuccess fired)
            /// An error status, a 304, or a redirect that ended the run (OnFailure).
            HttpError,
            BadReply,  ///< not HTTP, not whole, or not followable (OnFailure, FailureReason)
            Error,     ///< the request could not be made: `error` and `reason` say why
            Cancelled, ///< cancel() ended it
        };
        Status status = Status::Error;
        int replyCode = 0;
        /// The status line, FailureReason, or the error's text.
        QString reason;
        SockErrorCode error = SockErrorCode::Other; ///< of Error and Cancelled
    };
    /// Starts `command` on `url` and returns at once; the events fire as the
    /// request goes, then `finished` (from the event loop) tells how it
    /// ended. Throws std::logic_error "A request is already under way" while
    /// one runs; the send data and header values are taken as they stand.
    void Start(CmdType command, const QString& url);
    /// Ends the request Start() began as soon as possible: `finished` says
    /// Cancelled (or the outcome it had reached). Harmless when idle or
    /// repeated.
    void cancel();
    /// A request is under way (started, blocking or not, and not finished).
    bool Busy() const;
    /// The request under way goes as a stream of an HTTP/2 connection.
    bool OnStream() const { return stream_ != nullptr && IsConnected; }

    /// Ends the request under way: the pending wait ends at once and the
    /// operation throws EAbortError, or ESockError "Host Lookup Canceled" /
    /// "Connection Canceled" while it is still looking up or connecting.
    void Abort() override;

    // State of the current or last request.
    QByteArray URL; ///< request URL; redirects replace it
    CmdType Command() const { return command_; }
    QByteArray RequestPath() const { return requestPath_; }
    QByteArray RedirectLocation() const { return location_; }
    /// The last Set-Cookie value of the last reply; empty for none.
    QByteArray ReceivedCookie() const {
        return head_.setCookies.isEmpty() ? QByteArray() : head_.setCookies.last();
    }
    /// The status line of the last reply, without its line end; empty when
    /// none was read.
    QByteArray StatusLine() const { return head_.statusLine; }
    /// The head of the last reply read, final unless none followed an
    /// interim one: its validators, Retry-After and framing as parsed. Its
    /// `error` is set when the reply was not HTTP or never came.
    const ReplyHead& LastReplyHead() const { return head_; }
    /// The cookies requests carry and every reply's Set-Cookie lines go
    /// into, each sent only where its domain, path and scheme say. One store
    /// may be shared by the clients of a run; never null.
    std::shared_ptr<CookieStore> Cookies = std::make_shared<CookieStore>();
    /// Forgets the cookies that replies set; those loaded from a file stay.
    void ClearCookies() { Cookies->ForgetSetByReplies(); }
    QByteArray SendData;         ///< body to send, or its file name in OutputFileMode
    QByteArray ExtraHeaderValue; ///< value of "URI-header: " or "Link: "
    bool EncodePost = true;      ///< Post URL-encodes its data
    /// Seconds the last reply's Retry-After line asked the client to wait
    /// (a date is counted from now, at most a day); -1 without a usable one.
    qint64 RetryAfter = -1;
    /// Why the last run ended with OnFailure other than by an error status
    /// (no HTTP reply, a cut or badly framed body, pass bound, redirect
    /// without a usable location); empty otherwise.
    QString FailureReason;
    /// In file mode, the size of the file the last Start saved at Body's
    /// path (what it wrote is all that is there); -1 while it runs and when
    /// it saved none, so that the path holds what it held before.
    qint64 SavedBytes = -1;
    /// The request lines being composed (no line ends).
    TExStringList& HeaderList() { return headerList_; }

signals:
    /// Once per Start(), from the event loop, after the operation is over.
    void finished(const TNMHTTP::Result& result);

protected:
    /// One request, all its passes.
    Task<> RunTransactionAsync();
    /// Takes Host, Port and the request path from URL.
    virtual void SplitURL();
    /// Fills the header list for the current command.
    virtual void ComposeHeader();
    /// Reads the status line and header lines, past any interim 1xx reply,
    /// into the last reply head (ParseReplyHead()); sets ReplyCode,
    /// ExpectedBytes, RetryAfter and the location; stores the text in Header.
    /// A reply that is not HTTP, or whose framing lines are broken, leaves
    /// its reason in the head for the run to fail with.
    Task<> ReadReplyHeaderAsync();
    /// Sends the composed lines, the blank line and the send data.
    Task<> SendRequestAsync();

private:
    void RequireIdle() const;
    void Run(CmdType command, const QString& url);
    /// Captures the final reply's body into `part`, or else Body, or
    /// nowhere when `discard` (file mode, but no success: the path keeps what
    /// it held); returns why it is not whole, or the empty text.
    Task<QString> CaptureBodyAsync(PartFile* part, bool discard);
    /// The byte a resumed request asked the rest from, or -1 when it asked
    /// for the whole file; nothing to judge when the user's own lines ask
    /// for a range.
    std::optional<qint64> AskedFrom() const;
    /// The part of a success reply's body, with what the next try resumes by
    /// written beside it first, when the reply gives that.
    std::unique_ptr<PartFile> StartPart(const QString& target, const QString& url);
    /// What a reply to a resumed request did to the part of `target`, and to
    /// `verdict`: a part of no use is dropped (and the file asked again
    /// whole, or the reply refused); a part already whole is the success.
    void AfterResume(const ResumeVerdict& resumed, const QString& target, ReplyVerdict& verdict);
    void Fail(const QString& reason);
    /// Takes the request's login: the user and password in URL (taken out
    /// of it), else HeaderInfo's.
    void TakeLogin();
    /// This pass goes where the request started, so its login may go too.
    bool LoginGoesHere() const;
    /// "host:port" of the request under way, the key of its cookie.
    QByteArray Origin() const;
    /// A new connection for the request, tunnelled and secured as it needs.
    Task<> OpenConnectionAsync();
    /// Sends the request and reads the reply head; false when the connection
    /// ended before a status line.
    Task<bool> ExchangeAsync();
    /// The request may go on an HTTP/2 stream.
    bool WantsHttp2() const;
    /// Puts the request on a stream of its peer's HTTP/2 connection, once
    /// another client connecting to the peer has said what it speaks: true
    /// then; false when this client is to connect (h2Connecting_) or the
    /// peer speaks HTTP/1.1.
    Task<bool> StreamAsync();
    /// The request goes on a new stream of `peer_`'s HTTP/2 connection.
    void AttachStream();
    /// Tells `finished` how the operation Start() began ended.
    void EndOperation();

    /// Where the request started: its login (HeaderInfo's, or the user and
    /// password its URL held) goes to this scheme, host and port alone, not
    /// after a redirect to another one, nor from https: down to http:.
    struct Login {
        QByteArray user;
        QByteArray password;
        QString host;
        int port = 0;
        bool secure = false;
        bool known = false; ///< the first pass has said where
    } login_;

    TExStringList headerList_;
    QByteArray requestPath_;
    QByteArray location_;
    /// The head of the reply being read or last read (ParseReplyHead()).
    ReplyHead head_;
    /// The connection closed before the first byte of a status line.
    bool noReply_ = false;
    /// Of a file whose part a cut transfer left: the part's size, asked for
    /// the rest from (-1 for none), and what the rest must match.
    qint64 resumeFrom_ = -1;
    ResumeInfo resume_;
    /// The body file has a resume file beside it, as far as we know.
    bool infoOnDisk_ = false;
    KeptConnection kept_{*this};
    /// The peer of the pass under way (KeptConnection::PeerKey).
    QByteArray peer_;
    /// The stream the request goes on; null on a connection of our own.
    Http2Stream* stream_ = nullptr;
    /// This client connects to peer_ for all who wait in Http2Links.
    bool h2Connecting_ = false;
    bool running_ = false;
    bool secure_ = false; ///< the URL of this pass is https:
    CmdType command_ = cmdGet;
    /// How the run ended, as far as it got to an outcome.
    struct Ended {
        Result::Status status = Result::Status::Error;
        QString reason;
    } ended_;
    std::unique_ptr<Task<>> operation_; ///< the request Start() began
    QTimer* end_ = nullptr;             ///< tells the end from the event loop, without a wake-up
    bool cancelRequested_ = false;
};
