#include "editor/AvailableEntriesItemModel.h"

#include "editor/CaptionText.h"
#include "gui/QtText.h"
#include "platform/Failure.h"

namespace quorvane {

AvailableEntriesItemModel::AvailableEntriesItemModel(AvailableEntries& source, QObject* parent)
    : EntriesDrag<QAbstractTableModel>(parent), m_available(source) {
    m_available.addObserver(this);
}

AvailableEntriesItemModel::~AvailableEntriesItemModel() {
    m_available.removeObserver(this);
}

void AvailableEntriesItemModel::setImageProvider(ImageProvider provider) {
    m_imageProvider = std::move(provider);
    if (m_available.size() > 0)
        emit dataChanged(index(0, OperationColumn), index(m_available.size() - 1, OperationColumn),
                         {Qt::DecorationRole});
}

TAssoc* AvailableEntriesItemModel::record(const QModelIndex& index) const {
    return index.isValid() ? static_cast<TAssoc*>(index.internalPointer()) : nullptr;
}

QModelIndex AvailableEntriesItemModel::createRowIndex(int row, int column) const {
    return createIndex(row, column, m_available.at(row).record);
}

QModelIndex AvailableEntriesItemModel::index(int row, int column, const QModelIndex& parent) const {
    return hasIndex(row, column, parent) ? createRowIndex(row, column) : QModelIndex();
}

int AvailableEntriesItemModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_available.size();
}

int AvailableEntriesItemModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 2;
}

QVariant AvailableEntriesItemModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const AvailableEntry& entry = m_available.at(index.row());
    if (role == SelectedRole)
        return entry.selected;
    if (index.column() == OperationColumn) {
        if (role == Qt::DisplayRole || role == Qt::EditRole)
            return ansiToQt(entry.caption);
        if (role == Qt::DecorationRole && m_imageProvider)
            return m_imageProvider(*entry.record);
    } else if (role == Qt::DisplayRole) {
        return ansiToQt(entry.record->descriptionOrTarget);
    }
    return {};
}

bool AvailableEntriesItemModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return false;
    if (role == SelectedRole) {
        m_available.setSelected(index.row(), value.toBool());
        return true;
    }
    if (role != Qt::EditRole || index.column() != OperationColumn)
        return false;
    std::string caption;
    try {
        caption = captionText(value.toString());
    } catch (const Failure& refusal) {
        emit textRefused(failureText(refusal.what()), QPersistentModelIndex(index),
                         value.toString());
        return false;
    }
    if (m_renameHandler)
        m_renameHandler(index.row(), std::move(caption));
    else
        m_available.rename(index.row(), std::move(caption));
    return true;
}

QVariant AvailableEntriesItemModel::headerData(int section, Qt::Orientation orientation,
                                               int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    if (section == OperationColumn)
        return QStringLiteral("Operation");
    if (section == DescriptionColumn)
        return QStringLiteral("Description");
    return {};
}

Qt::ItemFlags AvailableEntriesItemModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    Qt::ItemFlags result = Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled |
                           Qt::ItemIsDropEnabled | Qt::ItemNeverHasChildren;
    if (index.column() == OperationColumn)
        result |= Qt::ItemIsEditable;
    return result;
}

void AvailableEntriesItemModel::beforeReset() {
    beginResetModel();
}

void AvailableEntriesItemModel::afterReset() {
    endResetModel();
}

void AvailableEntriesItemModel::beforeAppend(int row) {
    beginInsertRows({}, row, row);
}

void AvailableEntriesItemModel::afterAppend(int) {
    endInsertRows();
}

void AvailableEntriesItemModel::beforeRemove(int row) {
    beginRemoveRows({}, row, row);
}

void AvailableEntriesItemModel::afterRemove(int) {
    endRemoveRows();
}

void AvailableEntriesItemModel::changed(int row) {
    emit dataChanged(createRowIndex(row, OperationColumn), createRowIndex(row, DescriptionColumn));
}

} // namespace quorvane
