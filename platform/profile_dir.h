#pragma once

#include <QString>

/// The folder that holds the program's two files, `serifech.ini` (settings)
/// and `SeriData.txt` (job list).
///
/// It is `$SERIFETCH_HOME` when that is set and not empty, else
/// `$XDG_CONFIG_HOME/serifetch` when that is set to an absolute path, else
/// `~/.config/serifetch`. Every call looks at the environment afresh, so tests
/// can point it at a temporary folder.
class ProfileDir {
public:
    /// The folder, without a trailing "/".
    static QString path();

    /// `path()` + "/serifech.ini", or the file of that name in another letter
    /// case when only such a one is there.
    static QString settingsFilePath();

    /// `path()` + "/SeriData.txt", found the same way.
    static QString jobListFilePath();

    /// Creates the folder when it is missing and checks that a file can be
    /// created in it. Returns the empty text when the folder is usable, else a
    /// text for the user saying what is wrong; the caller then runs with what
    /// it could read (or the defaults) and its saves will fail and say so.
    [[nodiscard]] static QString prepare();
};
