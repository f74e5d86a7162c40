#include "app/job_screen.h"

#include "app/job_policy.h"
#include "app/result_check.h"

JobScreen::Verdict JobScreen::Screen(const QString& path, bool fetchAnyway,
                                     const QString& downReason) const {
    using Kind = Verdict::Kind;
    Verdict verdict;
    if (refuseHidden_) {
        if (QString reason = JobPolicy::PathRefusal(path); !reason.isEmpty()) {
            verdict.kind = Kind::Refused;
            verdict.mark = JobList::Mark::Failed;
            verdict.reason = std::move(reason);
            return verdict;
        }
    }
    if (skipExisting_ && !fetchAnyway) {
        const ResultCheck::Look look = ResultCheck::LookAt(path);
        if (look.file) {
            verdict.kind = Kind::Skipped;
            verdict.mark = JobList::Mark::Skipped;
            verdict.size = look.size;
            return verdict;
        }
        // A folder there is the client's to refuse, with its own text.
        if (look.nothing)
            verdict.found = DownloadClient::PathFound::Nothing;
    }
    if (!downReason.isEmpty()) {
        verdict.kind = Kind::Untried;
        verdict.reason = downReason;
    }
    return verdict;
}
