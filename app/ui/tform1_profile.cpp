// The main window's profile: the inputs and the URL history from the settings,
// the job list loaded at start, saved on request and at close.
#include "app/client_settings.h"
#include "app/download_run.h"
#include "app/http_download_client.h"
#include "app/list_saver.h"
#include "app/series.h"
#include "app/status_mark.h"
#include "app/ui/tform1.h"
#include "http/nmhttp.h"
#include "platform/desktop.h"
#include "platform/profile_dir.h"
#include "settings/job_list_file.h"
#include "settings/settings_file.h"
#include "settings/ui/form2.h"
#include "settings/ui/form6.h"
#include "settings/ui/form7.h"
#include "settings/ui/program_icon.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>
#include <new>

namespace {

// Why a file the program could not read at start is not written at close.
QString NotSavedMessage(const QString& path) {
    return QStringLiteral("%1 was not saved, so that what it holds is not lost: it could not "
                          "be read when the program started.")
        .arg(path);
}

} // namespace

QStringList TForm1::History() const {
    QStringList items;
    items.reserve(ComboBox1->count());
    for (int i = 0; i < ComboBox1->count(); ++i)
        items << ComboBox1->itemText(i);
    return items;
}

void TForm1::SetHistory(const QStringList& items) {
    // Clearing an editable combo box empties its edit field, and adding the
    // first item puts that item there; the text the user sees stays.
    const QString text = ComboBox1->currentText();
    ComboBox1->clear();
    ComboBox1->addItems(items);
    ComboBox1->setEditText(text);
}

void TForm1::ApplySettings(const Settings& s) {
    ComboBox1->clear();
    ComboBox1->addItems(s.urlHistory);
    ComboBox1->setEditText(s.url);
    {
        // The preview is refreshed once at the end of the load, not for each
        // half-filled state of the inputs on the way.
        m_inPreview = true;
        const auto done = qScopeGuard([this] { m_inPreview = false; });
        Edit1->setText(s.head);
        SpinEdit1->setValue(s.num);
        SpinEdit2->setValue(s.minSize);
        Edit2->setText(s.start);
        Edit5->setText(s.end);
        Edit3->setText(s.back);
    }
    Edit4->setText(s.path);
    CheckBox1->setChecked(s.skip);
    CheckBox2->setChecked(s.check);
    CheckBox2Click();
    m_http->InputFileMode = true;
    ApplySettingsToClient(s, *m_http);
    m_request = s.request;
    m_client->SetRefererFromBaseUrl(m_request.refererIsBaseUrl);
    ApplyWindowSettings(s.window);
}

Settings TForm1::CurrentSettings() const {
    Settings s;
    s.urlHistory = History();
    s.url = ComboBox1->currentText();
    s.head = Edit1->text();
    s.num = SpinEdit1->value();
    s.minSize = SpinEdit2->value();
    s.start = Edit2->text();
    s.end = Edit5->text();
    s.back = Edit3->text();
    s.path = Edit4->text();
    s.skip = CheckBox1->isChecked();
    s.check = CheckBox2->isChecked();
    s.proxyHost = m_http->Proxy;
    s.proxyPort = m_http->ProxyPort;
    s.request = m_request;
    s.window = CurrentWindowSettings();
    return s;
}

void TForm1::FormCreate() {
    QStringList warnings;
    const QString folderProblem = ProfileDir::prepare();
    if (!folderProblem.isEmpty())
        warnings << folderProblem;

    const QString settingsPath = ProfileDir::settingsFilePath();
    SettingsFile::LoadResult settings = SettingsFile::load(settingsPath);
    m_settingsReadable = settings.unreadable.isEmpty();
    warnings << settings.warnings;
    ApplySettings(settings.settings);

    // Loaded whatever the settings said: a bad value there must never leave
    // the list unloaded and then saved empty at close.
    JobListFile::LoadResult jobs = JobListFile::load(ProfileDir::jobListFilePath());
    m_jobListReadable = jobs.error.isEmpty();
    if (!m_jobListReadable)
        warnings << jobs.error;
    m_unloadedJobs = jobs.unloadedJobs;
    if (m_unloadedJobs > 0)
        warnings << jobs.unloadedWarning();
    const bool firstStart = m_jobListReadable && !QFileInfo::exists(ProfileDir::jobListFilePath());
    m_grid.Clear();
    m_grid.Append(std::move(jobs.jobs));
    ShowJobCount();
    m_profileLoaded = true;
    // The file is there from the first start on, not only after the first
    // close: a window that is killed has still left a job list behind.
    if (firstStart && folderProblem.isEmpty()) {
        const QString problem = SaveData();
        if (!problem.isEmpty())
            warnings << problem;
    }

    if (!warnings.isEmpty())
        ShowMessage(warnings.join(QStringLiteral("\n\n")), MessageKind::Error);
    Edit1Change();
}

QString TForm1::SaveData() {
    const QString path = ProfileDir::jobListFilePath();
    if (!m_jobListReadable)
        return NotSavedMessage(path);
    if (m_unloadedJobs > 0) {
        const QString question =
            QStringLiteral("%1 holds %2 job(s) after an empty row that were not loaded. Saving "
                           "the list writes over them.\n\nSave the list anyway?")
                .arg(QDir::toNativeSeparators(path))
                .arg(m_unloadedJobs);
        if (!m_questionAsker || !m_questionAsker(question))
            return QStringLiteral("The job list was not saved; %1 keeps the jobs that were not "
                                  "loaded.")
                .arg(QDir::toNativeSeparators(path));
        m_unloadedJobs = 0;
    }
    return JobListFile::save(path, m_grid.Jobs());
}

QStringList TForm1::FormClose() {
    QStringList problems;
    if (!m_profileLoaded)
        return problems;
    const QString settingsPath = ProfileDir::settingsFilePath();
    const QString stored = m_settingsReadable ? SettingsFile::store(settingsPath, CurrentSettings())
                                              : NotSavedMessage(settingsPath);
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
