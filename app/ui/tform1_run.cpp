// The main window's side of a download run: the client and the run wired to
// the controls, and the job list kept saved while the run marks it.
#include "app/download_run.h"
#include "app/list_edits.h"
#include "app/open_series.h"
#include "app/run_presenter.h"
#include "app/run_session.h"
#include "app/series.h"
#include "app/ui/list_commands.h"
#include "app/ui/tform1.h"
#include "app/window_client_options.h"
#include "app/window_profile.h"

#include <QCheckBox>
#include <QSpinBox>
#include <QToolButton>

void TForm1::WireDownloadRun() {
    m_session = std::make_unique<RunSession>(m_grid);
    m_http = &m_session->Http();
    m_run = &m_session->Run();
    m_options = std::make_unique<WindowClientOptions>(*m_session);
    // Before the window's own handlers of the run: the jobs past a series'
    // end are gone when the window saves the list and counts its failures.
    m_openSeries = std::make_unique<OpenSeriesRuns>(*m_run, m_grid);
    // The pause is the Option dialog's: the settings' value, from their load on.
    m_run->SetTickInterval(m_options->Request().intervalMs);

    connect(GoButton, &QToolButton::clicked, this, &TForm1::GoButtonClick);
    connect(CancelBtn, &QToolButton::clicked, this, &TForm1::CancelBtnClick);
    WireRunView();
    connect(m_run, &DownloadRun::messageRequested, this, [this](const QString& text) {
        if (text != DownloadRun::AllDoneMessage() || ListEdits::FailureCount(m_grid).isEmpty()) {
            ShowMessage(text);
            return;
        }
        // The end of a run with failures says what the list holds, the
        // failures by cause (the log pane lists each), and offers to fetch
        // them again. Asked once the run's own handlers are through.
        QMetaObject::invokeMethod(
            this,
            [this, text] {
                const QString question = tr("%1\n\n%2\n\nFetch the failed jobs (▼, ×) again now?")
                                             .arg(text, ListEdits::Summary(m_grid));
                if (Ask(question) && !m_run->Running() && ListEdits::ClearFailedMarks(m_grid) > 0) {
                    m_profile->ListChanged();
                    GoButtonClick();
                }
            },
            Qt::QueuedConnection);
    });
    // A server that wants a name and password (Basic) is asked for them
    // once per run, after the run's own handlers; the end of the run then
    // offers to fetch its jobs again, with them.
    connect(m_run, &DownloadRun::requestEnded, this,
            [this](JobGrid::JobId id, const DownloadOutcome& outcome) {
                const int row = m_grid.RowOf(id);
                if (!outcome.basicOffered || row < 1)
                    return;
                const QString url = m_grid.Url(row);
                const QString server = RunLogins::ServerOf(url);
                if (server.isEmpty() || m_loginAsked.contains(server))
                    return;
                m_loginAsked.insert(server);
                QMetaObject::invokeMethod(
                    this,
                    [this, url, server] {
                        if (const std::optional<LoginAnswer> answer = m_askLogin(server))
                            m_options->KeepLogin(url, {answer->user, answer->password},
                                                 answer->remember);
                    },
                    Qt::QueuedConnection);
            });
    connect(m_run, &DownloadRun::runFinished, this, [this](DownloadRun::End end) {
        // A stopped run gives the inputs back.
        if (end == DownloadRun::End::Cancelled)
            Enable(true);
        // Only a window that read the profile writes it back.
        if (!m_profile->Loaded())
            return;
        const QString problem = SaveData();
        if (!problem.isEmpty())
            ShowMessage(problem, MessageKind::Error);
    });
    connect(m_profile.get(), &WindowProfile::saveFailed, this,
            [this](const QString& problem) { ShowMessage(problem, MessageKind::Error); });
    // The run reads the options at every tick, as the controls stand.
    m_run->SetSkipExisting(CheckBox1->isChecked());
    m_run->SetSmallResultCheck(CheckBox2->isChecked());
    m_run->SetSmallResultLimitKB(SpinEdit2->value());
    connect(CheckBox1, &QCheckBox::toggled, m_run, &DownloadRun::SetSkipExisting);
    connect(CheckBox2, &QCheckBox::toggled, m_run, &DownloadRun::SetSmallResultCheck);
    connect(SpinEdit2, &QSpinBox::valueChanged, m_run, &DownloadRun::SetSmallResultLimitKB);
    // Closing waits for an aborted request to end (see closeEvent).
    connect(m_run, &DownloadRun::requestEnded, this, [this] {
        if (m_closeWhenRequestEnds)
            QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    });
}

void TForm1::GoButtonClick() {
    // A check of the list writes the same files: it ends first.
    if (m_list->Checking())
        return;
    if (!m_run->Running()) {
        // A value that would break a request line stops the whole run, not
        // each job in turn.
        if (const QString problem = m_options->Problem(); !problem.isEmpty()) {
            ShowMessage(problem, MessageKind::Error);
            return;
        }
        m_run->SetRefuseHiddenPaths(!m_list->AgreeToHiddenPaths());
        if (!m_list->PrepareFolders())
            return;
        m_presenter->RunStarting();
        m_loginAsked.clear();
        m_list->DropUndo();
        // Made alike to NMHTTP1 as the options stand now.
        if (const QStringList warnings = m_options->PrepareRun(); !warnings.isEmpty())
            ShowMessage(warnings.join(QStringLiteral("\n")), MessageKind::Error);
        const QStringList problems = m_openSeries->Start(m_run->Parallel(), kMaxJobsPerListUp);
        if (!problems.isEmpty())
            ShowMessage(problems.join(QStringLiteral("\n\n")), MessageKind::Error);
    }
    m_run->GoButtonClick();
}

void TForm1::CancelBtnClick() {
    m_list->StopChecking();
    m_run->CancelBtnClick();
}
