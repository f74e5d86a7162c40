#include "app/ui/series_inputs.h"

#include "app/file_url_split.h"
#include "app/open_series.h"
#include "app/ui/main_window_controls.h"
#include "app/ui/series_finder.h"
#include "app/url_pattern.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScopeGuard>
#include <QSpinBox>
#include <utility>

namespace {

QString GluedHint(const QString& glued) {
    return QCoreApplication::translate("SeriesInputs",
                                       "No \"/\" at the end: the file names are glued on, as in "
                                       "\"…%1\".")
        .arg(glued.right(40));
}

} // namespace

SeriesInputs::SeriesInputs(MainWindowControls& controls, Tell tell, Ask ask, QObject* parent)
    : QObject(parent)
    , m_c(controls)
    , m_tell(std::move(tell))
    , m_ask(std::move(ask)) {
    for (QLineEdit* edit : {m_c.Edit1, m_c.Edit2, m_c.Edit3, m_c.Edit5})
        connect(edit, &QLineEdit::textChanged, this, &SeriesInputs::RefreshPreview);
    connect(m_c.SpinEdit1, &QSpinBox::valueChanged, this, &SeriesInputs::RefreshPreview);
    QLineEdit* url = m_c.ComboBox1->lineEdit();
    connect(url, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_urlBefore = m_urlNow;
        m_urlNow = text;
    });
    connect(url, &QLineEdit::textEdited, this, &SeriesInputs::UrlTextEdited);
    for (QLineEdit* edit : {url, m_c.Edit1, m_c.Edit2, m_c.Edit3})
        connect(edit, &QLineEdit::textChanged, this, &SeriesInputs::UpdateSlashWarnings);
    connect(m_c.SpinEdit1, &QSpinBox::valueChanged, this, &SeriesInputs::UpdateSlashWarnings);
    // What decides between the inputs and a pattern, or how the series
    // ends: never a reason to tell of a number that cannot be read.
    const auto quietly = [this] { FillQuietly([this] { RefreshPreview(); }); };
    connect(url, &QLineEdit::textChanged, this, quietly);
    connect(m_c.NameEdit, &QLineEdit::textChanged, this, quietly);
    connect(m_c.OpenEndBox, &QCheckBox::toggled, this, quietly);
    m_c.Edit2->installEventFilter(this);
    m_c.Edit5->installEventFilter(this);
    SetMisses(m_misses);
    m_finder = std::make_unique<SeriesFinder>(*m_c.ComboBox1->window());
    connect(m_finder.get(), &SeriesFinder::finished, this, &SeriesInputs::SeriesFound);
}

SeriesInputs::~SeriesInputs() {
    m_c.Edit2->removeEventFilter(this);
    m_c.Edit5->removeEventFilter(this);
}

bool SeriesInputs::eventFilter(QObject* watched, QEvent* event) {
    // Leaving a field means the focus moved to another control of this
    // window; a message box or another application taking the focus is not
    // an exit.
    if (event->type() == QEvent::FocusOut &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::ActiveWindowFocusReason &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason &&
        (watched == m_c.Edit2 || watched == m_c.Edit5))
        NormaliseNumberInput(static_cast<QLineEdit*>(watched));
    return QObject::eventFilter(watched, event);
}

