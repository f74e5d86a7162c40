#pragma once

#include "app/download_client.h"
#include "tests/support/test_env.h"

#include <QFile>
#include <QHash>
#include <QStringList>
#include <QTimer>
#include <QUrl>
#include <functional>
#include <optional>
#include <ostream>
#include <stdexcept>

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

/// A client that plays one scripted reply per URL, the way TNMHTTP does:
/// Start returns at once, and from the event loop `during` runs (as a handler
/// would while the request is under way), then the body is written, the
/// outcome raised and the end told.
class ScriptedClient : public DownloadClient {
public:
    enum class Outcome {
        Success, ///< writes `body`; the outcome is a success
        Failure, ///< an error reply; an error page is never saved at the path
        Throw,   ///< ends with `error` before anything is written
        None,    ///< ends without an outcome
        /// writes `body` to the part file, then waits for Abort, which
        /// removes it again (as TNMHTTP does)
        HoldBody,
    };
    struct Reply {
        Outcome outcome = Outcome::Success;
        QByteArray body = "data";
        QString error = QStringLiteral("Connection Failed");
        std::function<void()> during = {};
        QString reason = QStringLiteral("HTTP/1.0 404 Not Found"); ///< of a Failure
        qint64 slowDown = -1; ///< of a Failure: SlowDownSeconds()
        /// LastFailure() of a Failure or Throw: its kind, and the reason
        /// (empty: the run falls back on `reason` / `error`).
        JobPolicy::Failure kind = JobPolicy::Failure::Final;
        QString failureReason = {};
        /// SavedBytes() after a Success or Failure, as the real client says
        /// it: the body's size when unset, whatever is at the path by then.
        std::optional<qint64> saved = {};
    };

    QHash<QString, Reply> replies;     ///< by URL; a missing URL gets Reply{}
    QStringList requested;             ///< URLs in the order they were asked for
    QHash<QString, PathFound> foundAt; ///< what the run told of each URL's path
    int depth = 0;                     ///< requests under way now
    int maxDepth = 0;
    int aborts = 0;
    int connects = 0;         ///< `connected` events raised
    bool multiplexed = false; ///< what Multiplexed() says once connected
    qint64 received = 0;
    qint64 expected = 0;
    QString status;

    void Start(const QString& url, const QString& path, PathFound found) override {
        requested << url;
        foundAt.insert(url, found);
        saved_ = -1;
        ++depth;
        maxDepth = std::max(maxDepth, depth);
        aborted_ = false;
        holding_ = false;
        TransferBegins();
        const quint64 serial = ++serial_;
        QTimer::singleShot(0, &context_, [this, url, path, serial] { play(url, path, serial); });
    }
    void Abort() override {
        ++aborts;
        aborted_ = depth > 0;
        AbortAsked();
        if (holding_)
            QTimer::singleShot(0, &context_, [this, serial = serial_] { release(serial, true); });
    }
    QString StatusText() const override { return status; }
    bool Multiplexed() const override { return multiplexed && depth > 0; }
    qint64 ReceivedBytes() const override { return received; }
    qint64 ExpectedBytes() const override { return expected; }
    QString FailureReason() const override { return reason_; }
    qint64 SlowDownSeconds() const override { return slowDown_; }
    qint64 SavedBytes() const override { return saved_; }
    void NewRun() override { ++newRuns; }
    int newRuns = 0;
    Failure LastFailure() const override { return failure_; }
    QString AddressOf(const QString& url) const override {
        const QUrl parsed(url);
        return parsed.host() + ':' + QString::number(parsed.port(80));
    }

    /// Raises the client's events from a test, as the real client would.
    void RaisePacket(qint64 got, qint64 total) {
        received = got;
        expected = total;
        if (events().packetReceived)
            events().packetReceived();
    }

private:
    void play(const QString& url, const QString& path, quint64 serial) {
        const Reply reply = replies.value(url);
        failure_ = {reply.kind, reply.failureReason, reply.outcome == Outcome::Failure};
        ++connects;
        if (events().connected)
            events().connected();
        if (reply.during)
            reply.during();
        try {
            switch (reply.outcome) {
            case Outcome::Throw:
                return end(true, reply.error);
            case Outcome::None:
                return end(false, {});
            case Outcome::HoldBody:
                part_ = path + QStringLiteral(".part");
                write(part_, reply.body);
                holding_ = true;
                if (aborted_)
                    return release(serial, true);
                QTimer::singleShot(5000, &context_, [this, serial] { release(serial, false); });
                return;
            case Outcome::Success:
            case Outcome::Failure:
                if (reply.outcome == Outcome::Success)
                    write(path, reply.body);
                if (aborted_)
                    return end(true, QStringLiteral("Socket send aborted"));
                saved_ = reply.outcome == Outcome::Success ? reply.saved.value_or(reply.body.size())
                                                           : -1;
                reason_ = reply.reason;
                slowDown_ = reply.outcome == Outcome::Failure ? reply.slowDown : -1;
                if (reply.outcome == Outcome::Success)
                    ReplySucceeded();
                else
                    ReplyFailed();
                return end(false, {});
            }
        } catch (const std::exception& e) {
            end(true, QString::fromLocal8Bit(e.what()));
        }
    }
    void release(quint64 serial, bool abortedInTime) {
        if (!holding_ || serial != serial_)
            return;
        holding_ = false;
        QFile::remove(part_);
        end(true, abortedInTime ? QStringLiteral("Socket send aborted")
                                : QStringLiteral("held request was never aborted"));
    }
    void end(bool threw, const QString& error) {
        --depth;
        TransferOver(threw, error, SockErrorCode::Other);
    }
    void write(const QString& path, const QByteArray& body) {
        if (!testenv::writeFile(path, body))
            throw std::runtime_error("cannot write " + path.toStdString());
        if (!body.isEmpty())
            RaisePacket(body.size(), body.size());
    }

    bool aborted_ = false;
    bool holding_ = false;
    quint64 serial_ = 0;
    QString part_;
    QString reason_;
    Failure failure_;
    qint64 slowDown_ = -1;
    qint64 saved_ = -1;
    QObject context_; ///< the queued steps die with the client
};
