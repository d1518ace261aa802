#pragma once

#include <QAbstractItemModel>
#include <QMimeData>
#include <QStringList>

namespace quorvane {

// The internal drag format: the views accept drags only from each other, and the window reads
// what is dragged from their selections, so the payload carries nothing.
inline constexpr char entriesMimeType[] = "application/x-quorvane-entries";

// The drag side of both item models: entries are dragged in the internal format, and every drag
// of it may drop, as what a drop does is the window's decision; the model only reports what
// then changes.
template <typename Model> class EntriesDrag : public Model {
public:
    using Model::Model;

    QStringList mimeTypes() const override { return {QLatin1String(entriesMimeType)}; }
    QMimeData* mimeData(const QModelIndexList&) const override {
        auto* data = new QMimeData;
        data->setData(QLatin1String(entriesMimeType), {});
        return data;
    }
    Qt::DropActions supportedDragActions() const override {
        return Qt::MoveAction | Qt::CopyAction;
    }
    Qt::DropActions supportedDropActions() const override {
        return Qt::MoveAction | Qt::CopyAction;
    }
    bool canDropMimeData(const QMimeData* data, Qt::DropAction, int, int,
                         const QModelIndex&) const override {
        return data && data->hasFormat(QLatin1String(entriesMimeType));
    }
    bool dropMimeData(const QMimeData*, Qt::DropAction, int, int, const QModelIndex&) override {
        return false;
    }
};

} // namespace quorvane
