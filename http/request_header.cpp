#include "http/request_header.h"

#include "http/ex_string_list.h"
#include "http/nmuu_processor.h"

namespace {

const char* const methodWords[] = {
    "GET ",  "OPTIONS ", "HEAD ", "POST ",   "PUT ",   "PATCH ", "COPY ",
    "MOVE ", "DELETE ",  "LINK ", "UNLINK ", "TRACE ", "",
};

} // namespace

void RequestHeader::ComposeInto(TExStringList& lines) const {
    lines.Clear();
    const bool secure = target.secure;
    // RFC 9112 3.2: the port belongs to the host name unless it is the
    // scheme's default one; without it a server builds its links for port 80.
    QByteArray host = target.host.toUtf8();
    if (target.port != (secure ? 443 : 80))
        host += ':' + QByteArray::number(target.port);
    // Over TLS, HTTP/1.1 lets a server frame a body of unknown length with
    // chunks: a body framed only by the close is whole only when the server
    // ends TLS in order, which many do not. A plain request stays HTTP/1.0.
    const bool http11 = keepAlive || secure;
    if (command != cmdRaw)
        lines.Add(methodWords[command] + (viaProxy ? target.url : target.path) +
                  (http11 ? " HTTP/1.1" : " HTTP/1.0"));
    if (viaProxy) {
        lines.Add("Proxy-Connection: Keep-Alive");
        lines.Add("Host: " + host);
    }
    lines.SetHeader("Host", host);
    if (keepAlive)
        lines.SetHeader("Connection", "keep-alive");
    else if (http11)
        lines.SetHeader("Connection", "close");
    lines.Add("Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff");
    lines.Add("Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript");
    if (!info.LocalProgram.isEmpty())
        lines.SetHeader("User-Agent", info.LocalProgram);
    if (!info.LocalMailAddress.isEmpty())
        lines.SetHeader("From", info.LocalMailAddress);
    if (!cookie.isEmpty())
        lines.SetHeader("Cookie", cookie);
    if (!info.Referer.isEmpty())
        lines.SetHeader("Referer", info.Referer);
    if (!info.UserId.isEmpty() && !info.Password.isEmpty())
        lines.SetHeader("Authorization", BasicCredentials(info.UserId, info.Password));
    if (viaProxy && !proxyUser.isEmpty())
        lines.SetHeader("Proxy-Authorization", BasicCredentials(proxyUser, proxyPassword));
    lines.Add("Content-type: application/x-www-form-urlencoded");
    if (command == cmdCopy || command == cmdMove)
        lines.Add("URI-header: " + extraValue);
    else if (command == cmdLink || command == cmdUnlink)
        lines.Add("Link: " + extraValue);
    if (bodyLength >= 0)
        lines.Add("Content-Length: " + QByteArray::number(bodyLength));
    if (rangeFrom >= 0) {
        lines.Add("Range: bytes=" + QByteArray::number(rangeFrom) + '-');
        lines.Add("If-Range: " + ifRange);
    }
    for (const QByteArray& line : extraHeaders) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0)
            lines.SetHeader(line.left(colon), line.mid(colon + 1).trimmed());
    }
}

bool SendsBody(CmdType command) {
    switch (command) {
    case cmdPost:
    case cmdPut:
    case cmdPatch:
    case cmdTrace:
    case cmdRaw:
        return true;
    default:
        return false;
    }
}

QByteArray BasicCredentials(const QByteArray& user, const QByteArray& password) {
    return "Basic " + TNMUUProcessor::Base64Line(user + ":" + password);
}

QByteArray MaskedLine(const QByteArray& line) {
    const qsizetype colon = line.indexOf(':');
    if (colon < 0)
        return line;
    const QByteArray name = line.left(colon).trimmed().toLower();
    if (name != "authorization" && name != "proxy-authorization")
        return line;
    // The scheme stays readable: it says what was sent, not what it holds.
    const QByteArray value = line.mid(colon + 1).trimmed();
    const qsizetype blank = value.indexOf(' ');
    return line.left(colon + 1) + ' ' + (blank < 0 ? QByteArray() : value.left(blank + 1)) + "****";
}
