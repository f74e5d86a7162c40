#pragma once

#include <QString>
#include <QtGlobal>
#include <map>

/// Jobs counted by their status mark, for the summary line of `show` and
/// `go` and for `go`'s exit code.
class MarkCounts {
public:
    void add(const QString& mark) { ++counts_[mark]; }
    qint64 total() const;
    qint64 count(const QString& mark) const;
    /// Whether every job is "○" or "▲" (also true for no jobs).
    bool allSucceeded() const;
    /// "N jobs: ○ a, ▲ b, ... untried u": the known marks in the order of
    /// the run, then any other text found in the file, then the jobs never
    /// tried; marks with no job are left out.
    QString summary() const;

private:
    std::map<QString, qint64> counts_;
};
