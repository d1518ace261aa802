#include "editor/AvailableEntriesItemModel.h"
#include "editor/DropTargetDelegate.h"
#include "editor/ImageStrip.h"
#include "editor/MenuTreeItemModel.h"
#include "editor/Pictures.h"
#include "menu/RecordPool.h"
#include "platform/Codepage.h"

#include <QAbstractItemModelTester>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>
#include <QTreeView>
#include <functional>
#include <vector>

using namespace quorvane;

namespace {

// Every node of `node`'s subtree appears under `index` with its caption, in the same order.
bool mirrors(const MenuTreeItemModel& model, const QModelIndex& index, const MenuNode* node) {
    if (model.node(index) != node || index.data().toString().toStdString() != node->caption())
        return false;
    if (model.rowCount(index) != node->childCount())
        return false;
    for (int row = 0; row < node->childCount(); ++row)
        if (!mirrors(model, model.index(row, 0, index), node->child(row)))
            return false;
    return true;
}

struct Step {
    const char* name;
    std::function<void()> change;
};

} // namespace

class ItemModelsTest : public QObject {
    Q_OBJECT
private slots:
    void menuModelFollowsEveryChange();
    void menuModelKeepsPersistentIndexesOnMoves();
    void menuModelCaptionsKeepEveryByte();
    void menuModelImagesFromProvider();
    void sourceModelFollowsEveryChange();
    void sourceModelColumnsAndSelection();
    void cellsDrawnAsTheStyleDrawsThem_data();
    void cellsDrawnAsTheStyleDrawsThem();
    void compiledPicturesAreTheFiles_data();
    void compiledPicturesAreTheFiles();
};

void ItemModelsTest::menuModelFollowsEveryChange() {
    RecordPool pool;
    MenuTree tree(pool.rootRecord());
    MenuTreeItemModel model(tree);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);

    MenuNode* sub = nullptr;
    MenuNode* inner = nullptr;
    MenuNode* op = nullptr;
    TAssoc* separator = pool.prototype(Kind::Separator);
    const std::vector<Step> steps{
        {"add last",
         [&] { op = tree.addLastChild(tree.root(), "Stamp", pool.operationRecord(17)); }},
        {"add first",
         [&] { sub = tree.addFirstChild(tree.root(), "Sub", pool.loadedSubmenuRecord()); }},
        {"add into submenu", [&] { inner = tree.addLastChild(sub, "<separator>", separator); }},
        {"insert before", [&] { tree.insertBefore(inner, "Copy", pool.operationRecord(2)); }},
        {"move to another parent, before", [&] { QVERIFY(tree.moveBefore(op, inner)); }},
        {"move forward in the same parent",
         [&] { QVERIFY(tree.moveBefore(sub->child(0), sub->child(2))); }},
        {"move out as first child of the root",
         [&] { QVERIFY(tree.moveAsFirstChild(sub->child(1), tree.root())); }},
        {"move a subtree", [&] { QVERIFY(tree.moveAsFirstChild(sub, tree.root())); }},
        {"mark", [&] { tree.setHasChildrenMark(tree.root()->child(1), true); }},
        {"rename", [&] { tree.rename(sub, "Renamed"); }},
        {"remove a subtree", [&] { tree.remove(sub); }},
        {"reset", [&] { tree.reset(pool.rootRecord()); }},
        {"add after reset", [&] { tree.addLastChild(tree.root(), "Again", separator); }},
    };
    for (const Step& step : steps) {
        step.change();
        QVERIFY2(mirrors(model, model.index(0, 0), tree.root()), step.name);
        QCOMPARE(model.rowCount(), 1);
    }
}

void ItemModelsTest::menuModelKeepsPersistentIndexesOnMoves() {
    RecordPool pool;
    MenuTree tree(pool.rootRecord());
    MenuTreeItemModel model(tree);
    MenuNode* a = tree.addLastChild(tree.root(), "A", pool.loadedSubmenuRecord());
    MenuNode* b = tree.addLastChild(tree.root(), "B", pool.operationRecord(0));
    MenuNode* c = tree.addLastChild(a, "C", pool.operationRecord(1));
    const QPersistentModelIndex pb(model.indexOf(b));
    const QPersistentModelIndex pc(model.indexOf(c));

    QVERIFY(tree.moveAsFirstChild(b, a));
    QCOMPARE(QModelIndex(pb), model.indexOf(b));
    QCOMPARE(QModelIndex(pc), model.indexOf(c));
    QCOMPARE(pb.row(), 0);
    QCOMPARE(pc.row(), 1);

    tree.remove(a);
    QVERIFY(!pb.isValid());
    QVERIFY(!pc.isValid());
}

