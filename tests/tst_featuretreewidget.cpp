#include "ui/colors/colormanager.h"
#include "ui/colors/mylistwidgetitem.h"
#include "ui/colors/mytreewidgetitem.h"
#include "ui/featuretree/featuretreewidget.h"
#include "core/formats/featuremodelfile.h"
#include "report/featurelines.h"
#include "support/testfiles.h"

#include <QFile>
#include <QHeaderView>
#include <QIcon>
#include <QListWidget>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeWidgetItemIterator>

// Exposes the protected geometry hook to the test.
class TestableFeatureTree : public FeatureTreeWidget
{
public:
    using FeatureTreeWidget::FeatureTreeWidget;
    using FeatureTreeWidget::updateEditorGeometries;
};

// Writes the tree as "text[children]" with "*" after selectable rows, so
// that a row's place and selectability can be compared in one string.
static QString shapeOf(const QTreeWidgetItem *item)
{
    QString text = item->text(0);
    if (item->flags() & Qt::ItemIsSelectable)
        text += QLatin1Char('*');
    if (item->childCount() > 0) {
        QStringList children;
        for (int i = 0; i < item->childCount(); ++i)
            children << shapeOf(item->child(i));
        text += QLatin1Char('[') + children.join(QLatin1Char(',')) + QLatin1Char(']');
    }
    return text;
}

static QString shapeOf(const QTreeWidget &tree)
{
    QStringList tops;
    for (int i = 0; i < tree.topLevelItemCount(); ++i)
        tops << shapeOf(tree.topLevelItem(i));
    return tops.join(QLatin1Char(','));
}

static QStringList namesOf(const FeatureList &features)
{
    QStringList names;
    for (const Feature &f : features)
        names << f.name();
    return names;
}

class TestFeatureTreeWidget : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void buildsTree_data();
    void buildsTree();
    void rowFlags();
    void constructorSettings();
    void allRowsHoldTheirOwnNoColor();
    void featureListIsBuiltOnce();
    void findFeature();
    void findLeafItem_data();
    void findLeafItem();
    void refreshPaletteShowsFreeColorsInOrder();
    void refreshPaletteWithoutManagerOrList();
    void collectItemsWithColor_data();
    void collectItemsWithColor();
    void updateEditorGeometriesHidesButtonsOfRowsWithoutColor();
    void selectedRowIsDrawnWithItsColor();
    void announcesWhatItDid_data();
    void announcesWhatItDid();
    void imagesShowWithoutRegistrationCall_data();
    void imagesShowWithoutRegistrationCall();

private:
    QString writeModel(const QByteArray &bytes);
    std::unique_ptr<TestableFeatureTree> makeTree(const QByteArray &bytes,
                                                  QListWidget *palette = nullptr);
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestFeatureTreeWidget::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestFeatureTreeWidget::cleanup()
{
    m_dir.reset();
}

QString TestFeatureTreeWidget::writeModel(const QByteArray &bytes)
{
    const QString path = m_dir->filePath(QStringLiteral("model.m"));
    if (!TestSupport::writeFile(path, bytes))
        qFatal("cannot write the model file");
    return path;
}

std::unique_ptr<TestableFeatureTree> TestFeatureTreeWidget::makeTree(const QByteArray &bytes,
                                                                     QListWidget *palette)
{
    QFile file(writeModel(bytes));
    auto tree = std::make_unique<TestableFeatureTree>(nullptr, &file, palette, nullptr);
    tree->buildFeatureList();
    return tree;
}

