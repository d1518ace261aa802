#pragma once

#include "editor/EntriesDrag.h"
#include "menu/MenuTree.h"

#include <QAbstractItemModel>
#include <QIcon>
#include <QPersistentModelIndex>
#include <functional>
#include <string>

namespace quorvane {

// The menu tree as Qt sees it: one column, the root as the only top-level row. Each index holds
// its MenuNode; every change of the tree reaches the views as the matching begin/end pair.
class MenuTreeItemModel : public EntriesDrag<QAbstractItemModel>, private MenuTreeObserver {
    Q_OBJECT
public:
    // The picture of a node, its selected picture in the icon's Selected mode.
    using ImageProvider = std::function<QIcon(const MenuNode&)>;
    // Takes over renaming from the model, so the editing rules can refuse or adjust a caption.
    using RenameHandler = std::function<void(MenuNode*, std::string)>;

    explicit MenuTreeItemModel(MenuTree& tree, QObject* parent = nullptr);
    ~MenuTreeItemModel() override;

    void setImageProvider(ImageProvider provider);
    void setRenameHandler(RenameHandler handler) { m_renameHandler = std::move(handler); }

    MenuNode* node(const QModelIndex& index) const;
    QModelIndex indexOf(const MenuNode* node) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    // Each node that leaves the tree, while it still exists; moves do not count.
    void nodeAboutToLeave(MenuNode* node);
    // The caption `typed` for `index` was refused as it could not be stored; `reason` names what
    // stands in the way.
    void textRefused(const QString& reason, const QPersistentModelIndex& index,
                     const QString& typed);

private:
    void beforeReset() override;
    void afterReset() override;
    void beforeInsert(MenuNode* parent, int row) override;
    void afterInsert(MenuNode* node) override;
    void beforeRemove(MenuNode* node) override;
    void afterRemove() override;
    void nodeLeaving(MenuNode* node) override;
    void beforeMove(MenuNode* node, MenuNode* newParent, int destinationRow) override;
    void afterMove(MenuNode* node) override;
    void changed(MenuNode* node) override;

    MenuTree& m_tree;
    ImageProvider m_imageProvider;
    RenameHandler m_renameHandler;
    // A move the views cannot take as a move is passed on as a reset.
    bool m_moveAsReset = false;
};

} // namespace quorvane
