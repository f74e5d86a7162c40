#include "http/reply_head.h"

#include "http/reply_framing.h"

#include <QCoreApplication>
#include <algorithm>

namespace {

QByteArrayView withoutLineEnd(QByteArrayView line) {
    while (!line.isEmpty() && (line.back() == '\n' || line.back() == '\r'))
        line.chop(1);
    return line;
}

bool hasControlByte(QByteArrayView value) {
    return std::any_of(value.begin(), value.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7f;
    });
}

// RFC 9110 8.8.3: entity-tag = [ "W/" ] DQUOTE *etagc DQUOTE. Anything else
// could not be sent back in If-None-Match as the server meant it.
void readEtag(const QByteArray& value, ReplyHead& head) {
    const bool weak = value.startsWith("W/");
    const QByteArray tag = weak ? value.mid(2) : value;
    const bool quoted = tag.size() >= 2 && tag.startsWith('"') && tag.endsWith('"') &&
                        !tag.mid(1, tag.size() - 2).contains('"') && !hasControlByte(tag);
    head.etag = quoted ? value : QByteArray();
    head.etagWeak = quoted && weak;
}

std::optional<qint64> number(QByteArrayView text) {
    if (text.isEmpty() || text.size() > 18 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    return QByteArray(text.data(), text.size()).toLongLong();
}

// RFC 9110 14.4: "bytes first-last/complete" or "bytes */complete", where
// complete may be "*".
std::optional<ReplyHead::Range> contentRange(const QByteArray& value) {
    if (!value.startsWith("bytes "))
        return std::nullopt;
    const QByteArray spec = value.mid(6).trimmed();
    const qsizetype slash = spec.indexOf('/');
    if (slash < 0)
        return std::nullopt;
    ReplyHead::Range range;
    const QByteArray complete = spec.mid(slash + 1);
    if (complete != "*") {
        const std::optional<qint64> length = number(complete);
        if (!length)
            return std::nullopt;
        range.complete = *length;
    }
    const QByteArray span = spec.left(slash);
    if (span == "*")
        return range.complete >= 0 ? std::optional(range) : std::nullopt;
    const qsizetype dash = span.indexOf('-');
    const std::optional<qint64> first = number(QByteArrayView(span).first(qMax(dash, 0)));
    const std::optional<qint64> last = number(QByteArrayView(span).sliced(dash + 1));
    if (dash < 0 || !first || !last || *last < *first ||
        (range.complete >= 0 && *last >= range.complete))
        return std::nullopt;
    range.first = *first;
    range.last = *last;
    return range;
}

// RFC 9112 6.3: a transfer coding decides the framing, whatever length is
// announced beside it; chunked is the only one spoken here.
void frame(const QList<QByteArray>& lengths, const QByteArray& transferEncoding, ReplyHead& head) {
    if (!transferEncoding.isEmpty() && transferEncoding != "IDENTITY") {
        if (transferEncoding == "CHUNKED")
            head.framing = ReplyHead::Framing::Chunked;
        else
            head.framingError =
                QCoreApplication::translate("ReplyHead", "Unsupported Transfer-Encoding: %1")
                    .arg(QString::fromLatin1(transferEncoding.toLower()));
        return;
    }
    for (const QByteArray& value : lengths) {
        const std::optional<qint64> length = ReplyFraming::ContentLength(value);
        if (!length || (head.contentLength >= 0 && *length != head.contentLength)) {
            head.framingError =
                QCoreApplication::translate("ReplyHead", "Bad Content-Length in the reply: \"%1\"")
                    .arg(ReplyFraming::Excerpt(value));
            head.framing = ReplyHead::Framing::UntilClose;
            head.contentLength = -1;
            return;
        }
        head.framing = ReplyHead::Framing::Length;
        head.contentLength = *length;
    }
}

} // namespace

ReplyHead ParseReplyHead(QByteArrayView bytes, const QDateTime& now) {
    ReplyHead head;
    const qsizetype statusEnd = bytes.indexOf('\n') + 1;
    const QByteArrayView statusLine = statusEnd > 0 ? bytes.first(statusEnd) : bytes;
    const std::optional<int> code = ReplyFraming::StatusCode(statusLine);
    if (!code) {
        // Garbage, another protocol, or an HTTP/0.9 body without a header:
        // nothing says what it is, so it is not taken for a file.
        head.error =
            QCoreApplication::translate("ReplyHead", "No HTTP status line in the reply: \"%1\"")
                .arg(ReplyFraming::Excerpt(withoutLineEnd(statusLine)));
        return head;
    }
    head.statusCode = *code;
    head.statusLine = withoutLineEnd(statusLine).toByteArray();
    head.httpMajor = statusLine[5] - '0';
    head.httpMinor = statusLine[6] == '.' ? statusLine[7] - '0' : 0;

    QList<QByteArray> lengths;
    QByteArray transferEncoding;
    bool closeAsked = false;
    bool keepAsked = false;
    const QByteArray fields = ReplyFraming::Unfolded(bytes.sliced(statusLine.size()));
    for (qsizetype from = 0; from < fields.size();) {
        qsizetype lf = fields.indexOf('\n', from);
        if (lf < 0)
            lf = fields.size() - 1;
        const QByteArray line = fields.mid(from, lf - from + 1);
        from = lf + 1;
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        const QByteArray name = line.left(colon).toUpper();
        // Blanks around the value and the line end are no part of it; a
        // missing blank after the colon is accepted.
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (name == "SET-COOKIE") {
            if (!hasControlByte(value))
                head.setCookies += value;
        } else if (name == "WWW-AUTHENTICATE") {
            // RFC 9110 11.6.1: challenges split by commas, each a scheme
            // token and its parameters ("Digest realm=a, Basic realm=b").
            for (const QByteArray& part : value.split(',')) {
                const QByteArray word = part.trimmed().split(' ').first();
                head.basicOffered = head.basicOffered || word.toUpper() == "BASIC";
            }
        } else if (name == "LOCATION") {
            if (!value.isEmpty() && !hasControlByte(value))
                head.location = value;
        } else if (name == "CONTENT-LENGTH") {
            lengths += value;
        } else if (name == "TRANSFER-ENCODING") {
            transferEncoding = value.toUpper();
        } else if (name == "CONNECTION") {
            for (const QByteArray& token : value.toUpper().split(',')) {
                closeAsked = closeAsked || token.trimmed() == "CLOSE";
                keepAsked = keepAsked || token.trimmed() == "KEEP-ALIVE";
            }
        } else if (name == "RETRY-AFTER") {
            head.retryAfter = ReplyFraming::RetryAfterSeconds(value, now);
        } else if (name == "ETAG") {
            readEtag(value, head);
        } else if (name == "LAST-MODIFIED") {
            head.lastModified = value;
        } else if (name == "DATE") {
            head.date = value;
        } else if (name == "CONTENT-RANGE") {
            head.contentRange = contentRange(value);
        } else if (name == "CONTENT-TYPE") {
            head.contentType = value;
        }
    }
    head.persists = !closeAsked && ((head.httpMajor == 1 && head.httpMinor >= 1) || keepAsked);
    frame(lengths, transferEncoding, head);
    return head;
}
