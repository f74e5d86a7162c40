#include "app/url_pattern.h"

#include <QCoreApplication>
#include <limits>

namespace {

bool IsDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}
bool IsLower(QChar c) {
    return c >= QLatin1Char('a') && c <= QLatin1Char('z');
}
bool IsUpper(QChar c) {
    return c >= QLatin1Char('A') && c <= QLatin1Char('Z');
}

bool AllDigits(const QString& text) {
    if (text.isEmpty())
        return false;
    for (const QChar c : text)
        if (!IsDigit(c))
            return false;
    return true;
}

bool IsEscapable(QChar c) {
    return QStringLiteral("[]{},").contains(c);
}

// The text between brackets at the start of a host, as an IPv6 address
// (with an optional zone) writes it: hex digits, ":" and "."; at least one
// ":". "[1-3]" and "[a-z:3]" fail this, so a host may still be globbed.
bool IsAddress(const QString& inside) {
    const QString address = inside.section(QLatin1Char('%'), 0, 0);
    if (!address.contains(QLatin1Char(':')))
        return false;
    for (const QChar c : address) {
        const bool hex = IsDigit(c) || (c >= QLatin1Char('a') && c <= QLatin1Char('f')) ||
                         (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
        if (!hex && c != QLatin1Char(':') && c != QLatin1Char('.'))
            return false;
    }
    return true;
}

QString AtColumn(int column, const QString& detail) {
    return QCoreApplication::translate("UrlPattern", "Column %1: %2")
        .arg(QString::number(column), detail);
}

} // namespace

qint64 UrlPattern::Glob::count() const {
    if (kind == Kind::List)
        return items.size();
    return (last - first) / step + 1;
}

bool UrlPattern::Glob::reaches(qint64 at) const {
    // Only an open range can run this far; its end is the largest number.
    return kind == Kind::List || at <= (std::numeric_limits<qint64>::max() - first) / step;
}

QString UrlPattern::Glob::value(qint64 at) const {
    if (kind == Kind::List)
        return items.at(at);
    const qint64 n = first + at * step;
    if (kind == Kind::Letters)
        return QString(QChar(char16_t(n)));
    return QString::number(n).rightJustified(width, QLatin1Char('0'));
}

void UrlPattern::fail(int column, const QString& detail) {
    if (!m_error.isEmpty())
        return;
    m_errorColumn = column;
    m_error = AtColumn(column, detail);
}

namespace {

std::optional<qint64> ReadNumber(const QString& digits) {
    bool ok = false;
    const qint64 n = digits.toLongLong(&ok);
    return ok ? std::optional<qint64>(n) : std::nullopt;
}

QString PastLargest(const QString& digits) {
    return QCoreApplication::translate("UrlPattern", "%1 is past the largest 64-bit number.")
        .arg(digits);
}

} // namespace

qsizetype UrlPattern::readList(const QString& text, qsizetype open, Glob& glob, Fault& fault) {
    auto refuse = [&](qsizetype at, const QString& detail) {
        fault = {int(at + 1), detail};
        return qsizetype(-1);
    };
    glob.kind = Kind::List;
    QString item;
    for (qsizetype j = open + 1; j < text.size(); ++j) {
        const QChar d = text.at(j);
        if (d == QLatin1Char('\\') && j + 1 < text.size() && IsEscapable(text.at(j + 1))) {
            item.append(text.at(++j));
        } else if (d == QLatin1Char(',')) {
            glob.items.append(item);
            item.clear();
        } else if (d == QLatin1Char('}')) {
            glob.items.append(item);
            return j;
        } else if (d == QLatin1Char('{')) {
            return refuse(j, QCoreApplication::translate("UrlPattern", "lists do not nest."));
        } else if (d == QLatin1Char('[') || d == QLatin1Char(']')) {
            return refuse(j, QCoreApplication::translate("UrlPattern",
                                                         "a list item cannot hold a range; write "
                                                         "\\%1 for the character itself.")
                                 .arg(d));
        } else {
            item.append(d);
        }
    }
    return refuse(open,
                  QCoreApplication::translate("UrlPattern", "the \"{\" is not closed by a \"}\"."));
}

