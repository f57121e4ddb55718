// Giving colours to features and taking them away through the feature tree:
// drops on feature rows, structure-tree rows and fractures, automatic
// assignment, the remove buttons and removal for the selection.
#include "support/actionlogrecords.h"
#include "support/colorconsistency.h"
#include "support/colorproject.h"
#include "support/dragdelivery.h"
#include "support/platformmessages.h"
#include "support/testfiles.h"
#include "support/windowchildren.h"

#include "ui/mainwindow/mainwindow.h"
#include "ui/codeview/backgroundfracture.h"
#include "ui/codeview/codeview.h"
#include "ui/codeview/sidebarfracture.h"
#include "ui/colors/colordragpayload.h"
#include "ui/colors/colormanager.h"
#include "ui/colors/mylistwidgetitem.h"
#include "ui/colors/mytreewidgetitem.h"
#include "ui/images/resources.h"
#include "ui/featuretree/featuretreewidget.h"
#include "ui/structure/smvtreewidget.h"
#include "ui/structure/stnode.h"
#include "ui/questionnaire/questiondialog.h"

#include <QApplication>
#include <QCursor>
#include <QDataStream>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QGraphicsView>
#include <QIcon>
#include <QListWidget>
#include <QMimeData>
#include <QRadioButton>
#include <QSlider>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeWidgetItemIterator>

#include <cstdlib>

using namespace TestSupport;

namespace {

// Exposes the view's drag state.
class StateTree : public FeatureTreeWidget
{
public:
    using FeatureTreeWidget::FeatureTreeWidget;
    using FeatureTreeWidget::state;
    bool dragging() const { return state() == DraggingState; }
    bool idle() const { return state() == NoState; }
};

enum class DragData { Palette, PaletteWithPayload, Unknown, Text };

std::unique_ptr<QMimeData> dragData(DragData kind, QListWidget *palette)
{
    std::unique_ptr<QMimeData> data;
    switch (kind) {
    case DragData::Palette:
        return paletteDragData(palette);
    case DragData::PaletteWithPayload: {
        data = paletteDragData(palette);
        QByteArray bytes;
        QDataStream stream(&bytes, QIODevice::WriteOnly);
        QPixmap pixmap(4, 4);
        pixmap.fill(Qt::red);
        stream << pixmap << QPoint(3, 4);
        data->setData(kFeatureTreeDragType, bytes);
        return data;
    }
    case DragData::Unknown:
        data = std::make_unique<QMimeData>();
        data->setData(QStringLiteral("application/x-something-else"), "x");
        return data;
    case DragData::Text:
        data = std::make_unique<QMimeData>();
        data->setText(QStringLiteral("dragged text"));
        return data;
    }
    return data;
}

QList<int> range(int from, int to, int step = 1)
{
    QList<int> values;
    for (int i = from; i < to; i += step)
        values << i;
    return values;
}

} // namespace

class TestColorAssignment : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void pickPaletteEntries_data();
    void pickPaletteEntries();

    void dropOnFeatureTree_data();
    void dropOnFeatureTree();
    void dropOnFeatureView_data();
    void dropOnFeatureView();
    void dropOnFractures_data();
    void dropOnFractures();
    void dropLeavesTheDraggingState();
    void assignSelectedColorByName_data();
    void assignSelectedColorByName();
    void sweepOfRowsShowingTheColour_data();
    void sweepOfRowsShowingTheColour();
    void sweepNeverTakesTheColourOfTheTargetFeature();

    void automaticAssignment_data();
    void automaticAssignment();
    void automaticAssignmentOfOneRowUsesTheUnseededGenerator();
    void automaticAssignmentWithNothingSelected();

    void removeButton();
    void removalByButton_data();
    void removalByButton();
    void removalBySelection_data();
    void removalBySelection();
    void operationsWithoutWindow();

private:
    void openSmall(bool withTab = true);
    void openWide(int features, int paletteSize);
    // Selects the palette entry holding color (none for null).
    void selectEntry(PaletteColor *color);
    // Colours a feature row through the palette, as a drop would.
    void colourRow(const QString &name, PaletteColor *color);
    QPoint windowPos(QWidget *widget, const QPoint &pos) const
    {
        return widget->mapTo(m_window.get(), pos);
    }
    FeatureTreeWidget *tree() const { return m_window->featureTree(); }
    ColorManager *manager() const { return m_window->colorManager(); }
    QListWidget *palette() const { return child<QListWidget>(*m_window, "listWidget"); }
    Feature *feature(const QString &name) const { return tree()->findFeature(name); }
    PaletteColor *colorOf(const QString &name) const { return manager()->colorOf(feature(name)); }
    bool isColored(const QString &name) const
    {
        PaletteColor *color = colorOf(name);
        return color != manager()->lightGrey() && color != manager()->darkGrey();
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_project;
    std::unique_ptr<MainWindow> m_window;
};