void TestFeatureTreeWidget::buildsTree_data()
{
    QTest::addColumn<QByteArray>("model"); // "<missing>": no file at all
    QTest::addColumn<QString>("shape");
    QTest::addColumn<QStringList>("features");

    QTest::newRow("example with brackets and spaces")
        << QByteArray("Root : Base | [Logging] | Storage ;\nStorage : File | Database ;\n")
        << "Root[Base*,Logging*,Storage[File*,Database*]]"
        << QStringList{"Base", "Logging", "File", "Database"};
    QTest::newRow("second statement finds the head")
        << QByteArray("A:B|E;A:D;") << "A[B*,E*,D*]" << QStringList{"B", "E", "D"};
    QTest::newRow("child that becomes a head loses selectability")
        << QByteArray("A:B;B:E;") << "A[B[E*]]" << QStringList{"E"};
    QTest::newRow("lone head is an unselectable leaf")
        << QByteArray("A;") << "A" << QStringList{"A"};
    QTest::newRow("empty child name")
        << QByteArray("A:;") << "A[*]" << QStringList{""};
    QTest::newRow("duplicate children are two features")
        << QByteArray("A:B|B;") << "A[B*,B*]" << QStringList{"B", "B"};
    QTest::newRow("spaces are deleted") << QByteArray("A : B E ;") << "A[BE*]"
                                        << QStringList{"BE"};
    QTest::newRow("line break does not end a statement")
        << QByteArray("A:B\nE:D;") << "A[BE*]" << QStringList{"BE"};
    QTest::newRow("file without semicolon")
        << QByteArray("A:B|C") << "A[B*,C*]" << QStringList{"B", "C"};
    QTest::newRow("two top-level heads")
        << QByteArray("A:B;C:D;") << "A[B*],C[D*]" << QStringList{"B", "D"};
    QTest::newRow("head found in pre-order, first of two equal rows")
        << QByteArray("A:X|Y;Y:X;X:Z;") << "A[X[Z*],Y[X*]]" << QStringList{"Z", "X"};
    QTest::newRow("head found in pre-order, not the first row made")
        << QByteArray("A:B|C;C:X;B:C;C:Y;") << "A[B[C[Y*]],C[X*]]" << QStringList{"Y", "X"};
    QTest::newRow("head found in pre-order, the row above its namesake")
        << QByteArray("A:A;A:B;") << "A[A*,B*]" << QStringList{"A", "B"};
    QTest::newRow("three levels out of order")
        << QByteArray("A:B|C;C:D;B:E;D:F;") << "A[B[E*],C[D[F*]]]"
        << QStringList{"E", "F"};
    QTest::newRow("utf-8 names") << QByteArray("Gr\xc3\xb6\xc3\x9f" "e:\xc3\x96l;")
                                 << QStringLiteral("Größe[Öl*]") << QStringList{"Öl"};
    QTest::newRow("latin-1 names") << QByteArray("Gr\xf6\xdf" "e:\xd6l;")
                                   << QStringLiteral("Größe[Öl*]") << QStringList{"Öl"};
    QTest::newRow("text after a nul byte is ignored")
        << QByteArray("A:B;\0C:D;", 9) << "A[B*]" << QStringList{"B"};
    QTest::newRow("empty file") << QByteArray() << "empty*" << QStringList{"empty"};
    QTest::newRow("only white space, brackets and semicolons")
        << QByteArray(" [\n] ;\t;\r\n[];") << "empty*" << QStringList{"empty"};
    QTest::newRow("missing file") << QByteArray("<missing>") << "empty*"
                                  << QStringList{"empty"};
}

void TestFeatureTreeWidget::buildsTree()
{
    QFETCH(QByteArray, model);
    QFETCH(QString, shape);
    QFETCH(QStringList, features);

    std::unique_ptr<TestableFeatureTree> tree;
    if (model == "<missing>") {
        QFile missing(m_dir->filePath(QStringLiteral("no-such-model.m")));
        tree = std::make_unique<TestableFeatureTree>(nullptr, &missing, nullptr, nullptr);
        tree->buildFeatureList();
    } else {
        tree = makeTree(model);
    }

    QCOMPARE(shapeOf(*tree), shape);
    QCOMPARE(tree->rootItem(), tree->topLevelItem(0));
    QCOMPARE(namesOf(*tree->features()), features);
    // The report lists the features the tree lists.
    const QByteArray bytes = model == "<missing>" ? QByteArray() : model;
    QCOMPARE(FeatureLines::leafFeatures(FeatureModelFile::parse(bytes).statements), features);
    for (int i = 0; i < tree->features()->size(); ++i)
        QCOMPARE(tree->features()->at(i).id, i);
}

