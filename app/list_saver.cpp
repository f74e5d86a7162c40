#include "app/list_saver.h"

#include <algorithm>

ListSaver::ListSaver(const JobGrid& grid, SaveFunction save, QString listPath, QObject* parent)
    : QObject(parent)
    , m_grid(grid)
    , m_save(std::move(save))
    , m_journal(std::move(listPath)) {
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] { SaveNow(); });
    m_syncTimer.setSingleShot(true);
    connect(&m_syncTimer, &QTimer::timeout, this, [this] { Report(m_journal.sync()); });
    connect(&grid, &JobGrid::dataChanged, this, &ListSaver::StatusCellsChanged);
    connect(&grid, &JobGrid::rowsInserted, this, &ListSaver::RowsMoved);
    connect(&grid, &JobGrid::rowsRemoved, this, &ListSaver::RowsMoved);
    connect(&grid, &JobGrid::modelReset, this, &ListSaver::RowsMoved);
    connect(&grid, &JobGrid::layoutChanged, this, &ListSaver::RowsMoved);
    connect(&grid, &JobGrid::openSeriesChanged, this, &ListSaver::RowsMoved);
}

void ListSaver::Loaded() {
    m_fileHoldsGrid = true;
    m_changed.clear();
}

void ListSaver::StatusCellsChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                   const QList<int>& roles) {
    // How a row looks (the running job, a failure's tint) is no part of the
    // file.
    if (!roles.isEmpty() && std::ranges::all_of(roles, [](int role) {
            return role == JobGrid::RunningRole || role == JobGrid::FailedRole;
        }))
        return;
    // Only a mark or a reason can be journalled; any other cell is the row
    // itself, which only a save of the whole file records.
    if (topLeft.column() != JobGrid::StatusColumn ||
        bottomRight.column() != JobGrid::StatusColumn) {
        RowsMoved();
        return;
    }
    if (m_fileHoldsGrid)
        for (int row = topLeft.row(); row <= bottomRight.row(); ++row)
            m_changed.push_back(row + 1);
}

void ListSaver::RowsMoved() {
    m_fileHoldsGrid = false;
    m_changed.clear();
}

void ListSaver::Changed() {
    if (Journal())
        return;
    if (m_timer.isActive())
        return;
    const qint64 since = m_lastSave.isValid() ? m_lastSave.elapsed() : kEveryMs;
    if (since >= kEveryMs)
        SaveNow();
    else
        m_timer.start(int(kEveryMs - since));
}

bool ListSaver::Journal() {
    if (!m_fileHoldsGrid)
        return false;
    // A save by anyone else (the window's Save) leaves this journal behind:
    // the whole file is saved again rather than journalled against.
    if (!m_journal.isCurrent() && !m_journal.open().isEmpty()) {
        m_fileHoldsGrid = false;
        return false;
    }
    std::sort(m_changed.begin(), m_changed.end());
    m_changed.erase(std::unique(m_changed.begin(), m_changed.end()), m_changed.end());
    // One write for all of them: with several jobs at once, the marks of
    // those started since come with the one that finished.
    std::vector<JobListJournal::Change> changes;
    changes.reserve(m_changed.size());
    for (int row : m_changed)
        changes.push_back({row, m_grid.Status(row), m_grid.Reason(row)});
    if (!changes.empty() && !m_journal.append(changes).isEmpty()) {
        m_journal.close();
        m_fileHoldsGrid = false;
        return false;
    }
    m_changed.clear();
    if (!m_syncTimer.isActive())
        m_syncTimer.start(kEveryMs);
    Report({});
    return true;
}

QString ListSaver::Flush() {
    return SaveNow();
}

QString ListSaver::SaveNow() {
    m_timer.stop();
    m_syncTimer.stop();
    m_journal.close();
    m_lastSave.start();
    QString problem = m_save();
    m_fileHoldsGrid = problem.isEmpty();
    m_changed.clear();
    Report(problem);
    return problem;
}

void ListSaver::Report(const QString& problem) {
    if (problem.isEmpty()) {
        m_failing = false;
    } else if (!m_failing) {
        m_failing = true;
        emit saveFailed(problem);
    }
}
