#pragma once

#include <QByteArray>
#include <QList>

/// The list of request header lines ("Name: value", no line terminator) in
/// which a request is composed. Lines are bytes: header values may carry any
/// octet a server sent us (cookies), and they go back on the wire unchanged.
class TExStringList {
public:
    /// Number of lines.
    qsizetype Count() const { return lines_.size(); }
    /// Line `index` (0-based); `index` must be valid.
    const QByteArray& Strings(qsizetype index) const { return lines_.at(index); }
    /// Replaces line `index`; `index` must be valid. In a sorted list the line
    /// moves to its sorted place.
    void Put(qsizetype index, const QByteArray& line);
    /// Appends a line (a sorted list inserts it at its sorted place); returns
    /// its index.
    qsizetype Add(const QByteArray& line);
    /// Inserts a line before `index` (0..Count); not allowed in a sorted list,
    /// where it behaves like Add.
    void Insert(qsizetype index, const QByteArray& line);
    /// Removes line `index`; `index` must be valid.
    void Delete(qsizetype index) { lines_.removeAt(index); }
    void Clear() { lines_.clear(); }
    /// Every line followed by CR LF, as it goes on the wire.
    QByteArray Text() const;

    bool Sorted() const { return sorted_; }
    /// Turning the flag on sorts the lines by name (the text before the first
    /// ":", letter case ignored); lines of one name keep their order.
    void SetSorted(bool sorted);

    /// Index of the first line whose name (text before its first ":") equals
    /// `name` ignoring letter case, or -1. A sorted list is binary-searched.
    qsizetype IndexOfHeader(const QByteArray& name) const;
    /// Non-empty `value`: replaces the line of `name` by "name: value", or
    /// appends it when there is none. Empty `value`: deletes the line of
    /// `name`, if any.
    void SetHeader(const QByteArray& name, const QByteArray& value);

private:
    qsizetype sortedPlace(const QByteArray& line) const;

    QList<QByteArray> lines_;
    bool sorted_ = false;
};