void TestColorAssignment::initTestCase()
{
    qputenv("USERNAME", "tester");
    installPlatformMessageFilter();
    initImageResources();
}

void TestColorAssignment::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_project = m_dir->filePath(QStringLiteral("project"));
}

void TestColorAssignment::cleanup()
{
    m_window.reset();
    m_dir.reset();
}

void TestColorAssignment::openSmall(bool withTab)
{
    QVERIFY(writeSmallProject(m_project));
    m_window = std::make_unique<MainWindow>(m_project);
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QCOMPARE(tree()->features()->size(), smallFeatures.size());
    if (withTab)
        QVERIFY(openTab(*m_window, QStringLiteral("Client.java")));
    QVERIFY2(checkInStep(*m_window).isEmpty(), qPrintable(checkInStep(*m_window)));
}

void TestColorAssignment::openWide(int features, int paletteSize)
{
    QVERIFY(writeWideProject(m_project, features));
    m_window = std::make_unique<MainWindow>(m_project);
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QCOMPARE(tree()->features()->size(), features);
    manager()->generatePalette(paletteSize);
    tree()->refreshPalette();
    QCOMPARE(palette()->count(), paletteSize);
}

void TestColorAssignment::selectEntry(PaletteColor *color)
{
    palette()->clearSelection();
    if (!color)
        return;
    MyListWidgetItem *entry = paletteEntry(palette(), color);
    QVERIFY2(entry, "the colour has no palette entry");
    entry->setSelected(true);
}

void TestColorAssignment::colourRow(const QString &name, PaletteColor *color)
{
    selectEntry(color);
    tree()->assignSelectedColor(name);
    QCOMPARE(colorOf(name), color);
}

// ---------------------------------------------------------------------------

void TestColorAssignment::pickPaletteEntries_data()
{
    QTest::addColumn<QList<int>>("entries"); // colour record per entry, -1 for none
    QTest::addColumn<int>("selected");
    QTest::addColumn<int>("randomValue");
    QTest::addColumn<QList<int>>("expected");
    QTest::addColumn<int>("draws");

    QTest::newRow("three rows, ten entries: every fourth")
        << range(0, 10) << 3 << 0 << QList<int>{0, 4, 8} << 0;
    QTest::newRow("twenty rows, ten entries: all ten in order")
        << range(0, 10) << 20 << 0 << range(0, 10) << 0;
    QTest::newRow("thirty rows, forty entries: step raised to two, then the odd ones")
        << range(0, 40) << 30 << 0 << range(0, 40, 2) + range(1, 20, 2) << 0;
    QTest::newRow("two rows, five entries: first and last")
        << range(0, 5) << 2 << 0 << QList<int>{0, 4} << 0;
    QTest::newRow("one row: the random value modulo the count")
        << range(0, 7) << 1 << 23 << QList<int>{2} << 1;
    QTest::newRow("many rows, one entry: drawn at random")
        << QList<int>{0} << 5 << 5 << QList<int>{0} << 1;
    QTest::newRow("nothing selected still draws once") << range(0, 4) << 0 << 9 << QList<int>{}
                                                       << 1;
    QTest::newRow("empty palette draws nothing") << QList<int>{} << 3 << 0 << QList<int>{} << 0;
    QTest::newRow("a repeated colour record is chosen once")
        << QList<int>{0, 0, 1} << 3 << 0 << QList<int>{0, 2} << 0;
    QTest::newRow("the search ends when every colour is taken")
        << QList<int>{0, 0, 0} << 2 << 0 << QList<int>{0} << 0;
    QTest::newRow("entries without a colour are skipped")
        << QList<int>{-1, 5, -1} << 1 << 3 << QList<int>{1} << 1;
}

void TestColorAssignment::pickPaletteEntries()
{
    QFETCH(QList<int>, entries);
    QFETCH(int, selected);
    QFETCH(int, randomValue);
    QFETCH(QList<int>, expected);
    QFETCH(int, draws);

    std::vector<std::unique_ptr<PaletteColor>> records;
    QList<PaletteColor *> list;
    for (int id : std::as_const(entries)) {
        while (id >= 0 && int(records.size()) <= id)
            records.push_back(std::make_unique<PaletteColor>(QColor(Qt::red)));
        list << (id >= 0 ? records.at(id).get() : nullptr);
    }
    int drawn = 0;
    const QList<int> chosen = ::pickPaletteEntries(list, selected, [&] {
        ++drawn;
        return randomValue;
    });
    QCOMPARE(chosen, expected);
    QCOMPARE(drawn, draws);
}

// ---------------------------------------------------------------------------

