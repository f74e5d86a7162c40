// The inputs' aids: a pasted file URL split into the series inputs, and a
// warning on a base URL or folder that would glue the file names on.
#include "app/file_url_split.h"
#include "app/series.h"
#include "app/ui/tform1.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QScopeGuard>
#include <QSpinBox>
#include <QStyle>

namespace {

QAction* SlashWarning(QLineEdit* edit, const char* name) {
    QAction* mark = edit->addAction(edit->style()->standardIcon(QStyle::SP_MessageBoxWarning),
                                    QLineEdit::TrailingPosition);
    mark->setObjectName(QLatin1String(name));
    mark->setVisible(false);
    return mark;
}

QString GluedHint(const QString& glued) {
    return QStringLiteral("No \"/\" at the end: the file names are glued on, as in "
                          "\"…%1\".")
        .arg(glued.right(40));
}

} // namespace

void TForm1::BuildInputAids() {
    QLineEdit* url = ComboBox1->lineEdit();
    UrlSlashWarning = SlashWarning(url, "UrlSlashWarning");
    DirSlashWarning = SlashWarning(Edit4, "DirSlashWarning");
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