void TestFeatureTreeWidget::rowFlags()
{
    auto tree = makeTree("A:B;B:E;");
    const QTreeWidgetItem *a = tree->topLevelItem(0);
    const QTreeWidgetItem *b = a->child(0);
    const QTreeWidgetItem *e = b->child(0);
    QCOMPARE(a->flags(), Qt::ItemFlags(Qt::ItemIsEnabled));
    QCOMPARE(b->flags(), Qt::ItemFlags(Qt::ItemIsEnabled));
    QCOMPARE(e->flags(), Qt::ItemIsSelectable | Qt::ItemIsDropEnabled | Qt::ItemIsEnabled);

    // The placeholder row keeps the default flags of a new row.
    auto empty = makeTree("");
    QCOMPARE(empty->rootItem()->flags(), QTreeWidgetItem().flags());
    QCOMPARE(empty->rootItem()->text(0), QStringLiteral("empty"));
}

void TestFeatureTreeWidget::constructorSettings()
{
    QListWidget palette;
    auto tree = makeTree("A:B|C;", &palette);
    QCOMPARE(tree->columnCount(), 2);
    QVERIFY(!tree->header()->stretchLastSection());
    QCOMPARE(tree->header()->sectionResizeMode(0), QHeaderView::Stretch);
    QCOMPARE(tree->header()->sectionResizeMode(1), QHeaderView::ResizeToContents);
    QVERIFY(tree->uniformRowHeights());
    QCOMPARE(tree->selectionMode(), QAbstractItemView::ExtendedSelection);
    QVERIFY(tree->topLevelItem(0)->isExpanded());
    QCOMPARE(tree->indentation(), 12);
    QCOMPARE(tree->minimumSize(), QSize(200, 200));
    QCOMPARE(tree->frameStyle(), 0x36);
    QVERIFY(tree->acceptDrops());
    QCOMPARE(tree->dragDropMode(), QAbstractItemView::DropOnly);
    QCOMPARE(int(tree->defaultDropAction()), 0x8002);
    QVERIFY(tree->autoFillBackground());
    QVERIFY(tree->isHeaderHidden());
    QCOMPARE(tree->paletteList(), &palette);
    QCOMPARE(tree->colorManager(), nullptr);
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        QCOMPARE(tree->palette().brush(group, QPalette::Highlight), QBrush(Qt::white));
    QVERIFY(tree->itemDelegate());
    QCOMPARE(tree->itemDelegate()->parent(), tree.get());
    QCOMPARE(tree->itemDelegate()->sizeHint({}, {}), QSize(20, 20));
}

void TestFeatureTreeWidget::allRowsHoldTheirOwnNoColor()
{
    auto tree = makeTree("A:B|C;C:D;");
    QSet<PaletteColor *> seen;
    for (QTreeWidgetItemIterator it(tree.get()); *it; ++it) {
        auto *row = dynamic_cast<MyTreeWidgetItem *>(*it);
        QVERIFY(row);
        QVERIFY(row->paletteColor());
        QVERIFY(!row->paletteColor()->color().isValid());
        QVERIFY(!seen.contains(row->paletteColor()));
        seen.insert(row->paletteColor());
    }
    QCOMPARE(seen.size(), 4);
}

void TestFeatureTreeWidget::featureListIsBuiltOnce()
{
    auto tree = makeTree("A:B|C;");
    const Feature *first = &tree->features()->at(0);
    tree->buildFeatureList();
    QCOMPARE(tree->features()->size(), 2);
    QCOMPARE(&tree->features()->at(0), first);
}

void TestFeatureTreeWidget::findFeature()
{
    auto tree = makeTree("A:B|C|B;");
    Feature *b = tree->findFeature(QStringLiteral("B"));
    QCOMPARE(b, &(*tree->features())[0]);
    QCOMPARE(tree->findFeature(QStringLiteral("C")), &(*tree->features())[1]);
    QCOMPARE(tree->findFeature(QStringLiteral("A")), nullptr);
    QCOMPARE(tree->findFeature(QStringLiteral("b")), nullptr);
    QCOMPARE(tree->findFeature(QString()), nullptr);
}

