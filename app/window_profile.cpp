#include "app/window_profile.h"

#include "app/job_grid.h"
#include "app/list_saver.h"
#include "app/profile_session.h"

#include <utility>

WindowProfile::WindowProfile(JobGrid& grid, Ask ask, ShowSettings show, ReadSettings read)
    : m_grid(grid)
    , m_ask(std::move(ask))
    , m_show(std::move(show))
    , m_read(std::move(read)) {
    // A list whose unloaded rows the user has not yet agreed to write over
    // waits for the question at the end of the run.
    m_saver = std::make_unique<ListSaver>(
        m_grid, [this] { return m_session->unloadedJobs() > 0 ? QString() : SaveData(); });
    connect(m_saver.get(), &ListSaver::saveFailed, this, &WindowProfile::saveFailed);
}

WindowProfile::~WindowProfile() = default;

QStringList WindowProfile::Open(std::unique_ptr<ProfileSession> session) {
    m_session = std::move(session);
    QStringList warnings;
    const QString folderProblem = m_session->prepare();
    if (!folderProblem.isEmpty())
        warnings << folderProblem;

    SettingsFile::LoadResult settings = m_session->loadSettings();
    warnings << settings.warnings;
    m_show(settings.settings);

    // Loaded whatever the settings said: a bad value there must never leave
    // the list unloaded and then saved empty at close.
    ProfileSession::JobsLoaded jobs = m_session->loadJobs();
    if (!jobs.list.error.isEmpty())
        warnings << jobs.list.error;
    if (jobs.list.unloadedJobs > 0)
        warnings << jobs.list.unloadedWarning();
    if (!jobs.foldProblem.isEmpty())
        warnings << jobs.foldProblem;
    m_grid.Clear();
    m_grid.Append(std::move(jobs.list.jobs));
    m_loaded = true;
    bool fileHoldsGrid =
        jobs.list.error.isEmpty() && m_session->unloadedJobs() == 0 && folderProblem.isEmpty();
    if (m_session->firstStart()) {
        const QString problem = SaveData();
        if (!problem.isEmpty())
            warnings << problem;
        fileHoldsGrid = fileHoldsGrid && problem.isEmpty();
    }
    // From here on the run's marks can go to the journal.
    if (fileHoldsGrid)
        m_saver->Loaded();
    return warnings;
}

QString WindowProfile::SaveData() {
    if (!m_session)
        return tr("The job list was not saved: no profile was opened.");
    if (m_session->unloadedJobs() > 0 && m_ask && m_ask(m_session->overwriteQuestion()))
        m_session->allowOverwritingUnloaded();
    return m_session->saveJobs(m_grid.Jobs());
}

void WindowProfile::ListChanged() {
    if (m_loaded)
        m_saver->Changed();
}

QStringList WindowProfile::Close() {
    QStringList problems;
    if (!m_loaded)
        return problems;
    const QString stored = m_session->storeSettings(m_read());
    if (!stored.isEmpty())
        problems << stored;
    const QString saved = SaveData();
    if (!saved.isEmpty())
        problems << saved;
    return problems;
}
