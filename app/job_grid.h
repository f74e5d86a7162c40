#pragma once

#include "settings/job_list.h"

#include <QAbstractTableModel>
#include <QSet>
#include <QString>
#include <QtGlobal>
#include <vector>

/// The job grid: a compact list of jobs (JobList), seen by the window's view and by
/// everything else in grid rows. Grid row 0 is the header (the view's
/// header, not a model row); jobs occupy grid rows 1 to NextRow() - 1; an
/// empty list still shows one empty row. Model row r is grid row r + 1.
///
/// Each job carries an id that never changes and is never reused, so a
/// download run can keep following its job while rows above it are deleted
/// or the list is cleared under it (`RowOf` then says where it went, or 0).
class JobGrid : public QAbstractTableModel {
    Q_OBJECT

public:
    using JobId = quint64;

    enum Column { StatusColumn = 0, UrlColumn = 1, PathColumn = 2, ColumnCount = 3 };
    /// data() of this role is true on every cell of the running job's row,
    /// so that a view can set it apart from the selection.
    static constexpr int RunningRole = Qt::UserRole + 1;
    /// data() of this role is true on every cell of a failed job's row ("▼",
    /// "×"), so that a view can tint failures apart in a long list.
    static constexpr int FailedRole = Qt::UserRole + 2;

    /// Header captions and the view's initial column widths, by column.
    static QString ColumnCaption(int column);
    static int ColumnWidth(int column);

    explicit JobGrid(QObject* parent = nullptr);

    // --- grid-row view of the list ---------------------------------------

    /// The first grid row that holds no job: 1 for an empty list.
    int NextRow() const { return int(m_jobs.size()) + 1; }
    /// Number of jobs (NextRow() - 1).
    int JobCount() const { return int(m_jobs.size()); }
    /// Rows of the grid including the header: 2 for an empty list (header
    /// and the one empty row), else NextRow().
    int GridRowCount() const { return m_jobs.empty() ? 2 : NextRow(); }
    /// Whether a grid row holds a job.
    bool IsJobRow(int gridRow) const { return gridRow >= 1 && gridRow < NextRow(); }

    /// Cells of a grid row; empty text for any row that holds no job (the
    /// empty row, the row just past the last job, or beyond).
    QString Status(int gridRow) const;
    QString Url(int gridRow) const;
    QString Path(int gridRow) const;
    /// The whole job at a job row, as a value. Requires IsJobRow(gridRow).
    Job JobAt(int gridRow) const;
    /// All jobs in grid order (row 1 first), e.g. for saving the list.
    const JobList& Jobs() const { return m_jobs; }

    /// Sets the status mark of a job row and tells the views; ignored for a
    /// row that holds no job.
    void SetStatus(int gridRow, const QString& mark);
    /// The mark of a job row as the list stores it (None past the jobs).
    JobList::Mark MarkAt(int gridRow) const;
    /// Sets a job row's mark by its kind (not Other, which has no glyph).
    void SetMark(int gridRow, JobList::Mark mark);
    /// Why the job of a row failed (its Status cell's tooltip); empty for any
    /// row without a reason.
    QString Reason(int gridRow) const;
    void SetReason(int gridRow, const QString& reason);
    /// What identifies the file a job row saved, for a later conditional
    /// request; empty for a row without any. Not shown: only saved.
    JobList::Validators ValidatorsAt(int gridRow) const;
    void SetValidators(int gridRow, const JobList::Validators& validators);

    // --- identity ---------------------------------------------------------

    /// The id of the job at a job row; 0 (never an id) for any other row.
    JobId IdAt(int gridRow) const;
    /// The grid row of the job with this id, or 0 when it is gone.
    /// O(log n): ids grow in row order because jobs are only appended.
    int RowOf(JobId id) const;

    /// The job a download run is fetching (0 for none); its row answers
    /// RunningRole with true, wherever edits move it.
    JobId RunningJob() const { return m_runningJob; }
    void SetRunningJob(JobId id);

    /// Marks the job of a job row to be fetched from the server by the next
    /// run whatever is at its path ("Retry"); the run takes the mark off once
    /// the job has an outcome. Kept for this session only.
    void SetRefetch(int gridRow);
    bool Refetch(JobId id) const { return m_refetch.contains(id); }
    void DropRefetch(JobId id) { m_refetch.remove(id); }

    // --- changes ----------------------------------------------------------

    /// Appends jobs after the last one as one insertion; the empty row of
    /// an empty list becomes the first of them. An empty grid takes the
    /// list over without a copy.
    void Append(JobList jobs);
    /// One insertion per call: load many jobs with the overload above, so a
    /// view is told once, not once per job.
    void Append(const Job& job);

    /// Deletes the jobs of grid rows top..bottom (clipped to the job rows;
    /// nothing when the range holds none); the rows below move up. When no
    /// job is left the list shows its one empty row again.
    void DeleteRows(int top, int bottom);

    /// Deletes every job, and the series whose end was still to be found.
    void Clear();

    /// The series whose end a run is still to find; they go with Clear().
    const std::vector<OpenSeries>& OpenSeriesList() const { return m_jobs.openSeries(); }
    /// Keeps a series (once).
    void AddOpenSeries(const OpenSeries& series);
    /// Drops a series whose end has been found.
    void CloseOpenSeries(const OpenSeries& series);

signals:
    /// A series came or went: only a save of the whole list records it.
    void openSeriesChanged();

public:
    // --- QAbstractTableModel ----------------------------------------------

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    void AppendRows(JobList jobs);
    QString Cell(int modelRow, int column) const;
    /// Tells the views which role of a job row's Status cell changed.
    void EmitStatusCellChanged(int gridRow, int role);
    /// After a mark changed: the row's tint, when it went from failed to not
    /// or back.
    void EmitTintChanged(int gridRow, bool failedBefore);
    bool IsFailedRow(int gridRow) const;
    void EmitRowChanged(int modelRow);

    JobList m_jobs;
    std::vector<JobId> m_ids; // parallel to m_jobs, strictly increasing
    JobId m_nextId = 1;
    JobId m_runningJob = 0;
    QSet<JobId> m_refetch; // ids are never reused, so deleted ones do no harm
};