void TestColorAssignment::dropOnFeatureTree_data()
{
    QTest::addColumn<QString>("rowName"); // "" drops below the last row
    QTest::addColumn<bool>("alreadyColored");
    QTest::addColumn<bool>("entrySelected");
    QTest::addColumn<DragData>("data");
    QTest::addColumn<bool>("moveAccepted");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<bool>("assigns");

    const QStringList assigned{"assignColor<1>"};
    QTest::newRow("uncoloured row, palette drag data without either colour payload")
        << "Crypt" << false << true << DragData::Palette << true << assigned << true;
    QTest::newRow("coloured row: old colour back to the palette, removal logged")
        << "Crypt" << true << true << DragData::Palette << true
        << QStringList{"assignColor<1>", "deleteColor<1>"} << true;
    QTest::newRow("payload of the feature tree's drag type is read and not used")
        << "Tcp" << false << true << DragData::PaletteWithPayload << true << assigned << true;
    QTest::newRow("row under a second top-level row")
        << "Sound" << false << true << DragData::Palette << true << assigned << true;
    QTest::newRow("row with children: ignored")
        << "Net" << false << true << DragData::Palette << true << QStringList{} << false;
    QTest::newRow("empty space below the rows")
        << "" << false << true << DragData::Palette << true << QStringList{} << false;
    QTest::newRow("no palette entry selected: logged, nothing assigned")
        << "Crypt" << false << false << DragData::Palette << true << assigned << false;
    QTest::newRow("data of an unknown type is refused: no drop, nothing logged")
        << "Crypt" << false << true << DragData::Unknown << false << QStringList{} << false;
}

void TestColorAssignment::dropOnFeatureTree()
{
    QFETCH(QString, rowName);
    QFETCH(bool, alreadyColored);
    QFETCH(bool, entrySelected);
    QFETCH(DragData, data);
    QFETCH(bool, moveAccepted);
    QFETCH(QStringList, log);
    QFETCH(bool, assigns);

    openSmall();
    PaletteColor *old = manager()->ColorArray.at(4);
    if (alreadyColored)
        colourRow(rowName, old);
    PaletteColor *dropped = manager()->ColorArray.at(2);
    selectEntry(dropped);
    const auto mime = dragData(data, palette());
    if (!entrySelected)
        palette()->clearSelection();

    QPoint viewportPos;
    MyTreeWidgetItem *row = nullptr;
    if (rowName.isEmpty()) {
        viewportPos = QPoint(20, tree()->viewport()->height() - 4);
        QVERIFY(!tree()->itemAt(viewportPos));
    } else {
        row = featureRow(tree(), rowName);
        if (!row) // a row with children is no leaf
            row = static_cast<MyTreeWidgetItem *>(
                tree()->findItems(rowName, Qt::MatchExactly | Qt::MatchRecursive).value(0));
        QVERIFY(row);
        viewportPos = tree()->visualItemRect(row).center();
    }
    const qsizetype before = logSize(*m_window);
    const QList<PaletteColor *> pairsBefore = [&] {
        QList<PaletteColor *> colors;
        for (const FeatureColorPair &pair : std::as_const(manager()->FCPList))
            colors << pair.color;
        return colors;
    }();

    const DragResult result = deliverDrag(m_window.get(), windowPos(tree()->viewport(),
                                                                    viewportPos), mime.get());
    QCOMPARE(result.target, tree()->viewport());
    QCOMPARE(result.moveAccepted, moveAccepted);
    QCOMPARE(result.dropped, moveAccepted);
    // Never accepted, so the palette entry stays where it was.
    QVERIFY(!result.dropAccepted);

    QCOMPARE(newLogEntries(*m_window, before), log);
    QVERIFY2(checkInStep(*m_window).isEmpty(), qPrintable(checkInStep(*m_window)));
    if (assigns) {
        QCOMPARE(colorOf(rowName), dropped);
        QCOMPARE(row->paletteColor(), dropped);
        QVERIFY(!dropped->isFree());
        QVERIFY(!paletteEntry(palette(), dropped));
        if (alreadyColored) {
            QVERIFY(old->isFree());
            QVERIFY(paletteEntry(palette(), old));
        }
    } else {
        QList<PaletteColor *> pairsAfter;
        for (const FeatureColorPair &pair : std::as_const(manager()->FCPList))
            pairsAfter << pair.color;
        QCOMPARE(pairsAfter, pairsBefore);
        QVERIFY(dropped->isFree());
    }
}

void TestColorAssignment::dropOnFeatureView_data()
{
    QTest::addColumn<int>("where"); // 0 a feature row, 1 a copy row under it, 2 empty space
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<bool>("assigns");

    QTest::newRow("feature row") << 0 << QStringList{"assignColor<1>"} << true;
    QTest::newRow("row of the project copy under the feature row")
        << 1 << QStringList{"assignColor<1>"} << true;
    QTest::newRow("empty space below the rows") << 2 << QStringList{} << false;
}

