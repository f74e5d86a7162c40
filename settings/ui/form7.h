#pragma once

#include <QDialog>
#include <QStringList>

class QListWidget;
class QPushButton;
class QWidget;

/// The URL history editor ("URLリスト編集"): deletes and reorders the entries
/// of the base-URL history on a working copy; "OK" writes the copy back.
///
/// The main window's "edit" button does, on a list of the combo box's items:
///     TForm7::appendUnlisted(history, ComboBox1->currentText());
///     TForm7 dialog(history, this);
///     dialog.exec();
/// and then puts `history` back into the combo box (also after "Cancel", which
/// keeps the appended text).
class TForm7 : public QDialog {
    Q_OBJECT

public:
    /// Builds the editor over a working copy of `history`, which is referenced:
    /// "OK" replaces it with the edited list, "Cancel" leaves it alone. It must
    /// outlive the dialog.
    explicit TForm7(QStringList& history, QWidget* parent = nullptr);

    /// Appends `text` to `history` unless an item equals it exactly (letter
    /// case counts); an empty text is appended too when nothing equals it.
    /// Returns whether it appended.
    static bool appendUnlisted(QStringList& history, const QString& text);

private:
    int selectedRow() const;
    void swapWithSelected(int offset);
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();

    QStringList& history_;

    QWidget* Panel1;
    QListWidget* ListBox1;
    QPushButton* Button1;
    QPushButton* Button2;
    QPushButton* Button3;
    QPushButton* Button4;
    QPushButton* Button5;
};
