#include "app/ui/grid_selection.h"

#include <QItemSelectionModel>
#include <QTableView>
#include <algorithm>
#include <limits>

namespace GridSelection {

std::pair<int, int> Rows(const QTableView& view) {
    const QItemSelection selection = view.selectionModel()->selection();
    int top = std::numeric_limits<int>::max();
    int bottom = -1;
    for (const QItemSelectionRange& range : selection) {
        top = std::min(top, range.top());
        bottom = std::max(bottom, range.bottom());
    }
    if (bottom < 0) {
        const QModelIndex current = view.currentIndex();
        top = bottom = current.isValid() ? current.row() : 0;
    }
    return {top + 1, bottom + 1};
}

void Select(QTableView& view, int top, int bottom) {
    const QAbstractItemModel* model = view.model();
    const QModelIndex first = model->index(top - 1, 0);
    const QModelIndex last = model->index(bottom - 1, model->columnCount() - 1);
    if (!first.isValid() || !last.isValid())
        return;
    QItemSelectionModel* selection = view.selectionModel();
    selection->setCurrentIndex(model->index(bottom - 1, 0), QItemSelectionModel::NoUpdate);
    selection->select(QItemSelection(first, last), QItemSelectionModel::ClearAndSelect);
    view.scrollTo(model->index(bottom - 1, 0));
}

} // namespace GridSelection
