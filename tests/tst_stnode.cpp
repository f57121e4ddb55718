#include "support/features.h"

#include "ui/structure/stnode.h"
#include "ui/structure/stripelist.h"

#include <QRandomGenerator>
#include <QTest>

#include <memory>
#include <vector>

using namespace TestSupport;

class TestSTNode : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void newRowIsEmpty();
    void unannotatedLines_data();
    void unannotatedLines();
    void unannotatedLinesOnlyForFiles();
    void sortIsStableByStartLine();
    void addFragmentReachesEveryAncestor();
    void cloneKeepsOrderAndSharesContainers();
    void cloneOfDeepTree();
    void setStripe_data();
    void setStripe();
    void fillingIsSettingStripeByStripe();
    void totalsFromLeavesToAncestors();
    void featureLinesMatchByName();
    void annotatedAndUnannotatedLinesMakeUpTheFile_data();
    void annotatedAndUnannotatedLinesMakeUpTheFile();
};

void TestSTNode::newRowIsEmpty()
{
    QTreeWidgetItem root;
    STNode row(&root);
    QCOMPARE(row.parent(), &root);
    QCOMPARE(row.kind(), int(STNode::None));
    QVERIFY(row.texture().isNull());
    QVERIFY(!row.hasBar());
    QCOMPARE(row.lineCount(), 0);
    QCOMPARE(row.unannotatedLines(), 0);
    QVERIFY(row.filePath().isEmpty());
    QVERIFY(row.fragments().isEmpty());
    QVERIFY(row.featureLines().isEmpty());
    QCOMPARE(row.stripes().size(), 0);
    QVERIFY(&row.stripes() != &row.featureStripes());
    root.removeChild(&row);
}

void TestSTNode::unannotatedLines_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<QList<QPoint>>("fragments"); // (start line, span)
    QTest::addColumn<int>("expected");

    // Lines 1-9, 23-49 and 51-100: every line of a fragment, its end line
    // too, is annotated.
    QTest::newRow("worked example") << 100 << QList<QPoint>{{10, 5}, {12, 10}, {50, 0}} << 86;
    QTest::newRow("same records out of order")
        << 100 << QList<QPoint>{{50, 0}, {12, 10}, {10, 5}} << 86;
    QTest::newRow("no records leaves 0") << 100 << QList<QPoint>{} << 0;
    QTest::newRow("fragment from line 1") << 10 << QList<QPoint>{{1, 3}} << 6;
    QTest::newRow("nested fragment adds nothing")
        << 100 << QList<QPoint>{{10, 20}, {15, 2}} << 79;
    QTest::newRow("fragment reaching the end") << 20 << QList<QPoint>{{5, 15}} << 4;
    QTest::newRow("fragment beyond the end counts no line past it")
        << 20 << QList<QPoint>{{30, 5}} << 20;
    QTest::newRow("records after the end are not walked")
        << 20 << QList<QPoint>{{2, 30}, {40, 1}} << 1;
    QTest::newRow("negative span counts as a one-line fragment")
        << 100 << QList<QPoint>{{10, -5}, {20, 0}} << 98;
    QTest::newRow("negative span same as span 0")
        << 100 << QList<QPoint>{{10, 0}, {20, 0}} << 98;
}

void TestSTNode::unannotatedLines()
{
    QFETCH(int, length);
    QFETCH(QList<QPoint>, fragments);
    QFETCH(int, expected);

    FeatureList features = makeFeatures({"A"});
    STNode file(nullptr);
    file.setKind(STNode::File);
    file.initFeatureLines(&features);
    for (const QPoint &fragment : fragments)
        file.addFragment(&features[0], fragment.y(), fragment.x(), 1);
    file.computeUnannotatedLines(length);
    QCOMPARE(file.unannotatedLines(), expected);
}

void TestSTNode::unannotatedLinesOnlyForFiles()
{
    FeatureList features = makeFeatures({"A"});
    STNode folder(nullptr);
    folder.setKind(STNode::Folder);
    folder.setUnannotatedLines(7);
    folder.addFragment(&features[0], 3, 10, 1);
    folder.computeUnannotatedLines(100);
    QCOMPARE(folder.unannotatedLines(), 7);
}

void TestSTNode::sortIsStableByStartLine()
{
    FeatureList features = makeFeatures({"A", "B", "C", "D"});
    STNode file(nullptr);
    file.addFragment(&features[0], 1, 30, 1);
    file.addFragment(&features[1], 2, 10, 1);
    file.addFragment(&features[2], 3, 30, 1);
    file.addFragment(&features[3], 4, 10, 1);
    file.sortFragments();
    QStringList order;
    for (const Fragment &fragment : file.sortedFragments())
        order.append(fragment.feature->name());
    QCOMPARE(order, (QStringList{"B", "D", "A", "C"}));
    // The unsorted list keeps the order of adding.
    QCOMPARE(file.fragments().first().feature, &features[0]);
}

