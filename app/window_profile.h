#pragma once

#include "settings/settings_file.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class JobGrid;
class ListSaver;
class ProfileSession;

/// The window's hold on the profile folder: the settings handed to the
/// window and the job list into its grid at start, the list kept saved
/// behind edits and runs, both files written at close. Only a window that
/// read the profile writes it back, and never over a file it could not read
/// (the session knows which). Needs no window: the settings come and go
/// through the two functions given.
class WindowProfile : public QObject {
    Q_OBJECT

public:
    /// Asks the user a yes/no question; true for yes.
    using Ask = std::function<bool(const QString& question)>;
    /// Puts the settings read at start into the window.
    using ShowSettings = std::function<void(const Settings& settings)>;
    /// The settings as the window stands, to store at close.
    using ReadSettings = std::function<Settings()>;

    /// The window's `grid` must outlive this.
    WindowProfile(JobGrid& grid, Ask ask, ShowSettings show, ReadSettings read);
    ~WindowProfile() override;

    /// Takes `session` (as the program's start prepared and locked it),
    /// shows its settings, then loads its job list into the grid whatever
    /// the settings said, and on a first start writes the list at once, so
    /// that a window killed later has still left one behind. Returns what
    /// went wrong, for one message.
    QStringList Open(std::unique_ptr<ProfileSession> session);
    /// Whether Open has run: from then on the files are written back.
    bool Loaded() const { return m_loaded; }
    /// Writes the grid to the job list file; the empty text, or why not (the
    /// old file is then left whole). While the file holds jobs that were not
    /// loaded, asks first whether to write over them; a "no" saves nothing.
    [[nodiscard]] QString SaveData();
    /// A run changed the list's marks: keep the file close behind it (see
    /// ListSaver), once the profile was read. Edits without a run (Retry,
    /// Undo) are written at Save, at close or by the next run.
    void ListChanged();
    /// Stores the settings and the job list; the problems, for one message.
    /// Nothing is written unless Open has run.
    QStringList Close();

signals:
    /// A save behind the list failed; told once until a save succeeds again.
    void saveFailed(const QString& problem);

private:
    JobGrid& m_grid;
    Ask m_ask;
    ShowSettings m_show;
    ReadSettings m_read;
    std::unique_ptr<ProfileSession> m_session;
    std::unique_ptr<ListSaver> m_saver;
    bool m_loaded = false;
};