void TestFeatureTreeWidget::findLeafItem_data()
{
    QTest::addColumn<QByteArray>("model");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expectedParent"); // text of the found row's parent, "-" for none
    QTest::addColumn<bool>("found");

    QTest::newRow("leaf under a head") << QByteArray("A:B|C;") << "C" << "A" << true;
    QTest::newRow("row with children is not a leaf")
        << QByteArray("A:B;B:E;") << "B" << "-" << false;
    QTest::newRow("first leaf in pre-order wins")
        << QByteArray("A:X|Y;X:E;Y:E;") << "E" << "X" << true;
    QTest::newRow("top-level leaf") << QByteArray("A;") << "A" << "-" << true;
    QTest::newRow("unknown name") << QByteArray("A:B;") << "Z" << "-" << false;
}

void TestFeatureTreeWidget::findLeafItem()
{
    QFETCH(QByteArray, model);
    QFETCH(QString, name);
    QFETCH(QString, expectedParent);
    QFETCH(bool, found);

    auto tree = makeTree(model);
    QTreeWidgetItem *item = tree->findLeafItem(name);
    QCOMPARE(item != nullptr, found);
    if (!item)
        return;
    QCOMPARE(item->text(0), name);
    QCOMPARE(item->childCount(), 0);
    QCOMPARE(item->parent() ? item->parent()->text(0) : QStringLiteral("-"), expectedParent);
}

void TestFeatureTreeWidget::refreshPaletteShowsFreeColorsInOrder()
{
    QListWidget palette;
    palette.addItem(QStringLiteral("stale entry"));
    auto tree = makeTree("A:B|C|D|E;", &palette);
    ColorManager manager(tree->features(), int(tree->features()->size()));
    tree->setColorManager(&manager);
    PaletteColor *custom = manager.createColor(QColor(1, 2, 3));
    manager.ColorArray.append(custom);
    QVERIFY(manager.assignColor(&(*tree->features())[0], manager.ColorArray.at(1)));

    tree->refreshPalette();
    const QList<PaletteColor *> expected{manager.ColorArray.at(0), manager.ColorArray.at(2),
                                         manager.ColorArray.at(3), custom};
    QCOMPARE(palette.count(), expected.size());
    for (int i = 0; i < palette.count(); ++i) {
        auto *entry = dynamic_cast<MyListWidgetItem *>(palette.item(i));
        QVERIFY(entry);
        QCOMPARE(entry->paletteColor(), expected.at(i));
        QCOMPARE(entry->text(), QString());
        QCOMPARE(entry->background().color(), expected.at(i)->color());
        QCOMPARE(entry->data(Qt::DecorationRole).typeId(), QMetaType::QIcon);
        QVERIFY(!entry->icon().isNull());
        QVERIFY(expected.at(i)->isFree());
    }
}

void TestFeatureTreeWidget::refreshPaletteWithoutManagerOrList()
{
    QListWidget palette;
    palette.addItem(QStringLiteral("stale entry"));
    auto tree = makeTree("A:B;", &palette);
    tree->refreshPalette();
    QCOMPARE(palette.count(), 0);

    auto withoutList = makeTree("A:B;");
    ColorManager manager(withoutList->features(), 1);
    withoutList->setColorManager(&manager);
    withoutList->refreshPalette(); // must not touch a list it does not have
    QCOMPARE(withoutList->paletteList(), nullptr);
}