void TestSTNode::addFragmentReachesEveryAncestor()
{
    FeatureList features = makeFeatures({"A"});
    QTreeWidgetItem invisibleRoot;
    auto *project = new STNode(&invisibleRoot);
    auto *folder = new STNode(project);
    auto *file = new STNode(folder);
    auto *sibling = new STNode(folder);

    file->addFragment(&features[0], 4, 12, 2);
    file->addFragment(nullptr, 9, 9, 1);
    for (STNode *row : {file, folder, project}) {
        QCOMPARE(row->fragments().size(), 1);
        QCOMPARE(row->sortedFragments().size(), 1);
        const Fragment &fragment = row->fragments().first();
        QCOMPARE(fragment.startLine, 12);
        QCOMPARE(fragment.lineSpan, 4);
        QCOMPARE(fragment.featureCount, 2);
        QCOMPARE(fragment.feature, &features[0]);
    }
    QVERIFY(sibling->fragments().isEmpty());
}

void TestSTNode::cloneKeepsOrderAndSharesContainers()
{
    FeatureList features = makeFeatures({"A"});
    STNode folder(nullptr);
    folder.setKind(STNode::Folder);
    folder.setText(0, QStringLiteral("folder"));
    folder.setToolTip(0, QStringLiteral("A"));
    folder.initFeatureLines(&features);
    folder.setLineCount(30);
    QList<STNode *> children;
    for (const char *name : {"a", "b", "c"}) {
        auto *child = new STNode(&folder);
        child->setKind(STNode::File);
        child->setText(0, QString::fromLatin1(name));
        child->setFilePath(QStringLiteral("/p/") + QString::fromLatin1(name));
        child->setUnannotatedLines(int(children.size()) + 1);
        children.append(child);
    }
    children[1]->addFragment(&features[0], 2, 3, 1);
    children[1]->setHasBar(true);

    std::unique_ptr<STNode> copy(dynamic_cast<STNode *>(folder.clone()));
    QVERIFY(copy);
    QCOMPARE(copy->parent(), nullptr);
    QCOMPARE(copy->text(0), QStringLiteral("folder"));
    QCOMPARE(copy->toolTip(0), QStringLiteral("A"));
    QCOMPARE(copy->kind(), int(STNode::Folder));
    QCOMPARE(copy->lineCount(), 30);
    QCOMPARE(copy->featureList(), &features);
    QCOMPARE(copy->childCount(), 3);
    for (int i = 0; i < 3; ++i) {
        auto *child = dynamic_cast<STNode *>(copy->child(i));
        QVERIFY(child);
        QVERIFY(child != children[i]);
        QCOMPARE(child->text(0), children[i]->text(0));
        QCOMPARE(child->filePath(), children[i]->filePath());
        QCOMPARE(child->unannotatedLines(), i + 1);
        QCOMPARE(child->hasBar(), i == 1);
        // Shared, not copied: the same containers.
        QCOMPARE(&child->fragments(), &children[i]->fragments());
        QCOMPARE(&child->featureLines(), &children[i]->featureLines());
        QCOMPARE(&child->sortedFragments(), &children[i]->sortedFragments());
        QCOMPARE(&child->stripes(), &children[i]->stripes());
        QCOMPARE(&child->featureStripes(), &children[i]->featureStripes());
    }
    QCOMPARE(&copy->fragments(), &folder.fragments());
    // What one row adds, its copy sees.
    children[2]->fragments().append(Fragment());
    QCOMPARE(dynamic_cast<STNode *>(copy->child(2))->fragments().size(), 1);
    // A copy outlives its source and keeps the shared data alive.
    const int before = int(folder.fragments().size());
    STNode *copiedB = dynamic_cast<STNode *>(copy->child(1));
    delete children[1];
    QCOMPARE(copiedB->fragments().size(), 1);
    QCOMPARE(folder.fragments().size(), before);
}