void SeriesInputs::RefreshPreview() {
    // Writing a normalised text back fires this handler again; the outer call
    // finishes the work, so a failure is reported once, not once per level.
    if (m_inPreview)
        return;
    m_inPreview = true;
    const auto done = qScopeGuard([this] { m_inPreview = false; });
    UpdatePatternState();
    if (UrlHasPattern()) {
        m_c.Label10->setText(PatternPreview(Pattern()));
        return;
    }

    // While inputs are filled, the preview follows each one that can be read;
    // a number that cannot is normalised and told by the caller's refresh.
    if (!m_filling) {
        NormaliseNumberInput(m_c.Edit2);
        NormaliseNumberInput(m_c.Edit5);
    }
    const auto start = m_filling ? ParseSeriesNumber(m_c.Edit2->text()) : ReadStart();
    if (!start)
        return;
    const int digits = m_c.SpinEdit1->value();
    if (m_c.OpenEndBox->isChecked() && CheckSeriesDigits(digits) == SeriesError::None) {
        m_c.Label10->setText(OpenEndPreview(
            SeriesFileName(m_c.Edit1->text(), *start, digits, m_c.Edit3->text()), m_misses));
        return;
    }
    // An open end does not read End: it keeps the number last written.
    const auto end = m_c.OpenEndBox->isChecked() ? start
                     : m_filling                 ? ParseSeriesNumber(m_c.Edit5->text())
                                                 : ReadEnd();
    if (!end)
        return;
    const auto preview = SeriesPreview(m_c.Edit1->text(), *start, *end, digits, m_c.Edit3->text());
    if (preview) {
        m_c.Label10->setText(*preview);
    } else {
        // Said in the preview rather than in a box: typing into the spinner
        // passes through such counts on the way to a sensible one.
        SeriesSpec spec;
        spec.digits = digits;
        m_c.Label10->setText(SeriesErrorMessage(SeriesError::TooManyDigits, spec));
    }
}

void SeriesInputs::NormaliseNumberInput(QLineEdit* edit) {
    const QString normal = NormaliseSeriesNumber(edit->text());
    if (normal != edit->text())
        edit->setText(normal); // fires the change handler again
}

std::optional<qint32> SeriesInputs::ReadNumber(QLineEdit* edit, SeriesError failure) {
    const auto number = ParseSeriesNumber(edit->text());
    if (!number)
        m_tell(SeriesErrorMessage(failure, {}, edit->text()));
    return number;
}

std::optional<qint32> SeriesInputs::ReadStart() {
    return ReadNumber(m_c.Edit2, SeriesError::StartNotInteger);
}

std::optional<qint32> SeriesInputs::ReadEnd() {
    return ReadNumber(m_c.Edit5, SeriesError::EndNotInteger);
}

SeriesSpec SeriesInputs::Spec(qint32 start, qint32 end) const {
    SeriesSpec spec;
    spec.baseUrl = m_c.ComboBox1->currentText();
    spec.saveDir = m_c.Edit4->text();
    spec.head = m_c.Edit1->text();
    spec.digits = m_c.SpinEdit1->value();
    spec.start = start;
    spec.end = end;
    spec.tail = m_c.Edit3->text();
    return spec;
}

bool SeriesInputs::UrlHasPattern() const {
    // A bracket or brace that does not read as a pattern is one written
    // wrong (a URL holds them only around a host), and is said as such
    // rather than glued onto every file name.
    const UrlPattern pattern = UrlPattern::Parse(m_c.ComboBox1->currentText());
    return !pattern.IsValid() || pattern.HasPattern();
}

PatternInputs SeriesInputs::Pattern() const {
    return {m_c.ComboBox1->currentText(), m_c.Edit4->text(), m_c.NameEdit->text(), m_misses};
}

OpenSeries SeriesInputs::OpenEnd(qint32 start) const {
    return OpenSeriesOf(m_c.ComboBox1->currentText(), m_c.Edit1->text(), m_c.SpinEdit1->value(),
                        start, m_c.Edit3->text(), m_c.Edit4->text(), m_misses);
}

void SeriesInputs::UpdatePatternState() {
    const bool pattern = UrlHasPattern();
    m_c.NameCaption->setVisible(pattern);
    m_c.NameEdit->setVisible(pattern);
    // Greyed only while the inputs can be changed at all (not during a run).
    if (!m_c.ComboBox1->isEnabled())
        return;
    for (QWidget* w : std::initializer_list<QWidget*>{m_c.Edit1, m_c.SpinEdit1, m_c.Edit2,
                                                      m_c.Edit5, m_c.Edit3, m_c.OpenEndBox})
        w->setEnabled(!pattern);
}