void TestFeatureTreeWidget::collectItemsWithColor_data()
{
    QTest::addColumn<QColor>("color");
    QTest::addColumn<bool>("fromInvisibleRoot"); // else from the first top-level row A
    QTest::addColumn<QStringList>("expected");

    // Rows: A[B,C[D,E],F] and a second top-level G[H]; see the test body.
    QTest::newRow("nested rows in pre-order, start excluded")
        << QColor(Qt::red) << false << QStringList{"C", "E"};
    QTest::newRow("rows below a later top-level row are not swept")
        << QColor(Qt::blue) << false << QStringList{"B"};
    QTest::newRow("whole tree from the invisible root")
        << QColor(Qt::blue) << true << QStringList{"B", "H"};
    QTest::newRow("solid brush counts as its colour")
        << QColor(Qt::green) << false << QStringList{"F"};
    QTest::newRow("removed colour is not black") << QColor(Qt::black) << false << QStringList{};
    QTest::newRow("no colour matches rows without a background")
        << QColor() << true << QStringList{"D", "G"};
}

void TestFeatureTreeWidget::collectItemsWithColor()
{
    QFETCH(QColor, color);
    QFETCH(bool, fromInvisibleRoot);
    QFETCH(QStringList, expected);

    auto tree = makeTree("A:B|C|F;C:D|E;G:H;");
    FeatureList *features = tree->features();
    ColorManager manager(features, int(features->size()));
    auto row = [&](const QString &name) {
        return static_cast<MyTreeWidgetItem *>(
            tree->findItems(name, Qt::MatchExactly | Qt::MatchRecursive).value(0));
    };
    PaletteColor *red1 = manager.createColor(Qt::red);
    PaletteColor *red2 = manager.createColor(Qt::red);
    PaletteColor *blue1 = manager.createColor(Qt::blue);
    PaletteColor *blue2 = manager.createColor(Qt::blue);
    row("A")->setPaletteColor(red1); // the start row itself: never collected
    row("C")->setPaletteColor(red1);
    row("E")->setPaletteColor(red2); // equal value, other record
    row("B")->setPaletteColor(blue1);
    row("H")->setPaletteColor(blue2);
    row("F")->setBackground(0, QBrush(Qt::green));
    row("D")->setPaletteColor(blue1);
    row("D")->removeColor(); // shows an empty brush

    QTreeWidgetItem *start = fromInvisibleRoot ? tree->invisibleRootItem() : row("A");
    QList<QTreeWidgetItem *> items;
    tree->collectItemsWithColor(color, start, items);
    QStringList texts;
    for (QTreeWidgetItem *item : std::as_const(items))
        texts << item->text(0);
    QCOMPARE(texts, expected);

    // Appends to what the list already holds.
    tree->collectItemsWithColor(color, start, items);
    QCOMPARE(items.size(), 2 * expected.size());
    tree->collectItemsWithColor(color, nullptr, items);
    QCOMPARE(items.size(), 2 * expected.size());
}

void TestFeatureTreeWidget::updateEditorGeometriesHidesButtonsOfRowsWithoutColor()
{
    auto tree = makeTree("A:B|C|D;");
    ColorManager manager(tree->features(), int(tree->features()->size()));
    tree->resize(300, 300);
    tree->show();
    QVERIFY(QTest::qWaitForWindowExposed(tree.get()));

    auto *b = static_cast<MyTreeWidgetItem *>(tree->findLeafItem(QStringLiteral("B")));
    auto *c = static_cast<MyTreeWidgetItem *>(tree->findLeafItem(QStringLiteral("C")));
    auto *d = static_cast<MyTreeWidgetItem *>(tree->findLeafItem(QStringLiteral("D")));
    auto *buttonB = new QToolButton(tree.get());
    auto *buttonC = new QToolButton(tree.get());
    auto *buttonD = new QToolButton(tree.get());
    tree->setItemWidget(b, 1, buttonB);
    tree->setItemWidget(c, 1, buttonC);
    tree->setItemWidget(d, 1, buttonD);
    b->setPaletteColor(manager.ColorArray.at(0));
    d->setPaletteColor(manager.ColorArray.at(1));
    d->removeColor();
    // A row whose background was cleared by hand but still holds a colour
    // keeps its button: the held colour decides.
    c->setPaletteColor(manager.ColorArray.at(2));
    c->setBackground(0, QBrush());
    buttonB->show();
    buttonC->show();
    buttonD->show();

    tree->updateEditorGeometries();
    QVERIFY(!buttonB->isHidden());
    QVERIFY(!buttonC->isHidden());
    QVERIFY(buttonD->isHidden());
}

