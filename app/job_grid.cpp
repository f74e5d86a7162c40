#include "app/job_grid.h"

#include "app/status_mark.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<int, JobGrid::ColumnCount> kColumnWidths = {22, 440, 238};

} // namespace

QString JobGrid::ColumnCaption(int column) {
    switch (column) {
    case StatusColumn:
        return tr("Status");
    case UrlColumn:
        return tr("URL");
    case PathColumn:
        return tr("Path");
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
    return IsJobRow(gridRow) ? m_jobs.status(size_t(gridRow - 1)) : QString();
}

QString JobGrid::Url(int gridRow) const {
    return IsJobRow(gridRow) ? m_jobs.url(size_t(gridRow - 1)) : QString();
}

QString JobGrid::Path(int gridRow) const {
    return IsJobRow(gridRow) ? m_jobs.path(size_t(gridRow - 1)) : QString();
}

Job JobGrid::JobAt(int gridRow) const {
    Q_ASSERT(IsJobRow(gridRow));
    return m_jobs[size_t(gridRow - 1)];
}

void JobGrid::EmitStatusCellChanged(int gridRow, int role) {
    const QModelIndex cell = index(gridRow - 1, StatusColumn);
    emit dataChanged(cell, cell, {role});
}

bool JobGrid::IsFailedRow(int gridRow) const {
    const JobList::Mark mark = MarkAt(gridRow);
    return mark == JobList::Mark::Failed || mark == JobList::Mark::GivenUp;
}

void JobGrid::EmitTintChanged(int gridRow, bool failedBefore) {
    if (IsFailedRow(gridRow) != failedBefore)
        emit dataChanged(index(gridRow - 1, 0), index(gridRow - 1, ColumnCount - 1), {FailedRole});
}

void JobGrid::SetStatus(int gridRow, const QString& mark) {
    if (!IsJobRow(gridRow) || Status(gridRow) == mark)
        return;
    const bool failedBefore = IsFailedRow(gridRow);
    m_jobs.setStatus(size_t(gridRow - 1), mark);
    EmitStatusCellChanged(gridRow, Qt::DisplayRole);
    EmitTintChanged(gridRow, failedBefore);
}

JobList::Mark JobGrid::MarkAt(int gridRow) const {
    return IsJobRow(gridRow) ? m_jobs.mark(size_t(gridRow - 1)) : JobList::Mark::None;
}

void JobGrid::SetMark(int gridRow, JobList::Mark mark) {
    if (!IsJobRow(gridRow) || MarkAt(gridRow) == mark || mark == JobList::Mark::Other)
        return;
    const bool failedBefore = IsFailedRow(gridRow);
    m_jobs.setStatus(size_t(gridRow - 1), StatusMark::Glyph(mark));
    EmitStatusCellChanged(gridRow, Qt::DisplayRole);
    EmitTintChanged(gridRow, failedBefore);
}

QString JobGrid::Reason(int gridRow) const {
    return IsJobRow(gridRow) ? m_jobs.reason(size_t(gridRow - 1)) : QString();
}

void JobGrid::SetReason(int gridRow, const QString& reason) {
    if (!IsJobRow(gridRow) || Reason(gridRow) == reason)
        return;
    m_jobs.setReason(size_t(gridRow - 1), reason);
    EmitStatusCellChanged(gridRow, Qt::ToolTipRole);
}

JobList::Validators JobGrid::ValidatorsAt(int gridRow) const {
    return IsJobRow(gridRow) ? m_jobs.validators(size_t(gridRow - 1)) : JobList::Validators{};
}

void JobGrid::SetValidators(int gridRow, const JobList::Validators& validators) {
    if (IsJobRow(gridRow))
        m_jobs.setValidators(m_jobs.url(size_t(gridRow - 1)).toUtf8(), validators);
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

void JobGrid::Append(JobList jobs) {
    // The series of both lists stay, whichever way the rows are taken.
    std::vector<OpenSeries> series = m_jobs.openSeries();
    series.insert(series.end(), jobs.openSeries().begin(), jobs.openSeries().end());
    const size_t before = m_jobs.openSeries().size();
    AppendRows(std::move(jobs));
    for (const OpenSeries& one : series)
        m_jobs.addOpenSeries(one);
    if (m_jobs.openSeries().size() != before)
        emit openSeriesChanged();
}

void JobGrid::AddOpenSeries(const OpenSeries& series) {
    const size_t before = m_jobs.openSeries().size();
    m_jobs.addOpenSeries(series);
    if (m_jobs.openSeries().size() != before)
        emit openSeriesChanged();
}

void JobGrid::CloseOpenSeries(const OpenSeries& series) {
    if (m_jobs.removeOpenSeries(series))
        emit openSeriesChanged();
}

void JobGrid::AppendRows(JobList jobs) {
    if (jobs.empty())
        return;
    const auto added = int(jobs.size());
    const auto addIds = [this] {
        m_ids.reserve(m_jobs.size());
        while (m_ids.size() < m_jobs.size())
            m_ids.push_back(m_nextId++);
    };
    if (!m_jobs.empty()) {
        const int first = JobCount();
        beginInsertRows(QModelIndex(), first, first + added - 1);
        m_jobs.append(std::move(jobs));
        addIds();
        endInsertRows();
        return;
    }
    // The empty row is already a model row: it turns into the first job in
    // place, and only the rest are inserted after it.
    m_jobs.push_back(jobs[0]);
    addIds();
    EmitRowChanged(0);
    if (added == 1)
        return;
    beginInsertRows(QModelIndex(), 1, added - 1);
    // The first job is there already, the same: the list is taken whole,
    // without a copy.
    m_jobs = std::move(jobs);
    addIds();
    endInsertRows();
}

void JobGrid::Append(const Job& job) {
    Append(JobList{job});
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
    m_jobs.erase(size_t(first), size_t(last) + 1);
    m_ids.erase(m_ids.begin() + first, m_ids.begin() + last + 1);
    endRemoveRows();
}

void JobGrid::SetRefetch(int gridRow) {
    if (IsJobRow(gridRow))
        m_refetch.insert(IdAt(gridRow));
}

void JobGrid::Clear() {
    if (m_jobs.empty()) {
        // Rows deleted one by one may leave a series behind.
        if (!m_jobs.openSeries().empty()) {
            m_jobs.clear();
            emit openSeriesChanged();
        }
        return;
    }
    // Keep model row 0 and remove the others, then empty it: the view keeps
    // one row throughout, as the grid always has.
    if (m_jobs.size() > 1) {
        beginRemoveRows(QModelIndex(), 1, int(m_jobs.size()) - 1);
        m_jobs.erase(1, m_jobs.size());
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

QString JobGrid::Cell(int modelRow, int column) const {
    const auto i = size_t(modelRow);
    switch (column) {
    case StatusColumn:
        return m_jobs.status(i);
    case UrlColumn:
        return m_jobs.url(i);
    case PathColumn:
        return m_jobs.path(i);
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
        // A failed job's mark tells that it failed; its tooltip tells why.
        if (role == Qt::ToolTipRole && index.column() == StatusColumn &&
            !m_jobs.reasonUtf8(size_t(index.row())).isEmpty())
            return m_jobs.reason(size_t(index.row()));
        return Cell(index.row(), index.column());
    }
    if (role == Qt::TextAlignmentRole && index.column() == StatusColumn)
        return int(Qt::AlignCenter);
    if (role == FailedRole)
        return IsFailedRow(index.row() + 1);
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
