#include "http/cookie_store.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QHostAddress>
#include <QList>
#include <QTimeZone>
#include <algorithm>
#include <optional>

namespace {

// Further off than any server means, and far from overflowing.
constexpr qint64 kFarFuture = qint64(1) << 50;

bool HasControlByte(const QByteArray& text) {
    return std::any_of(text.cbegin(), text.cend(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7f;
    });
}

bool IsIpAddress(const QByteArray& host) {
    // "[::1]" as a URL writes it, or the bare address.
    QByteArray bare = host;
    if (bare.startsWith('[') && bare.endsWith(']'))
        bare = bare.mid(1, bare.size() - 2);
    return !QHostAddress(QString::fromLatin1(bare)).isNull();
}

// RFC 6265 5.1.1's delimiters, between the tokens of a cookie date.
bool IsDateDelimiter(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte == 0x09 || (byte >= 0x20 && byte <= 0x2f) || (byte >= 0x3b && byte <= 0x40) ||
           (byte >= 0x5b && byte <= 0x60) || (byte >= 0x7b && byte <= 0x7e);
}

// The leading digits of `token` (at least `least`, at most `most` of them),
// or -1.
int LeadingNumber(const QByteArray& token, int least, int most, qsizetype* used = nullptr) {
    qsizetype n = 0;
    while (n < token.size() && n < most && token[n] >= '0' && token[n] <= '9')
        ++n;
    if (n < least)
        return -1;
    if (n < token.size() && token[n] >= '0' && token[n] <= '9')
        return -1;
    if (used)
        *used = n;
    return token.left(n).toInt();
}

bool ReadTime(const QByteArray& token, int& h, int& m, int& s) {
    const QList<QByteArray> parts = token.split(':');
    if (parts.size() != 3)
        return false;
    h = LeadingNumber(parts[0], 1, 2);
    m = LeadingNumber(parts[1], 1, 2);
    s = LeadingNumber(parts[2], 1, 2);
    return h >= 0 && m >= 0 && s >= 0;
}

bool ReadBool(const QByteArray& field, bool& value) {
    if (field.compare("TRUE", Qt::CaseInsensitive) == 0)
        value = true;
    else if (field.compare("FALSE", Qt::CaseInsensitive) == 0)
        value = false;
    else
        return false;
    return true;
}

// The text before the first `c`, all of it when there is none (left(-1) is
// empty in Qt 6).
QByteArray BeforeFirst(const QByteArray& text, char c) {
    const qsizetype at = text.indexOf(c);
    return at < 0 ? text : text.left(at);
}

QString Tr(const char* text) {
    return QCoreApplication::translate("CookieStore", text);
}

} // namespace

qint64 CookieStore::ParseCookieDate(const QByteArray& text) {
    static const char* const kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                          "jul", "aug", "sep", "oct", "nov", "dec"};
    int hour = -1, minute = -1, second = -1, day = -1, month = -1, year = -1;
    qsizetype i = 0;
    while (i < text.size()) {
        while (i < text.size() && IsDateDelimiter(text[i]))
            ++i;
        qsizetype end = i;
        while (end < text.size() && !IsDateDelimiter(text[end]))
            ++end;
        const QByteArray token = text.mid(i, end - i);
        i = end;
        if (token.isEmpty())
            continue;
        int h = 0, m = 0, s = 0;
        if (hour < 0 && ReadTime(token, h, m, s)) {
            hour = h, minute = m, second = s;
            continue;
        }
        if (day < 0) {
            if (const int d = LeadingNumber(token, 1, 2); d >= 0) {
                day = d;
                continue;
            }
        }
        if (month < 0 && token.size() >= 3) {
            const QByteArray name = token.left(3).toLower();
            const auto* found = std::find_if(std::begin(kMonths), std::end(kMonths),
                                             [&](const char* m) { return name == m; });
            if (found != std::end(kMonths)) {
                month = int(found - std::begin(kMonths)) + 1;
                continue;
            }
        }
        if (year < 0) {
            if (const int y = LeadingNumber(token, 2, 4); y >= 0) {
                year = y;
                continue;
            }
        }
    }
    if (year >= 70 && year <= 99)
        year += 1900;
    else if (year >= 0 && year <= 69)
        year += 2000;
    if (day < 1 || day > 31 || month < 1 || year < 1601 || hour < 0 || hour > 23 || minute > 59 ||
        second > 59)
        return -1;
    const QDate date(year, month, day);
    if (!date.isValid())
        return -1;
    return QDateTime(date, QTime(hour, minute, second), QTimeZone::utc()).toSecsSinceEpoch();
}

