#pragma once

#include "app/job_grid.h"
#include "platform/profile_dir.h"
#include "settings/job_list_journal.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <vector>

/// Keeps the job list file close behind a run. While the file holds the
/// grid's jobs as they stand (it was loaded or saved, and no row was added
/// or deleted since), a change of marks is appended to the journal beside
/// the file at once, at a cost that does not grow with the list, and made
/// durable within a second. Otherwise the whole file is saved, at once when
/// the last save is a second old, else when that second is up, after which
/// the journal takes over again. Flush always saves the whole file.
class ListSaver : public QObject {
    Q_OBJECT

public:
    static constexpr int kEveryMs = 1000;
    /// Writes the list; returns the empty text, or why it failed.
    using SaveFunction = std::function<QString()>;

    /// Follows `grid`, whose jobs `save` writes to `listPath`.
    explicit ListSaver(const JobGrid& grid, SaveFunction save,
                       QString listPath = ProfileDir::jobListFilePath(), QObject* parent = nullptr);

    /// The file and its journal hold the grid as it stands (it was just
    /// loaded from them): changes from here on can be journalled.
    void Loaded();
    /// The list changed: journal the changes now, or save within the second.
    void Changed();
    /// Saves now (also when nothing changed); the empty text or the problem.
    QString Flush();

signals:
    /// A save failed; told once until a save succeeds again, so a full disk
    /// does not raise a message per job.
    void saveFailed(const QString& problem);

private:
    QString SaveNow();
    bool Journal();
    void Report(const QString& problem);
    void StatusCellsChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                            const QList<int>& roles);
    void RowsMoved();

    const JobGrid& m_grid;
    SaveFunction m_save;
    JobListJournal m_journal;
    QTimer m_timer;
    QTimer m_syncTimer;
    QElapsedTimer m_lastSave;
    bool m_failing = false;
    /// Whether the file (with the journal) holds the grid but for the rows in m_changed.
    bool m_fileHoldsGrid = false;
    std::vector<int> m_changed; // grid rows whose marks changed since
};
