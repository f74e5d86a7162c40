#include "app/ui/input_settings.h"

#include "app/series.h"
#include "app/ui/main_window_controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>

namespace InputSettings {

void Show(const Settings& s, MainWindowControls& c) {
    c.ComboBox1->clear();
    c.ComboBox1->addItems(s.urlHistory);
    c.ComboBox1->setEditText(s.url);
    c.Edit1->setText(s.head);
    c.SpinEdit1->setValue(s.num);
    c.SpinEdit2->setValue(s.minSize);
    c.Edit2->setText(s.start);
    c.Edit5->setText(s.end);
    c.Edit3->setText(s.back);
    c.Edit4->setText(s.path);
    c.CheckBox1->setChecked(s.skip);
    c.CheckBox2->setChecked(s.check);
    c.OpenEndBox->setChecked(s.openEnd);
    c.NameEdit->setText(s.name);
}

void Read(const MainWindowControls& c, Settings& s) {
    s.urlHistory = History(*c.ComboBox1);
    s.url = c.ComboBox1->currentText();
    s.head = c.Edit1->text();
    s.num = c.SpinEdit1->value();
    s.minSize = c.SpinEdit2->value();
    s.start = c.Edit2->text();
    s.end = c.Edit5->text();
    s.back = c.Edit3->text();
    s.path = FolderWithSlash(c.Edit4->text());
    s.skip = c.CheckBox1->isChecked();
    s.check = c.CheckBox2->isChecked();
    s.openEnd = c.OpenEndBox->isChecked();
    s.name = c.NameEdit->text();
}

QStringList History(const QComboBox& box) {
    QStringList items;
    items.reserve(box.count());
    for (int i = 0; i < box.count(); ++i)
        items << box.itemText(i);
    return items;
}

void SetHistory(QComboBox& box, const QStringList& items) {
    // Clearing an editable combo box empties its edit field, and adding the
    // first item puts that item there; the text the user sees stays.
    const QString text = box.currentText();
    box.clear();
    box.addItems(items);
    box.setEditText(text);
}

void AddToHistory(QComboBox& box) {
    const QString text = box.currentText();
    QStringList history = History(box);
    if (!AppendToUrlHistory(history, text))
        return;
    // Newest first, as List Up keeps them: the file holds the first 50.
    box.insertItem(0, text);
    // Adding the first item selects it; the edit text must stay as typed.
    box.setEditText(text);
}

void RaiseInHistory(QComboBox& box) {
    const QString text = box.currentText();
    QStringList history = History(box);
    RaiseInUrlHistory(history, text);
    if (history == History(box))
        return;
    SetHistory(box, history);
}

} // namespace InputSettings
