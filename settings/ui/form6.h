#pragma once

#include <QDialog>
#include <QString>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

/// The proxy dialog ("Option"): edits the HTTP client's proxy host and port in
/// memory. The settings file takes them when the main window closes.
///
/// Open it fresh for each use and modally:
///     TForm6 dialog(client.Proxy, client.ProxyPort, this);
///     dialog.exec();
class TForm6 : public QDialog {
    Q_OBJECT

public:
    /// Reports a failure to the user; the dialog passes itself as the parent.
    using ErrorReporter = std::function<void(QWidget* parent, const QString& text)>;

    /// Builds the dialog filled from `proxy` and `proxyPort` (the client's
    /// `Proxy` and `ProxyPort`). Both are referenced, not copied: "OK" writes
    /// them when "Use Proxy" is checked, and they must outlive the dialog.
    TForm6(QString& proxy, int& proxyPort, QWidget* parent = nullptr);

    /// Replaces the message box that reports a port that is no 32-bit number.
    void setErrorReporter(ErrorReporter reporter);

private:
    void CheckBox1Click();
    void Edit2Change();
    void Button1Click();
    void Button3Click();

    QString& proxy_;
    int& proxyPort_;
    ErrorReporter reportError_;

    QCheckBox* CheckBox1;
    QLabel* Label1;
    QLabel* Label2;
    QLineEdit* Edit1;
    QLineEdit* Edit2;
    QPushButton* Button1;
    QPushButton* Button2;
    QPushButton* Button3;
};
