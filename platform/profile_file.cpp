#include "platform/profile_file.h"

#include <QByteArrayView>
#include <QFile>
#include <QSaveFile>

namespace {

constexpr QByteArrayView kBom("\xEF\xBB\xBF");
constexpr QByteArrayView kLineEnd("\r\n");

QString fold(QByteArrayView name) {
    return QString::fromUtf8(name.trimmed()).toCaseFolded();
}

QString fold(const QString& name) {
    return name.trimmed().toCaseFolded();
}

// A line break inside a value would turn the rest of it into lines of its own
// (a forged key or section) when the file is read back.
QByteArray oneLine(const QString& text) {
    QByteArray bytes = text.toUtf8();
    bytes.replace('\r', ' ');
    bytes.replace('\n', ' ');
    return bytes;
}

// Keeps the first occurrence of a name: later duplicates are never matched.
// Returns the index that the name maps to.
int insertFirst(QHash<QString, int>& index, const QString& name, int at) {
    auto it = index.constFind(name);
    if (it != index.cend())
        return *it;
    index.insert(name, at);
    return at;
}

bool isBlank(const QByteArray& line) {
    return QByteArrayView(line).trimmed().isEmpty();
}

} // namespace

ProfileFile::ProfileFile(const QString& path)
    : path_(path) {
    QFile file(path);
    if (!file.exists()) {
        parse({});
        return;
    }
    existed_ = true;
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly)) {
        bytes = file.readAll();
        if (file.error() != QFileDevice::NoError)
            error_ = QStringLiteral("Cannot read %1: %2").arg(path, file.errorString());
    } else {
        error_ = QStringLiteral("Cannot open %1: %2").arg(path, file.errorString());
    }
    parse(error_.isEmpty() ? bytes : QByteArray());
}

ProfileFile ProfileFile::fromBytes(const QString& path, const QByteArray& bytes) {
    ProfileFile profile;
    profile.path_ = path;
    profile.parse(bytes);
    return profile;
}

void ProfileFile::parse(const QByteArray& data) {
    QByteArrayView bytes(data);
    bom_ = bytes.startsWith(kBom);
    if (bom_)
        bytes = bytes.sliced(kBom.size());
    sections_.clear();
    sectionIndex_.clear();
    sections_.emplace_back();

    qsizetype pos = 0;
    while (pos < bytes.size()) {
        qsizetype newline = bytes.indexOf('\n', pos);
        qsizetype next = newline < 0 ? bytes.size() : newline + 1;
        qsizetype end = newline < 0 ? bytes.size() : newline;
        if (end > pos && bytes[end - 1] == '\r')
            --end;
        const QByteArray line = bytes.sliced(pos, end - pos).toByteArray();
        pos = next;

        const QByteArrayView trimmed = QByteArrayView(line).trimmed();
        if (trimmed.startsWith('[')) {
            qsizetype close = trimmed.indexOf(']');
            QByteArrayView name = trimmed.sliced(1, (close < 0 ? trimmed.size() : close) - 1);
            insertFirst(sectionIndex_, fold(name), int(sections_.size()));
            sections_.push_back(Section{line, {}, {}});
        } else {
            addLine(sections_.back(), line);
        }
    }
}

void ProfileFile::addLine(Section& section, const QByteArray& line) {
    qsizetype eq = line.indexOf('=');
    if (eq >= 0)
        insertFirst(section.keys, fold(QByteArrayView(line).first(eq)), int(section.lines.size()));
    section.lines.push_back(line);
}

QString ProfileFile::read(const QString& section, const QString& key, const QString& def) const {
    auto s = sectionIndex_.constFind(fold(section));
    if (s == sectionIndex_.cend())
        return def;
    const Section& sec = sections_[*s];
    auto k = sec.keys.constFind(fold(key));
    if (k == sec.keys.cend())
        return def;
    QByteArrayView line(sec.lines[*k]);
    return QString::fromUtf8(line.sliced(line.indexOf('=') + 1).trimmed());
}

ProfileFile::Section& ProfileFile::sectionFor(const QString& name) {
    const int count = int(sections_.size());
    const int at = insertFirst(sectionIndex_, fold(name), count);
    if (at == count)
        sections_.push_back(Section{'[' + oneLine(name) + ']', {}, {}});
    return sections_[at];
}

void ProfileFile::write(const QString& section, const QString& key, const QString& value) {
    Section& sec = sectionFor(section);
    const QString folded = fold(key);
    auto k = sec.keys.constFind(folded);
    if (k != sec.keys.cend()) {
        QByteArray& line = sec.lines[*k];
        line = QByteArrayView(line).first(line.indexOf('=')).trimmed().toByteArray() + '=' +
               oneLine(value);
        return;
    }
    // After the last non-blank line: blank lines that part this section from the
    // next one stay where they are. Only blank lines move, and none of them is
    // indexed as a key.
    std::size_t at = sec.lines.size();
    while (at > 0 && isBlank(sec.lines[at - 1]))
        --at;
    sec.lines.insert(sec.lines.begin() + qsizetype(at), oneLine(key) + '=' + oneLine(value));
    sec.keys.insert(folded, int(at));
}

QByteArray ProfileFile::toBytes() const {
    qsizetype size = bom_ ? kBom.size() : 0;
    for (const Section& sec : sections_) {
        size += sec.header.size() + kLineEnd.size();
        for (const QByteArray& line : sec.lines)
            size += line.size() + kLineEnd.size();
    }
    QByteArray out;
    out.reserve(size);
    if (bom_)
        out.append(kBom);
    for (const Section& sec : sections_) {
        if (!sec.header.isEmpty())
            out.append(sec.header).append(kLineEnd);
        for (const QByteArray& line : sec.lines)
            out.append(line).append(kLineEnd);
    }
    return out;
}

QString ProfileFile::save() const {
    if (!error_.isEmpty())
        return QStringLiteral("%1 was not saved, so that what it holds is not lost: it could not "
                              "be read (%2)")
            .arg(path_, error_);
    QSaveFile file(path_);
    // Unbuffered, so that a short write (a full disk) shows in write()'s
    // result: a buffered QSaveFile has been seen to commit a cut-off file when
    // only its final flush failed.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return QStringLiteral("Cannot write %1: %2").arg(path_, file.errorString());
    const QByteArray bytes = toBytes();
    if (file.write(bytes) != bytes.size()) {
        const QString why = file.errorString();
        file.cancelWriting();
        return QStringLiteral("Cannot write %1: %2").arg(path_, why);
    }
    if (!file.commit())
        return QStringLiteral("Cannot write %1: %2").arg(path_, file.errorString());
    return {};
}
