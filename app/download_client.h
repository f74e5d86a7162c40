#pragma once

#include "app/job_policy.h"

#include <QString>
#include <QtGlobal>
#include <functional>

/// What a download run needs of an HTTP client: "start a GET of this URL
/// into that file, tell me when it is over", an abort, and a few read-outs. The run talks to this
/// seam so that its rules can be tested against a scripted stand-in; the program uses
/// HttpDownloadClient over TNMHTTP.
class DownloadClient {
public:
    /// Callbacks the client raises during a request, on the caller's thread.
    struct Events {
        std::function<void()> connected;      ///< the connection is up
        std::function<void()> status;         ///< StatusText() has a new text
        std::function<void()> packetReceived; ///< a block of the body arrived
        std::function<void()> succeeded;      ///< the request succeeded
        std::function<void()> failed;         ///< the server refused the request
        /// The request is over (after `succeeded` or `failed`, if either);
        /// `error` is the text of what ended it without an outcome
        /// (refused, time-out, reset, abort, bad URL...), empty when it ended
        /// normally. Raised from the event loop, never inside Start.
        std::function<void(bool threw, const QString& error)> ended;
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
    /// whole reply (or what it held before) once `ended` came, and returns at
    /// once. Raises at most one of `succeeded` / `failed`, then `ended`. A
    /// request that cannot even start throws std::exception with the error
    /// text instead, and raises nothing.
    virtual void Start(const QString& url, const QString& path, PathFound found) = 0;
    /// Ends the request under way as soon as possible; harmless when idle.
    virtual void Abort() = 0;
    /// The client's latest status text.
    virtual QString StatusText() const = 0;
    /// Body bytes received so far by the current request.
    virtual qint64 ReceivedBytes() const = 0;
    /// Body length the reply announced; 0 when it announced none.
    virtual qint64 ExpectedBytes() const = 0;
    /// Why the last request raised `failed`: the reply's status line for an
    /// error status ("HTTP/1.0 404 Not Found"), else the client's own text
    /// (no HTTP reply, a cut body, ...).
    virtual QString FailureReason() const = 0;
    /// After `failed`: whether the server asked to be left alone for a while
    /// (429 Too Many Requests, 503 Service Unavailable): the seconds its
    /// Retry-After line asked for, 0 when it named none; -1 for any other
    /// failure.
    virtual qint64 SlowDownSeconds() const { return -1; }
    /// Once `ended` came: the size of the file the request saved at its
    /// path, which is then all that is there; -1 when it saved none (the
    /// path holds what it held before) or cannot say, so the caller looks.
    virtual qint64 SavedBytes() const { return -1; }
    /// A new run begins: what servers told the last one (cookies) is
    /// forgotten. Nothing to do by default.
    virtual void NewRun() {}

    /// What ended the last request without a success, once `failed` came or
    /// `ended` told an error: its kind, a reason that names the cause and the
    /// place, and the address the connection went to.
    struct Failure {
        JobPolicy::Failure kind = JobPolicy::Failure::Final;
        QString reason; ///< names the place: the server's, or the proxy's when one is used
        /// A reply came (an error status, or one not whole or not HTTP):
        /// whatever else failed, the connection was made.
        bool answered = false;
    };
    virtual Failure LastFailure() const = 0;
    /// The address a request for `url` connects to, the same for the same
    /// URL whatever came before: "host:port" of the server, or of the proxy
    /// when one proxy serves every URL.
    virtual QString AddressOf(const QString& url) const = 0;

protected:
    const Events& events() const { return events_; }

private:
    Events events_;
};