void ItemModelsTest::menuModelCaptionsKeepEveryByte() {
    RecordPool pool;
    MenuTree tree(pool.rootRecord());
    MenuTreeItemModel model(tree);
    MenuNode* n = tree.addLastChild(tree.root(), "Caf\xE9 \x80 \x8D", pool.operationRecord(3));
    const QModelIndex i = model.indexOf(n);
    QCOMPARE(i.data().toString(), QStringLiteral("Caf\u00e9 \u20ac \u008d"));

    QVERIFY(model.setData(i, i.data()));
    QCOMPARE(n->caption(), std::string("Caf\xE9 \x80 \x8D"));
    QVERIFY(model.setData(i, QStringLiteral("Na\u00efve \u2122")));
    QCOMPARE(n->caption(), std::string("Na\xEFve \x99"));

    // What the settings cannot hold is refused whole, and the caption stays.
    QSignalSpy refused(&model, &MenuTreeItemModel::textRefused);
    QVERIFY(!model.setData(i, QStringLiteral("Na\u00efve \u6f22")));
    QCOMPARE(n->caption(), std::string("Na\xEFve \x99"));
    QCOMPARE(refused.size(), 1);
    QVERIFY(refused[0][0].toString().contains(QStringLiteral("\"\u6f22\" (U+6F22)")));

    // Every byte shows as the character the code page gives it, and comes back as itself; line
    // breaks alone are refused, as no caption may hold one.
    std::string every;
    for (int byte = 1; byte < 256; ++byte)
        if (byte != '\r' && byte != '\n')
            every += static_cast<char>(byte);
    tree.rename(n, every);
    const std::string utf8 = ansiToUtf8(every);
    QCOMPARE(i.data().toString(), QString::fromUtf8(utf8.data(), qsizetype(utf8.size())));
    QVERIFY(model.setData(i, i.data()));
    QCOMPARE(n->caption(), every);
}

void ItemModelsTest::menuModelImagesFromProvider() {
    RecordPool pool;
    MenuTree tree(pool.rootRecord());
    MenuTreeItemModel model(tree);
    MenuNode* n = tree.addLastChild(tree.root(), "Sep", pool.prototype(Kind::Separator));
    QVERIFY(model.indexOf(n).data(Qt::DecorationRole).isNull());

    QSignalSpy changes(&model, &QAbstractItemModel::dataChanged);
    model.setImageProvider([](const MenuNode& node) {
        QPixmap pixmap(16, 16);
        pixmap.fill(node.record()->imageIndex == 3 ? Qt::red : Qt::blue);
        return QIcon(pixmap);
    });
    // The views must be told that the separator's picture changed.
    bool told = false;
    for (const auto& change : changes) {
        const auto first = change.at(0).value<QModelIndex>();
        const auto last = change.at(1).value<QModelIndex>();
        told = told || (first.parent() == model.indexOf(n).parent() && first.row() <= n->row() &&
                        n->row() <= last.row());
    }
    QVERIFY(told);
    const QIcon icon = model.indexOf(n).data(Qt::DecorationRole).value<QIcon>();
    QCOMPARE(icon.pixmap(16, 16).toImage().pixelColor(8, 8), QColor(Qt::red));
}

void ItemModelsTest::sourceModelFollowsEveryChange() {
    RecordPool pool;
    AvailableEntries source;
    AvailableEntriesItemModel model(source);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);

    const std::vector<Step> steps{
        {"append", [&] { source.append("New SubMenu", pool.prototype(Kind::Submenu)); }},
        {"append more",
         [&] {
             source.append("Stamp", pool.operationRecord(17));
             source.append("Copy Name", pool.operationRecord(2), true);
         }},
        {"rename", [&] { source.rename(1, "Stamp it"); }},
        {"select", [&] { source.setSelected(0, true); }},
        {"remove from the middle", [&] { source.remove(1); }},
        {"clear", [&] { source.clear(); }},
        {"append after clear",
         [&] { source.append("<separator>", pool.prototype(Kind::Separator)); }},
    };
    for (const Step& step : steps) {
        step.change();
        QCOMPARE(model.rowCount(), source.size());
        for (int row = 0; row < source.size(); ++row) {
            const QModelIndex i = model.index(row, AvailableEntriesItemModel::OperationColumn);
            QVERIFY2(i.data().toString().toStdString() == source.at(row).caption, step.name);
            QVERIFY2(model.record(i) == source.at(row).record, step.name);
            QVERIFY2(i.data(AvailableEntriesItemModel::SelectedRole).toBool() ==
                         source.at(row).selected,
                     step.name);
        }
    }
}

