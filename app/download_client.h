#pragma once

#include <QString>
#include <QtGlobal>
#include <functional>

/// What a download run needs of an HTTP client: "GET this URL into that
/// file", an abort, and a few read-outs. The run talks to this seam so that
/// its rules can be tested against a scripted stand-in; the program uses
/// HttpDownloadClient over TNMHTTP.
class DownloadClient {
public:
    /// Callbacks the client raises during Get, on the caller's thread.
    struct Events {
        std::function<void()> connected;      ///< the connection is up
        std::function<void()> status;         ///< StatusText() has a new text
        std::function<void()> packetReceived; ///< a block of the body arrived
        std::function<void()> succeeded;      ///< the request succeeded
        std::function<void()> failed;         ///< the server refused the request
    };

    virtual ~DownloadClient() = default;

    /// Replaces the callbacks (all optional).
    void SetEvents(Events events) { events_ = std::move(events); }

    /// Fetches `url` and writes the response body to the file at `path`,
    /// which holds only a whole reply (or what it held before) afterwards.
    /// Runs the whole request before it returns, handling other events in
    /// the meantime (so timers and button handlers run inside it). Raises at
    /// most one of `succeeded` / `failed`, or throws std::exception with the
    /// error text (refused, time-out, reset, abort, bad URL...).
    virtual void Get(const QString& url, const QString& path) = 0;
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
    /// A new run begins: what servers told the last one (cookies) is
    /// forgotten. Nothing to do by default.
    virtual void NewRun() {}

protected:
    const Events& events() const { return events_; }

private:
    Events events_;
};
