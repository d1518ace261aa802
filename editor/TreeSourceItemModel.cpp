#include "editor/TreeSourceItemModel.h"

#include "editor/CaptionText.h"
#include "editor/QtText.h"
#include "platform/Failure.h"

namespace quorvane {

TreeSourceItemModel::TreeSourceItemModel(TreeSource& source, QObject* parent)
    : EntriesDrag<QAbstractTableModel>(parent), m_source(source) {
    m_source.addObserver(this);
}

TreeSourceItemModel::~TreeSourceItemModel() {
    m_source.removeObserver(this);
}

void TreeSourceItemModel::setImageProvider(ImageProvider provider) {
    m_imageProvider = std::move(provider);
    if (m_source.size() > 0)
        emit dataChanged(index(0, OperationColumn), index(m_source.size() - 1, OperationColumn),
                         {Qt::DecorationRole});
}

TAssoc* TreeSourceItemModel::record(const QModelIndex& index) const {
    return index.isValid() ? static_cast<TAssoc*>(index.internalPointer()) : nullptr;
}

QModelIndex TreeSourceItemModel::createRowIndex(int row, int column) const {
    return createIndex(row, column, m_source.at(row).record);
}

QModelIndex TreeSourceItemModel::index(int row, int column, const QModelIndex& parent) const {
    return hasIndex(row, column, parent) ? createRowIndex(row, column) : QModelIndex();
}

int TreeSourceItemModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_source.size();
}

int TreeSourceItemModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 2;
}

QVariant TreeSourceItemModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const SourceEntry& entry = m_source.at(index.row());
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

bool TreeSourceItemModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return false;
    if (role == SelectedRole) {
        m_source.setSelected(index.row(), value.toBool());
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
        m_source.rename(index.row(), std::move(caption));
    return true;
}

QVariant TreeSourceItemModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    if (section == OperationColumn)
        return QStringLiteral("Operation");
    if (section == DescriptionColumn)
        return QStringLiteral("Description");
    return {};
}

Qt::ItemFlags TreeSourceItemModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    Qt::ItemFlags result = Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled |
                           Qt::ItemIsDropEnabled | Qt::ItemNeverHasChildren;
    if (index.column() == OperationColumn)
        result |= Qt::ItemIsEditable;
    return result;
}

void TreeSourceItemModel::beforeReset() {
    beginResetModel();
}

void TreeSourceItemModel::afterReset() {
    endResetModel();
}

void TreeSourceItemModel::beforeAppend(int row) {
    beginInsertRows({}, row, row);
}

void TreeSourceItemModel::afterAppend(int) {
    endInsertRows();
}

void TreeSourceItemModel::beforeRemove(int row) {
    beginRemoveRows({}, row, row);
}

void TreeSourceItemModel::afterRemove(int) {
    endRemoveRows();
}

void TreeSourceItemModel::changed(int row) {
    emit dataChanged(createRowIndex(row, OperationColumn), createRowIndex(row, DescriptionColumn));
}

} // namespace quorvane
