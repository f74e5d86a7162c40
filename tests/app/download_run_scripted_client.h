#pragma once

#include "app/download_client.h"
#include "tests/support/test_env.h"

#include <QFile>
#include <QHash>
#include <QStringList>
#include <functional>
#include <ostream>
#include <stdexcept>

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

/// A client that plays one scripted reply per URL, synchronously, the way
/// TNMHTTP does: `during` runs inside Get (as a handler would inside the
/// client's event loop), then the body is written and the outcome raised.
class ScriptedClient : public DownloadClient {
public:
    enum class Outcome {
        Success, ///< writes `body`, raises succeeded
        Failure, ///< writes `body` (an error page), raises failed
        Throw,   ///< throws `error` before anything is written
        None,    ///< returns without an outcome
        /// writes `body` to the part file, then waits in the event loop for
        /// Abort, which removes it again (as TNMHTTP does)
        HoldBody,
    };
    struct Reply {
        Outcome outcome = Outcome::Success;
        QByteArray body = "data";
        QString error = QStringLiteral("Connection Failed");
        std::function<void()> during = {};
        QString reason = QStringLiteral("HTTP/1.0 404 Not Found"); ///< of a Failure
    };

    QHash<QString, Reply> replies; ///< by URL; a missing URL gets Reply{}
    QStringList requested;         ///< URLs in the order they were asked for
    int depth = 0;                 ///< Gets on the stack now
    int maxDepth = 0;
    int aborts = 0;
    qint64 received = 0;
    qint64 expected = 0;
    QString status;

    void Get(const QString& url, const QString& path) override {
        requested << url;
        ++depth;
        maxDepth = std::max(maxDepth, depth);
        struct Leave {
            int& d;
            ~Leave() { --d; }
        } leave{depth};
        aborted_ = false;
        const Reply reply = replies.value(url);
        if (events().connected)
            events().connected();
        if (reply.during)
            reply.during();
        switch (reply.outcome) {
        case Outcome::Throw:
            throw std::runtime_error(reply.error.toStdString());
        case Outcome::None:
            return;
        case Outcome::HoldBody: {
            const QString part = path + QStringLiteral(".part");
            write(part, reply.body);
            const bool abortedInTime = testenv::waitUntil([this] { return aborted_; }, 5000);
            QFile::remove(part);
            if (!abortedInTime)
                throw std::runtime_error("held request was never aborted");
            throw std::runtime_error("Socket send aborted");
        }
        case Outcome::Success:
        case Outcome::Failure:
            write(path, reply.body);
            if (aborted_)
                throw std::runtime_error("Socket send aborted");
            reason_ = reply.reason;
            if (reply.outcome == Outcome::Success) {
                if (events().succeeded)
                    events().succeeded();
            } else if (events().failed) {
                events().failed();
            }
            return;
        }
    }
    void Abort() override {
        ++aborts;
        aborted_ = depth > 0;
    }
    QString StatusText() const override { return status; }
    qint64 ReceivedBytes() const override { return received; }
    qint64 ExpectedBytes() const override { return expected; }
    QString FailureReason() const override { return reason_; }
    void NewRun() override { ++newRuns; }
    int newRuns = 0;

    /// Raises the client's events from a test, as the real client would.
    void RaisePacket(qint64 got, qint64 total) {
        received = got;
        expected = total;
        if (events().packetReceived)
            events().packetReceived();
    }

private:
    void write(const QString& path, const QByteArray& body) {
        if (!testenv::writeFile(path, body))
            throw std::runtime_error("cannot write " + path.toStdString());
        if (!body.isEmpty())
            RaisePacket(body.size(), body.size());
    }

    bool aborted_ = false;
    QString reason_;
};
