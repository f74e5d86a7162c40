#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

/// The about box ("Serifetch"): name, version, three lines of information (the
/// last is the home page, `SettingsFile::kHomePage`) and a button that opens
/// the home page in the browser through `Desktop`.
///
/// Open it fresh for each use and modally:
///     TForm2 dialog(this);
///     dialog.exec();
class TForm2 : public QDialog {
    Q_OBJECT

public:
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
