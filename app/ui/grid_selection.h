#pragma once

#include <utility>

class QTableView;

/// The job grid's selection in grid rows (1 for the first job), as the
/// window's commands and the status bar speak of it.
namespace GridSelection {

/// The selected rows, top to bottom (the current row when nothing is
/// selected; row 1 when there is no current row either).
std::pair<int, int> Rows(const QTableView& view);
/// Selects rows top..bottom, all columns, and scrolls to bottom; nothing
/// for rows the model does not have.
void Select(QTableView& view, int top, int bottom);

} // namespace GridSelection
