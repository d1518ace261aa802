#pragma once

#include "editor/EntriesDrag.h"
#include "menu/AvailableEntries.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <QPersistentModelIndex>
#include <functional>
#include <string>

namespace quorvane {

// The list of available entries as Qt sees it: columns "Operation" (the caption, with the
// record's picture) and "Description" (the record's description). Each index holds its entry's
// record; every change of the list reaches the views as the matching begin/end pair.
class AvailableEntriesItemModel : public EntriesDrag<QAbstractTableModel>,
                                  private AvailableEntriesObserver {
    Q_OBJECT
public:
    enum Column { OperationColumn = 0, DescriptionColumn = 1 };
    // The entry's selected state as the core list keeps it.
    static constexpr int SelectedRole = Qt::UserRole + 1;

    using ImageProvider = std::function<QIcon(const TAssoc&)>;
    // Takes over renaming from the model, so the editing rules can refuse or adjust a caption.
    using RenameHandler = std::function<void(int row, std::string)>;

    explicit AvailableEntriesItemModel(AvailableEntries& source, QObject* parent = nullptr);
    ~AvailableEntriesItemModel() override;

    void setImageProvider(ImageProvider provider);
    void setRenameHandler(RenameHandler handler) { m_renameHandler = std::move(handler); }

    TAssoc* record(const QModelIndex& index) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    // The caption `typed` for `index` was refused as it could not be stored; `reason` names what
    // stands in the way.
    void textRefused(const QString& reason, const QPersistentModelIndex& index,
                     const QString& typed);

private:
    QModelIndex createRowIndex(int row, int column) const;

    void beforeReset() override;
    void afterReset() override;
    void beforeAppend(int row) override;
    void afterAppend(int row) override;
    void beforeRemove(int row) override;
    void afterRemove(int row) override;
    void changed(int row) override;

    AvailableEntries& m_available;
    ImageProvider m_imageProvider;
    RenameHandler m_renameHandler;
};

} // namespace quorvane
