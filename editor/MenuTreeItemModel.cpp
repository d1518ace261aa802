#include "editor/MenuTreeItemModel.h"

#include "editor/CaptionText.h"
#include "gui/QtText.h"
#include "platform/Failure.h"

namespace quorvane {

MenuTreeItemModel::MenuTreeItemModel(MenuTree& tree, QObject* parent)
    : EntriesDrag<QAbstractItemModel>(parent), m_tree(tree) {
    m_tree.addObserver(this);
}

MenuTreeItemModel::~MenuTreeItemModel() {
    m_tree.removeObserver(this);
}

void MenuTreeItemModel::setImageProvider(ImageProvider provider) {
    m_imageProvider = std::move(provider);
    for (MenuNode* n : m_tree.inTreeOrder()) {
        const QModelIndex i = indexOf(n);
        emit dataChanged(i, i, {Qt::DecorationRole});
    }
}

MenuNode* MenuTreeItemModel::node(const QModelIndex& index) const {
    return index.isValid() ? static_cast<MenuNode*>(index.internalPointer()) : nullptr;
}

QModelIndex MenuTreeItemModel::indexOf(const MenuNode* node) const {
    if (!node)
        return {};
    return createIndex(node->row(), 0, const_cast<MenuNode*>(node));
}

QModelIndex MenuTreeItemModel::index(int row, int column, const QModelIndex& parent) const {
    if (!hasIndex(row, column, parent))
        return {};
    if (!parent.isValid())
        return indexOf(m_tree.root());
    return createIndex(row, column, node(parent)->child(row));
}

QModelIndex MenuTreeItemModel::parent(const QModelIndex& child) const {
    const MenuNode* n = node(child);
    return n ? indexOf(n->parent()) : QModelIndex();
}

int MenuTreeItemModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid())
        return 1;
    if (parent.column() != 0)
        return 0;
    return node(parent)->childCount();
}

int MenuTreeItemModel::columnCount(const QModelIndex&) const {
    return 1;
}

// The header is hidden, but a screen reader still reads its title, which would otherwise be "1".
QVariant MenuTreeItemModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && section == 0 && role == Qt::DisplayRole)
        return QStringLiteral("Menu");
    return {};
}

bool MenuTreeItemModel::hasChildren(const QModelIndex& parent) const {
    if (!parent.isValid())
        return true;
    return parent.column() == 0 && node(parent)->hasChildren();
}

QVariant MenuTreeItemModel::data(const QModelIndex& index, int role) const {
    const MenuNode* n = node(index);
    if (!n)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return ansiToQt(n->caption());
    case Qt::DecorationRole:
        if (m_imageProvider)
            return m_imageProvider(*n);
        return {};
    default:
        return {};
    }
}

bool MenuTreeItemModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    MenuNode* n = node(index);
    if (!n || role != Qt::EditRole)
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
        m_renameHandler(n, std::move(caption));
    else
        m_tree.rename(n, std::move(caption));
    return true;
}

Qt::ItemFlags MenuTreeItemModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    const Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable |
                                Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
    // The view keeps any row it was asked to open as open, an operation too (the '*' key opens
    // every row below the current one); only with this flag does it, and so a screen reader, not
    // call an entry that can never hold others open.
    const MenuNode* n = node(index);
    if (n && !holdsEntries(n->record()->kind))
        return flags | Qt::ItemNeverHasChildren;
    return flags;
}

void MenuTreeItemModel::beforeReset() {
    beginResetModel();
}

void MenuTreeItemModel::afterReset() {
    endResetModel();
}

void MenuTreeItemModel::beforeInsert(MenuNode* parent, int row) {
    beginInsertRows(indexOf(parent), row, row);
}

void MenuTreeItemModel::afterInsert(MenuNode*) {
    endInsertRows();
}

void MenuTreeItemModel::beforeRemove(MenuNode* node) {
    const int row = node->row();
    beginRemoveRows(indexOf(node->parent()), row, row);
}

void MenuTreeItemModel::afterRemove() {
    endRemoveRows();
}

void MenuTreeItemModel::nodeLeaving(MenuNode* node) {
    emit nodeAboutToLeave(node);
}

void MenuTreeItemModel::beforeMove(MenuNode* node, MenuNode* newParent, int destinationRow) {
    const int row = node->row();
    m_moveAsReset =
        !beginMoveRows(indexOf(node->parent()), row, row, indexOf(newParent), destinationRow);
    if (m_moveAsReset)
        beginResetModel();
}

void MenuTreeItemModel::afterMove(MenuNode*) {
    if (m_moveAsReset)
        endResetModel();
    else
        endMoveRows();
    m_moveAsReset = false;
}

void MenuTreeItemModel::changed(MenuNode* node) {
    const QModelIndex i = indexOf(node);
    emit dataChanged(i, i);
}

} // namespace quorvane
