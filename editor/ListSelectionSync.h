#pragma once

#include <QObject>

class QTreeView;

namespace quorvane {

class AvailableEntries;
class AvailableEntriesItemModel;

// The list's selection lives in the list of available entries, where the editing rules read and
// change it; this keeps the view's selection and the entries' selected flags the same, whichever
// side changes first.
class ListSelectionSync : public QObject {
public:
    ListSelectionSync(QTreeView& view, AvailableEntriesItemModel& model, AvailableEntries& entries);

private:
    void toEntries();
    void toView(int first, int last);

    QTreeView& m_view;
    AvailableEntriesItemModel& m_model;
    AvailableEntries& m_entries;
    bool m_syncing = false;
};

} // namespace quorvane
