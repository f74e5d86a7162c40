#include "app/job_cursor.h"

int JobCursor::Row() const {
    // Ids grow with the row, so the first row whose id is at least the
    // cursor's is where its job is, or where the jobs after it moved to.
    int low = 1;
    int high = grid_.NextRow();
    while (low < high) {
        const int mid = low + (high - low) / 2;
        if (grid_.IdAt(mid) < id_)
            low = mid + 1;
        else
            high = mid;
    }
    return low;
}

void JobCursor::SetRow(int row) {
    if (grid_.IsJobRow(row))
        id_ = grid_.IdAt(row);
    else if (row >= grid_.NextRow() && grid_.JobCount() > 0)
        id_ = grid_.IdAt(grid_.NextRow() - 1) + 1;
    else
        id_ = 0;
}
