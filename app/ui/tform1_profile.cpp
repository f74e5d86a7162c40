// The main window's settings, and its profile's handlers (WindowProfile does
// the work): the job list loaded at start, saved on request and at close.
#include "app/download_run.h"
#include "app/profile_session.h"
#include "app/ui/input_settings.h"
#include "app/ui/list_commands.h"
#include "app/ui/series_inputs.h"
#include "app/ui/tform1.h"
#include "app/window_client_options.h"
#include "app/window_profile.h"

#include <QCloseEvent>

void TForm1::ApplySettings(const Settings& s) {
    m_series->FillQuietly([&] { InputSettings::Show(s, *this); });
    m_series->SetMisses(s.misses);
    CheckBox2Click();
    m_options->Apply(s);
    ApplyWindowSettings(s.window);
}

Settings TForm1::CurrentSettings() const {
    Settings s;
    InputSettings::Read(*this, s);
    s.misses = m_series->Misses();
    m_options->Read(s);
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
    const QStringList warnings = m_profile->Open(std::move(profile));
    ShowJobCount();
    if (!warnings.isEmpty())
        ShowMessage(warnings.join(QStringLiteral("\n\n")), MessageKind::Error);
    Edit1Change();
}

QString TForm1::SaveData() {
    return m_profile->SaveData();
}

QStringList TForm1::FormClose() {
    return m_profile->Close();
}

void TForm1::closeEvent(QCloseEvent* event) {
    // A request may be under way: abort it and close once it has ended, so
    // that the job list is saved with the job's final mark.
    m_run->Shutdown();
    // A check's request is aborted too; its file keeps what it held.
    m_list->StopChecking();
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
