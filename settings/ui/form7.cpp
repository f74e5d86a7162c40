#include "settings/ui/form7.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

TForm7::TForm7(QStringList& history, QWidget* parent)
    : QDialog(parent)
    , history_(history) {
    setObjectName("Form7");
    setWindowTitle(tr("URLリスト編集"));
    setSizeGripEnabled(true);

    Panel1 = new QWidget(this);
    Panel1->setObjectName("Panel1");
    auto makeButton = [this](const char* name, const QString& caption) {
        auto* button = new QPushButton(caption, Panel1);
        button->setObjectName(name);
        // Enter means "OK", whichever button last had the focus.
        button->setAutoDefault(false);
        return button;
    };
    Button1 = makeButton("Button1", tr("OK"));
    Button2 = makeButton("Button2", tr("削除"));
    Button3 = makeButton("Button3", tr("一つ上"));
    Button4 = makeButton("Button4", tr("一つ下"));
    Button5 = makeButton("Button5", tr("Cancel"));
    Button1->setDefault(true);

    auto* row = new QHBoxLayout(Panel1);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(Button2);
    row->addWidget(Button3);
    row->addWidget(Button4);
    row->addStretch();
    row->addWidget(Button1);
    row->addWidget(Button5);

    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName("ListBox1");
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBox1->setTextElideMode(Qt::ElideMiddle);
    ListBox1->addItems(history_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Panel1);
    layout->addWidget(ListBox1, 1);

    setTabOrder(ListBox1, Button2);
    setTabOrder(Button2, Button3);
    setTabOrder(Button3, Button4);
    setTabOrder(Button4, Button1);
    setTabOrder(Button1, Button5);
    ListBox1->setFocus();

    connect(Button1, &QPushButton::clicked, this, &TForm7::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm7::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TForm7::Button3Click);
    connect(Button4, &QPushButton::clicked, this, &TForm7::Button4Click);
    connect(Button5, &QPushButton::clicked, this, &TForm7::reject);

    resize(520, 320);
}

int TForm7::selectedRow() const {
    const QList<QListWidgetItem*> selected = ListBox1->selectedItems();
    return selected.isEmpty() ? -1 : ListBox1->row(selected.first());
}

void TForm7::swapWithSelected(int offset) {
    const int from = selectedRow();
    const int to = from + offset;
    if (from < 0 || to < 0 || to >= ListBox1->count())
        return;
    QListWidgetItem* item = ListBox1->takeItem(from);
    ListBox1->insertItem(to, item);
    // The same URL stays selected at its new place.
    ListBox1->setCurrentRow(to, QItemSelectionModel::ClearAndSelect);
}

void TForm7::Button1Click() {
    QStringList edited;
    edited.reserve(ListBox1->count());
    for (int i = 0; i < ListBox1->count(); ++i)
        edited.append(ListBox1->item(i)->text());
    history_ = edited;
    accept();
}

void TForm7::Button2Click() {
    const int row = selectedRow();
    if (row < 0)
        return;
    delete ListBox1->takeItem(row);
    // Nothing stays selected, so a second press deletes nothing by accident.
    ListBox1->clearSelection();
}

void TForm7::Button3Click() {
    swapWithSelected(-1);
}

void TForm7::Button4Click() {
    swapWithSelected(+1);
}
