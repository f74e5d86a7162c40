#include "settings/ui/form6.h"

#include "http/extra_header.h"
#include "settings/settings_file.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <limits>

TForm6::TForm6(QString& proxy, int& proxyPort, QWidget* parent, RequestSettings* request,
               ProxyLogin* login)
    : QDialog(parent)
    , proxy_(proxy)
    , proxyPort_(proxyPort)
    , request_(request)
    , login_(login)
    , reportError_([](QWidget* owner, const QString& text) {
        QMessageBox::critical(owner, QStringLiteral("Serifetch"), text);
    }) {
    setObjectName("Form6");
    setWindowTitle(tr("Option"));

    CheckBox1 = new QCheckBox(tr("Use Proxy"), this);
    CheckBox1->setObjectName("CheckBox1");
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName("Edit1");
    Edit1->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('x')) * 32);
    Edit2 = new QLineEdit(this);
    Edit2->setObjectName("Edit2");
    Label1 = new QLabel(tr("Host"), this);
    Label1->setObjectName("Label1");
    Label1->setBuddy(Edit1);
    Label2 = new QLabel(tr("Port"), this);
    Label2->setObjectName("Label2");
    Label2->setBuddy(Edit2);

    Button1 = new QPushButton(tr("OK"), this);
    Button1->setObjectName("Button1");
    Button1->setDefault(true);
    Button2 = new QPushButton(tr("Cancel"), this);
    Button2->setObjectName("Button2");
    Button3 = new QPushButton(tr("Init"), this);
    Button3->setObjectName("Button3");
    // Enter means "OK" wherever the focus is, not the focused button.
    Button2->setAutoDefault(false);
    Button3->setAutoDefault(false);

    auto* fields = new QFormLayout;
    fields->addRow(Label1, Edit1);
    fields->addRow(Label2, Edit2);
    if (login_) {
        Edit6 = new QLineEdit(login_->user, this);
        Edit6->setObjectName("Edit6");
        Edit6->setPlaceholderText(tr("none sent"));
        Edit7 = new QLineEdit(login_->password, this);
        Edit7->setObjectName("Edit7");
        Edit7->setEchoMode(QLineEdit::Password);
        CheckBox5 = new QCheckBox(tr("Remember the password (in serifech.ini, readable by you "
                                     "alone)"),
                                  this);
        CheckBox5->setObjectName("CheckBox5");
        CheckBox5->setChecked(login_->remember);
        fields->addRow(tr("User"), Edit6);
        fields->addRow(tr("Password"), Edit7);
        fields->addRow(QString(), CheckBox5);
    }
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button3);
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto* layout = new QVBoxLayout(this);
    if (request_) {
        PageControl1 = new QTabWidget(this);
        PageControl1->setObjectName("PageControl1");
        auto* proxyPage = new QWidget;
        auto* proxyLayout = new QVBoxLayout(proxyPage);
        proxyLayout->addWidget(CheckBox1);
        proxyLayout->addLayout(fields);
        proxyLayout->addStretch();
        PageControl1->addTab(proxyPage, tr("Proxy"));
        PageControl1->addTab(RequestPage(), tr("Request"));
        layout->addWidget(PageControl1);
    } else {
        layout->addWidget(CheckBox1);
        layout->addLayout(fields);
    }
    layout->addSpacing(6);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(CheckBox1, Edit1);
    setTabOrder(Edit1, Edit2);
    setTabOrder(Edit2, Button3);
    setTabOrder(Button3, Button1);
    setTabOrder(Button1, Button2);

    connect(CheckBox1, &QCheckBox::toggled, this, &TForm6::CheckBox1Click);
    connect(Edit2, &QLineEdit::textChanged, this, &TForm6::Edit2Change);
    connect(Button1, &QPushButton::clicked, this, &TForm6::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm6::reject);
    connect(Button3, &QPushButton::clicked, this, &TForm6::Button3Click);

    Edit1->setText(proxy_);
    Edit2->setText(QString::number(proxyPort_));
    CheckBox1->setChecked(!Edit1->text().isEmpty());
    CheckBox1Click();
    if (CheckBox1->isChecked())
        Edit1->setFocus();
    else
        CheckBox1->setFocus();
}

