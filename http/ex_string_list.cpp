#include "http/ex_string_list.h"

#include <QString>
#include <algorithm>

namespace {

// Header names are compared the way the user's locale orders text, without
// regard to letter case.
int compareText(const QByteArray& a, const QByteArray& b) {
    const QString left = QString::fromLatin1(a);
    const QString right = QString::fromLatin1(b);
    // A collation may rank different texts alike; equal means equal letters.
    if (left.compare(right, Qt::CaseInsensitive) == 0)
        return 0;
    const int order = QString::localeAwareCompare(left.toCaseFolded(), right.toCaseFolded());
    return order != 0 ? order : left.compare(right, Qt::CaseInsensitive);
}

QByteArray nameOf(const QByteArray& line) {
    const qsizetype colon = line.indexOf(':');
    return colon < 0 ? QByteArray() : line.left(colon);
}

// A sorted list is ordered by the key its binary search compares, the name:
// by whole lines, "Accept-Language: y" would sort before "Accept: x" (the
// "-" before the ":") and the search for "Accept" would miss.
bool nameBefore(const QByteArray& a, const QByteArray& b) {
    return compareText(nameOf(a), nameOf(b)) < 0;
}

} // namespace

qsizetype TExStringList::sortedPlace(const QByteArray& line) const {
    const auto it = std::upper_bound(lines_.begin(), lines_.end(), line, nameBefore);
    return it - lines_.begin();
}

void TExStringList::Put(qsizetype index, const QByteArray& line) {
    if (!sorted_) {
        lines_[index] = line;
        return;
    }
    lines_.removeAt(index);
    lines_.insert(sortedPlace(line), line);
}

qsizetype TExStringList::Add(const QByteArray& line) {
    if (!sorted_) {
        lines_.append(line);
        return lines_.size() - 1;
    }
    const qsizetype at = sortedPlace(line);
    lines_.insert(at, line);
    return at;
}

void TExStringList::Insert(qsizetype index, const QByteArray& line) {
    if (sorted_)
        Add(line);
    else
        lines_.insert(index, line);
}

QByteArray TExStringList::Text() const {
    qsizetype size = 0;
    for (const QByteArray& line : lines_)
        size += line.size() + 2;
    QByteArray text;
    text.reserve(size);
    for (const QByteArray& line : lines_) {
        text += line;
        text += "\r\n";
    }
    return text;
}

void TExStringList::SetSorted(bool sorted) {
    if (sorted && !sorted_)
        std::stable_sort(lines_.begin(), lines_.end(), nameBefore);
    sorted_ = sorted;
}

qsizetype TExStringList::IndexOfHeader(const QByteArray& name) const {
    if (lines_.isEmpty())
        return -1;
    if (!sorted_) {
        for (qsizetype i = 0; i < lines_.size(); ++i) {
            const qsizetype colon = lines_[i].indexOf(':');
            if (colon >= 0 && compareText(lines_[i].left(colon), name) == 0)
                return i;
        }
        return -1;
    }
    qsizetype low = 0;
    qsizetype high = lines_.size() - 1;
    while (low <= high) {
        const qsizetype middle = (low + high) / 2;
        const int order = compareText(nameOf(lines_[middle]), name);
        if (order == 0)
            return middle;
        if (order < 0)
            low = middle + 1;
        else
            high = middle - 1;
    }
    return -1;
}

void TExStringList::SetHeader(const QByteArray& name, const QByteArray& value) {
    const qsizetype index = IndexOfHeader(name);
    if (value.isEmpty()) {
        if (index >= 0)
            Delete(index);
        return;
    }
    const QByteArray line = name + ": " + value;
    if (index >= 0)
        Put(index, line);
    else
        Add(line);
}
