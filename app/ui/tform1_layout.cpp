// The main window's layout: how the grid's columns share its width, and the
// geometry, splitter and column widths kept in the settings between runs.
#include "app/status_mark.h"
#include "app/ui/tform1.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QSplitter>
#include <QTableView>
#include <algorithm>

void TForm1::FitGridColumns() {
    QHeaderView* columns = StringGrid1->horizontalHeader();
    // The URL is what a series differs in least: it gives up width first,
    // and a wide window gives it the rest instead of an empty strip.
    columns->setSectionResizeMode(JobGrid::UrlColumn, QHeaderView::Stretch);
    int marks = 0;
    for (const QString& mark : {StatusMark::Done, StatusMark::Requested, StatusMark::Skipped,
                                StatusMark::Small, StatusMark::Failed, StatusMark::GivenUp})
        marks = std::max(marks, StringGrid1->fontMetrics().horizontalAdvance(mark));
    const int status = std::max({JobGrid::ColumnWidth(JobGrid::StatusColumn),
                                 columns->sectionSizeHint(JobGrid::StatusColumn), marks + 8});
    StringGrid1->setColumnWidth(JobGrid::StatusColumn, status);
    StringGrid1->setColumnWidth(JobGrid::UrlColumn, JobGrid::ColumnWidth(JobGrid::UrlColumn));
    StringGrid1->setColumnWidth(JobGrid::PathColumn, JobGrid::ColumnWidth(JobGrid::PathColumn));
}

WindowSettings TForm1::CurrentWindowSettings() const {
    WindowSettings w;
    w.maximized = isMaximized();
    // The size to come back to from a maximized window, not the screen's.
    w.geometry = normalGeometry().isValid() ? normalGeometry() : geometry();
    w.splitterSizes = Splitter1->sizes();
    for (int c = 0; c < JobGrid::ColumnCount; ++c)
        w.columnWidths << StringGrid1->columnWidth(c);
    return w;
}

void TForm1::ApplyWindowSettings(const WindowSettings& w) {
    if (w.geometry.isValid()) {
        // A window left on a screen that is gone comes back at its size on
        // the primary one, where the window manager places it.
        const auto screens = QGuiApplication::screens();
        const bool onScreen = std::any_of(screens.begin(), screens.end(), [&](QScreen* screen) {
            return screen->availableGeometry().intersects(w.geometry);
        });
        if (onScreen)
            setGeometry(w.geometry);
        else
            resize(w.geometry.size());
    }
    if (w.maximized)
        setWindowState(windowState() | Qt::WindowMaximized);
    if (w.splitterSizes.size() == Splitter1->count())
        Splitter1->setSizes(w.splitterSizes);
    if (w.columnWidths.size() == JobGrid::ColumnCount)
        for (int c = 0; c < JobGrid::ColumnCount; ++c)
            if (c != JobGrid::UrlColumn) // it takes what the others leave
                StringGrid1->setColumnWidth(c, w.columnWidths[c]);
}