void ItemModelsTest::sourceModelColumnsAndSelection() {
    RecordPool pool;
    AvailableEntries source;
    AvailableEntriesItemModel model(source);
    source.append("MoveTo Item", pool.prototype(Kind::MoveTo));

    QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("Operation"));
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Description"));
    QCOMPARE(model.index(0, 1).data().toString(), QStringLiteral("This is an unset Move To Item"));
    // Only the caption can be edited; the description belongs to the record.
    QVERIFY(model.flags(model.index(0, 0)) & Qt::ItemIsEditable);
    QVERIFY(!(model.flags(model.index(0, 1)) & Qt::ItemIsEditable));
    QVERIFY(!model.setData(model.index(0, 1), QStringLiteral("x")));

    QSignalSpy changes(&model, &QAbstractItemModel::dataChanged);
    QVERIFY(model.setData(model.index(0, 0), true, AvailableEntriesItemModel::SelectedRole));
    QVERIFY(source.at(0).selected);
    QCOMPARE(changes.count(), 1);
}

// The delegate draws a text that fits its cell itself; whatever it draws, a cell must look exactly
// as the style draws it.
void ItemModelsTest::cellsDrawnAsTheStyleDrawsThem_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("picture");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("alignment");
    QTest::addColumn<Qt::LayoutDirection>("direction");
    QTest::addColumn<bool>("dropTarget");
    QTest::addColumn<bool>("selectionWithPicture");

    const int normal = QStyle::State_Enabled | QStyle::State_Active;
    const int left = Qt::AlignLeft | Qt::AlignVCenter;
    const auto ltr = Qt::LeftToRight;
    QTest::newRow("plain") << "Copy To" << false << 200 << normal << left << ltr << false << true;
    QTest::newRow("picture") << "Move To" << true << 200 << normal << left << ltr << false << true;
    QTest::newRow("selected") << "Explore" << true << 200 << (normal | QStyle::State_Selected)
                              << left << ltr << false << true;
    QTest::newRow("selected, window inactive")
        << "Explore" << true << 200 << int(QStyle::State_Enabled | QStyle::State_Selected) << left
        << ltr << false << true;
    QTest::newRow("focus") << "Explore" << true << 200 << (normal | QStyle::State_HasFocus) << left
                           << ltr << false << true;
    QTest::newRow("disabled") << "Explore" << true << 200 << int(QStyle::State_Active) << left
                              << ltr << false << true;
    QTest::newRow("cut short") << "Sets the date/time of the selected objects" << true << 90
                               << normal << left << ltr << false << true;
    QTest::newRow("just fits") << "Clipboard" << false << 0 << normal << left << ltr << false
                               << true;
    QTest::newRow("right-aligned")
        << "Stamp" << false << 200 << normal << int(Qt::AlignRight | Qt::AlignVCenter) << ltr
        << false << true;
    QTest::newRow("right to left")
        << "Stamp" << true << 200 << normal << left << Qt::RightToLeft << false << true;
    QTest::newRow("trailing spaces")
        << "Stamp   " << true << 200 << normal << left << ltr << false << true;
    QTest::newRow("selection beside the picture")
        << "Explore" << true << 200 << (normal | QStyle::State_Selected) << left << ltr << false
        << false;
    QTest::newRow("drop target") << "Send To" << true << 200 << normal << left << ltr << true
                                 << true;
}

