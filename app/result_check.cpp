#include "app/result_check.h"

#include "app/content_check.h"
#include "app/status_mark.h"

#include <QCoreApplication>
#include <QFileInfo>

ResultCheck::Look ResultCheck::LookAt(const QString& path) {
    if (path.isEmpty())
        return {};
    // One stat: QFileInfo keeps what it found for the questions after it
    // (asked first, whether it exists would cost a call of its own).
    const QFileInfo info(path);
    if (info.isFile())
        return {true, false, info.size()};
    return {false, !info.exists(), 0};
}

void ResultCheck::Know(JobId id, qint64 size) {
    if (on_ && size >= 0)
        knownSize_.insert(id, size);
    else
        knownSize_.remove(id);
}

ResultCheck::Verdict ResultCheck::Examine(JobId id, const QString& path, bool tookAsResult,
                                          const QString& failure) {
    bool exists = false;
    qint64 size = 0;
    if (const auto known = knownSize_.find(id); known != knownSize_.end()) {
        // What this run wrote there, or just found there, is what is there.
        exists = true;
        size = *known;
        knownSize_.erase(known);
    } else {
        const Look look = LookAt(path);
        exists = look.file;
        size = look.size;
    }
    const qint64 limit = qint64(limitKB_) * 1024;
    // A web page saved under a picture's name is no more a result than an
    // empty file is.
    const QString wrong =
        size > limit && tookAsResult ? ContentCheck::WrongContentReason(path) : QString();
    if (size > limit && wrong.isEmpty())
        return {};
    const QString reason =
        !failure.isEmpty() ? failure
        : !wrong.isEmpty() ? wrong
        : !exists          ? QCoreApplication::translate("ResultCheck", "No file was saved")
        : size == 0
            ? QCoreApplication::translate("ResultCheck", "The saved file is empty")
            : QCoreApplication::translate("ResultCheck", "Too small: %1 bytes, the limit is %2 KB")
                  .arg(size)
                  .arg(limitKB_);
    return {true, exists, reason};
}

QString ResultCheck::GivenUpReason(const QString& first) {
    return QCoreApplication::translate("ResultCheck", "%1 (given up after %2 checks)")
        .arg(first, QString::number(kTries));
}

ResultCheck::Step ResultCheck::Check(Cycle& cycle, JobId id, const QString& path,
                                     JobList::Mark mark, const QString& reason) {
    const bool claimsFile = StatusMark::IsSuccess(mark) || mark == JobList::Mark::Small;
    const Verdict result =
        claimsFile ? Examine(id, path, StatusMark::IsSuccess(mark), reason) : Verdict{};
    Step step;
    if (!result.small) {
        if (cycle.skipPending)
            cycle.skipPending = false;
        else
            cycle.retryActive = false;
        return step;
    }
    if (!cycle.retryActive) {
        step.small = result.reason;
        cycle.retryActive = true;
        cycle.retryCount = 1;
    } else {
        ++cycle.retryCount;
    }
    step.remove = result.exists;
    if (cycle.retryCount <= kTries) {
        step.next = Step::Next::LookAgain;
        return step;
    }
    // The reason of the cycle's first look, not of this one: the file was
    // removed in between.
    const bool openedNow = !step.small.isEmpty();
    const QString first = !openedNow && mark == JobList::Mark::Small ? reason : result.reason;
    cycle.retryCount = 0;
    step.next = Step::Next::GiveUp;
    step.reason = GivenUpReason(first);
    return step;
}
