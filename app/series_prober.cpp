#include "app/series_prober.h"

#include "app/client_settings.h"
#include "http/nmhttp.h"
#include "http/request_lines.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <exception>

namespace {

// A web page for a name that promises no page is a server's stand-in for a
// file it does not have.
bool StandInPage(const QByteArray& contentType, const QString& tail) {
    if (!contentType.trimmed().toLower().startsWith("text/html"))
        return false;
    const QString suffix = QFileInfo(tail).suffix().toLower();
    return !suffix.isEmpty() && !suffix.startsWith(QLatin1String("htm")) &&
           suffix != QLatin1String("php") && suffix != QLatin1String("asp") &&
           suffix != QLatin1String("aspx");
}

} // namespace

SeriesProber::SeriesProber(QObject* parent)
    : QObject(parent) {
    pause_.setSingleShot(true);
    // The interval is the user's promise to the server: kept to the
    // millisecond, not to Qt's coarse default.
    pause_.setTimerType(Qt::PreciseTimer);
    connect(&pause_, &QTimer::timeout, this, &SeriesProber::Send);
}

SeriesProber::~SeriesProber() = default;

void SeriesProber::Start(const FileUrlParts& pasted, const ClientConfig& config, int misses,
                         int intervalMs) {
    if (running_)
        return;
    running_ = true;
    ++generation_;
    cancelled_ = false;
    headRefused_ = false;
    requests_ = 0;
    probe_ = std::make_unique<SeriesProbe>(pasted, misses);
    config_ = config;
    tail_ = pasted.tail;
    intervalMs_ = std::max(intervalMs, 0);
    scratch_ = std::make_unique<QTemporaryDir>();
    // A new client per probe: nothing a last probe's servers said is kept.
    http_ = std::make_unique<TNMHTTP>();
    config_.ApplyTo(*http_);
    http_->Body = QFile::encodeName(scratch_->filePath(QStringLiteral("first-byte")));
    connect(http_.get(), &TNMHTTP::finished, this, [this](const TNMHTTP::Result& result) {
        const bool threw = result.status == TNMHTTP::Result::Status::Error ||
                           result.status == TNMHTTP::Result::Status::Cancelled;
        Answered(threw, result.reason);
    });
    // The first question goes out from the event loop, as every later one.
    question_ = probe_->Next();
    pause_.start(0);
}

void SeriesProber::Cancel() {
    if (!running_ || cancelled_)
        return;
    cancelled_ = true;
    pause_.stop();
    if (http_->Busy()) {
        http_->cancel(); // Answered ends the probe
        return;
    }
    // Never inside the caller's call, and never into a probe started since.
    QMetaObject::invokeMethod(
        this,
        [this, generation = generation_] {
            if (generation == generation_)
                Finish(End::Cancelled);
        },
        Qt::QueuedConnection);
}

void SeriesProber::AskNext() {
    question_ = probe_->Next();
    if (!question_) {
        const std::optional<ProbedSeries> result = probe_->Result();
        Finish(result && result->error.isEmpty() ? End::Found : End::Failed);
        return;
    }
    pause_.start(intervalMs_);
}

void SeriesProber::Send() {
    if (!question_) {
        AskNext();
        return;
    }
    if (config_.proxyForUrl) {
        QString problem;
        const auto proxy = config_.proxyForUrl(question_->url, &problem);
        if (!problem.isEmpty()) {
            probe_->Answer(SeriesProbe::Reply::Failed, problem);
            AskNext();
            return;
        }
        http_->Proxy = proxy ? proxy->host : QString();
        http_->ProxyPort = proxy ? proxy->port : 0;
    }
    if (config_.refererFromBaseUrl)
        http_->HeaderInfo.Referer = RequestLines::EncodeUrl(BaseUrlOf(question_->url).toUtf8());
    http_->ExtraHeaders = config_.extraHeaders;
    if (config_.loginForUrl) {
        const std::optional<BasicLogin> login = config_.loginForUrl(question_->url);
        http_->HeaderInfo.UserId = login ? login->user.toUtf8() : QByteArray();
        http_->HeaderInfo.Password = login ? login->password.toUtf8() : QByteArray();
    }
    if (headRefused_)
        http_->ExtraHeaders << "Range: bytes=0-0";
    try {
        http_->Start(headRefused_ ? cmdGet : cmdHead, question_->url);
    } catch (const std::exception& e) {
        // Told as the request's own end would be, from the event loop.
        const QString error = QString::fromUtf8(e.what());
        QMetaObject::invokeMethod(
            this,
            [this, error, generation = generation_] {
                if (generation == generation_ && running_)
                    Answered(true, error);
            },
            Qt::QueuedConnection);
    }
}

void SeriesProber::Answered(bool threw, const QString& error) {
    if (cancelled_) {
        Finish(End::Cancelled);
        return;
    }
    ++requests_;
    const QString method = headRefused_ ? QStringLiteral("GET") : QStringLiteral("HEAD");
    if (threw) {
        emit asked(method, question_->url, error);
        probe_->Answer(SeriesProbe::Reply::Failed, error);
        AskNext();
        return;
    }
    const ReplyHead& head = http_->LastReplyHead();
    const int status = head.statusCode;
    QString reason = QString::fromLatin1(head.statusLine);
    emit asked(method, question_->url, reason);
    if (!headRefused_ && (status == 405 || status == 501)) {
        // The same question again, at once: the refusal said nothing of the file.
        headRefused_ = true;
        Send();
        return;
    }
    SeriesProbe::Reply reply = SeriesProbe::Reply::Failed;
    if (status == 404 || status == 410)
        reply = SeriesProbe::Reply::Missing;
    else if (status >= 200 && status < 300)
        reply = StandInPage(head.contentType, tail_) ? SeriesProbe::Reply::Missing
                                                     : SeriesProbe::Reply::Found;
    else if (reason.isEmpty())
        reason = http_->FailureReason;
    probe_->Answer(reply, reason);
    AskNext();
}

void SeriesProber::Finish(End end) {
    if (!running_)
        return;
    running_ = false;
    pause_.stop();
    ProbedSeries series;
    if (end != End::Cancelled) {
        if (const auto result = probe_->Result())
            series = *result;
    }
    emit finished(end, series);
}
