#pragma once

#include <QDialog>
#include <QStringList>

class QListWidget;
class QPushButton;
class QWidget;

/// The URL history editor ("URLリスト編集"): deletes and reorders the entries
/// of the base-URL history on a working copy; "OK" writes the copy back.
///
/// The main window's "edit" button first adds the combo box's text to the
/// history (AppendToUrlHistory), then opens the editor on the items and puts
/// the result back.
class TForm7 : public QDialog {
    Q_OBJECT

public:
    /// Builds the editor over a working copy of `history`, which is referenced:
    /// "OK" replaces it with the edited list, "Cancel" leaves it alone. It must
    /// outlive the dialog.
    explicit TForm7(QStringList& history, QWidget* parent = nullptr);

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