void TestSTNode::cloneOfDeepTree()
{
    // Deep enough that a recursive copy would be at risk; the copy follows
    // every level in order.
    STNode top(nullptr);
    QTreeWidgetItem *level = &top;
    const int depth = 20000;
    for (int i = 0; i < depth; ++i) {
        auto *row = new STNode(level);
        row->setText(0, QString::number(i));
        auto *leaf = new STNode(level);
        leaf->setText(0, QStringLiteral("leaf"));
        level = row;
    }
    std::unique_ptr<QTreeWidgetItem> copy(top.clone());
    const QTreeWidgetItem *walk = copy.get();
    for (int i = 0; i < depth; ++i) {
        QCOMPARE(walk->childCount(), 2);
        QCOMPARE(walk->child(0)->text(0), QString::number(i));
        QCOMPARE(walk->child(1)->text(0), QStringLiteral("leaf"));
        walk = walk->child(0);
    }
    QCOMPARE(walk->childCount(), 0);
    // Tear down leaves first, so no destructor has to recurse either.
    for (QTreeWidgetItem *tree : {copy.get(), static_cast<QTreeWidgetItem *>(&top)}) {
        std::vector<QTreeWidgetItem *> rows;
        for (std::vector<QTreeWidgetItem *> stack{tree}; !stack.empty();) {
            QTreeWidgetItem *item = stack.back();
            stack.pop_back();
            rows.push_back(item);
            for (int c = 0; c < item->childCount(); ++c)
                stack.push_back(item->child(c));
        }
        for (auto it = rows.rbegin(); it != rows.rend(); ++it)
            if (*it != tree)
                delete *it;
    }
}

void TestSTNode::setStripe_data()
{
    QTest::addColumn<QList<QPoint>>("calls"); // (id, width); x = 10 * call number
    QTest::addColumn<QList<QPoint>>("expected"); // (x, width) by position
    QTest::addColumn<QList<bool>>("shades");

    QTest::newRow("id 4 on an empty list stores at 0")
        << QList<QPoint>{{4, 7}} << QList<QPoint>{{0, 7}} << QList<bool>{false};
    QTest::newRow("ids in order fill positions in order")
        << QList<QPoint>{{0, 1}, {1, 2}, {2, 3}} << QList<QPoint>{{0, 1}, {10, 2}, {20, 3}}
        << QList<bool>{false, true, false};
    QTest::newRow("a known id is replaced")
        << QList<QPoint>{{0, 1}, {1, 2}, {0, 5}} << QList<QPoint>{{20, 5}, {10, 2}}
        << QList<bool>{false, true};
    QTest::newRow("zero-width stripes flip the bit too")
        << QList<QPoint>{{0, 0}, {1, 0}, {2, 0}, {1, 9}} << QList<QPoint>{{0, 0}, {30, 9}, {20, 0}}
        << QList<bool>{false, true, false};
    QTest::newRow("negative id appends")
        << QList<QPoint>{{0, 1}, {-1, 2}} << QList<QPoint>{{0, 1}, {10, 2}}
        << QList<bool>{false, true};
}

void TestSTNode::setStripe()
{
    QFETCH(QList<QPoint>, calls);
    QFETCH(QList<QPoint>, expected);
    QFETCH(QList<bool>, shades);

    StripeList list;
    QCOMPARE(list.alternation(), false);
    for (int i = 0; i < calls.size(); ++i)
        list.setStripe(calls[i].x(), 10 * i, calls[i].y());
    QCOMPARE(list.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        QCOMPARE(list.at(i).x, expected[i].x());
        QCOMPARE(list.at(i).width, expected[i].y());
        QCOMPARE(list.at(i).shade, shades[i]);
    }
    QCOMPARE(list.alternation(), calls.size() % 2 == 1);
}

// The sparse list against the plain one it stands for, over random mixes
// of single stripes and cleared stretches.
void TestSTNode::fillingIsSettingStripeByStripe()
{
    struct Plain
    {
        QList<Stripe> stripes;
        bool alternation = false;
        void set(int id, int x, int width)
        {
            const Stripe stripe{x, width, alternation};
            if (id >= 0 && id < stripes.size())
                stripes[id] = stripe;
            else
                stripes.append(stripe);
            alternation = !alternation;
        }
    };
    QRandomGenerator random(20261208);
    for (int round = 0; round < 200; ++round) {
        StripeList list;
        Plain plain;
        for (int step = 0; step < 40; ++step) {
            const int action = random.bounded(8);
            if (action == 0) {
                // A stretch, then a few of its stripes widened in order.
                const int count = random.bounded(-1, 30);
                const int x = random.bounded(3);
                list.fill(count, x);
                QList<int> widths(qMax(0, count), 0);
                for (int i = 0; i < 3 && count > 0; ++i)
                    widths[random.bounded(count)] = random.bounded(1, 5);
                for (int id = 0; id < count; ++id) {
                    if (widths[id] != 0)
                        list.place(id, x, widths[id]);
                    plain.set(id, x, widths[id]);
                }
            } else if (action == 1) {
                const int count = random.bounded(-1, 30);
                list.fill(count);
                for (int id = 0; id < count; ++id)
                    plain.set(id, 0, 0);
            } else {
                const int id = random.bounded(-2, 35);
                const int x = random.bounded(100);
                const int width = random.bounded(5);
                list.setStripe(id, x, width);
                plain.set(id, x, width);
            }
            QCOMPARE(list.size(), plain.stripes.size());
            QCOMPARE(list.alternation(), plain.alternation);
            for (int id = 0; id < list.size(); ++id) {
                const Stripe got = list.at(id);
                const Stripe want = plain.stripes.at(id);
                QVERIFY2(got.x == want.x && got.width == want.width && got.shade == want.shade,
                         qPrintable(QStringLiteral("round %1 step %2 id %3")
                                        .arg(round).arg(step).arg(id)));
            }
        }
    }
}

