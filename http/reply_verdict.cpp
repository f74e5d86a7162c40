#include "http/reply_verdict.h"

#include "http/redirect_target.h"

#include <QCoreApplication>

bool CarriesNoBody(CmdType command, int code) {
    return command == cmdHead || code == 204 || code == 304;
}

CmdType RedirectedCommand(CmdType command, int code) {
    if ((code == 303 && command != cmdHead) || (command == cmdPost && (code == 301 || code == 302)))
        return cmdGet;
    return command;
}

ReplyVerdict JudgeReply(const ReplyHead& head, CmdType command, const QString& bodyCut) {
    using Outcome = ReplyVerdict::Outcome;
    if (const QString problem = head.Problem(); !problem.isEmpty())
        return {Outcome::Failure, problem, command, false};
    const int code = head.statusCode;
    ReplyVerdict verdict{Outcome::Repeat, {}, command, false};
    // A body that ends at the close leaves nothing to reuse.
    verdict.reusable =
        head.persists && bodyCut.isEmpty() &&
        (head.framing != ReplyHead::Framing::UntilClose || CarriesNoBody(command, code));
    if (IsSuccessStatus(code)) {
        verdict.outcome = bodyCut.isEmpty() ? Outcome::Success : Outcome::Failure;
        verdict.reason = bodyCut;
    } else if (code > 399) {
        // An error reply's body is dropped anyway: its status says what
        // happened even when the body was cut short.
        verdict.outcome = Outcome::ErrorStatus;
        verdict.reason = QString::fromLatin1(head.statusLine);
    } else if (code == 304) {
        // Only a conditional request is answered so; asking again would
        // only be answered the same.
        verdict.outcome = Outcome::NotModified;
    } else if (RedirectTarget::Followed(code) && head.location.isEmpty()) {
        verdict.outcome = Outcome::Failure;
        verdict.reason =
            QCoreApplication::translate("ReplyVerdict", "Redirect %1 without a Location line")
                .arg(code);
    } else if (RedirectTarget::Followed(code)) {
        verdict.outcome = Outcome::Redirect;
        verdict.nextCommand = RedirectedCommand(command, code);
    }
    return verdict;
}
