#include "platform/profile_file.h"

#include "platform/legacy_encoding.h"

#include <QByteArrayView>
#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <algorithm>

namespace {

constexpr QByteArrayView kBom("\xEF\xBB\xBF");
constexpr QByteArrayView kLineEnd("\r\n");

// A line break inside a name or value would turn the rest of it into lines of
// its own (a forged key or section) when the file is read back.
void flattenLineBreaks(char* begin, char* end) {
    std::replace_if(
        begin, end, [](char c) { return c == '\r' || c == '\n'; }, ' ');
}

QByteArray oneLine(QByteArrayView text) {
    QByteArray bytes = text.toByteArray();
    flattenLineBreaks(bytes.data(), bytes.data() + bytes.size());
    return bytes;
}

// "name=value" in one allocation when the value is ASCII, as URLs and paths
// mostly are.
QByteArray keyLine(QByteArrayView name, QStringView value) {
    const bool ascii =
        std::all_of(value.begin(), value.end(), [](QChar c) { return c.unicode() < 0x80; });
    QByteArray line;
    if (ascii) {
        line.resize(name.size() + 1 + value.size());
        char* out = std::copy(name.begin(), name.end(), line.data());
        *out++ = '=';
        for (QChar c : value)
            *out++ = char(c.unicode());
    } else {
        const QByteArray text = value.toUtf8();
        line.reserve(name.size() + 1 + text.size());
        line.append(name).append('=').append(text);
    }
    flattenLineBreaks(line.data() + name.size() + 1, line.data() + line.size());
    return line;
}

bool isBlank(QByteArrayView line) {
    return line.trimmed().isEmpty();
}

// The name in a "[name]" line (to the first "]", or to the end without one).
QByteArrayView headerName(QByteArrayView line) {
    line = line.trimmed();
    const qsizetype close = line.indexOf(']');
    return line.sliced(1, (close < 0 ? line.size() : close) - 1);
}

bool pointsInto(QByteArrayView inner, QByteArrayView outer) {
    const std::less_equal<const char*> le;
    return le(outer.data(), inner.data()) && le(inner.data(), outer.data() + outer.size());
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
            error_ = QCoreApplication::translate("ProfileFile", "Cannot read %1: %2")
                         .arg(path, file.errorString());
        // A file of the old Windows program: read its Japanese text as it was
        // meant, and write it back as UTF-8 like every other file.
        else if (!LegacyEncoding::IsUtf8(bytes))
            bytes = LegacyEncoding::Cp932ToUtf8(bytes);
    } else {
        error_ = QCoreApplication::translate("ProfileFile", "Cannot open %1: %2")
                     .arg(path, file.errorString());
    }
    parse(error_.isEmpty() ? bytes : QByteArray());
}

ProfileFile ProfileFile::fromBytes(const QString& path, const QByteArray& bytes) {
    ProfileFile profile;
    profile.path_ = path;
    profile.parse(bytes);
    return profile;
}

QByteArrayView ProfileFile::matchedName(QByteArrayView text, QByteArray& folded) {
    text = text.trimmed();
    if (std::none_of(text.begin(), text.end(), [](char c) { return c & 0x80; }))
        return text;
    folded = QString::fromUtf8(text).toCaseFolded().toUtf8();
    return folded;
}

ProfileFile::Name ProfileFile::keep(Name name, QByteArrayView storage) {
    if (pointsInto(name.text, storage))
        return name;
    foldedNames_.push_back(name.text.toByteArray());
    return {foldedNames_.back()};
}

void ProfileFile::parse(const QByteArray& data) {
    source_ = data;
    QByteArrayView bytes(source_);
    bom_ = bytes.startsWith(kBom);
    if (bom_)
        bytes = bytes.sliced(kBom.size());
    sections_.clear();
    sectionIndex_.clear();
    foldedNames_.clear();
    lastSection_ = -1;
    sections_.emplace_back();

    qsizetype pos = 0;
    while (pos < bytes.size()) {
        const qsizetype newline = bytes.indexOf('\n', pos);
        const qsizetype next = newline < 0 ? bytes.size() : newline + 1;
        qsizetype end = newline < 0 ? bytes.size() : newline;
        if (end > pos && bytes[end - 1] == '\r')
            --end;
        // A view into source_, which lives as long as this object.
        QByteArray line = QByteArray::fromRawData(bytes.data() + pos, end - pos);
        pos = next;

        if (QByteArrayView(line).trimmed().startsWith('[')) {
            sections_.push_back(Section{std::move(line), {}, {}});
            indexSection(int(sections_.size()) - 1);
        } else {
            Section& section = sections_.back();
            section.lines.push_back(std::move(line));
            indexKey(section, int(section.lines.size()) - 1);
        }
    }
}

