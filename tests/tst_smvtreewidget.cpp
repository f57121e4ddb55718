#include "ui/colors/itemdelegate.h"
#include "ui/structure/smvtreewidget.h"
#include "ui/structure/stnode.h"

#include "support/dragdelivery.h"

#include <QListWidget>
#include <QMimeData>
#include <QTest>

#include <memory>

class TestSMVTreeWidget : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rowsUseTheStructureTreeDelegate();
    void dropNamesTheTopLevelRow_data();
    void dropNamesTheTopLevelRow();
    void dropIsNeverAccepted_data();
    void dropIsNeverAccepted();
    void noOutlineAfterADrop_data();
    void noOutlineAfterADrop();
    void expansionScalesLikeAFullRescale_data();
    void expansionScalesLikeAFullRescale();
};

namespace {

// Lets the test hand a drop to the tree directly.
class DroppableTree : public SMVTreeWidget
{
public:
    using SMVTreeWidget::dropEvent;
    // While a drag is under way the view draws its drop indicator.
    bool isIdle() const { return state() == NoState; }
};

// P(a(a1(x.java,y.java),a2(z.c)),b(w.h))
STNode *buildProject(SMVTreeWidget *tree)
{
    const auto add = [](QTreeWidgetItem *parent, const QString &label) {
        auto *row = new STNode(parent);
        row->setText(0, label);
        QPixmap texture(351, 45);
        texture.fill(Qt::darkCyan);
        row->setTexture(texture);
        row->showFullSizeBackground();
        return row;
    };
    STNode *project = add(tree->invisibleRootItem(), QStringLiteral("P"));
    STNode *a = add(project, QStringLiteral("a"));
    STNode *a1 = add(a, QStringLiteral("a1"));
    add(a1, QStringLiteral("x.java"));
    add(a1, QStringLiteral("y.java"));
    STNode *a2 = add(a, QStringLiteral("a2"));
    add(a2, QStringLiteral("z.c"));
    STNode *b = add(project, QStringLiteral("b"));
    add(b, QStringLiteral("w.h"));
    return project;
}

QTreeWidgetItem *find(SMVTreeWidget *tree, const QString &path)
{
    const QStringList labels = path.split(QLatin1Char('/'));
    QTreeWidgetItem *item = tree->invisibleRootItem();
    for (const QString &label : labels) {
        QTreeWidgetItem *next = nullptr;
        for (int c = 0; c < item->childCount() && !next; ++c)
            if (item->child(c)->text(0) == label)
                next = item->child(c);
        if (!next)
            return nullptr;
        item = next;
    }
    return item;
}

// For every row: "label=S<width>" when it shows a scaled background, "label=F"
// for the full-size texture ("S0": no background at all).
QString scaling(SMVTreeWidget *tree)
{
    QStringList states;
    QList<QTreeWidgetItem *> stack{tree->invisibleRootItem()};
    while (!stack.isEmpty()) {
        QTreeWidgetItem *item = stack.takeLast();
        for (int c = item->childCount() - 1; c >= 0; --c)
            stack.append(item->child(c));
        auto *row = dynamic_cast<STNode *>(item);
        if (!row)
            continue;
        const QPixmap shown = row->background(0).texture();
        states.append(row->text(0) + QLatin1Char('=')
                      + (shown.width() == 351 && shown.height() == 45
                             ? QStringLiteral("F")
                             : QStringLiteral("S%1").arg(shown.width())));
    }
    return states.join(QLatin1Char(' '));
}

} // namespace

void TestSMVTreeWidget::rowsUseTheStructureTreeDelegate()
{
    SMVTreeWidget tree;
    auto *delegate = dynamic_cast<ItemDelegate *>(tree.itemDelegate());
    QVERIFY(delegate);
    QCOMPARE(delegate->mode(), quint8(1));
    STNode *project = buildProject(&tree);
    QCOMPARE(tree.visualItemRect(project).height(), 29);
    QVERIFY(!tree.isFeatureView());
}