void TestColorAssignment::dropOnFeatureView()
{
    QFETCH(int, where);
    QFETCH(QStringList, log);
    QFETCH(bool, assigns);

    openSmall();
    child<QRadioButton>(*m_window, "radioButton_features")->click();
    auto *view = child<SMVTreeWidget>(*m_window, "treeWidget_featureView");
    QVERIFY(view->isVisible());
    const int logging = feature(QStringLiteral("Logging"))->id;
    QTreeWidgetItem *target = view->topLevelItem(logging);
    QCOMPARE(target->text(0), QStringLiteral("Logging"));
    QPoint pos;
    if (where == 1) {
        target->setExpanded(true);
        QVERIFY(target->childCount() > 0);
        target = target->child(0);
    }
    if (where == 2) {
        pos = QPoint(20, view->viewport()->height() - 4);
        QVERIFY(!view->itemAt(pos));
    } else {
        pos = view->visualItemRect(target).center();
    }

    PaletteColor *dropped = manager()->ColorArray.at(3);
    selectEntry(dropped);
    const auto mime = paletteDragData(palette());
    const qsizetype before = logSize(*m_window);
    const DragResult result =
        deliverDrag(m_window.get(), windowPos(view->viewport(), pos), mime.get());
    QCOMPARE(result.target, view->viewport());
    QVERIFY(!result.dropAccepted);
    if (where != 2)
        QVERIFY(result.moveAccepted);
    QCOMPARE(newLogEntries(*m_window, before), log);
    QCOMPARE(colorOf(QStringLiteral("Logging")) == dropped, assigns);
    QVERIFY2(checkInStep(*m_window).isEmpty(), qPrintable(checkInStep(*m_window)));
}

void TestColorAssignment::dropOnFractures_data()
{
    QTest::addColumn<bool>("onBand"); // else on the side bar
    QTest::addColumn<DragData>("data");
    QTest::addColumn<bool>("assigns");

    QTest::newRow("side bar, the palette's drag data") << false << DragData::Palette << true;
    QTest::newRow("band behind the code") << true << DragData::Palette << true;
    QTest::newRow("text dragged onto a side bar is refused") << false << DragData::Text << false;
}

void TestColorAssignment::dropOnFractures()
{
    QFETCH(bool, onBand);
    QFETCH(DragData, data);
    QFETCH(bool, assigns);

    openSmall();
    CodeView *view = m_window->currentCodeView();
    QVERIFY(view);
    Feature *logging = feature(QStringLiteral("Logging"));
    QGraphicsItem *item = nullptr;
    QGraphicsView *graphics = onBand ? view->codeGraphicsView() : view->sideBarView();
    if (onBand) {
        for (BackgroundFracture *band : view->backgrounds())
            if (band->feature() == logging)
                item = band;
    } else {
        for (SideBarFracture *bar : view->sideBars())
            if (bar->feature() == logging)
                item = bar;
    }
    QVERIFY(item);
    // The bar's middle, or a point of the band inside the visible code.
    const QPoint centre = graphics->mapFromScene(item->sceneBoundingRect().center());
    const QPoint pos = onBand ? QPoint(30, centre.y()) : centre;
    QCOMPARE(graphics->scene()->itemAt(graphics->mapToScene(pos), QTransform()) == item,
             !onBand); // the code's text lies over the band
    QVERIFY(graphics->viewport()->rect().contains(pos));

    PaletteColor *dropped = manager()->ColorArray.at(5);
    selectEntry(dropped);
    const auto mime = dragData(data, palette());
    const qsizetype before = logSize(*m_window);
    const DragResult result =
        deliverDrag(m_window.get(), windowPos(graphics->viewport(), pos), mime.get());
    QCOMPARE(result.target, graphics->viewport());
    QCOMPARE(result.moveAccepted, assigns);
    QVERIFY(!result.dropAccepted);
    QCOMPARE(newLogEntries(*m_window, before),
             assigns ? QStringList{"assignColor<1>"} : QStringList{});
    QCOMPARE(colorOf(QStringLiteral("Logging")) == dropped, assigns);
    QVERIFY2(checkInStep(*m_window).isEmpty(), qPrintable(checkInStep(*m_window)));
}

void TestColorAssignment::dropLeavesTheDraggingState()
{
    QListWidget list;
    QFile model(m_dir->filePath(QStringLiteral("model.m")));
    QVERIFY(writeFile(model.fileName(), "A : B | C ;"));
    StateTree tree(nullptr, &model, &list, nullptr);
    tree.buildFeatureList();
    ColorManager colors(tree.features(), int(tree.features()->size()));
    tree.setColorManager(&colors);
    tree.refreshPalette();
    tree.resize(300, 300);
    tree.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tree));

    list.item(0)->setSelected(true);
    const auto mime = paletteDragData(&list);
    for (const QPoint &pos : {tree.visualItemRect(tree.findLeafItem("B")).center(),
                              QPoint(10, tree.viewport()->height() - 4)}) {
        const DragResult result =
            deliverDrag(&tree, tree.viewport()->mapTo(&tree, pos), mime.get());
        QVERIFY(result.moveAccepted);
        // Entering put the view into its dragging state; the drop ends it,
        // so pressing and moving selects rows again instead of dragging.
        QVERIFY(tree.idle());
    }
    QCOMPARE(colors.colorOf(tree.findFeature("B")), colors.ColorArray.at(0));
}