QWidget* TForm6::RequestPage() {
    auto* page = new QWidget;
    const auto named = [page](auto* widget, const char* name) {
        widget->setParent(page);
        widget->setObjectName(name);
        return widget;
    };
    CheckBox2 = named(new QCheckBox(tr("Fetch https: URLs (TLS)")), "CheckBox2");
    Edit3 = named(new QLineEdit, "Edit3");
    Edit3->setPlaceholderText(tr("only the system's CAs"));
    Edit4 = named(new QLineEdit, "Edit4");
    Edit4->setPlaceholderText(tr("none sent"));
    Edit5 = named(new QLineEdit, "Edit5");
    Edit5->setPlaceholderText(tr("none sent"));
    CheckBox3 = named(new QCheckBox(tr("Referer: each job's base URL")), "CheckBox3");
    CheckBox4 =
        named(new QCheckBox(tr("Keep the connection for the next file (HTTP/1.1)")), "CheckBox4");
    CheckBox7 =
        named(new QCheckBox(tr("Give each file the server's time (Last-Modified)")), "CheckBox7");
    CheckBox8 = named(new QCheckBox(tr("HTTP/2 for https: (all files at once on one connection)")),
                      "CheckBox8");
    SpinEdit1 = named(new QSpinBox, "SpinEdit1");
    SpinEdit1->setRange(RequestSettings::kMinParallel, RequestSettings::kMaxParallel);
    SpinEdit1->setToolTip(tr("Files fetched at once: as streams of one connection to an HTTP/2 "
                             "server, else each on a connection of its own"));
    SpinEdit2 = named(new QSpinBox, "SpinEdit2");
    SpinEdit2->setRange(RequestSettings::kMinIntervalMs, RequestSettings::kMaxIntervalMs);
    SpinEdit2->setSingleStep(100);
    SpinEdit2->setSuffix(tr(" ms"));
    SpinEdit2->setToolTip(
        tr("How long each of the files fetched at once waits after its request before the next"));
    Memo1 = named(new QPlainTextEdit, "Memo1");
    Memo1->setPlaceholderText(tr("Name: value, one a line"));
    Memo1->setTabChangesFocus(true);
    Memo1->setFixedHeight(fontMetrics().lineSpacing() * 5);

    auto* fields = new QFormLayout;
    fields->addRow(tr("CA file"), Edit3);
    fields->addRow(tr("User-Agent"), Edit4);
    fields->addRow(tr("Referer"), Edit5);
    fields->addRow(QString(), CheckBox3);
    fields->addRow(tr("Extra lines"), Memo1);
    fields->addRow(tr("Files at once"), SpinEdit1);
    fields->addRow(tr("Pause between requests"), SpinEdit2);
    Edit8 = named(new QLineEdit, "Edit8");
    Edit8->setPlaceholderText(tr("none sent"));
    Edit8->setToolTip(tr("A cookies.txt (Netscape format) whose cookies each run starts with"));
    CheckBox6 = named(new QCheckBox(tr("Names and passwords from ~/.netrc")), "CheckBox6");
    SpinEdit3 = named(new QSpinBox, "SpinEdit3");
    SpinEdit3->setRange(0, std::numeric_limits<int>::max());
    SpinEdit3->setSingleStep(10240);
    SpinEdit3->setSuffix(tr(" bytes/s"));
    SpinEdit3->setSpecialValueText(tr("no cap"));
    SpinEdit3->setToolTip(tr("The bytes a second a run takes over all its files together"));
    fields->addRow(tr("Cookie file"), Edit8);
    fields->addRow(QString(), CheckBox6);
    fields->addRow(tr("Speed cap"), SpinEdit3);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(CheckBox2);
    layout->addWidget(CheckBox4);
    layout->addWidget(CheckBox7);
    layout->addWidget(CheckBox8);
    layout->addLayout(fields);

    connect(CheckBox3, &QCheckBox::toggled, Edit5, &QWidget::setDisabled);
    CheckBox2->setChecked(request_->tls);
    Edit3->setText(request_->caFile);
    Edit4->setText(request_->userAgent);
    Edit5->setText(request_->referer);
    CheckBox3->setChecked(request_->refererIsBaseUrl);
    CheckBox4->setChecked(request_->keepAlive);
    CheckBox7->setChecked(request_->remoteTime);
    CheckBox8->setChecked(request_->http2);
    SpinEdit1->setValue(request_->parallel);
    SpinEdit2->setValue(request_->intervalMs);
    Edit5->setDisabled(request_->refererIsBaseUrl);
    Memo1->setPlainText(request_->extraHeaders.join('\n'));
    Edit8->setText(request_->cookieFile);
    CheckBox6->setChecked(request_->netrc);
    SpinEdit3->setValue(request_->limitRate);
    return page;
}