void SeriesInputs::FillQuietly(const std::function<void()>& fill) {
    // Fills may nest (a URL set inside a fill refreshes quietly itself).
    const bool was = m_filling;
    m_filling = true;
    const auto done = qScopeGuard([this, was] { m_filling = was; });
    fill();
}

void SeriesInputs::UrlTextEdited(const QString& text) {
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

void SeriesInputs::OfferFileUrlSplit(const QString& text) {
    const auto parts = SplitFileUrl(text);
    if (!parts || m_finder->Running())
        return;
    const QString question =
        tr("This is the URL of one file. Split it into the series inputs?\n\n"
           "URL: %1\n先頭部: %2\n数字桁数: %3\n開始番号: %4\n後部: %5")
            .arg(parts->baseUrl, parts->head, QString::number(parts->digits), parts->start,
                 parts->tail) +
        QLatin1Char('\n') +
        tr("SaveDir: %1").arg(SeriesFolderFor(m_c.Edit4->text(), parts->baseUrl));
    const auto choice = m_choose ? m_choose(question) : UserPrompts::SplitChoice::Cancel;
    if (choice == UserPrompts::SplitChoice::Split) {
        Fill(SplitFields(Fields(), *parts));
    } else if (choice == UserPrompts::SplitChoice::FindSeries && m_probeSetup) {
        m_finding = parts;
        const ProbeSetup setup = m_probeSetup();
        m_finder->Find(*parts, setup.client, m_misses, setup.intervalMs);
    }
}

void SeriesInputs::SeriesFound(SeriesProber::End end, const ProbedSeries& series) {
    if (!m_finding)
        return;
    const FileUrlParts parts = *std::exchange(m_finding, std::nullopt);
    if (end == SeriesProber::End::Found) {
        Fill(FoundFields(Fields(), parts, series));
        return;
    }
    // Asked for a split all the same: the inputs get what "Split" gives.
    Fill(SplitFields(Fields(), parts));
    if (end == SeriesProber::End::Failed)
        m_tell(tr("The series was not found: %1\nThe inputs hold the split, the end left open.")
                   .arg(series.error));
}

SeriesFields SeriesInputs::Fields() const {
    return {m_c.ComboBox1->currentText(),
            m_c.Edit1->text(),
            m_c.SpinEdit1->value(),
            m_c.Edit2->text(),
            m_c.Edit5->text(),
            m_c.OpenEndBox->isChecked(),
            m_c.Edit3->text(),
            m_c.Edit4->text()};
}

void SeriesInputs::Fill(const SeriesFields& fields) {
    FillQuietly([&] {
        m_c.ComboBox1->setEditText(fields.baseUrl);
        m_c.Edit1->setText(fields.head);
        m_c.SpinEdit1->setValue(fields.digits);
        m_c.Edit2->setText(fields.start);
        m_c.Edit5->setText(fields.end);
        m_c.OpenEndBox->setChecked(fields.openEnd);
        m_c.Edit3->setText(fields.tail);
        m_c.Edit4->setText(fields.saveDir);
    });
    RefreshPreview();
    UpdateSlashWarnings();
}

void SeriesInputs::SetMisses(int misses) {
    m_misses = misses;
    m_c.OpenEndBox->setToolTip(
        tr("Fetch on from the start number until %1 numbers in a row are missing; End is not "
           "used.")
            .arg(misses));
}

void SeriesInputs::UpdateSlashWarnings() {
    const auto number = ParseSeriesNumber(m_c.Edit2->text());
    const int digits =
        CheckSeriesDigits(m_c.SpinEdit1->value()) == SeriesError::None ? m_c.SpinEdit1->value() : 0;
    const QString name =
        SeriesFileName(m_c.Edit1->text(), number.value_or(0), digits, m_c.Edit3->text());
    const QString url = m_c.ComboBox1->currentText();
    // Said, never mended: the user may mean a prefix of the names. A folder
    // needs no such warning: it gets its "/" where it is used.
    m_c.UrlSlashWarning->setVisible(!url.isEmpty() && !url.endsWith(QLatin1Char('/')));
    m_c.UrlSlashWarning->setToolTip(GluedHint(url + name));
}