void TestColorAssignment::assignSelectedColorByName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("assigns");

    QTest::newRow("leaf feature") << "Udp" << true;
    QTest::newRow("leaf under a second top-level row") << "Sound" << true;
    QTest::newRow("row with children: nothing, not even logged") << "Net" << false;
    QTest::newRow("unknown name: nothing, not even logged") << "Chatty" << false;
    QTest::newRow("names are case-sensitive") << "udp" << false;
}

void TestColorAssignment::assignSelectedColorByName()
{
    QFETCH(QString, name);
    QFETCH(bool, assigns);

    openSmall();
    PaletteColor *color = manager()->ColorArray.at(1);
    selectEntry(color);
    const qsizetype before = logSize(*m_window);
    tree()->assignSelectedColor(name);
    QCOMPARE(newLogEntries(*m_window, before),
             assigns ? QStringList{"assignColor<1>"} : QStringList{});
    QCOMPARE(!color->isFree(), assigns);
    if (assigns)
        QCOMPARE(colorOf(name), color);
    QVERIFY2(checkInStep(*m_window).isEmpty(), qPrintable(checkInStep(*m_window)));
}

void TestColorAssignment::sweepOfRowsShowingTheColour_data()
{
    QTest::addColumn<QString>("holder"); // the feature showing the colour before
    QTest::addColumn<bool>("sameRecord"); // it holds the very record, else an equal one
    QTest::addColumn<bool>("holderKeeps");

    QTest::newRow("the colour itself, still held by another row (stale palette entry)")
        << "Logging" << true << false;
    QTest::newRow("an equal colour of another record") << "Logging" << false << false;
    QTest::newRow("an equal colour under a second top-level row is not swept")
        << "Sound" << false << true;
}

void TestColorAssignment::sweepOfRowsShowingTheColour()
{
    QFETCH(QString, holder);
    QFETCH(bool, sameRecord);
    QFETCH(bool, holderKeeps);

    openSmall();
    PaletteColor *color = manager()->ColorArray.at(1);
    PaletteColor *held = color;
    if (!sameRecord) {
        held = manager()->createColor(color->color());
        held->setCustom(true);
        manager()->ColorArray.append(held);
        tree()->refreshPalette();
    }
    colourRow(holder, held);
    if (sameRecord) {
        // A palette entry left over from before the colour was taken.
        auto *stale = new MyListWidgetItem(QString());
        stale->setPaletteColor(color);
        palette()->addItem(stale);
    }
    selectEntry(color);

    const qsizetype before = logSize(*m_window);
    tree()->assignSelectedColor(QStringLiteral("Crypt"));
    QCOMPARE(newLogEntries(*m_window, before), QStringList{"assignColor<1>"});

    QCOMPARE(colorOf(QStringLiteral("Crypt")), color);
    QCOMPARE(featureRow(tree(), QStringLiteral("Crypt"))->paletteColor(), color);
    QVERIFY(!color->isFree());
    QCOMPARE(isColored(holder), holderKeeps);
    if (holderKeeps) {
        QCOMPARE(colorOf(holder), held);
    } else if (!sameRecord) {
        QVERIFY(held->isFree());
        QVERIFY(paletteEntry(palette(), held));
    }
    QVERIFY2(checkInStep(*m_window).isEmpty(), qPrintable(checkInStep(*m_window)));
}

