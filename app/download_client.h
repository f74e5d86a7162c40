#pragma once

#include "app/download_outcome.h"

#include <QString>
#include <QtGlobal>
#include <functional>

/// What a download run needs of an HTTP client: "start a GET of this URL
/// into that file, tell me how it ended", an abort, and a few read-outs
/// while it runs. The run talks to this seam so that its rules can be tested
/// against a scripted stand-in; the program uses HttpDownloadClient over
/// TNMHTTP.
///
/// A transfer ends with exactly one `finished`, carrying everything about
/// it in a DownloadOutcome. A client raises its reply's events through
/// ReplySucceeded / ReplyFailed and its end through TransferOver; this class
/// turns them into that one outcome.
class DownloadClient {
public:
    /// Callbacks the client raises during a transfer, on the caller's thread.
    struct Events {
        std::function<void()> connected;      ///< the connection is up
        std::function<void()> status;         ///< StatusText() has a new text
        std::function<void()> packetReceived; ///< a block of the body arrived
        /// The transfer is over. Raised from the event loop, never inside
        /// Start.
        std::function<void(const DownloadOutcome& outcome)> finished;
    };

    virtual ~DownloadClient() = default;

    /// Replaces the callbacks (all optional).
    void SetEvents(Events events) { events_ = std::move(events); }

    /// What the caller found at a request's path just before it started.
    enum class PathFound {
        Unknown, ///< not looked at: the client makes sure the path is usable
        Nothing, ///< nothing there: the client need not look again
    };

    /// Starts fetching `url` into the file at `path`, which holds only a
    /// whole reply (or what it held before) once `finished` came, and
    /// returns at once. A transfer that cannot even start throws
    /// std::exception with the error text instead, and raises nothing.
    virtual void Start(const QString& url, const QString& path, PathFound found) = 0;
    /// Ends the transfer under way as soon as possible: its outcome is
    /// Cancelled unless its reply's outcome came first. Harmless when idle
    /// and when repeated.
    virtual void Abort() = 0;
    /// The client's latest status text.
    virtual QString StatusText() const = 0;
    /// Body bytes received so far by the transfer under way.
    virtual qint64 ReceivedBytes() const = 0;
    /// Body length the reply announced; 0 when it announced none.
    virtual qint64 ExpectedBytes() const = 0;
    /// A new run begins: what servers told the last one (cookies) is
    /// forgotten. Nothing to do by default.
    virtual void NewRun() {}
    /// The transfer under way goes as a stream of a connection that carries
    /// many at once (HTTP/2), as the client knows once it is connected.
    virtual bool Multiplexed() const { return false; }
    /// The address a request for `url` connects to, the same for the same
    /// URL whatever came before: "host:port" of the server, or of the proxy
    /// when one proxy serves every URL.
    virtual QString AddressOf(const QString& url) const = 0;

    /// What ended the last transfer without a success: its kind, a reason
    /// that names the cause and the place, and whether a reply came.
    struct Failure {
        JobPolicy::Failure kind = JobPolicy::Failure::Final;
        QString reason;
        bool answered = false;
    };

protected:
    const Events& events() const { return events_; }

    /// Read-outs the outcome is made of, asked once the transfer is over.
    /// The last reply's status line, or the client's text for a reply not
    /// whole or not HTTP.
    virtual QString FailureReason() const = 0;
    /// After ReplyFailed: the seconds a 429 or 503 asked the caller to wait
    /// (0: it named none); -1 for any other failure.
    virtual qint64 SlowDownSeconds() const { return -1; }
    /// The size of the file the transfer saved at its path; -1 when none.
    virtual qint64 SavedBytes() const { return -1; }
    /// The failure of the transfer just over, when it ended in an error or
    /// an error reply; an empty reason when the client cannot say more.
    virtual Failure LastFailure() const = 0;
    /// The final reply's status code and validators, when a reply came.
    virtual int ReplyStatus() const { return 0; }
    virtual QString ReplyEtag() const { return {}; }
    virtual QString ReplyLastModified() const { return {}; }
    /// The final reply offers Basic authentication.
    virtual bool ReplyOffersBasic() const { return false; }

    /// A transfer begins (from Start): nothing of the last one is left.
    void TransferBegins();
    /// The transfer TransferBegins announced could not start: nothing is told.
    void TransferNotStarted() { running_ = false; }
    /// The reply was a success, or an error reply: the outcome of the
    /// transfer, told by TransferOver. Only the first of them counts.
    void ReplySucceeded();
    void ReplyFailed();
    /// The transfer is over: `threw` with the error `error` and its socket
    /// error `code` when an error ended it. Raises `finished` once.
    void TransferOver(bool threw, const QString& error, SockErrorCode code);
    /// Abort() was called while a transfer ran.
    void AbortAsked();

private:
    Events events_;
    bool running_ = false;
    bool abortAsked_ = false;
    /// The reply's outcome, once one came.
    enum class Reply { None, Succeeded, Failed } reply_ = Reply::None;
};
