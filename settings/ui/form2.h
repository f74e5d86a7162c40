#pragma once

#include <QDialog>
#include <QStringList>
#include <functional>

class QLabel;
class QPushButton;

/// The about box ("Serifetch"): name, version, three lines of information (the
/// last is where the installed documentation is, `kDocumentationDir`) and a
/// button ("ブラウザ") that opens the README through `Desktop`: the program has
/// no public home page, and its README is what a home page would give. The
/// README is looked for where `make install` puts it, then in the source tree
/// of a program run from its build folder; when it is in neither, the box says
/// where it looked.
///
/// Open it fresh for each use and modally:
///     TForm2 dialog(this);
///     dialog.exec();
class TForm2 : public QDialog {
    Q_OBJECT

public:
    /// The folder `make install` puts README.md and LICENSE in.
    static const char* const kDocumentationDir;

    /// Tells the user something; the box passes itself as the parent.
    using Reporter = std::function<void(QWidget* parent, const QString& text)>;

    explicit TForm2(QWidget* parent = nullptr);

    /// Replaces the message box that says the README was not found.
    void setReporter(Reporter reporter);
    /// Replaces the places the README is looked for (ReadmeCandidates).
    void setReadmeCandidates(QStringList paths);

private:
    void Button2Click();

    Reporter report_;
    QStringList readmeCandidates_;

    QLabel* Image1;
    QLabel* Label1;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label5;
    QLabel* Label6;
    QPushButton* Button1;
    QPushButton* Button2;
};
