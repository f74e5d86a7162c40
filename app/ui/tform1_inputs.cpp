// The series inputs' handlers (SeriesInputs does the work) and List Up.
#include "app/open_series.h"
#include "app/pattern_jobs.h"
#include "app/series.h"
#include "app/ui/input_settings.h"
#include "app/ui/list_commands.h"
#include "app/ui/series_inputs.h"
#include "app/ui/tform1.h"
#include "app/window_client_options.h"
#include "settings/settings_file.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <new>

void TForm1::WireSeriesInputs() {
    m_series = std::make_unique<SeriesInputs>(
        *this, [this](const QString& text) { ShowMessage(text, MessageKind::Error); },
        [this](const QString& question) { return Ask(question); });
    m_series->SetSplitChooser(
        [this](const QString& question) { return m_prompts.ChooseSplit(question); });
    // The run's client as the options stand, and the run's pause: the server
    // is asked as it would be fetched from.
    m_series->SetProbeSetup([this] {
        return SeriesInputs::ProbeSetup{m_options->ProbeClient(), m_options->Request().intervalMs};
    });
}

void TForm1::Edit1Change() {
    m_series->RefreshPreview();
}

void TForm1::Edit2Exit() {
    m_series->NormaliseNumberInput(Edit2);
}

void TForm1::Edit5Exit() {
    m_series->NormaliseNumberInput(Edit5);
}

void TForm1::OfferFileUrlSplit(const QString& text) {
    m_series->OfferFileUrlSplit(text);
}

void TForm1::SpeedButton1Click() {
    try {
        ListUp();
    } catch (const std::bad_alloc&) {
        ShowMessage(tr("メモリが足りないため、リストアップできませんでした。"), MessageKind::Error);
    }
}

void TForm1::ListUp() {
    TakeLoginFromUrlBox();
    // The URL last listed up is the one the next start offers.
    InputSettings::RaiseInHistory(*ComboBox1);

    // A URL with a pattern says the jobs alone.
    if (m_series->UrlHasPattern()) {
        const PatternInputs pattern = m_series->Pattern();
        PatternJobs listed = ListUpPattern(pattern, m_grid.Jobs(), false);
        if (!listed.refusal.isEmpty()) {
            ShowMessage(listed.refusal, MessageKind::Error);
            return;
        }
        if (const QString problem = CreateDefaultSaveFolder(pattern.folder); !problem.isEmpty())
            ShowMessage(problem, MessageKind::Error);
        if (const QString taken = m_list->Append(std::move(listed.jobs)); !taken.isEmpty())
            ShowMessage(taken);
        return;
    }

    const auto start = m_series->ReadStart();
    if (!start)
        return;
    m_startNumber = *start;
    // An open end lists its first number; Go! lists the others as the files
    // are found. End keeps what it holds.
    const bool openEnd = OpenEndBox->isChecked();
    const auto end = openEnd ? start : m_series->ReadEnd();
    if (!end)
        return;
    m_endNumber = *end;

    const SeriesSpec spec = m_series->Spec(m_startNumber, m_endNumber);
    ListedSeries series = ListUpSeries(spec, m_grid.JobCount());
    if (series.refusal != SeriesError::None) {
        ShowMessage(SeriesErrorMessage(series.refusal, spec), MessageKind::Error);
        return;
    }
    if (openEnd) {
        const OpenSeries open = m_series->OpenEnd(m_startNumber);
        if (const QString problem = OpenSeriesProblem(open); !problem.isEmpty()) {
            ShowMessage(problem, MessageKind::Error);
            return;
        }
        series.jobs.addOpenSeries(open);
    }
    if (const QString problem = CreateDefaultSaveFolder(spec.saveDir); !problem.isEmpty())
        ShowMessage(problem, MessageKind::Error);
    if (const QString taken = m_list->Append(std::move(series.jobs)); !taken.isEmpty())
        ShowMessage(taken);
}

void TForm1::CheckBox2Click() {
    SpinEdit2->setEnabled(CheckBox2->isChecked());
}

void TForm1::Enable(bool on) {
    for (QWidget* w : std::initializer_list<QWidget*>{ComboBox1, GoButton, Edit1, Edit2, Edit3,
                                                      Edit4, Edit5, SpinEdit1, SpinEdit2, CheckBox1,
                                                      Button1, OpenEndBox, NameEdit})
        w->setEnabled(on);
    if (on)
        m_series->UpdatePatternState();
}