void TestSMVTreeWidget::dropNamesTheTopLevelRow_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("name");
    QTest::newRow("the top-level row itself") << QStringLiteral("P") << QStringLiteral("P");
    QTest::newRow("a row two levels down") << QStringLiteral("P/a/a1") << QStringLiteral("P");
    QTest::newRow("a file row") << QStringLiteral("P/b/w.h") << QStringLiteral("P");
}

void TestSMVTreeWidget::dropNamesTheTopLevelRow()
{
    QFETCH(QString, path);
    QFETCH(QString, name);

    SMVTreeWidget tree;
    tree.resize(400, 600);
    buildProject(&tree);
    auto *second = new STNode(tree.invisibleRootItem());
    second->setText(0, QStringLiteral("Second"));
    tree.expandAll();
    QTreeWidgetItem *row = find(&tree, path);
    QVERIFY(row);
    QCOMPARE(tree.featureNameAt(tree.visualItemRect(row).center()), name);
    QCOMPARE(tree.featureNameAt(tree.visualItemRect(second).center()), QStringLiteral("Second"));
    // Below the last row there is nothing.
    const QPoint below(5, tree.visualItemRect(second).bottom() + 40);
    QVERIFY(below.y() < tree.viewport()->height());
    QCOMPARE(tree.featureNameAt(below), QString());
}

void TestSMVTreeWidget::dropIsNeverAccepted_data()
{
    QTest::addColumn<bool>("onRow");
    QTest::addColumn<bool>("withPayload");
    QTest::newRow("on a row, with a payload") << true << true;
    QTest::newRow("on a row, without a payload") << true << false;
    QTest::newRow("below the last row") << false << true;
}

void TestSMVTreeWidget::dropIsNeverAccepted()
{
    QFETCH(bool, onRow);
    QFETCH(bool, withPayload);

    DroppableTree tree;
    tree.resize(400, 600);
    STNode *project = buildProject(&tree);
    QMimeData data;
    if (withPayload) {
        QByteArray bytes;
        QDataStream stream(&bytes, QIODevice::WriteOnly);
        QPixmap picture(4, 4);
        picture.fill(Qt::red);
        stream << picture << QPoint(3, 4);
        data.setData(QStringLiteral("application/x-color"), bytes);
    }
    const QPoint position = onRow ? tree.visualItemRect(project).center()
                                  : QPoint(5, tree.viewport()->height() - 5);
    QDropEvent event(position, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    event.accept();
    tree.dropEvent(&event);
    QVERIFY(!event.isAccepted());
    QCOMPARE(tree.topLevelItemCount(), 1);
}

void TestSMVTreeWidget::noOutlineAfterADrop_data()
{
    QTest::addColumn<QString>("path"); // empty: below the last row
    QTest::newRow("dropped on a feature row") << QStringLiteral("P");
    QTest::newRow("dropped on a file row") << QStringLiteral("P/b/w.h");
    QTest::newRow("dropped below the last row") << QString();
}

// After a colour was dropped on a row of the "Features" view, a black
// rectangle stayed around the row until the next click in the tree.
void TestSMVTreeWidget::noOutlineAfterADrop()
{
    QFETCH(QString, path);

    DroppableTree tree;
    tree.setFeatureView(true);
    tree.setDragDropMode(QAbstractItemView::DropOnly);
    tree.resize(400, 600);
    buildProject(&tree);
    tree.expandAll();
    tree.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tree));

    QListWidget palette;
    palette.addItem(QStringLiteral("colour"));
    palette.setCurrentRow(0);
    const std::unique_ptr<QMimeData> data = TestSupport::paletteDragData(&palette);
    const QTreeWidgetItem *row = path.isEmpty() ? nullptr : find(&tree, path);
    QVERIFY(path.isEmpty() || row);
    const QPoint at = row ? tree.visualItemRect(row).center()
                          : QPoint(5, tree.viewport()->height() - 5);
    const TestSupport::DragResult result =
        TestSupport::deliverDrag(&tree, tree.viewport()->mapTo(&tree, at), data.get());
    QCOMPARE(result.target, tree.viewport());
    QVERIFY(result.moveAccepted);
    QVERIFY(result.dropped);
    QVERIFY(tree.isIdle());
}

