#pragma once

#include "http/cmd_type.h"
#include "http/reply_head.h"

#include <QString>

/// What a run does after one reply, decided from its head, the command it
/// answered and how its body came in: no socket, no file, no event.
struct ReplyVerdict {
    enum class Outcome {
        Success,     ///< a whole reply below 299: its body is what was asked for
        ErrorStatus, ///< a status above 399: the run ends on it, whatever its body
        Failure,     ///< no HTTP reply, a broken framing, a cut body, a redirect to nowhere
        Redirect,    ///< a followed 3xx: the next request goes to its Location
        Repeat,      ///< any other status (299, an unfollowed 3xx, 399): the request goes again
        /// A 304: the file the request's conditions named has not changed.
        /// The request ends; nothing is written and the path keeps its file.
        NotModified,
    };
    Outcome outcome = Outcome::Failure;
    /// Failure: why; ErrorStatus: the status line.
    QString reason;
    /// Redirect: the command of the next request.
    CmdType nextCommand = cmdGet;
    /// Whole and framed without the close: the connection can carry the
    /// next request, if both sides want to keep it.
    bool reusable = false;
};

/// Whether the reply's body is the answer the request asked for: it goes to
/// the body file only then.
inline bool IsSuccessStatus(int code) {
    return code < 299;
}

/// RFC 9110 6.4.1: these replies carry no body, whatever their head announces.
bool CarriesNoBody(CmdType command, int code);

/// The command that follows a redirect with `code`: RFC 9110 15.4 lets a 303
/// be answered by a GET (a HEAD stays a HEAD), and browsers do the same for a
/// POST redirected by a 301 or 302; any other command goes as it was.
CmdType RedirectedCommand(CmdType command, int code);

/// Judges a reply to `command` whose head is `head` and whose body read ended
/// with `bodyCut` (why it is not whole; empty when it is, or was not read
/// because the head was unusable).
ReplyVerdict JudgeReply(const ReplyHead& head, CmdType command, const QString& bodyCut);