void ItemModelsTest::cellsDrawnAsTheStyleDrawsThem() {
    QFETCH(QString, text);
    QFETCH(bool, picture);
    QFETCH(int, width);
    QFETCH(int, state);
    QFETCH(int, alignment);
    QFETCH(Qt::LayoutDirection, direction);
    QFETCH(bool, dropTarget);
    QFETCH(bool, selectionWithPicture);

    QStandardItemModel model(1, 1);
    auto* item = new QStandardItem(text);
    if (picture) {
        QPixmap pixmap(16, 16);
        pixmap.fill(Qt::darkYellow);
        item->setIcon(QIcon(pixmap));
    }
    item->setTextAlignment(Qt::Alignment(alignment));
    model.setItem(0, 0, item);
    QTreeView view;
    view.setModel(&model);
    const QModelIndex index = model.index(0, 0);
    DropTargetDelegate delegate([&] { return dropTarget ? index : QModelIndex(); });
    QStyledItemDelegate styled;

    QStyleOptionViewItem option;
    option.initFrom(&view);
    option.widget = &view;
    option.state = QStyle::State(state);
    option.direction = direction;
    option.decorationSize = QSize(16, 16);
    option.decorationPosition = QStyleOptionViewItem::Left;
    option.decorationAlignment = Qt::AlignCenter;
    option.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    option.textElideMode = Qt::ElideRight;
    option.showDecorationSelected = selectionWithPicture;
    option.rect = QRect(QPoint(0, 0), delegate.sizeHint(option, index));
    if (width > 0)
        option.rect.setWidth(width);
    QStyleOptionViewItem expectedOption = option;
    if (dropTarget)
        expectedOption.state |= QStyle::State_Selected;

    const auto draw = [&](const QStyledItemDelegate& d, const QStyleOptionViewItem& o) {
        QImage image(o.rect.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        QPainter painter(&image);
        d.paint(&painter, o, index);
        painter.end();
        return image;
    };
    const QImage drawn = draw(delegate, option);
    const QImage expected = draw(styled, expectedOption);
    QCOMPARE(drawn, expected);
    // The text is really there: the cell differs from one drawn without it.
    model.setData(index, QString());
    QVERIFY(draw(styled, expectedOption) != expected);
}

// The pixels compiled in are what Qt reads from the picture files, the strip's olive left out.
void ItemModelsTest::compiledPicturesAreTheFiles_data() {
    QTest::addColumn<QImage>("compiled");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QColor>("transparent");
    QTest::addColumn<QSize>("size");
    QTest::newRow("small images") << smallImages() << "SmallImages.xpm" << QColor(128, 128, 0)
                                  << QSize(144, 16);
    QTest::newRow("small images, 32")
        << smallImages32() << "SmallImages32.xpm" << QColor(128, 128, 0) << QSize(288, 32);
    QTest::newRow("icon, 64") << icon64() << "quorvane64.xpm" << QColor() << QSize(64, 64);
    QTest::newRow("icon, 32") << icon32() << "quorvane32.xpm" << QColor() << QSize(32, 32);
    QTest::newRow("icon, 16") << icon16() << "quorvane16.xpm" << QColor() << QSize(16, 16);
}

void ItemModelsTest::compiledPicturesAreTheFiles() {
    QFETCH(QImage, compiled);
    QFETCH(QString, file);
    QFETCH(QColor, transparent);
    QFETCH(QSize, size);
    QImage expected(QStringLiteral(QUORVANE_RESOURCES "/") + file, "XPM");
    QVERIFY(!expected.isNull());
    expected = expected.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    int leftOut = 0;
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            if (transparent.isValid() && expected.pixel(x, y) == transparent.rgba()) {
                expected.setPixel(x, y, 0);
                ++leftOut;
            }
    QVERIFY(!transparent.isValid() || leftOut > 0);
    QCOMPARE(compiled.size(), size);
    QCOMPARE(compiled, expected);

    // The strip cuts into its nine pictures, each drawn somewhere and see-through elsewhere, and
    // an icon of one draws its large version where a pixel is two device pixels.
    if (file != QLatin1String("SmallImages.xpm"))
        return;
    ImageStrip strip(compiled, 16, smallImages32());
    strip.load();
    QCOMPARE(strip.images().size(), 9);
    for (const QPixmap& picture : strip.images()) {
        const QImage image = picture.toImage();
        QCOMPARE(image.size(), QSize(16, 16));
        QVERIFY(image.hasAlphaChannel());
    }
    QImage large = strip.icon(5, 5).pixmap(QSize(16, 16), 2.0).toImage();
    large.setDevicePixelRatio(1);
    QCOMPARE(large.convertToFormat(QImage::Format_ARGB32_Premultiplied),
             strip.largeImages()[5].toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied));
}

QTEST_MAIN(ItemModelsTest)
#include "ItemModelsTest.moc"