bool CookieStore::DomainMatches(const QByteArray& host, const QByteArray& domain) {
    if (host == domain)
        return true;
    return host.endsWith("." + domain) && !IsIpAddress(host);
}

bool CookieStore::PathMatches(const QByteArray& requestPath, const QByteArray& cookiePath) {
    if (requestPath == cookiePath)
        return true;
    if (!requestPath.startsWith(cookiePath))
        return false;
    return cookiePath.endsWith('/') || requestPath[cookiePath.size()] == '/';
}

QByteArray CookieStore::DefaultPath(const QByteArray& requestPath) {
    // The path without its query: "/a/b?x=/y" is in "/a".
    const QByteArray path = BeforeFirst(requestPath, '?');
    if (!path.startsWith('/'))
        return "/";
    const qsizetype slash = path.lastIndexOf('/');
    return slash == 0 ? QByteArray("/") : path.left(slash);
}

void CookieStore::Store(StoredCookie cookie, qint64 now) {
    const auto same = std::find_if(cookies_.begin(), cookies_.end(), [&](const StoredCookie& c) {
        return c.name == cookie.name && c.domain == cookie.domain && c.path == cookie.path;
    });
    const bool expired = cookie.expires != 0 && cookie.expires <= now;
    if (same != cookies_.end()) {
        if (expired) {
            cookies_.erase(same);
            return;
        }
        // A cookie set again keeps its place in the Cookie line.
        cookie.created = same->created;
        *same = std::move(cookie);
        return;
    }
    if (expired)
        return;
    cookie.created = nextCreated_++;
    cookies_.push_back(std::move(cookie));
}

std::vector<CookieStore::Problem> CookieStore::LoadNetscape(const QByteArray& text, qint64 now) {
    std::vector<Problem> problems;
    const QList<QByteArray> lines = text.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        if (line.endsWith('\r'))
            line.chop(1);
        StoredCookie cookie;
        if (line.startsWith("#HttpOnly_")) {
            cookie.httpOnly = true;
            line = line.mid(int(qstrlen("#HttpOnly_")));
        } else if (line.startsWith('#') || line.trimmed().isEmpty()) {
            continue;
        }
        const int number = int(i + 1);
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() != 7) {
            problems.push_back(
                {number, Tr("%1 fields where 7 are expected, split by tabs").arg(fields.size())});
            continue;
        }
        bool subdomains = false;
        if (!ReadBool(fields[1], subdomains) || !ReadBool(fields[3], cookie.secure)) {
            problems.push_back({number, Tr("the second and the fourth field must be TRUE or "
                                           "FALSE")});
            continue;
        }
        bool ok = false;
        cookie.expires = fields[4].toLongLong(&ok);
        if (!ok || cookie.expires < 0) {
            problems.push_back({number, Tr("the expiry \"%1\" is not a number of seconds")
                                            .arg(QString::fromUtf8(fields[4]))});
            continue;
        }
        cookie.domain = fields[0].toLower();
        if (cookie.domain.startsWith('.'))
            cookie.domain.remove(0, 1);
        cookie.hostOnly = !subdomains;
        cookie.path = fields[2];
        cookie.name = fields[5];
        cookie.value = fields[6];
        if (cookie.domain.isEmpty() || !cookie.path.startsWith('/') ||
            HasControlByte(cookie.name + cookie.value + cookie.domain + cookie.path)) {
            problems.push_back({number, Tr("an empty domain, a path not starting with \"/\", or "
                                           "a control character")});
            continue;
        }
        Store(std::move(cookie), now);
    }
    loaded_ = cookies_;
    return problems;
}