qsizetype UrlPattern::readRange(const QString& text, qsizetype open, Glob& glob, Fault& fault) {
    auto refuse = [&](qsizetype at, const QString& detail) {
        fault = {int(at + 1), detail};
        return qsizetype(-1);
    };
    const qsizetype close = text.indexOf(QLatin1Char(']'), open + 1);
    if (close < 0)
        return refuse(
            open, QCoreApplication::translate("UrlPattern", "the \"[\" is not closed by a \"]\"."));
    const QString malformed = QCoreApplication::translate(
        "UrlPattern", "a range is written as [01-30], [a-z], [1-40:2] or [001-].");
    const QString inside = text.mid(open + 1, close - open - 1);
    const qsizetype dash = inside.indexOf(QLatin1Char('-'));
    if (dash <= 0)
        return refuse(open, malformed);
    const QString startText = inside.left(dash);
    const QString rest = inside.mid(dash + 1);
    const qsizetype colon = rest.indexOf(QLatin1Char(':'));
    const QString endText = colon < 0 ? rest : rest.left(colon);
    const qsizetype startAt = open + 1;
    const qsizetype endAt = startAt + dash + 1;
    const qsizetype stepAt = endAt + colon + 1;

    if (colon >= 0) {
        const QString stepText = rest.mid(colon + 1);
        const QString tooSmall =
            QCoreApplication::translate("UrlPattern", "the step must be 1 or more.");
        if (stepText.startsWith(QLatin1Char('-')) && AllDigits(stepText.mid(1)))
            return refuse(stepAt, tooSmall);
        if (!AllDigits(stepText))
            return refuse(open, malformed);
        const auto step = ReadNumber(stepText);
        if (!step)
            return refuse(stepAt, PastLargest(stepText));
        if (*step < 1)
            return refuse(stepAt, tooSmall);
        glob.step = *step;
    }

    const bool startLetter =
        startText.size() == 1 && (IsLower(startText[0]) || IsUpper(startText[0]));
    const bool endLetter = endText.size() == 1 && (IsLower(endText[0]) || IsUpper(endText[0]));
    if (startLetter || endLetter) {
        const QString both = startText + QLatin1Char('-') + endText;
        if (endText.isEmpty())
            return refuse(startAt, QCoreApplication::translate(
                                       "UrlPattern", "a range of letters cannot be open-ended."));
        if ((startLetter && AllDigits(endText)) || (endLetter && AllDigits(startText)))
            return refuse(startAt,
                          QCoreApplication::translate(
                              "UrlPattern", "a range is of letters or of numbers, not both (%1).")
                              .arg(both));
        if (!startLetter || !endLetter)
            return refuse(open, malformed);
        if (IsLower(startText[0]) != IsLower(endText[0]))
            return refuse(startAt, QCoreApplication::translate(
                                       "UrlPattern", "a range of letters keeps to one case (%1).")
                                       .arg(both));
        glob.kind = Kind::Letters;
        glob.first = startText[0].unicode();
        glob.last = endText[0].unicode();
    } else {
        if (!AllDigits(startText) || (!endText.isEmpty() && !AllDigits(endText)))
            return refuse(open, malformed);
        const auto first = ReadNumber(startText);
        if (!first)
            return refuse(startAt, PastLargest(startText));
        const auto last = endText.isEmpty() ? std::optional<qint64>(0) : ReadNumber(endText);
        if (!last)
            return refuse(endAt, PastLargest(endText));
        glob.kind = Kind::Numbers;
        glob.first = *first;
        glob.last = *last;
        glob.open = endText.isEmpty();
        // As curl pads: a start written with a leading zero sets the width
        // of every number.
        if (startText.startsWith(QLatin1Char('0')))
            glob.width = int(startText.size());
    }
    if (!glob.open && glob.first > glob.last)
        return refuse(startAt, QCoreApplication::translate(
                                   "UrlPattern", "the range starts after it ends (%1 > %2).")
                                   .arg(startText, endText));
    return close;
}

QString UrlPattern::Escape(const QString& text) {
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        if (QStringLiteral("[]{}").contains(c))
            escaped += QLatin1Char('\\');
        escaped += c;
    }
    return escaped;
}

