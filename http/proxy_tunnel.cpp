#include "http/proxy_tunnel.h"

#include "http/request_header.h"
#include "http/request_lines.h"
#include "net/powersock.h"

#include <QCoreApplication>
#include <stdexcept>

namespace {

QByteArray withoutLineEnd(QByteArray line) {
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return line;
}

// An answer longer than this is not a proxy's: stop reading it.
constexpr int kMaxAnswerLines = 100;

} // namespace

Task<> OpenProxyTunnelAsync(TPowersock& session, QString host, quint16 port, QByteArray proxyUser,
                            QByteArray proxyPassword) {
    // An IPv6 literal is bracketed in an authority, as in a URL.
    const bool bare = host.contains(QLatin1Char(':')) && !host.startsWith(QLatin1Char('['));
    const QByteArray name = bare ? '[' + host.toUtf8() + ']' : host.toUtf8();
    const QByteArray authority = name + ':' + QByteArray::number(port);
    QList<QByteArray> lines{"CONNECT " + authority + " HTTP/1.0", "Host: " + authority};
    if (!proxyUser.isEmpty())
        lines << "Proxy-Authorization: " + BasicCredentials(proxyUser, proxyPassword);
    // The same rule as every request line: a host or login cannot add a line.
    if (const QString problem = RequestLines::Problem(lines); !problem.isEmpty())
        throw std::runtime_error(problem.toStdString());
    co_await session.WriteAsync(lines.join("\r\n") + "\r\n\r\n");

    const QByteArray status = withoutLineEnd(co_await session.ReadLnAsync());
    if (status.isEmpty())
        throw ESockError(QCoreApplication::translate(
                             "ProxyTunnel", "Proxy refused CONNECT: it closed the connection"),
                         SockErrorCode::ProxyRefused);
    // "HTTP/1.1 200 Connection established": the code is the second field.
    const QByteArray code = TPowersock::NthField(status, ' ', 2);
    const bool accepted =
        code.size() == 3 && code.startsWith('2') && status.toUpper().startsWith("HTTP/");
    for (int lines = 0;; ++lines) {
        const QByteArray line = co_await session.ReadLnAsync();
        if (line.isEmpty() && accepted)
            throw ESockError(QCoreApplication::translate(
                                 "ProxyTunnel", "Proxy refused CONNECT: it closed the connection"),
                             SockErrorCode::ProxyRefused);
        if (line.isEmpty() || withoutLineEnd(line).isEmpty())
            break;
        if (lines >= kMaxAnswerLines)
            throw ESockError(QCoreApplication::translate(
                                 "ProxyTunnel", "Proxy refused CONNECT: its answer does not end"),
                             SockErrorCode::ProxyRefused);
    }
    if (!accepted)
        throw ESockError(QCoreApplication::translate("ProxyTunnel", "Proxy refused CONNECT: %1")
                             .arg(QString::fromLatin1(status)),
                         SockErrorCode::ProxyRefused);
}