// Only the first of equal names is indexed: later ones are never matched.
void ProfileFile::indexKey(Section& section, int line) {
    const QByteArrayView text(section.lines[line]);
    const qsizetype eq = text.indexOf('=');
    if (eq < 0)
        return;
    QByteArray folded;
    const Name name = nameOf(text.first(eq), folded);
    if (!section.keys.contains(name))
        section.keys.insert(keep(name, text), line);
}

void ProfileFile::indexSection(int section) {
    const QByteArrayView header(sections_[section].header);
    QByteArray folded;
    const Name name = nameOf(headerName(header), folded);
    if (!sectionIndex_.contains(name))
        sectionIndex_.insert(keep(name, header), section);
}

QString ProfileFile::read(const QString& section, const QString& key, const QString& def) const {
    return readUtf8(section.toUtf8(), key.toUtf8(), def);
}

void ProfileFile::write(const QString& section, const QString& key, const QString& value) {
    writeUtf8(section.toUtf8(), key.toUtf8(), value);
}

QString ProfileFile::readUtf8(QByteArrayView section, QByteArrayView key,
                              const QString& def) const {
    const int s = findSection(section);
    if (s < 0)
        return def;
    const Section& sec = sections_[s];
    QByteArray folded;
    auto k = sec.keys.constFind(nameOf(key, folded));
    if (k == sec.keys.cend())
        return def;
    const QByteArrayView line(sec.lines[*k]);
    return QString::fromUtf8(line.sliced(line.indexOf('=') + 1).trimmed());
}

int ProfileFile::findSection(QByteArrayView name) const {
    // Callers go through a section key by key: the last answer is usually the
    // next one, and a name never moves to another section.
    if (lastSection_ >= 0 && name == lastSectionName_)
        return lastSection_;
    QByteArray folded;
    const int at = sectionIndex_.value(nameOf(name, folded), -1);
    if (at >= 0) {
        lastSectionName_ = name.toByteArray();
        lastSection_ = at;
    }
    return at;
}

ProfileFile::Section& ProfileFile::sectionFor(QByteArrayView name) {
    int at = findSection(name);
    if (at < 0) {
        at = int(sections_.size());
        sections_.push_back(Section{'[' + oneLine(name.trimmed()) + ']', {}, {}});
        indexSection(at);
    }
    return sections_[at];
}

void ProfileFile::writeUtf8(QByteArrayView section, QByteArrayView key, const QString& value) {
    Section& sec = sectionFor(section);
    QByteArray folded;
    auto k = sec.keys.find(nameOf(key, folded));
    if (k != sec.keys.end()) {
        const int at = *k;
        QByteArray& line = sec.lines[at];
        QByteArray updated =
            keyLine(QByteArrayView(line).first(line.indexOf('=')).trimmed(), value);
        // The table's name may view the old line: point it at the new one.
        const bool viewsLine = pointsInto(k.key().text, line);
        if (viewsLine)
            sec.keys.erase(k);
        line = std::move(updated);
        if (viewsLine)
            indexKey(sec, at);
        return;
    }
    // After the last non-blank line: blank lines that part this section from the
    // next one stay where they are. Only blank lines move, and none of them is
    // indexed as a key.
    std::size_t at = sec.lines.size();
    while (at > 0 && isBlank(sec.lines[at - 1]))
        --at;
    sec.lines.insert(sec.lines.begin() + qsizetype(at), keyLine(oneLine(key.trimmed()), value));
    indexKey(sec, int(at));
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
        return QCoreApplication::translate(
                   "ProfileFile",
                   "%1 was not saved, so that what it holds is not lost: it could not "
                   "be read (%2)")
            .arg(path_, error_);
    QSaveFile file(path_);
    // Unbuffered, so that a short write (a full disk) shows in write()'s
    // result: a buffered QSaveFile has been seen to commit a cut-off file when
    // only its final flush failed.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return QCoreApplication::translate("ProfileFile", "Cannot write %1: %2")
            .arg(path_, file.errorString());
    // Before the first byte, so that no moment shows the password to others.
    if (ownerOnly_ && !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        const QString why = file.errorString();
        file.cancelWriting();
        return QCoreApplication::translate("ProfileFile", "Cannot write %1: %2").arg(path_, why);
    }
    const QByteArray bytes = toBytes();
    if (file.write(bytes) != bytes.size()) {
        const QString why = file.errorString();
        file.cancelWriting();
        return QCoreApplication::translate("ProfileFile", "Cannot write %1: %2").arg(path_, why);
    }
    if (!file.commit())
        return QCoreApplication::translate("ProfileFile", "Cannot write %1: %2")
            .arg(path_, file.errorString());
    return {};
}
