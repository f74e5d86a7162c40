#include "app/download_client.h"

#include <QCoreApplication>

namespace {

QString Or(const QString& text, const QString& otherwise) {
    return !text.isEmpty() ? text : otherwise;
}

} // namespace

void DownloadClient::TransferBegins() {
    running_ = true;
    abortAsked_ = false;
    reply_ = Reply::None;
}

void DownloadClient::ReplySucceeded() {
    if (reply_ == Reply::None)
        reply_ = Reply::Succeeded;
}

void DownloadClient::ReplyFailed() {
    if (reply_ == Reply::None)
        reply_ = Reply::Failed;
}

void DownloadClient::AbortAsked() {
    abortAsked_ = running_;
}

void DownloadClient::TransferOver(bool threw, const QString& error, SockErrorCode code) {
    if (!running_)
        return;
    running_ = false;
    DownloadOutcome outcome;
    outcome.error = code;
    outcome.received = ReceivedBytes();
    outcome.saved = SavedBytes();
    // A status is the reply's only when one came.
    outcome.httpStatus = reply_ != Reply::None ? ReplyStatus() : 0;
    outcome.statusLine = FailureReason();
    outcome.etag = ReplyEtag();
    outcome.lastModified = ReplyLastModified();
    outcome.basicOffered = outcome.httpStatus == 401 && ReplyOffersBasic();
    if (reply_ == Reply::Succeeded) {
        outcome.status = DownloadOutcome::Status::Succeeded;
    } else if (reply_ == Reply::Failed) {
        const Failure failure = LastFailure();
        outcome.kind = failure.kind;
        outcome.reason =
            Or(failure.reason,
               Or(FailureReason(),
                  QCoreApplication::translate("DownloadClient", "The server refused the request")));
        outcome.answered = true;
        outcome.retryAfter = SlowDownSeconds();
    } else if (threw && abortAsked_) {
        // Our own abort is no failure of the job.
        outcome.status = DownloadOutcome::Status::Cancelled;
        outcome.errorText = error;
    } else if (threw) {
        // A refused connection, a time-out, a reset, a bad URL...
        const Failure failure = LastFailure();
        outcome.errorText = error;
        outcome.kind = failure.reason.isEmpty() ? JobPolicy::Failure::Final : failure.kind;
        outcome.reason =
            Or(failure.reason,
               Or(error, QCoreApplication::translate("DownloadClient",
                                                     "The request ended without an outcome")));
        outcome.answered = failure.answered;
    } else {
        // Over without a reply's outcome or an error: nothing says that
        // another try would go better.
        outcome.errorText = StatusText();
        outcome.reason = Or(
            outcome.errorText,
            QCoreApplication::translate("DownloadClient", "The request ended without an outcome"));
    }
    abortAsked_ = false;
    if (events_.finished)
        events_.finished(outcome);
}