bool TForm6::TakeRequestPage() {
    QStringList lines;
    for (QString line : Memo1->toPlainText().split('\n')) {
        line = line.trimmed();
        if (line.isEmpty())
            continue;
        if (!ParseExtraHeader(line)) {
            reportError_(this, tr("\"%1\" is no request line \"Name: value\".").arg(line));
            PageControl1->setCurrentIndex(1);
            Memo1->setFocus();
            return false;
        }
        lines << line;
    }
    request_->tls = CheckBox2->isChecked();
    request_->caFile = Edit3->text().trimmed();
    request_->userAgent = Edit4->text().trimmed();
    request_->referer = Edit5->text().trimmed();
    request_->refererIsBaseUrl = CheckBox3->isChecked();
    request_->keepAlive = CheckBox4->isChecked();
    request_->remoteTime = CheckBox7->isChecked();
    request_->http2 = CheckBox8->isChecked();
    request_->parallel = SpinEdit1->value();
    request_->intervalMs = SpinEdit2->value();
    request_->extraHeaders = lines;
    request_->cookieFile = Edit8->text().trimmed();
    request_->netrc = CheckBox6->isChecked();
    request_->limitRate = SpinEdit3->value();
    return true;
}

void TForm6::setErrorReporter(ErrorReporter reporter) {
    reportError_ = std::move(reporter);
}

void TForm6::CheckBox1Click() {
    const bool use = CheckBox1->isChecked();
    Edit1->setEnabled(use);
    Edit2->setEnabled(use);
}

void TForm6::Edit2Change() {
    // The field only ever holds digits and is never empty, so "OK" always has
    // digits to convert. The caret keeps its place among the digits kept.
    const QString text = Edit2->text();
    const int caret = Edit2->cursorPosition();
    QString digits;
    int newCaret = 0;
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9')) {
            digits += text[i];
            if (i < caret)
                ++newCaret;
        }
    }
    if (digits.isEmpty()) {
        Edit2->setText(QStringLiteral("0"));
        // Selected, so the next digit typed replaces the stand-in zero.
        Edit2->selectAll();
        return;
    }
    if (digits != text) {
        Edit2->setText(digits);
        Edit2->setCursorPosition(newCaret);
    }
}

void TForm6::Button1Click() {
    if (CheckBox1->isChecked()) {
        // Convert before taking anything over: a port that fails leaves the
        // client exactly as it was, host included.
        bool ok = false;
        const int port = Edit2->text().toInt(&ok, 10);
        if (!ok) {
            reportError_(this, tr("'%1' は有効な整数値ではありません。").arg(Edit2->text()));
            Edit2->setFocus();
            Edit2->selectAll();
            return;
        }
        if (request_ && !TakeRequestPage())
            return;
        proxy_ = Edit1->text();
        proxyPort_ = port;
        if (login_)
            *login_ = {Edit6->text(), Edit7->text(), CheckBox5->isChecked()};
    } else if (request_ && !TakeRequestPage()) {
        return;
    }
    accept();
}

void TForm6::Button3Click() {
    Edit1->setText(QStringLiteral("0.0.0.0"));
    Edit2->setText(QStringLiteral("80"));
}