void TestColorAssignment::sweepNeverTakesTheColourOfTheTargetFeature()
{
    // Two rows named B stand for the first feature called B. When the
    // second row gets a colour that the first one shows in an equal record,
    // the first row is cleared but the feature keeps the new colour.
    QListWidget list;
    QFile model(m_dir->filePath(QStringLiteral("model.m")));
    QVERIFY(writeFile(model.fileName(), "A : B | B | C ;"));
    StateTree tree(nullptr, &model, &list, nullptr);
    tree.buildFeatureList();
    ColorManager colors(tree.features(), int(tree.features()->size()));
    tree.setColorManager(&colors);
    PaletteColor *equal = colors.createColor(colors.ColorArray.at(0)->color());
    colors.ColorArray.append(equal);
    tree.refreshPalette();
    tree.resize(300, 300);
    tree.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tree));

    QTreeWidgetItem *a = tree.topLevelItem(0);
    auto *first = static_cast<MyTreeWidgetItem *>(a->child(0));
    auto *second = static_cast<MyTreeWidgetItem *>(a->child(1));
    Feature *b = tree.findFeature(QStringLiteral("B"));
    QCOMPARE(b, &(*tree.features())[0]);

    paletteEntry(&list, equal)->setSelected(true);
    tree.assignSelectedColor(QStringLiteral("B")); // the first row
    QCOMPARE(first->paletteColor(), equal);

    PaletteColor *color = colors.ColorArray.at(0);
    paletteEntry(&list, color)->setSelected(true);
    const auto mime = paletteDragData(&list);
    deliverDrag(&tree, tree.viewport()->mapTo(&tree, tree.visualItemRect(second).center()),
                mime.get());

    QCOMPARE(second->paletteColor(), color);
    QCOMPARE(colors.colorOf(b), color);
    QVERIFY(!color->isFree());
    QVERIFY(!first->paletteColor()->color().isValid());
    QVERIFY(equal->isFree());
    QVERIFY(paletteEntry(&list, equal));
    QVERIFY(!paletteEntry(&list, color));
}

// ---------------------------------------------------------------------------

void TestColorAssignment::automaticAssignment_data()
{
    QTest::addColumn<int>("features");
    QTest::addColumn<QList<int>>("colouredBefore"); // pairs: feature, palette position
    QTest::addColumn<QList<int>>("removedFromPalette"); // palette positions
    QTest::addColumn<QList<int>>("selected"); // features, in selection order
    QTest::addColumn<QList<int>>("expected"); // palette position per selected row, -1 none

    QTest::newRow("ten entries, three rows: entries 0, 4 and 8")
        << 10 << QList<int>{} << QList<int>{} << QList<int>{0, 1, 2} << QList<int>{0, 4, 8};
    QTest::newRow("twenty rows, ten entries: the first ten rows get entries 0 to 9")
        << 20 << QList<int>{} << range(10, 20) << range(0, 20)
        << range(0, 10) + QList<int>(10, -1);
    QTest::newRow("thirty rows, forty entries: 0, 2, ..., 38, then 1, 3, ...")
        << 40 << QList<int>{} << QList<int>{} << range(0, 30)
        << range(0, 40, 2) + range(1, 20, 2);
    QTest::newRow("selection order decides, not tree order")
        << 10 << QList<int>{} << QList<int>{} << QList<int>{7, 2, 5} << QList<int>{0, 4, 8};
    // Coloured rows give back 0 and 1; the list is then 2 3 4 5 0 1 and
    // step 2 takes its entries 0, 2 and 4.
    QTest::newRow("selected rows give their colours back first")
        << 6 << QList<int>{0, 0, 1, 1} << QList<int>{} << QList<int>{0, 1, 2}
        << QList<int>{2, 4, 0};
    // The list is 2 0 1 after rows 4 and 5 gave back 0 and 1: three rows
    // get colours, the other three, two of them coloured before, get none.
    QTest::newRow("rows beyond the palette lose their colour")
        << 6 << QList<int>{4, 0, 5, 1} << QList<int>{3, 4, 5} << range(0, 6)
        << QList<int>{2, 0, 1, -1, -1, -1};
}

void TestColorAssignment::automaticAssignment()
{
    QFETCH(int, features);
    QFETCH(QList<int>, colouredBefore);
    QFETCH(QList<int>, removedFromPalette);
    QFETCH(QList<int>, selected);
    QFETCH(QList<int>, expected);

    openWide(features, features);
    const QList<PaletteColor *> colors = manager()->ColorArray;
    FeatureList &list = *tree()->features();
    for (qsizetype i = 0; i + 1 < colouredBefore.size(); i += 2)
        colourRow(list.at(colouredBefore.at(i)).name(), colors.at(colouredBefore.at(i + 1)));
    for (int position : std::as_const(removedFromPalette))
        manager()->ColorArray.removeOne(colors.at(position));
    tree()->refreshPalette();
    tree()->clearSelection();
    for (int index : std::as_const(selected))
        tree()->findLeafItem(list.at(index).name())->setSelected(true);

    const qsizetype before = logSize(*m_window);
    tree()->assignAutomatically();
    QCOMPARE(newLogEntries(*m_window, before),
             QStringList{QStringLiteral("assignColor<%1>").arg(selected.size())});
    for (qsizetype i = 0; i < selected.size(); ++i) {
        Feature *f = &list[selected.at(i)];
        PaletteColor *expectedColor = expected.at(i) < 0 ? nullptr : colors.at(expected.at(i));
        PaletteColor *got = manager()->colorOf(f);
        if (!expectedColor) {
            QVERIFY2(got == manager()->lightGrey() || got == manager()->darkGrey(),
                     qPrintable(f->name()));
        } else {
            QVERIFY2(got == expectedColor, qPrintable(f->name()));
        }
    }
    QVERIFY2(checkInStep(*m_window).isEmpty(), qPrintable(checkInStep(*m_window)));
}

