#pragma once

#include "app/job_grid.h"

/// A place in the job grid kept as the id of the job there, so that rows
/// deleted above it, or its own deletion, move it with the list. Past the
/// last job it is one more than the last id then, which jobs appended later
/// will reach.
class JobCursor {
public:
    explicit JobCursor(const JobGrid& grid)
        : grid_(grid) {}

    /// The grid row it is at, after any edits of the grid.
    int Row() const;
    void SetRow(int row);
    /// The id it was set to (the job there, or the one after a row past the end).
    JobGrid::JobId Id() const { return id_; }
    /// Whether it stands at the job `id`.
    bool At(JobGrid::JobId id) const { return id_ == id; }

private:
    const JobGrid& grid_;
    JobGrid::JobId id_ = 1;
};
