#pragma once

#include <QDialog>
#include <QString>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
struct ProxyLogin;
struct RequestSettings;

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
    /// With `request`, the controls above are the first tab ("Proxy") and a
    /// second tab ("Request") edits TLS, the CA file, the User-Agent, the
    /// Referer, the extra request lines, the files fetched at once and the
    /// pause between requests, which "OK" writes there too.
    /// With `login`, the proxy's user name and password are edited too, and
    /// whether the password is kept in the settings file.
    TForm6(QString& proxy, int& proxyPort, QWidget* parent = nullptr,
           RequestSettings* request = nullptr, ProxyLogin* login = nullptr);

    /// Replaces the message box that reports a port that is no 32-bit number.
    void setErrorReporter(ErrorReporter reporter);

private:
    void CheckBox1Click();
    void Edit2Change();
    void Button1Click();
    void Button3Click();
    QWidget* RequestPage();
    bool TakeRequestPage();

    QString& proxy_;
    int& proxyPort_;
    RequestSettings* request_;
    ProxyLogin* login_;
    ErrorReporter reportError_;

    QCheckBox* CheckBox1;
    QLabel* Label1;
    QLabel* Label2;
    QLineEdit* Edit1;
    QLineEdit* Edit2;
    QPushButton* Button1;
    QPushButton* Button2;
    QPushButton* Button3;
    // The "Request" tab, when there is one.
    QTabWidget* PageControl1 = nullptr;
    QCheckBox* CheckBox2 = nullptr;  ///< TLS
    QCheckBox* CheckBox3 = nullptr;  ///< Referer from the base URL
    QCheckBox* CheckBox4 = nullptr;  ///< keep-alive
    QCheckBox* CheckBox7 = nullptr;  ///< the server's time for saved files
    QCheckBox* CheckBox8 = nullptr;  ///< HTTP/2 offered on https:
    QSpinBox* SpinEdit1 = nullptr;   ///< jobs in flight at once
    QSpinBox* SpinEdit2 = nullptr;   ///< pause after each request, per lane
    QLineEdit* Edit3 = nullptr;      ///< CA file
    QLineEdit* Edit4 = nullptr;      ///< User-Agent
    QLineEdit* Edit5 = nullptr;      ///< Referer
    QPlainTextEdit* Memo1 = nullptr; ///< extra request lines
    QLineEdit* Edit8 = nullptr;      ///< cookies.txt
    QCheckBox* CheckBox6 = nullptr;  ///< logins from ~/.netrc
    QSpinBox* SpinEdit3 = nullptr;   ///< bytes a second a run may take
    // The proxy's login, when edited.
    QLineEdit* Edit6 = nullptr;     ///< user name
    QLineEdit* Edit7 = nullptr;     ///< password
    QCheckBox* CheckBox5 = nullptr; ///< remember the password
};
