#pragma once

#include "app/client_config.h"
#include "app/run_logins.h"
#include "settings/settings_file.h"

#include <QString>
#include <QStringList>
#include <functional>

class RunSession;

/// The window's client options between the settings file and the run: the
/// proxy, the `[Server]` request keys and the Referer taken from each job's
/// base URL. They live on the session's first client, except the keys the
/// client has no place for (parallel, retries), which are kept here for the
/// next store and the next "Go!", and the pause between requests, which the
/// run takes as soon as it is read or edited.
class WindowClientOptions {
public:
    /// Edits the proxy and the request keys in place; true when the user
    /// took the changes ("OK").
    using Editor = std::function<bool(QString& proxy, int& proxyPort, RequestSettings& request,
                                      ProxyLogin& proxyLogin)>;

    /// The session must outlive it.
    explicit WindowClientOptions(RunSession& session);

    /// Puts the client's side of `s` into the session's first client and
    /// its pause into the run.
    void Apply(const Settings& s);
    /// Writes the proxy and the request keys into `s`.
    void Read(Settings& s) const;
    /// Lets `edit` change the options; on "OK" the client takes them (the
    /// proxy is written straight into it, as the dialog does).
    void Edit(const Editor& edit);

    /// Why a run must not start on these options (see
    /// RequestSettingsProblem); empty when it may.
    QString Problem() const;
    /// Sets every client of the session up as the first one stands and
    /// gives the run its lanes and retries, its cookies (the `Cookies` file
    /// read afresh), its logins and its cap on the bytes a second. Returns
    /// the warnings to show: malformed cookie lines, files not read.
    QStringList PrepareRun();

    /// Takes the user and password out of a URL being listed and keeps them
    /// for its server, for the runs of this window; returns the URL without
    /// them.
    QString TakeLoginFromUrl(const QString& url) { return m_logins.TakeFromUrl(url); }
    /// A name and password the user gave for the server of `url` when it
    /// asked: kept for this window's runs, and in the settings file when
    /// `remember`.
    void KeepLogin(const QString& url, const BasicLogin& login, bool remember);
    /// The login for `url` the next run would send (tests look).
    std::optional<BasicLogin> LoginFor(const QString& url) const { return m_logins.For(url); }

    const RequestSettings& Request() const { return m_request; }
    /// The first client's set-up as it stands, for requests outside the run
    /// (finding a series): the same server sees the same client.
    ClientConfig ProbeClient() const;

private:
    RunSession& m_session;
    RequestSettings m_request;
    ProxyLogin m_proxyLogin;
    RunLogins m_logins;
    QList<ServerLogin> m_remembered; ///< what the next store writes
};
