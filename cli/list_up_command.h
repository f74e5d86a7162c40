#pragma once

#include "cli/cli_command.h"

#include <QString>
#include <QTextStream>
#include <optional>

class CliProfile;

/// `list-up [--url BASE] [--head TEXT] [--digits N] [--start TEXT] [--end TEXT]
/// [--tail TEXT] [-d DIR]`: "List Up" over the saved inputs, the given
/// options replacing them (and stored like the window stores its inputs).
extern const CliCommand ListUpCommand;

/// The inputs of one List Up; each one not given is the saved input.
struct ListUpInputs {
    std::optional<QString> url, head, start, end, tail, dir;
    std::optional<int> digits;
    int step = 1;
    /// `--end open`: the run finds where the series ends, after `misses`
    /// missing numbers in a row.
    std::optional<bool> openEnd;
    std::optional<int> misses;
};

/// Whether a List Up appends jobs the list holds already.
enum class ListedJobs {
    Append, ///< as the window's List Up: pressed twice, the series is listed twice
    Skip,   ///< a job with the same URL and file is not added again, so a repeat resumes
};

/// List Up in an opened, loaded profile: the inputs stored, the URL added to
/// the history, the series appended and the list saved, with the window's
/// refusals. Prints the URL, folder, preview and count; returns the exit
/// code and sets `added` to the number of jobs appended.
int ListUp(CliProfile& profile, const ListUpInputs& inputs, ListedJobs listed, QTextStream& out,
           qint64& added);