void TestFeatureTreeWidget::selectedRowIsDrawnWithItsColor()
{
    auto tree = makeTree("Root:Alpha|Beta;");
    ColorManager manager(tree->features(), int(tree->features()->size()));
    tree->resize(300, 200);
    tree->show();
    QVERIFY(QTest::qWaitForWindowExposed(tree.get()));

    auto *alpha = static_cast<MyTreeWidgetItem *>(tree->findLeafItem(QStringLiteral("Alpha")));
    PaletteColor *color = manager.createColor(QColor(0, 0, 255));
    alpha->setPaletteColor(color);
    alpha->setSelected(true);

    const QRect rowRect = tree->visualItemRect(alpha);
    QVERIFY(rowRect.isValid());
    const QImage image = tree->viewport()->grab().toImage();
    // Right of the text, inside the outline: the feature's colour.
    const int textEnd = rowRect.x() + 2 + tree->fontMetrics().horizontalAdvance(alpha->text(0));
    const QPoint inside((textEnd + rowRect.right()) / 2, rowRect.center().y());
    QVERIFY(inside.x() > textEnd + 2);
    QCOMPARE(QColor(image.pixel(inside * image.devicePixelRatio())), QColor(0, 0, 255));

    // An unselected row without colour shows no blue anywhere.
    const QRect betaRect = tree->visualItemRect(tree->findLeafItem(QStringLiteral("Beta")));
    const QPoint betaInside((textEnd + betaRect.right()) / 2, betaRect.center().y());
    QVERIFY(QColor(image.pixel(betaInside * image.devicePixelRatio())) != QColor(0, 0, 255));
}

enum class TreeAction { AssignToFreeRow, AssignToColoredRow, RemoveRowColor, RemoveUncolored,
                        RemoveForeignRow, RemoveSelection, AssignAutomatically };
Q_DECLARE_METATYPE(TreeAction)

void TestFeatureTreeWidget::announcesWhatItDid_data()
{
    // What the window hears: the log records in order, and the features
    // whose views it must repaint. B and C start coloured where "colored"
    // says so.
    QTest::addColumn<TreeAction>("action");
    QTest::addColumn<bool>("colored");
    QTest::addColumn<QStringList>("logged");
    QTest::addColumn<QStringList>("changed");

    QTest::newRow("assign to a free row")
        << TreeAction::AssignToFreeRow << false << QStringList{"assignColor<1>"}
        << QStringList{"D"};
    QTest::newRow("assign to a coloured row takes its colour first")
        << TreeAction::AssignToColoredRow << true
        << QStringList{"assignColor<1>", "deleteColor<1>"} << QStringList{"B", "B"};
    QTest::newRow("remove a row's colour")
        << TreeAction::RemoveRowColor << true << QStringList{"deleteColor<1>"}
        << QStringList{"B"};
    QTest::newRow("remove from a row without colour still logs")
        << TreeAction::RemoveUncolored << false << QStringList{"deleteColor<1>"}
        << QStringList{"B"};
    QTest::newRow("a row of another tree is left alone")
        << TreeAction::RemoveForeignRow << true << QStringList{} << QStringList{};
    QTest::newRow("remove from a selection counts every selected row")
        << TreeAction::RemoveSelection << true << QStringList{"deleteColor<3>"}
        << QStringList{"B", "C"};
    QTest::newRow("assign automatically to two rows")
        << TreeAction::AssignAutomatically << false << QStringList{"assignColor<2>"}
        << QStringList{"B", "C"};
}

