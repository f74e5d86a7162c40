#pragma once

// What the client tests share: a recording of the client's events and the
// fixed request lines every request carries.
#include "http/nmhttp.h"
#include "tests/support/scripted_peer.h"
#include "tests/support/test_env.h"

#include <QStringList>
#include <functional>

namespace httptest {

inline const QByteArray acceptLines =
    "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n"
    "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n";
inline const QByteArray contentType = "Content-type: application/x-www-form-urlencoded\r\n";

/// What one request operation did.
struct Outcome {
    int successes = 0;
    int failures = 0;
    int redirects = 0;
    int authentications = 0;
    QList<CmdType> codes;
    QStringList statuses;
    QString error; ///< what() of the exception that ended it, if any
    bool aborted = false;
};

/// Wires `http`'s events into an Outcome, runs `call`, catches what it
/// throws, and unwires them again (a handler the caller set on OnRedirect
/// still runs). ReportLevel becomes 2 so "Transaction Completed" is seen.
inline Outcome record(TNMHTTP& http, const std::function<void()>& call) {
    Outcome outcome;
    const TNMHTTP::TRedirectEvent callersRedirect = http.OnRedirect;
    http.ReportLevel = 2;
    http.OnSuccess = [&](CmdType cmd) {
        ++outcome.successes;
        outcome.codes << cmd;
    };
    http.OnFailure = [&](CmdType cmd) {
        ++outcome.failures;
        outcome.codes << cmd;
    };
    http.OnStatus = [&](QObject*, const QString& text) { outcome.statuses << text; };
    http.OnRedirect = [&](bool& handled) {
        ++outcome.redirects;
        if (callersRedirect)
            callersRedirect(handled);
    };
    http.OnAuthenticationNeeded = [&](QObject*) { ++outcome.authentications; };
    try {
        call();
    } catch (const EAbortError& e) {
        outcome.error = QString::fromUtf8(e.what());
        outcome.aborted = true;
    } catch (const std::exception& e) {
        outcome.error = QString::fromUtf8(e.what());
    }
    http.OnSuccess = nullptr;
    http.OnFailure = nullptr;
    http.OnStatus = nullptr;
    http.OnRedirect = callersRedirect;
    http.OnAuthenticationNeeded = nullptr;
    return outcome;
}

/// Waits until the peer has finished `count` connections, so that all it
/// received is recorded.
inline bool peerDone(const testsupport::ScriptedPeer& peer, int count = 1) {
    return testenv::waitUntil([&] { return peer.finished() >= count; }, 10000);
}

inline QString local(quint16 port, const QString& path = {}) {
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(path);
}

} // namespace httptest
