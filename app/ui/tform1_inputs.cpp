// The series inputs: the preview, List Up, and the inputs' aids (a pasted
// file URL split into the series inputs, a warning on a base URL or folder
// that would glue the file names on).
#include "app/file_url_split.h"
#include "app/series.h"
#include "app/ui/tform1.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QSpinBox>
#include <QToolButton>
#include <new>

namespace {

QString GluedHint(const QString& glued) {
    return QStringLiteral("No \"/\" at the end: the file names are glued on, as in "
                          "\"…%1\".")
        .arg(glued.right(40));
}

} // namespace

void TForm1::NormaliseNumberInput(QLineEdit* edit) {
    const QString normal = NormaliseSeriesNumber(edit->text());
    if (normal != edit->text())
        edit->setText(normal); // fires the change handler again
}

void TForm1::Edit2Exit() {
    NormaliseNumberInput(Edit2);
}

void TForm1::Edit5Exit() {
    NormaliseNumberInput(Edit5);
}

std::optional<qint32> TForm1::ReadSeriesNumber(QLineEdit* edit, SeriesError failure) {
    const auto number = ParseSeriesNumber(edit->text());
    if (!number)
        ShowMessage(SeriesErrorMessage(failure, {}, edit->text()), MessageKind::Error);
    return number;
}

void TForm1::Edit1Change() {
    // Writing a normalised text back fires this handler again; the outer call
    // finishes the work, so a failure is reported once, not once per level.
    if (m_inPreview)
        return;
    m_inPreview = true;
    const auto done = qScopeGuard([this] { m_inPreview = false; });

    Edit2Exit();
    Edit5Exit();
    const auto start = ReadSeriesNumber(Edit2, SeriesError::StartNotInteger);
    if (!start)
        return;
    const auto end = ReadSeriesNumber(Edit5, SeriesError::EndNotInteger);
    if (!end)
        return;
    const int digits = SpinEdit1->value();
    const auto preview = SeriesPreview(Edit1->text(), *start, *end, digits, Edit3->text());
    if (preview) {
        Label10->setText(*preview);
    } else {
        // Said in the preview rather than in a box: typing into the spinner
        // passes through such counts on the way to a sensible one.
        SeriesSpec spec;
        spec.digits = digits;
        Label10->setText(SeriesErrorMessage(SeriesError::TooManyDigits, spec));
    }
}

void TForm1::SpeedButton1Click() {
    try {
        ListUp();
    } catch (const std::bad_alloc&) {
        ShowMessage(QStringLiteral("メモリが足りないため、リストアップできませんでした。"),
                    MessageKind::Error);
    }
}

void TForm1::ListUp() {
    AddUrlToHistory();

    const auto start = ReadSeriesNumber(Edit2, SeriesError::StartNotInteger);
    if (!start)
        return;
    m_startNumber = *start;
    const auto end = ReadSeriesNumber(Edit5, SeriesError::EndNotInteger);
    if (!end)
        return;
    m_endNumber = *end;

    SeriesSpec spec;
    spec.baseUrl = ComboBox1->currentText();
    spec.saveDir = Edit4->text();
    spec.head = Edit1->text();
    spec.digits = SpinEdit1->value();
    spec.start = m_startNumber;
    spec.end = m_endNumber;
    spec.tail = Edit3->text();
    ListedSeries series = ListUpSeries(spec, m_grid.JobCount());
    if (series.refusal != SeriesError::None) {
        ShowMessage(SeriesErrorMessage(series.refusal, spec), MessageKind::Error);
        return;
    }
    m_undo.Drop();
    const QString taken =
        ListEdits::PathsTakenWarning(ListEdits::PathsTaken(m_grid.Jobs(), series.jobs));
    m_grid.Append(std::move(series.jobs));

    const int lastRow = m_grid.GridRowCount() - 1;
    SelectGridRows(lastRow, lastRow);
    ShowJobCount();
    if (!taken.isEmpty())
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

void TForm1::WireInputAids() {
    QLineEdit* url = ComboBox1->lineEdit();
    connect(url, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_urlBefore = m_urlNow;
        m_urlNow = text;
    });
    connect(url, &QLineEdit::textEdited, this, &TForm1::UrlTextEdited);
    for (QLineEdit* edit : {url, Edit1, Edit2, Edit3, Edit4})
        connect(edit, &QLineEdit::textChanged, this, &TForm1::UpdateSlashWarnings);
    connect(SpinEdit1, &QSpinBox::valueChanged, this, &TForm1::UpdateSlashWarnings);
}

void TForm1::UrlTextEdited(const QString& text) {
    // The text before this edit, whichever of the two signals came first.
    const QString before = m_urlNow == text ? m_urlBefore : m_urlNow;
    // Typing adds one character at a time; a paste or a drop brings a whole
    // text at once.
    if (text.size() - before.size() < 2)
        return;
    // After the edit has finished: the question must not open inside the
    // line edit's own key handling.
    QMetaObject::invokeMethod(
        this, [this, text] { OfferFileUrlSplit(text); }, Qt::QueuedConnection);
}

void TForm1::OfferFileUrlSplit(const QString& text) {
    const auto parts = SplitFileUrl(text);
    if (!parts || !m_questionAsker)
        return;
    const QString question =
        QStringLiteral("This is the URL of one file. Split it into the series inputs?\n\n"
                       "URL: %1\n先頭部: %2\n数字桁数: %3\n開始番号: %4\n後部: %5")
            .arg(parts->baseUrl, parts->head)
            .arg(parts->digits)
            .arg(parts->start, parts->tail);
    if (!m_questionAsker(question))
        return;
    {
        m_inPreview = true;
        const auto done = qScopeGuard([this] { m_inPreview = false; });
        ComboBox1->setEditText(parts->baseUrl);
        Edit1->setText(parts->head);
        SpinEdit1->setValue(parts->digits);
        Edit2->setText(parts->start);
        Edit3->setText(parts->tail);
        // The series starts at the pasted file; an end before it would list
        // nothing.
        const auto start = ParseSeriesNumber(parts->start);
        const auto end = ParseSeriesNumber(Edit5->text());
        if (start && (!end || *end < *start))
            Edit5->setText(parts->start);
    }
    Edit1Change();
    UpdateSlashWarnings();
}

void TForm1::UpdateSlashWarnings() {
    const auto number = ParseSeriesNumber(Edit2->text());
    const int digits =
        CheckSeriesDigits(SpinEdit1->value()) == SeriesError::None ? SpinEdit1->value() : 0;
    const QString name = SeriesFileName(Edit1->text(), number.value_or(0), digits, Edit3->text());
    const QString url = ComboBox1->currentText();
    const QString folder = Edit4->text();
    // Said, never mended: the user may mean a prefix of the names.
    UrlSlashWarning->setVisible(!url.isEmpty() && !url.endsWith(QLatin1Char('/')));
    UrlSlashWarning->setToolTip(GluedHint(url + name));
    DirSlashWarning->setVisible(!folder.isEmpty() && !folder.endsWith(QLatin1Char('/')));
    DirSlashWarning->setToolTip(GluedHint(folder + name));
}
