#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

/// The about box ("Serifetch"): name, version, three lines of information (the
/// last is where the installed documentation is, `kDocumentationDir`) and a
/// button that opens that folder through `Desktop`: the program has no public
/// home page, and its README, manual and licence are what a home page would
/// give.
///
/// Open it fresh for each use and modally:
///     TForm2 dialog(this);
///     dialog.exec();
class TForm2 : public QDialog {
    Q_OBJECT

public:
    /// The folder `make install` puts README.md and LICENSE in.
    static const char* const kDocumentationDir;

    explicit TForm2(QWidget* parent = nullptr);

private:
    void Button2Click();

    QLabel* Image1;
    QLabel* Label1;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label5;
    QLabel* Label6;
    QPushButton* Button1;
    QPushButton* Button2;
};
