#include "app/list_refresh.h"

#include "app/content_check.h"
#include "app/download_run.h"
#include "app/http_download_client.h"
#include "app/run_session.h"
#include "http/nmhttp.h"
#include "http/part_file.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLocale>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>

QString ListRefresh::Summary::Text() const {
    return QCoreApplication::translate("ListRefresh",
                                       "%1 checked: %2 changed, %3 unchanged, %4 failed")
        .arg(checked)
        .arg(changed)
        .arg(unchanged)
        .arg(failed);
}

ListRefresh::ListRefresh(JobGrid& grid, QObject* parent)
    : QObject(parent)
    , grid_(grid) {
    pause_.setSingleShot(true);
    pause_.setTimerType(Qt::PreciseTimer);
    connect(&pause_, &QTimer::timeout, this, &ListRefresh::Next);
}

ListRefresh::~ListRefresh() {
    // The client lets go of the component's events before it goes.
    client_.reset();
}

QList<QByteArray> ListRefresh::ConditionLines(const JobList::Validators& validators,
                                              const std::optional<QDateTime>& fileTime) {
    if (!fileTime)
        return {};
    QList<QByteArray> lines;
    if (!validators.etag.isEmpty())
        lines << "If-None-Match: " + validators.etag;
    // RFC 9110 13.1.3: a server that knows the tag passes over the date, one
    // that does not still has the date to go by.
    if (!validators.lastModified.isEmpty())
        lines << "If-Modified-Since: " + validators.lastModified;
    if (lines.isEmpty() && fileTime->isValid())
        lines << "If-Modified-Since: " +
                     QLocale::c()
                         .toString(fileTime->toUTC(), u"ddd, dd MMM yyyy hh:mm:ss 'GMT'")
                         .toLatin1();
    return lines;
}

ListRefresh::Result ListRefresh::Judge(const DownloadOutcome& outcome) {
    if (outcome.httpStatus == 304 && !outcome.Succeeded())
        return Result::Unchanged;
    if (outcome.Succeeded() && outcome.saved >= 0)
        return Result::Changed;
    return Result::Failed;
}

void ListRefresh::Start(const ClientConfig& config, int intervalMs) {
    if (running_)
        return;
    running_ = true;
    cancelled_ = false;
    summary_ = {};
    jobs_.clear();
    next_ = 0;
    for (int row = 1; row < grid_.NextRow(); ++row) {
        const JobList::Mark mark = grid_.MarkAt(row);
        if (mark == JobList::Mark::Done || mark == JobList::Mark::Skipped)
            jobs_.push_back(grid_.IdAt(row));
    }
    intervalMs_ = std::max(intervalMs, 0);
    // A new client per check: nothing a last check's servers said is kept.
    client_.reset();
    http_ = std::make_unique<TNMHTTP>();
    http_->InputFileMode = true;
    client_ = std::make_unique<HttpDownloadClient>(*http_);
    RunSession::SetUp(*http_, *client_, config);
    extraHeaders_ = config.extraHeaders;
    client_->SetEvents({{}, {}, {}, [this](const DownloadOutcome& o) { Answered(o); }});
    pause_.start(0);
}

void ListRefresh::Cancel() {
    if (!running_ || cancelled_)
        return;
    cancelled_ = true;
    if (asking_ != 0) {
        client_->Abort(); // Answered ends the check
        return;
    }
    pause_.stop();
    QMetaObject::invokeMethod(this, &ListRefresh::Finish, Qt::QueuedConnection);
}

void ListRefresh::Next() {
    while (next_ < jobs_.size()) {
        const JobGrid::JobId id = jobs_[next_++];
        const int row = grid_.RowOf(id);
        if (row == 0)
            continue; // deleted since the check began
        asking_ = id;
        const QString path = grid_.Path(row);
        const QFileInfo file(path);
        std::optional<QDateTime> fileTime;
        if (file.isFile())
            fileTime = file.lastModified().toUTC();
        http_->ExtraHeaders = extraHeaders_ + ConditionLines(grid_.ValidatorsAt(row), fileTime);
        // A newer version is saved beside the file and looked at before it
        // takes the file's place: a page a server now gives instead of the
        // picture must not cost the picture.
        newer_ = PartFile::SideName(path, QStringLiteral(".newer"));
        try {
            client_->Start(grid_.Url(row), newer_, DownloadClient::PathFound::Unknown);
        } catch (const std::exception& e) {
            Tell(Result::Failed, QString::fromLocal8Bit(e.what()));
            continue;
        }
        return;
    }
    Finish();
}

void ListRefresh::Answered(const DownloadOutcome& outcome) {
    if (outcome.Cancelled()) {
        asking_ = 0;
        Finish();
        return;
    }
    Result result = Judge(outcome);
    QString why = outcome.reason;
    if (result == Result::Changed) {
        // A job deleted while it was asked keeps nothing of the answer.
        const int row = grid_.RowOf(asking_);
        why = row != 0 ? TakeNewer(grid_.Path(row), outcome.lastModified) : QString();
        if (row == 0)
            QFile::remove(newer_);
        if (!why.isEmpty())
            result = Result::Failed;
    }
    if (const int row = grid_.RowOf(asking_); row != 0 && result != Result::Failed) {
        // What the server now says identifies the file; a 304 that names
        // nothing leaves what was known.
        const JobList::Validators told{outcome.etag.toLatin1(), outcome.lastModified.toLatin1()};
        if (!told.empty() || result == Result::Changed)
            grid_.SetValidators(row, told);
        if (result == Result::Changed)
            grid_.SetMark(row, JobList::Mark::Done);
    }
    Tell(result, result == Result::Failed ? why : QString());
    if (cancelled_ || next_ >= jobs_.size()) {
        Finish();
        return;
    }
    pause_.start(intervalMs_);
}

QString ListRefresh::TakeNewer(const QString& path, const QString& lastModified) {
    QString wrong = ContentCheck::WrongContentReason(newer_, path);
    if (!wrong.isEmpty()) {
        QFile::remove(newer_);
        return wrong;
    }
    // One rename: the file is the old one or the new one, never half.
    if (::rename(QFile::encodeName(newer_).constData(), QFile::encodeName(path).constData()) != 0) {
        const QString why = QString::fromLocal8Bit(std::strerror(errno));
        QFile::remove(newer_);
        return QCoreApplication::translate("ListRefresh", "Cannot save to \"%1\": %2")
            .arg(path, why);
    }
    if (remoteTime_)
        DownloadRun::GiveServerTime(path, lastModified);
    return {};
}

void ListRefresh::Tell(Result result, const QString& detail) {
    const JobGrid::JobId id = std::exchange(asking_, 0);
    ++summary_.checked;
    switch (result) {
    case Result::Unchanged:
        ++summary_.unchanged;
        break;
    case Result::Changed:
        ++summary_.changed;
        break;
    case Result::Failed:
        ++summary_.failed;
        break;
    }
    emit checked(id, result, detail);
}

void ListRefresh::Finish() {
    if (!running_)
        return;
    running_ = false;
    pause_.stop();
    summary_.cancelled = cancelled_;
    emit finished(summary_);
}