QByteArray CookieStore::ToNetscape(qint64 now) const {
    QByteArray out = "# Netscape HTTP Cookie File\n";
    for (const StoredCookie& c : cookies_) {
        if (c.expires != 0 && c.expires <= now)
            continue;
        out += (c.httpOnly ? "#HttpOnly_" : "") + (c.hostOnly ? c.domain : "." + c.domain) + '\t' +
               (c.hostOnly ? "FALSE" : "TRUE") + '\t' + c.path + '\t' +
               (c.secure ? "TRUE" : "FALSE") + '\t' + QByteArray::number(c.expires) + '\t' +
               c.name + '\t' + c.value + '\n';
    }
    return out;
}

bool CookieStore::SetFromReply(const QByteArray& setCookie, const QByteArray& host,
                               const QByteArray& requestPath, bool secure, qint64 now) {
    const QList<QByteArray> parts = setCookie.split(';');
    const QByteArray& pair = parts.first();
    const qsizetype equals = pair.indexOf('=');
    if (equals < 0)
        return false;
    StoredCookie cookie;
    cookie.name = pair.left(equals).trimmed();
    cookie.value = pair.mid(equals + 1).trimmed();
    if (cookie.name.isEmpty() || HasControlByte(setCookie))
        return false;
    const QByteArray requestHost = host.toLower();
    cookie.domain = requestHost;
    cookie.path = DefaultPath(requestPath);
    std::optional<qint64> maxAge;
    std::optional<qint64> expires;
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QByteArray& attribute = parts[i];
        const qsizetype eq = attribute.indexOf('=');
        const QByteArray name = BeforeFirst(attribute, '=').trimmed().toLower();
        const QByteArray value = eq < 0 ? QByteArray() : attribute.mid(eq + 1).trimmed();
        if (name == "expires") {
            if (const qint64 when = ParseCookieDate(value); when >= 0)
                expires = when;
        } else if (name == "max-age") {
            bool ok = false;
            const qint64 seconds = value.toLongLong(&ok);
            if (ok && !value.startsWith('+'))
                maxAge = seconds;
        } else if (name == "domain" && !value.isEmpty()) {
            QByteArray domain = value.toLower();
            if (domain.startsWith('.'))
                domain.remove(0, 1);
            // The server may name its own domain or one above it, never a
            // neighbour; and no bare top-level name.
            if (!DomainMatches(requestHost, domain) ||
                (domain != requestHost && !domain.contains('.')))
                return false;
            cookie.domain = domain;
            cookie.hostOnly = false;
        } else if (name == "path") {
            cookie.path = value.startsWith('/') ? value : DefaultPath(requestPath);
        } else if (name == "secure") {
            cookie.secure = true;
        } else if (name == "httponly") {
            cookie.httpOnly = true;
        }
    }
    // Plain http may not set, or overwrite, a cookie meant for https only.
    if (cookie.secure && !secure)
        return false;
    // Max-Age wins over Expires. An expiry of 0 means a session cookie, so a
    // cookie expired already gets -1, which deletes its namesake.
    if (maxAge)
        cookie.expires = *maxAge <= 0 ? -1 : now + std::min<qint64>(*maxAge, kFarFuture - now);
    else if (expires)
        cookie.expires = *expires <= 0 ? -1 : *expires;
    Store(std::move(cookie), now);
    return true;
}

QByteArray CookieStore::CookieLineFor(const QByteArray& host, const QByteArray& path, bool secure,
                                      qint64 now) const {
    const QByteArray requestHost = host.toLower();
    const QByteArray requestPath = BeforeFirst(path, '?');
    std::vector<const StoredCookie*> matching;
    for (const StoredCookie& c : cookies_) {
        if (c.expires != 0 && c.expires <= now)
            continue;
        if (c.hostOnly ? requestHost != c.domain : !DomainMatches(requestHost, c.domain))
            continue;
        if (!PathMatches(requestPath.isEmpty() ? QByteArray("/") : requestPath, c.path))
            continue;
        if (c.secure && !secure)
            continue;
        matching.push_back(&c);
    }
    std::stable_sort(matching.begin(), matching.end(),
                     [](const StoredCookie* a, const StoredCookie* b) {
                         if (a->path.size() != b->path.size())
                             return a->path.size() > b->path.size();
                         return a->created < b->created;
                     });
    QByteArray line;
    for (const StoredCookie* c : matching) {
        if (!line.isEmpty())
            line += "; ";
        line += c->name + '=' + c->value;
    }
    return line;
}
