#pragma once

#include "app/job_policy.h"
#include "net/sock_error.h"

#include <QString>
#include <QtGlobal>

/// How one transfer ended: the one value a client hands over when it is
/// over, so that nobody reads the client afterwards.
struct DownloadOutcome {
    enum class Status {
        Succeeded, ///< the reply was a success and its body is at the path
        Failed,    ///< an error reply, a broken one, or no reply at all
        Cancelled, ///< ended by Abort() before any reply's outcome
    };
    Status status = Status::Failed;
    /// Of a failure: what kind it is, for the job policy.
    JobPolicy::Failure kind = JobPolicy::Failure::Final;
    /// The socket error that ended the transfer, when one did.
    SockErrorCode error = SockErrorCode::Other;
    int httpStatus = 0; ///< the final reply's status code; 0 when none came
    /// The final reply's status line, or the client's text of why what came
    /// was no reply; empty when nothing came.
    QString statusLine;
    /// Why it failed, naming the place (the server's status line, "Connection
    /// refused by host:port", ...); empty when it did not fail.
    QString reason;
    /// The client's own text of what ended it: the error, or its status text
    /// for a transfer that ended without an outcome; empty otherwise.
    QString errorText;
    /// A reply came, so the connection was made, whatever else failed.
    bool answered = false;
    qint64 received = 0; ///< body bytes received
    /// The size of the file saved at the path, which is then all that is
    /// there; -1 when none was saved (the path holds what it held before).
    qint64 saved = -1;
    /// A 429 or 503: the seconds its Retry-After line asked for, 0 when it
    /// named none; -1 for any other outcome.
    qint64 retryAfter = -1;
    /// The reply's validators, for a later conditional or resumed request.
    QString etag;
    QString lastModified;
    /// A 401 whose server would take a name and password (Basic).
    bool basicOffered = false;

    bool Succeeded() const { return status == Status::Succeeded; }
    bool Cancelled() const { return status == Status::Cancelled; }
};
