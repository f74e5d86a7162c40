#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

/// One cookie as RFC 6265 keeps it.
struct StoredCookie {
    QByteArray name;
    QByteArray value;
    QByteArray domain; ///< lower case, without a leading dot
    QByteArray path;   ///< starts with "/"
    /// Seconds since the epoch after which the cookie is gone; 0 for a
    /// session cookie, which lasts as long as the store.
    qint64 expires = 0;
    bool hostOnly = true; ///< sent to `domain` alone, not to its subdomains
    bool secure = false;  ///< sent over https only
    bool httpOnly = false;
    qint64 created = 0; ///< order of creation, for the order of the Cookie line

    friend bool operator==(const StoredCookie&, const StoredCookie&) = default;
};

/// The cookies of a run (RFC 6265): read from a Netscape cookies.txt as
/// browsers' export add-ons, curl and wget write it, set by replies, sent
/// only to the hosts, paths and schemes they name until they expire, and
/// written back in the same format. Times are passed in, so that a test
/// moves the clock.
///
/// Not kept: the public suffix list. A Domain attribute must name a host with
/// a dot in it or the host itself, so "com" is refused, but "co.uk" is not.
class CookieStore {
public:
    struct Problem {
        int line = 0; ///< 1-based line of the file
        QString text;
    };

    /// Adds the cookies of a cookies.txt: a line is seven fields split by
    /// tabs (domain, whether subdomains match, path, secure, expiry in
    /// seconds since the epoch with 0 for a session cookie, name, value);
    /// "#HttpOnly_" before a domain marks an HttpOnly cookie, other lines
    /// starting with "#" and empty lines are comments. A malformed line is
    /// skipped and reported with its number; a cookie expired by `now` is
    /// skipped silently.
    std::vector<Problem> LoadNetscape(const QByteArray& text, qint64 now);
    /// The cookies not expired by `now`, in the same format, session
    /// cookies with expiry 0.
    QByteArray ToNetscape(qint64 now) const;

    /// Takes the value of one Set-Cookie line of a reply from `host` to a
    /// request for `requestPath`, over https when `secure`. False when the
    /// cookie is refused (malformed, a Domain the host is not in, Secure from
    /// plain http, a control byte); an expired one deletes its namesake.
    bool SetFromReply(const QByteArray& setCookie, const QByteArray& host,
                      const QByteArray& requestPath, bool secure, qint64 now);

    /// The Cookie line's value ("a=1; b=2") for a request to `host` and
    /// `path`, over https when `secure`: longer paths first, then older
    /// cookies first. Empty when no cookie applies.
    QByteArray CookieLineFor(const QByteArray& host, const QByteArray& path, bool secure,
                             qint64 now) const;

    const std::vector<StoredCookie>& Cookies() const { return cookies_; }
    /// Back to the cookies the files loaded so far held: what replies set
    /// belongs to one run, what the user gave to every run.
    void ForgetSetByReplies() { cookies_ = loaded_; }

    /// RFC 6265 5.1.1: the date of an Expires attribute in any of the forms
    /// servers send, in seconds since the epoch; -1 when it cannot be read.
    static qint64 ParseCookieDate(const QByteArray& text);
    /// RFC 6265 5.1.3 and 5.1.4.
    static bool DomainMatches(const QByteArray& host, const QByteArray& domain);
    static bool PathMatches(const QByteArray& requestPath, const QByteArray& cookiePath);
    static QByteArray DefaultPath(const QByteArray& requestPath);

private:
    void Store(StoredCookie cookie, qint64 now);

    std::vector<StoredCookie> cookies_;
    std::vector<StoredCookie> loaded_; ///< as the last LoadNetscape left them
    qint64 nextCreated_ = 0;
};