void TestSMVTreeWidget::expansionScalesLikeAFullRescale_data()
{
    QTest::addColumn<QStringList>("steps");
    // expand:PATH, collapse:PATH, resize:WIDTH, add:PATH (a new row under
    // PATH), full:PATH (the row shows its full-size texture again).
    QTest::newRow("expanding down the tree")
        << QStringList{"expand:P", "expand:P/a", "expand:P/a/a1", "expand:P/b"};
    QTest::newRow("a row under a collapsed parent, then the parent")
        << QStringList{"expand:P", "expand:P/a/a1", "expand:P/a"};
    QTest::newRow("collapse, resize, expand again")
        << QStringList{"expand:P", "expand:P/a", "collapse:P/a", "resize:700", "expand:P/a"};
    QTest::newRow("rows added after scaling")
        << QStringList{"expand:P", "expand:P/a", "add:P/a", "add:P/b", "expand:P/b"};
    QTest::newRow("a recoloured row is rescaled by an expansion elsewhere")
        << QStringList{"expand:P", "expand:P/a", "full:P/a", "full:P/b/w.h", "expand:P/b"};
    QTest::newRow("collapsed subtree keeps old backgrounds")
        << QStringList{"expand:P", "expand:P/a", "expand:P/a/a2", "collapse:P/a",
                       "resize:900", "expand:P/b", "expand:P/a"};
}

void TestSMVTreeWidget::expansionScalesLikeAFullRescale()
{
    QFETCH(QStringList, steps);

    // The reference tree hears no expansion and is rescaled completely after
    // every step instead.
    SMVTreeWidget quick;
    SMVTreeWidget reference;
    reference.blockSignals(true);
    for (SMVTreeWidget *tree : {&quick, &reference}) {
        tree->resize(500, 400);
        buildProject(tree);
        tree->show();
        QVERIFY(QTest::qWaitForWindowExposed(tree));
    }
    int added = 0;
    for (const QString &step : steps) {
        const QString action = step.section(QLatin1Char(':'), 0, 0);
        const QString argument = step.section(QLatin1Char(':'), 1);
        for (SMVTreeWidget *tree : {&quick, &reference}) {
            if (action == QLatin1String("resize")) {
                tree->resize(argument.toInt(), 400);
                QTRY_COMPARE(tree->width(), argument.toInt());
                continue;
            }
            QTreeWidgetItem *item = find(tree, argument);
            QVERIFY2(item, qPrintable(argument));
            if (action == QLatin1String("expand")) {
                item->setExpanded(true);
                if (tree == &reference)
                    tree->updateTexture();
            } else if (action == QLatin1String("collapse")) {
                item->setExpanded(false);
            } else if (action == QLatin1String("add")) {
                auto *row = new STNode(item);
                row->setText(0, QStringLiteral("new%1").arg(added));
                QPixmap texture(351, 45);
                texture.fill(Qt::yellow);
                row->setTexture(texture); // no background until it is scaled
            } else if (action == QLatin1String("full")) {
                dynamic_cast<STNode *>(item)->showFullSizeBackground();
            }
        }
        if (action == QLatin1String("add"))
            ++added;
        QCOMPARE(scaling(&quick), scaling(&reference));
    }
    // The steps did scale something.
    QVERIFY(scaling(&quick).contains(QLatin1Char('S')));
}

QTEST_MAIN(TestSMVTreeWidget)
#include "tst_smvtreewidget.moc"
