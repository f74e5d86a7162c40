// The main window's profile: the inputs and the URL history from the settings,
// the job list loaded at start, saved on request and at close.
#include "app/client_settings.h"
#include "app/download_run.h"
#include "app/http_download_client.h"
#include "app/list_saver.h"
#include "app/profile_session.h"
#include "app/ui/input_settings.h"
#include "app/ui/series_inputs.h"
#include "app/ui/tform1.h"
#include "http/nmhttp.h"

#include <QCloseEvent>

void TForm1::ApplySettings(const Settings& s) {
    m_series->FillHeld([&] { InputSettings::Show(s, *this); });
    CheckBox2Click();
    m_http->InputFileMode = true;
    ApplySettingsToClient(s, *m_http);
    m_request = s.request;
    m_client->SetRefererFromBaseUrl(m_request.refererIsBaseUrl);
    ApplyWindowSettings(s.window);
}

Settings TForm1::CurrentSettings() const {
    Settings s;
    InputSettings::Read(*this, s);
    s.proxyHost = m_http->Proxy;
    s.proxyPort = m_http->ProxyPort;
    s.request = m_request;
    s.window = CurrentWindowSettings();
    return s;
}

WindowSettings TForm1::CurrentWindowSettings() const {
    return CurrentLayout(*this);
}

void TForm1::ApplyWindowSettings(const WindowSettings& w) {
    ApplyLayout(*this, w);
}

void TForm1::FormCreate() {
    FormCreate(std::make_unique<ProfileSession>());
}

void TForm1::FormCreate(std::unique_ptr<ProfileSession> profile) {
    m_profile = std::move(profile);
    QStringList warnings;
    const QString folderProblem = m_profile->prepare();
    if (!folderProblem.isEmpty())
        warnings << folderProblem;

    SettingsFile::LoadResult settings = m_profile->loadSettings();
    warnings << settings.warnings;
    ApplySettings(settings.settings);

    // Loaded whatever the settings said: a bad value there must never leave
    // the list unloaded and then saved empty at close.
    ProfileSession::JobsLoaded jobs = m_profile->loadJobs();
    if (!jobs.list.error.isEmpty())
        warnings << jobs.list.error;
    if (jobs.list.unloadedJobs > 0)
        warnings << jobs.list.unloadedWarning();
    if (!jobs.foldProblem.isEmpty())
        warnings << jobs.foldProblem;
    m_grid.Clear();
    m_grid.Append(std::move(jobs.list.jobs));
    ShowJobCount();
    m_profileLoaded = true;
    // The file is there from the first start on, not only after the first
    // close: a window that is killed has still left a job list behind.
    bool fileHoldsGrid =
        jobs.list.error.isEmpty() && m_profile->unloadedJobs() == 0 && folderProblem.isEmpty();
    if (m_profile->firstStart()) {
        const QString problem = SaveData();
        if (!problem.isEmpty())
            warnings << problem;
        fileHoldsGrid = fileHoldsGrid && problem.isEmpty();
    }
    // From here on the run's marks can go to the journal.
    if (fileHoldsGrid)
        m_saver->Loaded();

    if (!warnings.isEmpty())
        ShowMessage(warnings.join(QStringLiteral("\n\n")), MessageKind::Error);
    Edit1Change();
}

QString TForm1::SaveData() {
    if (!m_profile)
        return QStringLiteral("The job list was not saved: no profile was opened.");
    if (m_profile->unloadedJobs() > 0 && m_questionAsker &&
        m_questionAsker(m_profile->overwriteQuestion()))
        m_profile->allowOverwritingUnloaded();
    return m_profile->saveJobs(m_grid.Jobs());
}

QStringList TForm1::FormClose() {
    QStringList problems;
    if (!m_profileLoaded)
        return problems;
    const QString stored = m_profile->storeSettings(CurrentSettings());
    if (!stored.isEmpty())
        problems << stored;
    const QString saved = SaveData();
    if (!saved.isEmpty())
        problems << saved;
    return problems;
}

void TForm1::closeEvent(QCloseEvent* event) {
    // A request may be under way: abort it and close once it has ended, so
    // that the job list is saved with the job's final mark.
    m_run->Shutdown();
    if (m_run->Requesting()) {
        m_closeWhenRequestEnds = true;
        event->ignore();
        return;
    }
    // The run is over: the files take the jobs with their final marks.
    const QStringList problems = FormClose();
    if (!problems.isEmpty())
        ShowMessage(problems.join(QStringLiteral("\n\n")), MessageKind::Error);
    emit closing();
    QMainWindow::closeEvent(event);
}