UrlPattern UrlPattern::Parse(const QString& text) {
    UrlPattern p;
    p.m_fixed.emplace_back();
    p.m_fixedColumns.emplace_back();
    auto literal = [&](QChar c, qsizetype at) {
        p.m_fixed.back().append(c);
        p.m_fixedColumns.back().push_back(int(at + 1));
    };

    // Where the host starts: after "scheme://" when the text begins with
    // one, and again after a user name's "@".
    qsizetype hostStart = 0;
    const qsizetype scheme = text.indexOf(QLatin1String("://"));
    if (scheme > 0) {
        bool plain = true;
        for (const QChar c : QStringView(text).left(scheme))
            plain = plain && !QStringLiteral("/?#[{").contains(c);
        if (plain)
            hostStart = scheme + 3;
    }
    bool inHost = hostStart == 0;
    bool inQuery = false;

    for (qsizetype i = 0; i < text.size() && p.IsValid(); ++i) {
        if (i == hostStart)
            inHost = true;
        const QChar c = text.at(i);
        if (c == QLatin1Char('[') && i == hostStart) {
            const qsizetype close = text.indexOf(QLatin1Char(']'), i + 1);
            if (close > i && IsAddress(text.mid(i + 1, close - i - 1))) {
                for (; i < close; ++i)
                    literal(text.at(i), i);
                literal(text.at(close), close);
                continue;
            }
        }
        if (c == QLatin1Char('\\') && i + 1 < text.size() && IsEscapable(text.at(i + 1))) {
            ++i;
            literal(text.at(i), i);
            continue;
        }
        if (c == QLatin1Char('[') || c == QLatin1Char('{')) {
            if (p.m_globs.size() == size_t(kMaxGlobs)) {
                p.fail(int(i + 1), QCoreApplication::translate(
                                       "UrlPattern", "at most %1 ranges and lists in one URL.")
                                       .arg(kMaxGlobs));
                break;
            }
            // The run finds where an open range ends by trying it, so
            // nothing may vary inside it.
            if (!p.m_globs.empty() && p.m_globs.back().open) {
                p.fail(p.m_globs.back().column,
                       QCoreApplication::translate("UrlPattern",
                                                   "only the last range may be open-ended."));
                break;
            }
            Glob glob;
            glob.column = int(i + 1);
            Fault fault;
            i = c == QLatin1Char('{') ? readList(text, i, glob, fault)
                                      : readRange(text, i, glob, fault);
            if (i < 0) {
                p.fail(fault.column, fault.detail);
                break;
            }
            p.m_globs.push_back(glob);
            p.m_fixed.emplace_back();
            p.m_fixedColumns.emplace_back();
            continue;
        }
        if (c == QLatin1Char(']') || c == QLatin1Char('}')) {
            p.fail(int(i + 1),
                   QCoreApplication::translate(
                       "UrlPattern", "\"%1\" closes nothing; write \\%1 for the character itself.")
                       .arg(c));
            break;
        }
        if (inHost && c == QLatin1Char('@'))
            hostStart = i + 1;
        if (inHost && c == QLatin1Char('/'))
            inHost = false;
        if (!inQuery && i >= hostStart && (c == QLatin1Char('?') || c == QLatin1Char('#'))) {
            inQuery = true;
            inHost = false;
            p.m_queryPiece = p.m_fixed.size() - 1;
            p.m_queryOffset = p.m_fixed.back().size();
        }
        literal(c, i);
    }
    if (!inQuery)
        p.m_queryPiece = p.m_fixed.size();
    if (!p.IsValid()) {
        p.m_globs.clear();
        p.m_fixed.clear();
        p.m_fixedColumns.clear();
    }
    return p;
}

std::optional<qint64> UrlPattern::Count(qint64 cap, QString* error) const {
    qint64 total = 1;
    bool over = cap < 1;
    for (const Glob& glob : m_globs) {
        if (glob.open || over)
            continue;
        const qint64 c = glob.count();
        // total * c <= cap exactly when total <= cap / c: no product is
        // formed that could pass 64 bits.
        if (total > cap / c)
            over = true;
        else
            total *= c;
    }
    if (!over)
        return total;
    if (error)
        *error = QCoreApplication::translate("UrlPattern",
                                             "The ranges and lists make more than %1 jobs.")
                     .arg(cap);
    return std::nullopt;
}

