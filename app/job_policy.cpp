#include "app/job_policy.h"

#include "app/download_outcome.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace JobPolicy {

namespace {

// Classic socket error numbers the connect reasons tell apart.
constexpr int kTimedOut = 10060;
constexpr int kRefused = 10061;
constexpr int kNetworkDown = 10050;
constexpr int kNetworkUnreachable = 10051;
constexpr int kHostDown = 10064;
constexpr int kHostUnreachable = 10065;
constexpr int kHostNotFound = 11001;
constexpr int kTryAgain = 11002;
constexpr int kNoData = 11004;

// A failure given up after tries keeps this tail; CauseOf cuts it off.
const QRegularExpression kTriesTail(QStringLiteral(" after \\d+ tries$"));
// "HTTP/1.1 404 Not Found" -> "404 Not Found".
const QRegularExpression kStatusLine(QStringLiteral("^HTTP/\\d(?:\\.\\d)?\\s+(\\d{3}.*)$"));

} // namespace

Failure ForStatus(int code) {
    if (code == 429 || code == 503)
        return Failure::SlowDown;
    if (code == 408 || (code >= 500 && code <= 599 && code != 501 && code != 505))
        return Failure::Transient;
    return Failure::Final;
}

Failure ForError(SockErrorCode code) {
    switch (code) {
    case SockErrorCode::LookupTimedOut:
    case SockErrorCode::LookupFailed:
    case SockErrorCode::ConnectTimedOut:
    case SockErrorCode::ConnectFailed:
        return Failure::Connect;
    case SockErrorCode::SocketError: // a reset or a send that failed
    case SockErrorCode::TlsTimedOut:
    case SockErrorCode::TooSlow:
    case SockErrorCode::TimedOut:
    case SockErrorCode::ProxyRefused: // a proxy that could not reach the server
        return Failure::Transient;
    case SockErrorCode::Other:
    case SockErrorCode::AlreadyConnected:
    case SockErrorCode::TlsFailed: // a certificate stays wrong however often asked
    case SockErrorCode::TooLong:
    case SockErrorCode::Cancelled:
        break;
    }
    return Failure::Final;
}

Failure ForBadReply(const QString& reason) {
    // The client's texts for a reply the connection's end cut short: the
    // same request may well go through whole the next time.
    return reason.startsWith(QStringLiteral("Connection closed")) ||
                   reason.startsWith(QStringLiteral("No reply"))
               ? Failure::Transient
               : Failure::Final;
}

QString ErrorReason(SockErrorCode code, int lastError, const QString& text, const QString& host,
                    const QString& address) {
    switch (code) {
    case SockErrorCode::LookupFailed:
        if (lastError == kTryAgain)
            return QCoreApplication::translate("JobPolicy", "Host lookup failed for now: %1")
                .arg(host);
        return QCoreApplication::translate("JobPolicy", "Host not found: %1").arg(host);
    case SockErrorCode::LookupTimedOut:
        return QCoreApplication::translate("JobPolicy", "Timed out looking up %1").arg(host);
    case SockErrorCode::ConnectTimedOut:
        return QCoreApplication::translate("JobPolicy", "Timed out connecting to %1").arg(address);
    case SockErrorCode::ConnectFailed:
        switch (lastError) {
        case kRefused:
            return QCoreApplication::translate("JobPolicy", "Connection refused by %1")
                .arg(address);
        case kTimedOut:
            return QCoreApplication::translate("JobPolicy", "Timed out connecting to %1")
                .arg(address);
        case kHostUnreachable:
        case kHostDown:
            return QCoreApplication::translate("JobPolicy", "No route to host %1").arg(address);
        case kNetworkUnreachable:
        case kNetworkDown:
            return QCoreApplication::translate("JobPolicy", "Network unreachable for %1")
                .arg(address);
        case kHostNotFound:
        case kNoData:
            return QCoreApplication::translate("JobPolicy", "Host not found: %1").arg(host);
        default:
            return QCoreApplication::translate("JobPolicy", "Could not connect to %1 (%2)")
                .arg(address, text);
        }
    case SockErrorCode::TlsTimedOut:
    case SockErrorCode::TlsFailed:
        return QStringLiteral("%1 (%2)").arg(text, address);
    case SockErrorCode::TimedOut:
        return QCoreApplication::translate("JobPolicy", "%1: %2 sent nothing for too long")
            .arg(text, address);
    default:
        return text;
    }
}

QString NotTriedReason(const QString& address, bool refused) {
    return refused
               ? QCoreApplication::translate("JobPolicy", "not tried: %1 refused %2 connections")
                     .arg(address, QString::number(kDownAfter))
               : QCoreApplication::translate("JobPolicy",
                                             "not tried: %1 failed %2 connection tries")
                     .arg(address, QString::number(kDownAfter));
}

Verdict Judge(Failure failure, const QString& reason, int tries, int retries, bool addressDown,
              int retryCount) {
    // The small-result counter's rule: a failure in its sixth step or later
    // gives the job up.
    constexpr int kGiveUpRetryCount = 6;
    // A server that kept asking to be left alone has had its waits already.
    if (failure == Failure::SlowDown && retries > 0)
        return {false, JobList::Mark::GivenUp, reason};
    const bool transient = failure != Failure::Final;
    if (transient && retries > 0) {
        if (!addressDown && tries <= retries)
            return {true, {}, reason};
        return {false, JobList::Mark::GivenUp,
                tries > 1 ? QStringLiteral("%1 after %2 tries").arg(reason).arg(tries) : reason};
    }
    return {false, retryCount >= kGiveUpRetryCount ? JobList::Mark::GivenUp : JobList::Mark::Failed,
            reason};
}

Decision Decide(const JobState& job, const DownloadOutcome& outcome) {
    using Next = Decision::Next;
    if (outcome.Succeeded())
        return {Next::Mark, JobList::Mark::Done, {}, 0};
    if (outcome.Cancelled())
        return {Next::Keep, JobList::Mark::Requested, {}, 0};
    if (outcome.retryAfter >= 0 && job.held && job.slowDowns < kMaxSlowDowns)
        return {Next::WaitHost, JobList::Mark::Requested, {}, outcome.retryAfter};
    const Verdict verdict = Judge(outcome.kind, outcome.reason, job.tries, job.retries,
                                  job.addressDown, job.retryCount);
    if (verdict.tryAgain)
        return {job.held ? Next::TryAgain : Next::Keep, JobList::Mark::Requested, {}, 0};
    return {Next::Mark, verdict.mark, verdict.reason, 0};
}

QString PathRefusal(const QString& path) {
    // Most paths hold neither: one search settles them.
    if (!path.startsWith(QLatin1Char('.')) && !path.contains(QLatin1String("/.")) &&
        !path.contains(QLatin1String("\\.")))
        return {};
    for (const QString& part : path.split(QRegularExpression(QStringLiteral("[/\\\\]")))) {
        if (part == QLatin1String(".."))
            return QCoreApplication::translate("JobPolicy",
                                               "Refused: the path goes up a folder with \"..\"");
        if (part.startsWith(QLatin1Char('.')) && part != QLatin1String("."))
            return QCoreApplication::translate("JobPolicy",
                                               "Refused: the path leads into the hidden \"%1\"")
                .arg(part);
    }
    return {};
}

QString CauseOf(const QString& reason) {
    QString cause = reason;
    cause.remove(kTriesTail);
    if (const QRegularExpressionMatch status = kStatusLine.match(cause); status.hasMatch())
        return status.captured(1).trimmed();
    return cause;
}

} // namespace JobPolicy
