#include "app/ui/login_dialog.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TLoginDialog::TLoginDialog(const QString& server, QWidget* parent)
    : QDialog(parent) {
    setObjectName("LoginDialog");
    setWindowTitle(tr("Name and password"));
    Label1 = new QLabel(tr("%1 asks for a name and password.").arg(server), this);
    Label1->setObjectName("Label1");
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName("Edit1");
    Edit2 = new QLineEdit(this);
    Edit2->setObjectName("Edit2");
    Edit2->setEchoMode(QLineEdit::Password);
    CheckBox1 = new QCheckBox(tr("Remember them (in serifech.ini, readable by you alone)"), this);
    CheckBox1->setObjectName("CheckBox1");
    Button1 = new QPushButton(tr("OK"), this);
    Button1->setObjectName("Button1");
    Button1->setDefault(true);
    Button2 = new QPushButton(tr("Cancel"), this);
    Button2->setObjectName("Button2");
    Button2->setAutoDefault(false);

    auto* fields = new QFormLayout;
    fields->addRow(tr("User"), Edit1);
    fields->addRow(tr("Password"), Edit2);
    fields->addRow(QString(), CheckBox1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    Edit1->setFocus();
}

LoginAnswer TLoginDialog::Answer() const {
    return {Edit1->text(), Edit2->text(), CheckBox1->isChecked()};
}

std::optional<LoginAnswer> TLoginDialog::Ask(const QString& server, QWidget* parent) {
    TLoginDialog dialog(server, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.Answer();
}
