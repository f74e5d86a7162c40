#include "settings/job_list_sections.h"

#include "platform/int_to_str_l.h"
#include "platform/profile_file.h"
#include "settings/job_list_file.h"

#include <QString>
#include <QStringDecoder>
#include <algorithm>

namespace JobListSections {

namespace {

// The test ProfileFile makes of a whole file before it reads it as the old
// program's encoding instead.
bool isUtf8(QByteArrayView bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(bytes);
    return !decoder.hasError();
}

// The number written by IntToStrL(n, kWidth) as `digits`, or -1 for digits
// it never writes (so a name with them is never looked up).
qint64 writtenNumber(QByteArrayView digits) {
    if (digits.size() < kWidth || digits.size() > 18 ||
        (digits.size() > kWidth && digits[0] == '0'))
        return -1;
    qint64 n = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return -1;
        n = n * 10 + (c - '0');
    }
    return n;
}

// Whether the matched `name` starts with `word`, as ProfileFile compares names.
bool startsWithWord(QByteArrayView name, QByteArrayView word) {
    return name.size() >= word.size() && ProfileFile::sameName(name.first(word.size()), word);
}

// The first row of a "Data" + IntToStrL(h, 4) section (h a multiple of a
// hundred), or -1 for any other header.
qint64 dataSectionOf(QByteArrayView header) {
    header = header.trimmed();
    const qsizetype close = header.indexOf(']');
    QByteArray folded;
    const QByteArrayView name =
        ProfileFile::matchedName(header.sliced(1, (close < 0 ? header.size() : close) - 1), folded);
    if (!startsWithWord(name, "data"))
        return -1;
    const qint64 n = writtenNumber(name.sliced(4));
    return n >= 0 && n % kRowsPerSection == 0 ? n : -1;
}

} // namespace

bool LineReader::next(QByteArrayView& line) {
    for (;;) {
        const qsizetype newline = buffer_.indexOf('\n', scan_);
        if (newline >= 0 || (eof_ && pos_ < buffer_.size())) {
            const qsizetype end = newline >= 0 ? newline : buffer_.size();
            line = QByteArrayView(buffer_).sliced(pos_, end - pos_);
            if (line.endsWith('\r'))
                line.chop(1);
            pos_ = scan_ = newline >= 0 ? newline + 1 : end;
            if (first_) {
                first_ = false;
                bom_ = line.startsWith(kBom);
                if (bom_)
                    line = line.sliced(kBom.size());
            }
            // Lines part at "\n", which no UTF-8 sequence holds: the file
            // is UTF-8 when each of its lines is.
            if (utf8_ && std::any_of(line.begin(), line.end(), [](char c) { return c & 0x80; }))
                utf8_ = isUtf8(line);
            return true;
        }
        if (eof_)
            return false;
        buffer_.remove(0, pos_);
        scan_ = buffer_.size();
        pos_ = 0;
        constexpr qsizetype kBlock = 1 << 20;
        const qsizetype had = buffer_.size();
        buffer_.resize(had + kBlock);
        const qint64 got = in_.read(buffer_.data() + had, kBlock);
        buffer_.resize(had + std::max<qint64>(got, 0));
        failed_ = got < 0;
        eof_ = got <= 0;
    }
}

void Section::start(QByteArrayView header) {
    header_ = header.toByteArray();
    firstRow_ = header_.isEmpty() ? -1 : dataSectionOf(header_);
    text_.clear();
    lines_.clear();
    keys_.fill(-1);
}

void Section::startNew(qint64 firstRow) {
    start('[' + JobListFile::sectionName(firstRow).toLatin1() + ']');
}

void Section::addLine(QByteArrayView line) {
    const int at = int(lines_.size());
    lines_.push_back(Span{text_.size(), line.size()});
    text_.append(line);
    if (firstRow_ < 0)
        return;
    const qsizetype eq = line.indexOf('=');
    if (eq < 0)
        return;
    QByteArray folded;
    const QByteArrayView name = ProfileFile::matchedName(line.first(eq), folded);
    for (int key = 0; key < KeyCount; ++key) {
        if (!startsWithWord(name, kKeyNames[size_t(key)]))
            continue;
        const qint64 row = writtenNumber(name.sliced(kKeyNames[size_t(key)].size()));
        if (row >= firstRow_ && row < firstRow_ + kRowsPerSection) {
            int& slot = keys_[size_t((row - firstRow_) * KeyCount + key)];
            if (slot < 0) // the first of equal names wins
                slot = at;
        }
    }
}

bool Section::isNamed(QByteArrayView name) const {
    const QByteArrayView header = QByteArrayView(header_).trimmed();
    const qsizetype close = header.indexOf(']');
    if (!header.startsWith('[') || close < 0)
        return false;
    QByteArray folded;
    return ProfileFile::sameName(ProfileFile::matchedName(header.sliced(1, close - 1), folded),
                                 name);
}

std::optional<QByteArrayView> Section::find(QByteArrayView key) const {
    for (int at = 0; at < int(lines_.size()); ++at) {
        const QByteArrayView text = line(at);
        const qsizetype eq = text.indexOf('=');
        if (eq < 0)
            continue;
        QByteArray folded;
        if (ProfileFile::sameName(ProfileFile::matchedName(text.first(eq), folded), key))
            return text.sliced(eq + 1).trimmed();
    }
    return std::nullopt;
}

QByteArrayView Section::value(qint64 row, Key key) const {
    const int at = slot(row, key);
    if (at < 0)
        return {};
    const QByteArrayView text = line(at);
    return text.sliced(text.indexOf('=') + 1).trimmed();
}

void Section::write(qint64 row, Key key, QByteArrayView value, QByteArrayView more) {
    int& at = keys_[size_t((row - firstRow_) * KeyCount + key)];
    QByteArray name;
    if (at >= 0) {
        const QByteArrayView old = line(at);
        name = old.first(old.indexOf('=')).trimmed().toByteArray();
    } else {
        name = kKeyNames[size_t(key)].toByteArray() + IntToStrL(row, kWidth).toLatin1();
    }
    const qsizetype from = text_.size();
    text_.append(name).append('=');
    const qsizetype valueAt = text_.size();
    text_.append(value).append(more);
    // A line break inside a value would forge lines of its own.
    std::replace_if(
        text_.begin() + valueAt, text_.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    const Span span{from, text_.size() - from};
    if (at >= 0) {
        lines_[size_t(at)] = span;
        return;
    }
    // After the last non-blank line; what comes after it is blank, so no
    // key's line moves.
    size_t after = lines_.size();
    while (after > 0 && line(int(after - 1)).trimmed().isEmpty())
        --after;
    lines_.insert(lines_.begin() + qsizetype(after), span);
    at = int(after);
}

void Section::writeTo(QByteArray& out) const {
    if (!header_.isEmpty())
        out.append(header_).append(kLineEnd);
    for (size_t i = 0; i < lines_.size(); ++i)
        out.append(line(int(i))).append(kLineEnd);
}

bool SectionReader::next(Section& section) {
    if (done_)
        return false;
    section.start(pendingHeader_);
    QByteArrayView line;
    while (lines_.next(line)) {
        if (line.trimmed().startsWith('[')) {
            pendingHeader_ = line.toByteArray();
            return true;
        }
        section.addLine(line);
    }
    done_ = true;
    return true;
}

} // namespace JobListSections