void TestColorAssignment::automaticAssignmentOfOneRowUsesTheUnseededGenerator()
{
    // Starting the window must not seed the generator: with the state of a
    // generator that was never seeded, the picks are those of srand(1).
    std::srand(1);
    openSmall();
    const QList<PaletteColor *> firstList = manager()->ColorArray;
    tree()->clearSelection();
    featureRow(tree(), QStringLiteral("Crypt"))->setSelected(true);
    tree()->assignAutomatically();

    QList<PaletteColor *> secondList;
    for (PaletteColor *color : firstList)
        if (color->isFree())
            secondList << color;
    tree()->clearSelection();
    featureRow(tree(), QStringLiteral("Udp"))->setSelected(true);
    tree()->assignAutomatically();

    std::srand(1);
    const int first = std::rand();
    const int second = std::rand();
    QCOMPARE(colorOf(QStringLiteral("Crypt")), firstList.at(first % firstList.size()));
    QCOMPARE(colorOf(QStringLiteral("Udp")), secondList.at(second % secondList.size()));
    QVERIFY2(checkInStep(*m_window).isEmpty(), qPrintable(checkInStep(*m_window)));
}

void TestColorAssignment::automaticAssignmentWithNothingSelected()
{
    std::srand(1);
    openSmall();
    tree()->clearSelection();
    const qsizetype before = logSize(*m_window);
    tree()->assignAutomatically();
    QCOMPARE(newLogEntries(*m_window, before), QStringList{"assignColor<0>"});
    for (const QString &name : smallFeatures)
        QVERIFY(!isColored(name));
    QVERIFY2(checkInStep(*m_window).isEmpty(), qPrintable(checkInStep(*m_window)));

    // One value of the sequence was used up all the same.
    const QList<PaletteColor *> colors = manager()->ColorArray;
    featureRow(tree(), QStringLiteral("Base"))->setSelected(true);
    tree()->assignAutomatically();
    std::srand(1);
    std::rand();
    QCOMPARE(colorOf(QStringLiteral("Base")), colors.at(std::rand() % colors.size()));
}

// ---------------------------------------------------------------------------

