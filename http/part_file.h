#pragma once

#include <QString>

/// Where a reply body is written until it is known to be whole: "<target>.part"
/// beside the target, renamed over the target by commit(). Destroyed without
/// a commit, it removes the part file, so an interrupted transfer never
/// leaves anything at the target path, and a file found there later is
/// always a complete reply. The rename replaces the directory entry: a
/// symlink at the target is replaced, not followed.
class PartFile {
public:
    /// The longest file name (last path component), in bytes, that the file
    /// systems of this platform take (NAME_MAX).
    static constexpr qsizetype NameMax = 255;

    /// Refuses a target whose file name is longer than NameMax bytes: no file
    /// can be created under it. Throws std::runtime_error with a text naming
    /// the path and both lengths.
    static void CheckName(const QString& target);
    /// CheckName(), and refuses a target that is there but is no regular
    /// file or symlink (a folder, a named pipe, a device): writing there
    /// would fail late or hang. Throws std::runtime_error with a text naming
    /// the path.
    static void CheckTarget(const QString& target);

    /// Creates (or empties) the part file of `target`. Never blocks on a
    /// named pipe and never follows a symlink put in its place. Throws
    /// std::runtime_error with a text naming the path.
    explicit PartFile(const QString& target);
    /// Opens the part file of `target` that a cut transfer left, to append
    /// to it. Throws std::runtime_error when it is not there, is no regular
    /// file, or does not hold exactly `size` bytes.
    PartFile(const QString& target, qint64 size);
    ~PartFile();
    PartFile(const PartFile&) = delete;
    PartFile& operator=(const PartFile&) = delete;

    /// The open file, for writing.
    int fd() const { return fd_; }
    /// The part file's name.
    const QString& fileName() const { return partName_; }
    /// Closes the file and renames it over the target. Throws
    /// std::runtime_error when either fails (the part file is then removed).
    void commit();
    /// Renames the part file a cut transfer left over `target`: it already
    /// holds the whole file. Returns its size; throws std::runtime_error
    /// when it cannot be renamed.
    static qint64 Adopt(const QString& target);
    /// A transfer cut from now on leaves the part file where it is, for the
    /// next try to resume; without this it is removed.
    void keepWhenCut() { keep_ = true; }

    /// The part file name that belongs to `target`: "<target>.part", or, when
    /// that name would pass NameMax, the target's name cut short (on a
    /// character boundary) followed by "." and 16 hex digits of the SHA-1 of
    /// the whole name and ".part". The same target always gets the same part
    /// name, and targets that share a long start get different ones.
    static QString PartName(const QString& target);
    /// A file beside the target named as PartName() is, with `suffix` in
    /// place of ".part".
    static QString SideName(const QString& target, const QString& suffix);

private:
    void discard();

    QString target_;
    QString partName_;
    int fd_ = -1;
    bool keep_ = false;
};
