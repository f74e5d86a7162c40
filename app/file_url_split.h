#pragma once

#include <QString>
#include <optional>

/// A file URL taken apart into the series inputs: `http://host/dir/pic017.jpg`
/// is base `http://host/dir/`, head `pic`, 3 digits, start `017`, tail `.jpg`.
struct FileUrlParts {
    QString baseUrl;
    QString head;
    int digits = 0;
    QString start;
    QString tail;

    bool operator==(const FileUrlParts&) const = default;
};

/// Splits a whole file URL (a scheme, a host, and a file name after the last
/// "/" that holds a number) at the last run of digits in its file name.
/// Nothing for any other text: a base URL, a bare name, a name without digits,
/// or a run of digits too long to be a series number.
std::optional<FileUrlParts> SplitFileUrl(const QString& text);