void TestColorAssignment::removeButton()
{
    openSmall();
    MyTreeWidgetItem *row = featureRow(tree(), QStringLiteral("Tcp"));
    QVERIFY(!tree()->itemWidget(row, 1));
    colourRow(QStringLiteral("Tcp"), manager()->ColorArray.at(0));
    auto *button = qobject_cast<QToolButton *>(tree()->itemWidget(row, 1));
    QVERIFY(button);
    QCOMPARE(tree()->removeButton(row), button);
    QVERIFY(button->isVisible());
    QCOMPARE(button->font().family(), QStringLiteral("MS Shell Dlg 2"));
    QCOMPARE(button->font().pointSize(), 9);
    QFont weight10;
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    weight10.setLegacyWeight(10);
    QT_WARNING_POP
    QCOMPARE(button->font().weight(), weight10.weight());
    QVERIFY(button->font().weight() < QFont::Light);
    QVERIFY(!button->font().italic());
    QCOMPARE(button->minimumWidth(), 16);
    QCOMPARE(button->maximumWidth(), 16);
    QVERIFY(!button->icon().isNull());
    QCOMPARE(button->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    QVERIFY(tree()->isAncestorOf(button));

    // Removal hides it; the next assignment shows the same button again.
    tree()->clearSelection();
    row->setSelected(true);
    tree()->removeColorAssignmentFromSelection();
    QVERIFY(button->isHidden());
    colourRow(QStringLiteral("Tcp"), manager()->ColorArray.at(1));
    QCOMPARE(tree()->itemWidget(row, 1), button);
    QVERIFY(button->isVisible());
}

void TestColorAssignment::removalByButton_data()
{
    QTest::addColumn<int>("pointer"); // 0 on the button, 1 last pixel row of the row, 2 no row
    QTest::addColumn<QStringList>("remaining");

    QTest::newRow("pointer on the button") << 0 << QStringList{"Crypt"};
    QTest::newRow("pointer on the row's last pixel row: still that row")
        << 1 << QStringList{"Crypt"};
    QTest::newRow("pointer over no row: only logged") << 2 << QStringList{"Logging", "Crypt"};
}

void TestColorAssignment::removalByButton()
{
    QFETCH(int, pointer);
    QFETCH(QStringList, remaining);

    openSmall();
    PaletteColor *loggingColor = manager()->ColorArray.at(0);
    colourRow(QStringLiteral("Logging"), loggingColor);
    colourRow(QStringLiteral("Crypt"), manager()->ColorArray.at(3));
    MyTreeWidgetItem *logging = featureRow(tree(), QStringLiteral("Logging"));
    QToolButton *button = tree()->removeButton(logging);
    QVERIFY(button && button->isVisible());

    QPoint global;
    const QRect rowRect = tree()->visualItemRect(logging);
    if (pointer == 0)
        global = button->mapToGlobal(button->rect().center());
    else if (pointer == 1)
        global = tree()->viewport()->mapToGlobal(QPoint(rowRect.center().x(), rowRect.bottom()));
    else
        global = tree()->viewport()->mapToGlobal(QPoint(20, tree()->viewport()->height() - 4));
    QCursor::setPos(global);
    QCOMPARE(QCursor::pos(), global);

    const qsizetype before = logSize(*m_window);
    if (pointer == 0)
        QTest::mouseClick(button, Qt::LeftButton);
    else
        button->click();
    QCOMPARE(newLogEntries(*m_window, before), QStringList{"deleteColor<1>"});
    QStringList colored;
    for (const QString &name : smallFeatures)
        if (isColored(name))
            colored << name;
    QCOMPARE(colored, remaining);
    if (!remaining.contains(QStringLiteral("Logging"))) {
        QVERIFY(loggingColor->isFree());
        QVERIFY(paletteEntry(palette(), loggingColor));
        QVERIFY(button->isHidden());
    }
    QVERIFY2(checkInStep(*m_window).isEmpty(), qPrintable(checkInStep(*m_window)));
}

void TestColorAssignment::removalBySelection_data()
{
    QTest::addColumn<QStringList>("selected");
    QTest::addColumn<QString>("logged");
    QTest::addColumn<QStringList>("remaining");

    // Base, Logging and Tcp are coloured.
    QTest::newRow("two coloured rows among three selected")
        << QStringList{"Logging", "Crypt", "Tcp"} << "deleteColor<3>" << QStringList{"Base"};
    QTest::newRow("no coloured row selected: the count is logged all the same")
        << QStringList{"Crypt", "Udp"} << "deleteColor<2>"
        << QStringList{"Base", "Logging", "Tcp"};
    QTest::newRow("nothing selected") << QStringList{} << "deleteColor<0>"
                                      << QStringList{"Base", "Logging", "Tcp"};
}

void TestColorAssignment::removalBySelection()
{
    QFETCH(QStringList, selected);
    QFETCH(QString, logged);
    QFETCH(QStringList, remaining);

    openSmall();
    colourRow(QStringLiteral("Base"), manager()->ColorArray.at(5));
    colourRow(QStringLiteral("Logging"), manager()->ColorArray.at(1));
    colourRow(QStringLiteral("Tcp"), manager()->ColorArray.at(2));
    tree()->clearSelection();
    for (const QString &name : std::as_const(selected))
        featureRow(tree(), name)->setSelected(true);

    const qsizetype before = logSize(*m_window);
    child<QToolButton>(*m_window, "toolButton_removeAssignment")->click();
    QCOMPARE(newLogEntries(*m_window, before), QStringList{logged});
    QStringList colored;
    for (const QString &name : smallFeatures)
        if (isColored(name))
            colored << name;
    QCOMPARE(colored, remaining);
    QVERIFY2(checkInStep(*m_window).isEmpty(), qPrintable(checkInStep(*m_window)));
}

void TestColorAssignment::operationsWithoutWindow()
{
    // Without a window the tree still keeps rows, pairs and palette in step.
    QListWidget list;
    QFile model(m_dir->filePath(QStringLiteral("model.m")));
    QVERIFY(writeFile(model.fileName(), "A : B | C | D ;"));
    FeatureTreeWidget tree(nullptr, &model, &list, nullptr);
    tree.buildFeatureList();
    ColorManager colors(tree.features(), int(tree.features()->size()));
    tree.setColorManager(&colors);
    tree.refreshPalette();
    PaletteColor *first = colors.ColorArray.at(0);
    PaletteColor *second = colors.ColorArray.at(1);

    paletteEntry(&list, first)->setSelected(true);
    tree.assignSelectedColor(QStringLiteral("C"));
    paletteEntry(&list, second)->setSelected(true);
    tree.assignSelectedColor(QStringLiteral("C")); // replaces the first colour
    auto *c = static_cast<MyTreeWidgetItem *>(tree.findLeafItem(QStringLiteral("C")));
    QCOMPARE(c->paletteColor(), second);
    QCOMPARE(colors.colorOf(tree.findFeature(QStringLiteral("C"))), second);
    QVERIFY(first->isFree());
    QCOMPARE(list.count(), 2);
    QVERIFY(paletteEntry(&list, first));

    c->setSelected(true);
    tree.removeColorAssignmentFromSelection();
    QVERIFY(second->isFree());
    QCOMPARE(list.count(), 3);
    QVERIFY(!c->paletteColor()->color().isValid());
}

QTEST_MAIN(TestColorAssignment)
#include "tst_colorassignment.moc"