std::vector<qint64> UrlPattern::positions(qint64 index, qint64 series) const {
    std::vector<qint64> at(m_globs.size());
    qint64 rest = OpenEnd() ? series : index;
    for (size_t k = m_globs.size(); k-- > 0;) {
        if (m_globs[k].open) {
            at[k] = index;
            continue;
        }
        const qint64 c = m_globs[k].count();
        at[k] = rest % c;
        rest /= c;
    }
    return at;
}

QStringList UrlPattern::values(const std::vector<qint64>& at) const {
    QStringList out;
    out.reserve(qsizetype(m_globs.size()));
    for (size_t k = 0; k < m_globs.size(); ++k) {
        if (!m_globs[k].reaches(at[k]))
            return {};
        out.append(m_globs[k].value(at[k]));
    }
    return out;
}

QString UrlPattern::url(const std::vector<qint64>& at) const {
    if (!IsValid())
        return {};
    QString out = m_fixed[0];
    for (size_t k = 0; k < m_globs.size(); ++k) {
        if (!m_globs[k].reaches(at[k]))
            return {};
        out += m_globs[k].value(at[k]);
        out += m_fixed[k + 1];
    }
    return out;
}

QString UrlPattern::UrlAt(qint64 index, qint64 series) const {
    return url(positions(index, series));
}

QStringList UrlPattern::ValuesAt(qint64 index, qint64 series) const {
    return values(positions(index, series));
}

QString UrlPattern::FileName(qint64 index, const QString& outputTemplate, qint64 series) const {
    const QStringList globs = ValuesAt(index, series);
    if (globs.size() != GlobCount())
        return {};
    QString out;
    for (qsizetype i = 0; i < outputTemplate.size(); ++i) {
        qsizetype j = i + 1;
        while (outputTemplate.at(i) == QLatin1Char('#') && j < outputTemplate.size() &&
               IsDigit(outputTemplate.at(j)))
            ++j;
        if (j == i + 1) {
            out += outputTemplate.at(i);
            continue;
        }
        bool ok = false;
        const qint64 n = outputTemplate.mid(i + 1, j - i - 1).toLongLong(&ok);
        out += ok && n >= 1 && n <= globs.size() ? globs.at(n - 1) : outputTemplate.mid(i, j - i);
        i = j - 1;
    }
    return out;
}

QString UrlPattern::RelativePathError() const {
    if (!IsValid())
        return m_error;
    for (const Glob& glob : m_globs) {
        for (const QString& item : glob.items) {
            if (item.contains(QLatin1Char('/')))
                return AtColumn(glob.column,
                                QCoreApplication::translate(
                                    "UrlPattern",
                                    "the list item \"%1\" holds a \"/\": name the files with a "
                                    "template instead.")
                                    .arg(item));
        }
    }

    // One segment of the path below the prefix: a range always writes a
    // digit or a letter into it; fixed text and list items may leave it
    // empty, "." or "..", which name no file or folder of their own.
    struct Segment {
        QString fixed;
        std::vector<size_t> lists;
        bool ranged = false;
        int column = 1;
    };
    auto check = [&](const Segment& s) -> QString {
        if (s.ranged || s.fixed.size() > 2 || s.fixed.count(QLatin1Char('.')) != s.fixed.size())
            return {};
        // The lengths of all-dot texts the segment can take, up to 2.
        bool reach[3] = {false, false, false};
        reach[s.fixed.size()] = true;
        for (const size_t k : s.lists) {
            bool next[3] = {false, false, false};
            for (const QString& item : m_globs[k].items) {
                if (item.size() > 2 || item.count(QLatin1Char('.')) != item.size())
                    continue;
                for (qsizetype n = 0; n + item.size() <= 2; ++n)
                    next[n + item.size()] = next[n + item.size()] || reach[n];
            }
            std::copy(next, next + 3, reach);
        }
        const int column = s.lists.empty() ? s.column : m_globs[s.lists.front()].column;
        if (reach[0])
            return AtColumn(column, QCoreApplication::translate(
                                        "UrlPattern",
                                        "the path segment can be empty, which is no folder or "
                                        "file name."));
        for (const int dots : {2, 1})
            if (reach[dots])
                return AtColumn(column, QCoreApplication::translate(
                                            "UrlPattern",
                                            "the path segment can be \"%1\", which is no folder "
                                            "or file name.")
                                            .arg(QString(dots, QLatin1Char('.'))));
        return {};
    };

    const QString& head = m_fixed[0];
    const qsizetype headEnd = m_queryPiece == 0 ? m_queryOffset : head.size();
    const qsizetype prefixEnd = head.left(headEnd).lastIndexOf(QLatin1Char('/')) + 1;
    Segment segment;
    segment.column = prefixEnd > 0 ? m_fixedColumns[0][prefixEnd - 1] + 1 : 1;
    for (size_t k = 0; k < m_fixed.size() && k <= m_queryPiece; ++k) {
        const qsizetype from = k == 0 ? prefixEnd : 0;
        const qsizetype to = k == m_queryPiece ? m_queryOffset : m_fixed[k].size();
        for (qsizetype i = from; i < to; ++i) {
            if (m_fixed[k].at(i) != QLatin1Char('/')) {
                segment.fixed += m_fixed[k].at(i);
                continue;
            }
            if (QString problem = check(segment); !problem.isEmpty())
                return problem;
            segment = Segment{};
            segment.column = m_fixedColumns[k][i] + 1;
        }
        if (k < m_globs.size() && k < m_queryPiece) {
            if (m_globs[k].kind == Kind::List)
                segment.lists.push_back(k);
            else
                segment.ranged = true;
        }
    }
    return check(segment);
}

