// The classic request operations of TNMHTTP: each stores its arguments and
// runs the transaction, waiting for it in the event loop.
#include "http/nmhttp.h"
#include "http/nmurl.h"

#include <QScopeGuard>
#include <stdexcept>

void TNMHTTP::Get(const QString& url) {
    Run(cmdGet, url);
}
void TNMHTTP::Options(const QString& url) {
    Run(cmdOptions, url);
}
void TNMHTTP::Head(const QString& url) {
    Run(cmdHead, url);
}
void TNMHTTP::Delete(const QString& url) {
    Run(cmdDelete, url);
}

void TNMHTTP::Post(const QString& url, const QByteArray& data) {
    RequireIdle();
    if (EncodePost && !OutputFileMode) {
        TNMURL encoder;
        encoder.InputString = data;
        SendData = encoder.Encode();
    } else {
        SendData = data;
    }
    Run(cmdPost, url);
}

void TNMHTTP::Put(const QString& url, const QByteArray& data) {
    RequireIdle();
    SendData = data;
    Run(cmdPut, url);
}

void TNMHTTP::Patch(const QString& url, const QByteArray& data) {
    RequireIdle();
    SendData = data;
    Run(cmdPatch, url);
}

void TNMHTTP::Trace(const QString& url, const QByteArray& data) {
    RequireIdle();
    SendData = data;
    Run(cmdTrace, url);
}

void TNMHTTP::Raw(const QString& url, const QByteArray& data) {
    RequireIdle();
    SendData = data;
    Run(cmdRaw, url);
}

void TNMHTTP::Copy(const QString& url, const QString& targetUrl) {
    RequireIdle();
    ExtraHeaderValue = targetUrl.toUtf8();
    Run(cmdCopy, url);
}

void TNMHTTP::Move(const QString& url, const QString& targetUrl) {
    RequireIdle();
    ExtraHeaderValue = targetUrl.toUtf8();
    Run(cmdMove, url);
}

void TNMHTTP::Link(const QString& url, const QString& link) {
    RequireIdle();
    ExtraHeaderValue = link.toUtf8();
    SendData = "Send.dat";
    Run(cmdLink, url);
}

void TNMHTTP::Unlink(const QString& url, const QString& link) {
    RequireIdle();
    ExtraHeaderValue = link.toUtf8();
    SendData = "Send.dat";
    Run(cmdUnlink, url);
}

void TNMHTTP::RequireIdle() const {
    // A handler runs inside the waits of a request; a second request started
    // there would overwrite the first one's URL and close its connection.
    if (running_)
        throw std::logic_error("A request is already under way");
}

void TNMHTTP::Run(CmdType command, const QString& url) {
    RequireIdle();
    command_ = command;
    URL = url.toUtf8();
    TakeLogin();
    running_ = true;
    const auto idle = qScopeGuard([this] { running_ = false; });
    Wait(RunTransactionAsync());
}
