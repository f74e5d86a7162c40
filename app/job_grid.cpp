#include "app/job_grid.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<int, JobGrid::ColumnCount> kColumnWidths = {22, 440, 238};

} // namespace

QString JobGrid::ColumnCaption(int column) {
    switch (column) {
    case StatusColumn:
        return QStringLiteral("Status");
    case UrlColumn:
        return QStringLiteral("URL");
    case PathColumn:
        return QStringLiteral("Path");
    default:
        return {};
    }
}

int JobGrid::ColumnWidth(int column) {
    return column >= 0 && column < ColumnCount ? kColumnWidths[size_t(column)] : 0;
}

JobGrid::JobGrid(QObject* parent)
    : QAbstractTableModel(parent) {}

QString JobGrid::Status(int gridRow) const {
    return IsJobRow(gridRow) ? JobAt(gridRow).status : QString();
}

QString JobGrid::Url(int gridRow) const {
    return IsJobRow(gridRow) ? JobAt(gridRow).url : QString();
}

QString JobGrid::Path(int gridRow) const {
    return IsJobRow(gridRow) ? JobAt(gridRow).path : QString();
}

const Job& JobGrid::JobAt(int gridRow) const {
    Q_ASSERT(IsJobRow(gridRow));
    return m_jobs[size_t(gridRow - 1)];
}

void JobGrid::SetStatusCell(int gridRow, QString Job::*field, const QString& text, int role) {
    if (!IsJobRow(gridRow))
        return;
    QString& value = m_jobs[size_t(gridRow - 1)].*field;
    if (value == text)
        return;
    value = text;
    const QModelIndex cell = index(gridRow - 1, StatusColumn);
    emit dataChanged(cell, cell, {role});
}

void JobGrid::SetStatus(int gridRow, const QString& mark) {
    SetStatusCell(gridRow, &Job::status, mark, Qt::DisplayRole);
}

QString JobGrid::Reason(int gridRow) const {
    return IsJobRow(gridRow) ? m_jobs[size_t(gridRow - 1)].reason : QString();
}

void JobGrid::SetReason(int gridRow, const QString& reason) {
    SetStatusCell(gridRow, &Job::reason, reason, Qt::ToolTipRole);
}

JobGrid::JobId JobGrid::IdAt(int gridRow) const {
    return IsJobRow(gridRow) ? m_ids[size_t(gridRow - 1)] : JobId(0);
}

int JobGrid::RowOf(JobId id) const {
    const auto it = std::lower_bound(m_ids.begin(), m_ids.end(), id);
    if (it == m_ids.end() || *it != id)
        return 0;
    return int(it - m_ids.begin()) + 1;
}

void JobGrid::SetRunningJob(JobId id) {
    if (id == m_runningJob)
        return;
    const int before = RowOf(m_runningJob);
    m_runningJob = id;
    for (int row : {before, RowOf(id)})
        if (row > 0)
            emit dataChanged(index(row - 1, 0), index(row - 1, ColumnCount - 1), {RunningRole});
}

void JobGrid::Append(std::vector<Job> jobs) {
    if (jobs.empty())
        return;
    auto first = jobs.begin();
    if (m_jobs.empty()) {
        // The empty row is already a model row: it turns into the first job
        // in place, and only the rest are inserted after it.
        m_jobs.push_back(std::move(*first));
        m_ids.push_back(m_nextId++);
        ++first;
        EmitRowChanged(0);
    }
    const auto added = int(jobs.end() - first);
    if (added == 0)
        return;
    const int firstRow = int(m_jobs.size());
    beginInsertRows(QModelIndex(), firstRow, firstRow + added - 1);
    m_jobs.reserve(m_jobs.size() + size_t(added));
    m_ids.reserve(m_ids.size() + size_t(added));
    for (auto it = first; it != jobs.end(); ++it) {
        m_jobs.push_back(std::move(*it));
        m_ids.push_back(m_nextId++);
    }
    endInsertRows();
}

void JobGrid::Append(const Job& job) {
    Append(std::vector<Job>{job});
}

void JobGrid::DeleteRows(int top, int bottom) {
    top = std::max(top, 1);
    bottom = std::min(bottom, NextRow() - 1);
    if (top > bottom)
        return;
    if (top == 1 && bottom == NextRow() - 1) {
        Clear();
        return;
    }
    const int first = top - 1;
    const int last = bottom - 1;
    beginRemoveRows(QModelIndex(), first, last);
    m_jobs.erase(m_jobs.begin() + first, m_jobs.begin() + last + 1);
    m_ids.erase(m_ids.begin() + first, m_ids.begin() + last + 1);
    endRemoveRows();
}

void JobGrid::Clear() {
    if (m_jobs.empty())
        return;
    // Keep model row 0 and remove the others, then empty it: the view keeps
    // one row throughout, as the grid always has.
    if (m_jobs.size() > 1) {
        beginRemoveRows(QModelIndex(), 1, int(m_jobs.size()) - 1);
        m_jobs.resize(1);
        m_ids.resize(1);
        endRemoveRows();
    }
    m_jobs.clear();
    m_ids.clear();
    EmitRowChanged(0);
}

int JobGrid::rowCount(const QModelIndex& parent) const {
    if (parent.isValid())
        return 0;
    return GridRowCount() - 1;
}

int JobGrid::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QString JobGrid::Cell(const Job& job, int column) {
    switch (column) {
    case StatusColumn:
        return job.status;
    case UrlColumn:
        return job.url;
    case PathColumn:
        return job.path;
    default:
        return {};
    }
}

QVariant JobGrid::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= ColumnCount)
        return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
        if (!IsJobRow(index.row() + 1))
            return QString();
        const Job& job = m_jobs[size_t(index.row())];
        // A failed job's mark tells that it failed; its tooltip tells why.
        if (role == Qt::ToolTipRole && index.column() == StatusColumn && !job.reason.isEmpty())
            return job.reason;
        return Cell(job, index.column());
    }
    if (role == Qt::TextAlignmentRole && index.column() == StatusColumn)
        return int(Qt::AlignCenter);
    if (role == RunningRole)
        return m_runningJob != 0 && IsJobRow(index.row() + 1) &&
               m_ids[size_t(index.row())] == m_runningJob;
    return {};
}

QVariant JobGrid::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < ColumnCount)
        return ColumnCaption(section);
    // The status column is narrow: show the start of its caption, not the middle.
    if (orientation == Qt::Horizontal && role == Qt::TextAlignmentRole && section == StatusColumn)
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    if (orientation == Qt::Vertical && role == Qt::DisplayRole && section >= 0 &&
        section < rowCount())
        return section + 1; // the grid row number
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags JobGrid::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
}

void JobGrid::EmitRowChanged(int modelRow) {
    emit dataChanged(index(modelRow, 0), index(modelRow, ColumnCount - 1));
}
