#include "settings/ui/form2.h"

#include "platform/desktop.h"
#include "settings/ui/program_icon.h"
#include "settings/ui/readme_location.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

} // namespace

TForm2::TForm2(QWidget* parent)
    : QDialog(parent)
    , report_([](QWidget* owner, const QString& text) {
        QMessageBox::information(owner, QStringLiteral("Serifetch"), text);
    })
    , readmeCandidates_(ReadmeCandidates(QString::fromUtf8(kDocumentationDir),
                                         QCoreApplication::applicationDirPath())) {
    setObjectName("Form2");
    // The program's name, the same in every language.
    setWindowTitle(QStringLiteral("Serifetch"));

    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    Image1->setPixmap(ProgramIcon().pixmap(QSize(32, 32), devicePixelRatio()));
    Image1->setFixedSize(32, 32);

    Label1 = makeLabel(this, "Label1", QStringLiteral("Serifetch"));
    QFont nameFont = Label1->font();
    nameFont.setFamilies({"Times New Roman", "DejaVu Serif", "Liberation Serif", "serif"});
    nameFont.setStyleHint(QFont::Serif);
    nameFont.setPointSize(24);
    nameFont.setBold(true);
    nameFont.setItalic(true);
    Label1->setFont(nameFont);
    QPalette namePalette = Label1->palette();
    namePalette.setColor(QPalette::WindowText, QColor(0x00, 0x00, 0x80));
    Label1->setPalette(namePalette);

    Label3 = makeLabel(this, "Label3", tr("Ver2.0"));
    Label4 = makeLabel(this, "Label4", tr("連番ファイル一括ダウンローダ"));
    Label5 = makeLabel(this, "Label5", tr("HTTP/1.1・HTTPS・プロキシ対応"));
    Label6 = makeLabel(this, "Label6", QString::fromUtf8(kDocumentationDir));
    Label6->setTextInteractionFlags(Qt::TextSelectableByMouse);

    Button1 = new QPushButton(tr("OK"), this);
    Button1->setObjectName("Button1");
    Button1->setDefault(true);
    Button2 = new QPushButton(tr("ブラウザ"), this);
    Button2->setObjectName("Button2");
    Button2->setAutoDefault(false);

    auto* text = new QVBoxLayout;
    auto* title = new QHBoxLayout;
    title->addWidget(Label1);
    title->addSpacing(8);
    title->addWidget(Label3, 0, Qt::AlignBottom);
    title->addStretch();
    text->addLayout(title);
    text->addSpacing(6);
    text->addWidget(Label4);
    text->addWidget(Label5);
    text->addWidget(Label6);

    auto* top = new QHBoxLayout;
    top->addWidget(Image1, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(text, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button2);
    buttons->addWidget(Button1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addSpacing(10);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(Button1, Button2);
    Button1->setFocus();

    connect(Button1, &QPushButton::clicked, this, &TForm2::accept);
    connect(Button2, &QPushButton::clicked, this, &TForm2::Button2Click);
}

const char* const TForm2::kDocumentationDir = SERIFETCH_DOC_DIR;

void TForm2::setReporter(Reporter reporter) {
    report_ = std::move(reporter);
}

void TForm2::setReadmeCandidates(QStringList paths) {
    readmeCandidates_ = std::move(paths);
}

void TForm2::Button2Click() {
    const QString readme =
        FindReadme(readmeCandidates_, [](const QString& path) { return QFileInfo(path).isFile(); });
    if (readme.isEmpty()) {
        // Before `make install` the desktop would only be handed a folder that
        // is not there, and would say nothing.
        report_(this, tr("The README was not found. It is looked for here:\n%1")
                          .arg(readmeCandidates_.join(QLatin1Char('\n'))));
        return;
    }
    Desktop::current().openUrl(QUrl::fromLocalFile(readme).toString());
}
