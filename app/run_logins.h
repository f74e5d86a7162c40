#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <optional>

/// A name and password for HTTP Basic authentication.
struct BasicLogin {
    QString user;
    QString password;

    friend bool operator==(const BasicLogin&, const BasicLogin&) = default;
};

/// The logins a run answers a server's Basic authentication with, and for
/// which server each one is: one a listed URL held ("user:pass@") is for
/// that URL's scheme, host and port; one given for the run (--user) is for
/// the server of every job; ~/.netrc names its own hosts. Looked up per
/// request, never written to any file.
class RunLogins {
public:
    /// Takes the user and password out of `url` and keeps them for its
    /// server; returns `url` without them (as it was when it held none).
    QString TakeFromUrl(const QString& url);
    /// Keeps `login` for `server` ("scheme://host:port", as ServerOf says).
    void KeepFor(const QString& server, const BasicLogin& login) {
        byServer_.insert(server, login);
    }
    /// The login every server of the run gets (nullopt: none).
    void SetForEveryServer(std::optional<BasicLogin> login) { every_ = std::move(login); }
    /// The text of ~/.netrc to look hosts up in; empty for none.
    void SetNetrc(const QByteArray& text) { netrc_ = text; }

    /// The login for a request to `url`: the one kept for its server, else
    /// the run's, else the netrc's for its host; nullopt when none applies.
    std::optional<BasicLogin> For(const QString& url) const;
    bool IsEmpty() const { return byServer_.isEmpty() && !every_ && netrc_.isEmpty(); }

    /// "scheme://host:port" of `url`, in lower case, the port spelt out;
    /// empty when it names no host.
    static QString ServerOf(const QString& url);

private:
    QHash<QString, BasicLogin> byServer_;
    std::optional<BasicLogin> every_;
    QByteArray netrc_;
};
