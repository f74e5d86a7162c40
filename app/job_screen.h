#pragma once

#include "app/download_client.h"
#include "settings/job_list.h"

#include <QString>
#include <QtGlobal>

/// The checks before a fetch, in their one order for every lane: a path
/// that goes up with ".." or into hidden files fails ("▼", unless the user
/// agreed to such paths); with "skip existing" a file already there is
/// passed over ("▲", unless the job is to be fetched from the server
/// anyway); a job whose address is down is left untried (no mark, a reason).
class JobScreen {
public:
    /// Skip jobs whose file already exists. Off by default.
    void SetSkipExisting(bool on) { skipExisting_ = on; }
    /// Fail jobs whose path JobPolicy::PathRefusal refuses. On by default.
    void SetRefuseHiddenPaths(bool on) { refuseHidden_ = on; }

    struct Verdict {
        enum class Kind { Fetch, Refused, Skipped, Untried } kind = Kind::Fetch;
        JobList::Mark mark = JobList::Mark::None; ///< of a job not fetched
        QString reason;
        qint64 size = -1; ///< of the file a skipped job found
        /// What the skip check saw at the path, for the client.
        DownloadClient::PathFound found = DownloadClient::PathFound::Unknown;
    };
    /// The checks of a job saving to `path`; `fetchAnyway` when it was
    /// retried by hand or is being tried again, `downReason` what the
    /// scheduler says of its address (empty: not down).
    Verdict Screen(const QString& path, bool fetchAnyway, const QString& downReason) const;

private:
    bool skipExisting_ = false;
    bool refuseHidden_ = true;
};