void TestSTNode::totalsFromLeavesToAncestors()
{
    QTreeWidgetItem invisibleRoot;
    auto *project = new STNode(&invisibleRoot);
    auto *folder = new STNode(project);
    auto *a = new STNode(folder);
    auto *b = new STNode(folder);
    auto *c = new STNode(project);
    a->setLineCount(10);
    b->setLineCount(5);
    c->setLineCount(7);
    folder->sumChildLineCounts();
    project->sumChildLineCounts();
    QCOMPARE(folder->lineCount(), 15);
    QCOMPARE(project->lineCount(), 22);

    a->addToAncestors(4);
    c->addToAncestors(3);
    QCOMPARE(folder->unannotatedLines(), 4);
    QCOMPARE(project->unannotatedLines(), 7);
    QCOMPARE(a->unannotatedLines(), 0);
}

void TestSTNode::featureLinesMatchByName()
{
    // Two records named A (two features of that name) both count for both.
    FeatureList features = makeFeatures({"A", "B", "A"});
    QTreeWidgetItem invisibleRoot;
    auto *project = new STNode(&invisibleRoot);
    auto *folder = new STNode(project);
    auto *file = new STNode(folder);
    auto *other = new STNode(project);
    for (STNode *row : {project, folder, file, other})
        row->initFeatureLines(&features);
    file->addFragment(&features[0], 10, 1, 1);
    file->addFragment(&features[2], 5, 20, 1);
    file->addFragment(&features[1], 3, 40, 1);
    other->addFragment(&features[1], 4, 1, 1);

    folder->computeFeatureLines(); // has children: left alone
    QCOMPARE(folder->featureLines(), (QList<int>{0, 0, 0}));
    file->computeFeatureLines();
    other->computeFeatureLines();
    // A fragment counts its lines, span + 1: A 11 + 6, B 4 and 5.
    QCOMPARE(file->featureLines(), (QList<int>{17, 4, 17}));
    QCOMPARE(folder->featureLines(), (QList<int>{17, 4, 17}));
    QCOMPARE(other->featureLines(), (QList<int>{0, 5, 0}));
    QCOMPARE(project->featureLines(), (QList<int>{17, 9, 17}));
}

// The bars share a row by the lines of each feature and leave white for the
// unannotated lines: for fragments that do not overlap, both together are the
// file's lines.
void TestSTNode::annotatedAndUnannotatedLinesMakeUpTheFile_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<QList<QPoint>>("fragments"); // (start line, span), one feature each

    QTest::newRow("one-line fragments") << 32 << QList<QPoint>{{23, 0}, {25, 0}};
    QTest::newRow("fragments with gaps between them")
        << 100 << QList<QPoint>{{10, 5}, {30, 0}, {50, 9}};
    QTest::newRow("adjacent fragments") << 40 << QList<QPoint>{{1, 9}, {11, 9}, {21, 0}};
    QTest::newRow("fragment on the last line") << 20 << QList<QPoint>{{3, 2}, {20, 0}};
    QTest::newRow("whole file") << 12 << QList<QPoint>{{1, 11}};
}

void TestSTNode::annotatedAndUnannotatedLinesMakeUpTheFile()
{
    QFETCH(int, length);
    QFETCH(QList<QPoint>, fragments);

    QStringList names;
    for (int i = 0; i < fragments.size(); ++i)
        names.append(QStringLiteral("F%1").arg(i));
    FeatureList features = makeFeatures(names);
    QTreeWidgetItem invisibleRoot;
    auto *file = new STNode(&invisibleRoot);
    file->setKind(STNode::File);
    file->initFeatureLines(&features);
    for (int i = 0; i < fragments.size(); ++i)
        file->addFragment(&features[i], fragments[i].y(), fragments[i].x(), 1);
    file->computeUnannotatedLines(length);
    file->computeFeatureLines();

    int annotated = 0;
    for (int i = 0; i < fragments.size(); ++i) {
        QVERIFY(file->featureLines().at(i) > 0); // every fragment shows
        annotated += file->featureLines().at(i);
    }
    QCOMPARE(annotated + file->unannotatedLines(), length);
}

QTEST_MAIN(TestSTNode)
#include "tst_stnode.moc"