void TestFeatureTreeWidget::announcesWhatItDid()
{
    QFETCH(TreeAction, action);
    QFETCH(bool, colored);
    QFETCH(QStringList, logged);
    QFETCH(QStringList, changed);

    QListWidget palette;
    auto tree = makeTree("A:B|C|D;", &palette);
    ColorManager manager(tree->features(), int(tree->features()->size()));
    tree->setColorManager(&manager);
    tree->refreshPalette();
    auto selectEntry = [&palette](int i) {
        palette.clearSelection();
        palette.item(i)->setSelected(true);
    };
    if (colored) {
        selectEntry(0);
        tree->assignSelectedColor(QStringLiteral("B"));
        selectEntry(0);
        tree->assignSelectedColor(QStringLiteral("C"));
        QVERIFY(rowBackgroundColor(tree->findLeafItem(QStringLiteral("C"))).isValid());
    }

    QSignalSpy logSpy(tree.get(), &FeatureTreeWidget::actionLogged);
    QSignalSpy changeSpy(tree.get(), &FeatureTreeWidget::featureColorChanged);
    QTreeWidgetItem *b = tree->findLeafItem(QStringLiteral("B"));
    QTreeWidget foreign;
    auto *foreignRow = new MyTreeWidgetItem({QStringLiteral("B")});
    foreign.addTopLevelItem(foreignRow);

    switch (action) {
    case TreeAction::AssignToFreeRow:
        selectEntry(0);
        tree->assignSelectedColor(QStringLiteral("D"));
        break;
    case TreeAction::AssignToColoredRow:
        selectEntry(0);
        tree->assignSelectedColor(QStringLiteral("B"));
        break;
    case TreeAction::RemoveRowColor:
    case TreeAction::RemoveUncolored:
        tree->removeRowColor(b);
        break;
    case TreeAction::RemoveForeignRow:
        tree->removeRowColor(foreignRow);
        break;
    case TreeAction::RemoveSelection:
    case TreeAction::AssignAutomatically:
        for (const char *name : {"B", "C", "D"}) {
            if (action == TreeAction::RemoveSelection || qstrcmp(name, "D") != 0)
                tree->findLeafItem(QLatin1String(name))->setSelected(true);
        }
        if (action == TreeAction::RemoveSelection)
            tree->removeColorAssignmentFromSelection();
        else
            tree->assignAutomatically();
        break;
    }

    QStringList heard;
    for (const QList<QVariant> &arguments : std::as_const(logSpy))
        heard << arguments.at(0).toString();
    QCOMPARE(heard, logged);
    QStringList repainted;
    for (const QList<QVariant> &arguments : std::as_const(changeSpy))
        repainted << arguments.at(0).value<Feature *>()->name();
    QCOMPARE(repainted, changed);
    // Whatever was announced as changed shows what the colour manager holds.
    for (const QString &name : std::as_const(changed)) {
        const bool hasColor = rowBackgroundColor(tree->findLeafItem(name)).isValid();
        const PaletteColor *color = manager.colorOf(tree->findFeature(name));
        QCOMPARE(hasColor, color && color->color() == rowBackgroundColor(tree->findLeafItem(name)));
    }
}

void TestFeatureTreeWidget::imagesShowWithoutRegistrationCall_data()
{
    QTest::addColumn<QString>("shownBy");

    QTest::newRow("palette entry placeholder") << "palette entry";
    QTest::newRow("remove button cross") << "remove button";
}

// Nothing in this program asks for the compiled-in images to be registered:
// they must have registered themselves when it started.
void TestFeatureTreeWidget::imagesShowWithoutRegistrationCall()
{
    QFETCH(QString, shownBy);
    QListWidget palette;
    auto tree = makeTree("A:B|C;", &palette);
    ColorManager manager(tree->features(), int(tree->features()->size()));
    tree->setColorManager(&manager);

    QIcon icon;
    if (shownBy == QLatin1String("palette entry")) {
        tree->refreshPalette();
        QVERIFY(palette.count() > 0);
        icon = palette.item(0)->icon();
    } else {
        QTreeWidgetItem *row = tree->findLeafItem(QStringLiteral("B"));
        tree->showRemoveButton(row);
        QToolButton *button = tree->removeButton(row);
        QVERIFY(button);
        icon = button->icon();
    }
    QVERIFY(!icon.pixmap(QSize(16, 16)).isNull());
}

QTEST_MAIN(TestFeatureTreeWidget)
#include "tst_featuretreewidget.moc"
