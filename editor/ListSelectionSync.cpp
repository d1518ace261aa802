#include "editor/ListSelectionSync.h"

#include "editor/AvailableEntriesItemModel.h"
#include "menu/AvailableEntries.h"

#include <QItemSelectionModel>
#include <QTreeView>
#include <algorithm>

namespace quorvane {

ListSelectionSync::ListSelectionSync(QTreeView& view, AvailableEntriesItemModel& model,
                                     AvailableEntries& entries)
    : QObject(&view), m_view(view), m_model(model), m_entries(entries) {
    QItemSelectionModel* selection = view.selectionModel();
    // The list selects whole entries; its current cell stays in the caption column, which F2
    // edits, and a click on a long description does not scroll the captions out of sight.
    connect(selection, &QItemSelectionModel::currentChanged, this,
            [selection](const QModelIndex& current) {
                if (current.isValid() &&
                    current.column() != AvailableEntriesItemModel::OperationColumn)
                    selection->setCurrentIndex(
                        current.siblingAtColumn(AvailableEntriesItemModel::OperationColumn),
                        QItemSelectionModel::NoUpdate);
            });
    connect(selection, &QItemSelectionModel::selectionChanged, this, &ListSelectionSync::toEntries);
    connect(&model, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& first, const QModelIndex& last) {
                toView(first.row(), last.row());
            });
    connect(&model, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) { toView(first, last); });
}

void ListSelectionSync::toEntries() {
    if (m_syncing)
        return;
    m_syncing = true;
    const QItemSelectionModel* selection = m_view.selectionModel();
    for (int row = 0; row < m_entries.size(); ++row)
        m_entries.setSelected(row, selection->isRowSelected(row));
    m_syncing = false;
}

void ListSelectionSync::toView(int first, int last) {
    if (m_syncing)
        return;
    m_syncing = true;
    QItemSelectionModel* selection = m_view.selectionModel();
    for (int row = std::max(first, 0); row <= last && row < m_entries.size(); ++row) {
        if (selection->isRowSelected(row) == m_entries.at(row).selected)
            continue;
        selection->select(m_model.index(row, 0),
                          (m_entries.at(row).selected ? QItemSelectionModel::Select
                                                      : QItemSelectionModel::Deselect) |
                              QItemSelectionModel::Rows);
    }
    m_syncing = false;
}

} // namespace quorvane
