#pragma once

#include <QDialog>
#include <QString>
#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

/// What the user answered a server that asked who they are.
struct LoginAnswer {
    QString user;
    QString password;
    bool remember = false; ///< kept in the settings file, not only until the window closes

    friend bool operator==(const LoginAnswer&, const LoginAnswer&) = default;
};

/// Asks for the name and password a server wants (HTTP Basic), and whether
/// to remember them. Open it fresh for each use.
class TLoginDialog : public QDialog {
    Q_OBJECT
public:
    /// `server` is named in the question ("https://nas.lan:443").
    explicit TLoginDialog(const QString& server, QWidget* parent = nullptr);

    /// What was typed; meaningful after "OK".
    LoginAnswer Answer() const;

    /// Shows the dialog modally; the answer on "OK", nothing on "Cancel".
    static std::optional<LoginAnswer> Ask(const QString& server, QWidget* parent);

private:
    QLabel* Label1;
    QLineEdit* Edit1; ///< user name
    QLineEdit* Edit2; ///< password
    QCheckBox* CheckBox1;
    QPushButton* Button1;
    QPushButton* Button2;
};
