#include "http/netrc.h"

#include <QList>

namespace {

// Past the empty line that ends a macro begun at `from` (CR LF or LF line
// ends); the end of the text when none does.
qsizetype EndOfMacro(const QByteArray& text, qsizetype from) {
    for (qsizetype i = text.indexOf('\n', from); i >= 0; i = text.indexOf('\n', i + 1)) {
        if (text.mid(i + 1, 1) == "\n")
            return i + 2;
        if (text.mid(i + 1, 2) == "\r\n")
            return i + 3;
    }
    return text.size();
}

// The file's tokens; a macro's body is one "\n"-led token so that it can be
// passed over as a whole.
QList<QByteArray> Tokens(const QByteArray& text) {
    QList<QByteArray> tokens;
    qsizetype i = 0;
    const auto blank = [&](qsizetype at) {
        return at < text.size() &&
               (text[at] == ' ' || text[at] == '\t' || text[at] == '\r' || text[at] == '\n');
    };
    while (i < text.size()) {
        while (blank(i))
            ++i;
        if (i >= text.size())
            break;
        QByteArray token;
        if (text[i] == '"') {
            for (++i; i < text.size() && text[i] != '"'; ++i) {
                if (text[i] == '\\' && i + 1 < text.size())
                    ++i;
                token += text[i];
            }
            ++i; // the closing quote
        } else {
            while (i < text.size() && !blank(i))
                token += text[i++];
        }
        tokens << token;
        if (token == "macdef") {
            // The macro's name, then its body up to an empty line.
            i = EndOfMacro(text, i);
            tokens << QByteArray();
        }
    }
    return tokens;
}

} // namespace

std::optional<NetrcLogin> NetrcLookup(const QByteArray& netrc, const QString& host) {
    const QList<QByteArray> tokens = Tokens(netrc);
    std::optional<NetrcLogin> machine;
    std::optional<NetrcLogin> fallback;
    std::optional<NetrcLogin>* current = nullptr;
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const QByteArray& token = tokens[i];
        const QString next = i + 1 < tokens.size() ? QString::fromUtf8(tokens[i + 1]) : QString();
        if (token == "machine") {
            ++i;
            // The first entry for the host counts, as in ftp(1).
            current = !machine && next.compare(host, Qt::CaseInsensitive) == 0 ? &machine : nullptr;
            if (current)
                machine.emplace();
        } else if (token == "default") {
            current = fallback ? nullptr : &fallback;
            if (current)
                fallback.emplace();
        } else if (token == "login" || token == "password" || token == "account") {
            ++i;
            if (current && token == "login")
                (*current)->login = next;
            else if (current && token == "password")
                (*current)->password = next;
        } else if (token == "macdef") {
            ++i; // its body, already one token
            current = nullptr;
        }
    }
    return machine ? machine : fallback;
}