QString UrlPattern::RelativePath(qint64 index, qint64 series) const {
    const QStringList globs = ValuesAt(index, series);
    if (!IsValid() || globs.size() != GlobCount())
        return {};
    const QString& head = m_fixed[0];
    const qsizetype headEnd = m_queryPiece == 0 ? m_queryOffset : head.size();
    const qsizetype prefixEnd = head.left(headEnd).lastIndexOf(QLatin1Char('/')) + 1;
    QString out;
    for (size_t k = 0; k < m_fixed.size() && k <= m_queryPiece; ++k) {
        const qsizetype from = k == 0 ? prefixEnd : 0;
        const qsizetype to = k == m_queryPiece ? m_queryOffset : m_fixed[k].size();
        out += QStringView(m_fixed[k]).mid(from, to - from);
        if (k < m_globs.size() && k < m_queryPiece)
            out += globs.at(qsizetype(k));
    }
    for (size_t k = m_queryPiece; k < m_globs.size(); ++k)
        out += QLatin1Char('_') + globs.at(qsizetype(k));
    return out;
}

UrlPattern::Cursor::Cursor(const UrlPattern& pattern)
    : m_pattern(pattern)
    , m_at(pattern.m_globs.size(), 0)
    , m_atEnd(!pattern.IsValid()) {}

QString UrlPattern::Cursor::Url() const {
    return m_atEnd ? QString() : m_pattern.url(m_at);
}

void UrlPattern::Cursor::Next() {
    if (m_atEnd)
        return;
    const auto& globs = m_pattern.m_globs;
    if (m_pattern.OpenEnd()) {
        ++m_at.back();
        ++m_index;
        m_atEnd = !globs.back().reaches(m_at.back());
        return;
    }
    for (size_t k = globs.size(); k-- > 0;) {
        if (++m_at[k] < globs[k].count()) {
            ++m_index;
            return;
        }
        m_at[k] = 0;
    }
    m_atEnd = true;
}

void UrlPattern::Cursor::NextSeries() {
    if (m_atEnd)
        return;
    const auto& globs = m_pattern.m_globs;
    if (globs.size() < 2) {
        m_atEnd = true;
        return;
    }
    const qint64 inner = m_pattern.OpenEnd() ? 0 : globs.back().count();
    m_at.back() = 0;
    for (size_t k = globs.size() - 1; k-- > 0;) {
        if (++m_at[k] < globs[k].count()) {
            if (m_pattern.OpenEnd()) {
                ++m_series;
                m_index = 0;
            } else {
                m_index = (m_index / inner + 1) * inner;
            }
            return;
        }
        m_at[k] = 0;
    }
    m_atEnd = true;
}
