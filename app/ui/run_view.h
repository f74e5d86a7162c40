#pragma once

#include <functional>

class DownloadRun;
class JobGrid;
class RunPresenter;
struct MainWindowControls;

/// The run as the window shows it: the run's events go to the presenter, and
/// what it makes of them to the status bar, the grid, the file's progress bar
/// and the log pane.
namespace RunView {

/// Wires `run` through `presenter` to `controls`, whose grid shows `grid`.
/// Every mark but "↓" is an outcome the saved list must keep:
/// `outcomeMarked` hears of it before the presenter. The connections go with
/// the presenter.
void Connect(DownloadRun& run, RunPresenter& presenter, MainWindowControls& controls,
             const JobGrid& grid, std::function<void()> outcomeMarked);

} // namespace RunView
