// The series inputs' handlers (SeriesInputs does the work) and List Up.
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

    const auto start = m_series->ReadStart();
    if (!start)
        return;
    m_startNumber = *start;
    const auto end = m_series->ReadEnd();
    if (!end)
        return;
    m_endNumber = *end;

    const SeriesSpec spec = m_series->Spec(m_startNumber, m_endNumber);
    ListedSeries series = ListUpSeries(spec, m_grid.JobCount());
    if (series.refusal != SeriesError::None) {
        ShowMessage(SeriesErrorMessage(series.refusal, spec), MessageKind::Error);
        return;
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
    for (QWidget* w :
         std::initializer_list<QWidget*>{ComboBox1, GoButton, Edit1, Edit2, Edit3, Edit4, Edit5,
                                         SpinEdit1, SpinEdit2, CheckBox1, Button1})
        w->setEnabled(on);
}
