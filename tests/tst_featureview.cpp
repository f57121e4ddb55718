#include "support/features.h"
#include "support/outputcapture.h"
#include "support/testfiles.h"

#include "ui/mainwindow/mainwindow.h"
#include "ui/colors/colormanager.h"
#include "core/model/projectfolder.h"
#include "ui/structure/projectreader.h"
#include "ui/structure/smvtreewidget.h"
#include "ui/structure/stnode.h"
#include "ui/structure/treepaths.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidgetItemIterator>

#include <limits>
#include <memory>

using namespace TestSupport;

namespace {

// A small project: A in two files, B in three (once through an expression,
// once shared with D), C only in a one-line fragment, D shared with B, E in
// no file at all.
const QByteArray sampleAnnotations = R"(<?xml version="1.0"?>
<project name="Sample">
 <folder name="src">
  <folder name="core">
   <file name="Engine.java" length="100">
    <fragment startline="10" endline="40"><feature>A</feature></fragment>
    <fragment startline="50" endline="60"><feature>A &amp;&amp; B</feature></fragment>
   </file>
   <file name="Util.java" length="50"/>
  </folder>
  <folder name="ui">
   <file name="View.c" length="80">
    <fragment startline="5" endline="25"><feature>B</feature></fragment>
    <fragment startline="30" endline="30"><feature>C</feature></fragment>
   </file>
   <file name="view.h" length="20">
    <fragment startline="2" endline="8"><feature>D</feature><feature>B</feature></fragment>
   </file>
  </folder>
 </folder>
 <file name="Main.java" length="30">
  <fragment startline="1" endline="5"><feature>A</feature></fragment>
 </file>
</project>
)";

const QByteArray sampleModel = "Sample : Core | Extras ; Core : A | B ; Extras : C | D | E ;";

QByteArray lines(int count)
{
    QByteArray text;
    for (int i = 1; i <= count; ++i)
        text += "// line " + QByteArray::number(i) + '\n';
    return text;
}

QString outline(const QTreeWidgetItem *item)
{
    QStringList children;
    for (int c = 0; c < item->childCount(); ++c)
        children.append(outline(item->child(c)));
    return children.isEmpty() ? item->text(0)
                              : item->text(0) + QLatin1Char('(') + children.join(QLatin1Char(','))
            + QLatin1Char(')');
}

QList<STNode *> rowsOf(QTreeWidget *tree)
{
    QList<STNode *> rows;
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        if (auto *row = dynamic_cast<STNode *>(*it))
            rows.append(row);
    return rows;
}

// A generated project: files at several depths, some missing on disk or
// shorter there than the project file says, with fragments of one feature,
// of two (shared), of expressions, one-line fragments, nested ones and
// names the model does not know.
QByteArray generatedAnnotations(const QString &folder, int files, int features, quint32 seed)
{
    QRandomGenerator random(seed);
    const auto feature = [&] { return QStringLiteral("F%1").arg(random.bounded(features)); };
    QByteArray xml = "<?xml version=\"1.0\"?>\n<project name=\"Gen\">\n";
    // Files k of folder a<k % 3>/b<k % 2>; every fifth at the top.
    QMap<QString, QList<int>> byFolder;
    for (int k = 0; k < files; ++k)
        byFolder[k % 5 == 0 ? QString() : QStringLiteral("a%1/b%2").arg(k % 3).arg(k % 2)]
            .append(k);
    for (auto it = byFolder.cbegin(); it != byFolder.cend(); ++it) {
        const QStringList parts = it.key().split(QLatin1Char('/'), Qt::SkipEmptyParts);
        for (const QString &part : parts)
            xml += "<folder name=\"" + part.toUtf8() + "\">";
        for (int k : it.value()) {
            const int length = 20 + random.bounded(80);
            const QString name = QStringLiteral("File%1.%2").arg(k).arg(k % 4 == 1 ? "c" : "java");
            xml += "<file name=\"" + name.toUtf8() + "\" length=\""
                + QByteArray::number(length) + "\">";
            const int fragments = random.bounded(7);
            for (int f = 0; f < fragments; ++f) {
                const int start = 1 + random.bounded(length);
                const int end = random.bounded(4) == 0
                    ? start
                    : qMin(length, start + random.bounded(30));
                xml += "<fragment startline=\"" + QByteArray::number(start) + "\" endline=\""
                    + QByteArray::number(end) + "\">";
                switch (random.bounded(8)) {
                case 0:
                    xml += "<feature>" + feature().toUtf8() + "</feature><feature>"
                        + feature().toUtf8() + "</feature>";
                    break;
                case 1:
                    xml += "<feature>" + feature().toUtf8() + " &amp;&amp; !"
                        + feature().toUtf8() + "</feature>";
                    break;
                case 2:
                    xml += "<feature>" + feature().toUtf8() + " || " + feature().toUtf8()
                        + "</feature>";
                    break;
                case 3:
                    xml += "<feature>Unknown</feature>";
                    break;
                default:
                    xml += "<feature>" + feature().toUtf8() + "</feature>";
                }
                xml += "</fragment>";
            }
            xml += "</file>\n";
            // One file in seven is missing; one in six is shorter on disk.
            if (k % 7 != 3) {
                const int onDisk = k % 6 == 2 ? length / 2 : length;
                writeFile(folder + QLatin1Char('/') + it.key() + QLatin1Char('/') + name,
                          lines(onDisk));
            }
        }
        for (int i = 0; i < parts.size(); ++i)
            xml += "</folder>";
        xml += '\n';
    }
    return xml + "</project>\n";
}

// What a row shows and holds, apart from its pictures.
QString describe(const STNode *row)
{
    const int block = row->featureBlock();
    return QStringLiteral("%1|kind %2|children %3|indicator %4|expanded %5|tip %6|lines %7"
                          "|path %8|block %9|bar %10")
        .arg(row->text(0))
        .arg(row->kind())
        // Folded rows show whether they can be unfolded, not what is below.
        .arg(row->isExpanded() ? row->childCount() : -1)
        .arg(row->childCount() > 0
             || row->childIndicatorPolicy() == QTreeWidgetItem::ShowIndicator)
        .arg(row->isExpanded())
        .arg(row->toolTip(0))
        .arg(row->lineCount())
        .arg(row->filePath())
        .arg(block)
        .arg(block >= 0 && block < row->featureStripes().size()
                 ? row->featureStripes().at(block).width
                 : -1);
}

QImage backgroundOf(const STNode *row)
{
    return row->data(0, Qt::BackgroundRole).value<QBrush>().textureImage();
}

// The rows a user can reach: the top-level rows and, below every unfolded
// row, its children.
QList<STNode *> shownRows(QTreeWidget *tree)
{
    QList<STNode *> rows;
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        bool shown = true;
        for (const QTreeWidgetItem *up = (*it)->parent(); up && shown; up = up->parent())
            shown = up->isExpanded();
        if (auto *row = dynamic_cast<STNode *>(*it); row && shown)
            rows.append(row);
    }
    return rows;
}

} // namespace

class TestFeatureView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void oneRowPerFeatureInIdOrder();
    void blocksKeepOnlyRowsWithCode_data();
    void blocksKeepOnlyRowsWithCode();
    void copiesShareTheirSourcesData();
    void copiesCarryTheFilePaths();
    void packageRowsKeepTheirToolTips();
    void emptyPackageViewGivesBareFeatureRows();
    void emptyFeatureListDisablesTheFeatureView();
    void mainWindowGivesBothViewsTheSamePaths();
    void renderedViewsShowTheBars();
    void oneLineFragmentsShowInBothTrees();
    void blocksMadeOnUnfoldingEqualBlocksMadeAtOnce_data();
    void blocksMadeOnUnfoldingEqualBlocksMadeAtOnce();

private:
    void writeSample();
    void readSample(bool withPaths);

    std::unique_ptr<QTemporaryDir> m_dir;
    FeatureList m_features;
    std::unique_ptr<ColorManager> m_colors;
    std::unique_ptr<SMVTreeWidget> m_packageView;
    std::unique_ptr<SMVTreeWidget> m_featureView;
    std::unique_ptr<ProjectReader> m_reader;
};

void TestFeatureView::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_features = makeFeatures({"A", "B", "C", "D", "E"});
    m_colors = std::make_unique<ColorManager>(&m_features, int(m_features.size()));
    m_packageView = std::make_unique<SMVTreeWidget>();
    m_featureView = std::make_unique<SMVTreeWidget>();
    m_featureView->setFeatureView(true);
    for (SMVTreeWidget *tree : {m_packageView.get(), m_featureView.get()})
        tree->setColorManager(m_colors.get());
    m_reader = std::make_unique<ProjectReader>(m_packageView.get(), m_featureView.get(),
                                               &m_features);
}

void TestFeatureView::cleanup()
{
    m_reader.reset();
    m_featureView.reset();
    m_packageView.reset();
    m_colors.reset();
    m_dir.reset();
}

void TestFeatureView::writeSample()
{
    QVERIFY(writeFile(m_dir->filePath(QStringLiteral("annotations.xml")), sampleAnnotations));
    QVERIFY(writeFile(m_dir->filePath(QStringLiteral("model.m")), sampleModel));
    QVERIFY(writeFile(m_dir->filePath(QStringLiteral("src/core/Engine.java")), lines(100)));
    QVERIFY(writeFile(m_dir->filePath(QStringLiteral("src/core/Util.java")), lines(50)));
    QVERIFY(writeFile(m_dir->filePath(QStringLiteral("src/ui/View.c")), lines(80)));
    QVERIFY(writeFile(m_dir->filePath(QStringLiteral("src/ui/view.h")), lines(20)));
    QVERIFY(writeFile(m_dir->filePath(QStringLiteral("Main.java")), lines(30)));
}

void TestFeatureView::readSample(bool withPaths)
{
    writeSample();
    QVERIFY(m_reader->readProjectFile(m_dir->filePath(QStringLiteral("annotations.xml"))));
    m_reader->computeLineCounts(m_dir->path());
    // What the main window's file-path step does, for a reader without a window.
    if (withPaths)
        for (QTreeWidgetItemIterator it(m_packageView.get(), QTreeWidgetItemIterator::NoChildren);
             *it; ++it)
            dynamic_cast<STNode *>(*it)->setFilePath(projectFilePath(m_dir->path(), *it));
    m_reader->completeTrees(nullptr);
}

void TestFeatureView::oneRowPerFeatureInIdOrder()
{
    readSample(true);
    QCOMPARE(m_featureView->topLevelItemCount(), 5);
    for (int i = 0; i < 5; ++i) {
        auto *row = dynamic_cast<STNode *>(m_featureView->topLevelItem(i));
        QVERIFY(row);
        QCOMPARE(row->text(0), m_features[i].name());
        QCOMPARE(row->kind(), int(STNode::FeatureRow));
        QVERIFY(row->hasBar());
        QCOMPARE(row->featureBlock(), i);
    }
    QVERIFY(m_featureView->isEnabled());
}

void TestFeatureView::blocksKeepOnlyRowsWithCode_data()
{
    QTest::addColumn<int>("feature");
    QTest::addColumn<QString>("expected");

    QTest::newRow("A: two files in different folders")
        << 0 << QStringLiteral("A(Sample(src(core(Engine.java)),Main.java))");
    QTest::newRow("B: through an expression and a shared fragment")
        << 1 << QStringLiteral("B(Sample(src(core(Engine.java),ui(View.c,view.h))))");
    QTest::newRow("C: a one-line fragment is one line of code")
        << 2 << QStringLiteral("C(Sample(src(ui(View.c))))");
    QTest::newRow("D: only its shared fragment") << 3
                                                 << QStringLiteral("D(Sample(src(ui(view.h))))");
    QTest::newRow("E: no code at all") << 4 << QStringLiteral("E");
}

void TestFeatureView::blocksKeepOnlyRowsWithCode()
{
    QFETCH(int, feature);
    QFETCH(QString, expected);

    readSample(true);
    QTreeWidgetItem *block = m_featureView->topLevelItem(feature);
    QVERIFY(block);
    QCOMPARE(outline(block), expected);
    // Every copy has a bar for this feature, painted in the feature's grey.
    const QColor grey = m_colors->colorOf(&m_features[feature])->color();
    for (QTreeWidgetItemIterator it(block); *it && (*it == block || (*it)->parent()); ++it) {
        auto *row = dynamic_cast<STNode *>(*it);
        if (row == block)
            continue;
        if (!row || row->kind() == STNode::FeatureRow)
            break;
        QVERIFY(row->hasBar());
        QCOMPARE(row->featureBlock(), feature);
        const int width = row->featureStripes().at(feature).width;
        QVERIFY(width >= 1);
        const QImage texture = row->texture().toImage();
        QCOMPARE(texture.size(), QSize(300, 45));
        QCOMPARE(texture.pixelColor(width, 20), grey);
        QCOMPARE(texture.pixelColor(width + 1, 20), QColor(Qt::white));
    }
}

void TestFeatureView::copiesShareTheirSourcesData()
{
    readSample(true);
    QTreeWidgetItem *copiedEngine = m_featureView->topLevelItem(1)->child(0)->child(0)->child(0)
                                        ->child(0);
    QTreeWidgetItem *engine = m_packageView->topLevelItem(0)->child(0)->child(0)->child(0);
    auto *copy = dynamic_cast<STNode *>(copiedEngine);
    auto *source = dynamic_cast<STNode *>(engine);
    QVERIFY(copy && source);
    QCOMPARE(copy->text(0), QStringLiteral("Engine.java"));
    QCOMPARE(&copy->fragments(), &source->fragments());
    QCOMPARE(&copy->featureStripes(), &source->featureStripes());
    QCOMPARE(copy->kind(), int(STNode::File));
    QCOMPARE(copy->lineCount(), 100);
    // Engine.java has 31 + 11 lines of A and 11 of B in 100 lines (a
    // fragment covers its start and end line).
    QCOMPARE(source->featureStripes().at(0).width, 84);
    QCOMPARE(source->featureStripes().at(1).width, 22);
    QCOMPARE(source->featureStripes().at(2).width, 0);
    QCOMPARE(source->featureStripes().at(1).x, 2);
}

void TestFeatureView::copiesCarryTheFilePaths()
{
    readSample(true);
    QHash<QString, QString> packagePaths;
    for (STNode *row : rowsOf(m_packageView.get()))
        if (row->childCount() == 0)
            packagePaths.insert(row->text(0), row->filePath());
    QCOMPARE(packagePaths.value(QStringLiteral("view.h")), m_dir->filePath("src/ui/view.h"));

    int files = 0;
    for (STNode *row : rowsOf(m_featureView.get())) {
        if (row->kind() != STNode::File)
            continue;
        ++files;
        QCOMPARE(row->filePath(), packagePaths.value(row->text(0)));
    }
    QCOMPARE(files, 2 + 3 + 1 + 1);
}

void TestFeatureView::packageRowsKeepTheirToolTips()
{
    readSample(true);
    QTreeWidgetItem *project = m_packageView->topLevelItem(0);
    QCOMPARE(project->toolTip(0), QStringLiteral("A\nB\nC\nD"));
    QCOMPARE(project->child(0)->child(1)->toolTip(0), QStringLiteral("B\nC\nD")); // src/ui
    for (STNode *row : rowsOf(m_featureView.get()))
        QVERIFY2(row->toolTip(0).isEmpty(), qPrintable(row->text(0)));
}

void TestFeatureView::emptyPackageViewGivesBareFeatureRows()
{
    OutputCapture err(STDERR_FILENO);
    QVERIFY(!m_reader->readProjectFile(m_dir->filePath(QStringLiteral("annotations.xml"))));
    err.text();
    m_reader->computeLineCounts(m_dir->path());
    m_reader->completeTrees(nullptr);
    QCOMPARE(m_packageView->topLevelItemCount(), 0);
    QCOMPARE(m_featureView->topLevelItemCount(), 5);
    for (int i = 0; i < 5; ++i)
        QCOMPARE(m_featureView->topLevelItem(i)->childCount(), 0);
    QVERIFY(m_featureView->isEnabled());
}

void TestFeatureView::emptyFeatureListDisablesTheFeatureView()
{
    m_features.clear();
    writeSample();
    QVERIFY(m_reader->readProjectFile(m_dir->filePath(QStringLiteral("annotations.xml"))));
    m_reader->computeLineCounts(m_dir->path());
    m_reader->completeTrees(nullptr);
    QCOMPARE(m_featureView->topLevelItemCount(), 0);
    QVERIFY(!m_featureView->isEnabled());
    // The package view is still complete, without bars.
    QCOMPARE(outline(m_packageView->topLevelItem(0)),
             QStringLiteral("Sample(src(core(Engine.java,Util.java),ui(View.c,view.h)),"
                            "Main.java)"));
    for (STNode *row : rowsOf(m_packageView.get()))
        QVERIFY(!row->hasBar());
}

void TestFeatureView::mainWindowGivesBothViewsTheSamePaths()
{
    writeSample();
    m_reader.reset();
    m_colors.reset();
    MainWindow window(m_dir->path());
    auto *packageView = window.findChild<SMVTreeWidget *>(QStringLiteral("treeWidget_packageView"));
    auto *featureView = window.findChild<SMVTreeWidget *>(QStringLiteral("treeWidget_featureView"));
    QVERIFY(packageView && featureView);
    QCOMPARE(featureView->topLevelItemCount(), 5);
    QStringList packagePaths;
    for (STNode *row : rowsOf(packageView))
        if (row->kind() == STNode::File)
            packagePaths.append(row->filePath());
    QCOMPARE(packagePaths.size(), 5);
    QVERIFY(packagePaths.contains(m_dir->filePath(QStringLiteral("src/core/Engine.java"))));
    int files = 0;
    for (STNode *row : rowsOf(featureView)) {
        if (row->kind() != STNode::File)
            continue;
        ++files;
        QVERIFY2(packagePaths.contains(row->filePath()), qPrintable(row->filePath()));
    }
    QCOMPARE(files, 7);
}

void TestFeatureView::renderedViewsShowTheBars()
{
    readSample(true);
    QVERIFY(m_colors->assignColor(&m_features[0], m_colors->ColorArray[0]));
    QVERIFY(m_colors->assignColor(&m_features[1], m_colors->ColorArray[2]));
    m_reader->recolorFeature(&m_features[0]);
    m_reader->recolorFeature(&m_features[1]);
    m_packageView->setHeaderHidden(true);
    m_featureView->setHeaderHidden(true);
    m_packageView->setIndentation(12);
    m_featureView->setIndentation(12);
    m_packageView->expandAll();
    m_featureView->topLevelItem(1)->setExpanded(true);
    for (QTreeWidgetItemIterator it(m_featureView->topLevelItem(1)); *it; ++it)
        (*it)->setExpanded(true);

    const QString renderDir = qEnvironmentVariable("FEATUREHUE_RENDER_DIR");
    for (int width : {300, 600}) {
        for (SMVTreeWidget *tree : {m_packageView.get(), m_featureView.get()}) {
            // No current row, so no highlight covers a background.
            tree->setFocusPolicy(Qt::NoFocus);
            tree->setSelectionMode(QAbstractItemView::NoSelection);
            tree->resize(width, 320);
            tree->show();
            QVERIFY(QTest::qWaitForWindowExposed(tree));
            tree->scaleTextures(tree->width(), 0);
            const QImage shot = tree->viewport()->grab().toImage();
            if (!renderDir.isEmpty())
                shot.save(QStringLiteral("%1/%2-%3.png")
                              .arg(renderDir, tree->isFeatureView() ? "features" : "packages")
                              .arg(width));
            // Every visible row shows its scaled background from its cell's corner.
            for (STNode *row : rowsOf(tree)) {
                const QRect cell = tree->visualItemRect(row);
                if (!cell.isValid() || cell.bottom() >= shot.height())
                    continue;
                QCOMPARE(cell.height(), 29);
                const QImage background = row->background(0).texture().toImage();
                QVERIFY(!background.isNull());
                // Pixel rows above and below the label's text.
                const int textTop = (cell.height() - tree->fontMetrics().height()) / 2;
                const int textBottom = textTop + tree->fontMetrics().height();
                for (int y : {3, cell.height() - 5}) {
                    if (y >= textTop && y < textBottom)
                        continue;
                    for (int x : {1, 5, cell.width() / 3, cell.width() - 2}) {
                        if (cell.left() + x >= shot.width() || x >= background.width())
                            continue;
                        QCOMPARE(shot.pixelColor(cell.left() + x, cell.top() + y),
                                 background.pixelColor(x, y));
                    }
                }
            }
        }
    }
    // Engine.java's package row: A's colour from the frame on, then B's.
    auto *engine = dynamic_cast<STNode *>(m_packageView->topLevelItem(0)->child(0)->child(0)
                                              ->child(0));
    const QImage background = engine->background(0).texture().toImage();
    QCOMPARE(background.pixelColor(4, 14).rgb(), m_colors->ColorArray[0]->color().rgb());
}

// A file whose only fragments are one line long: its lines show as bars in
// the package view, its folder's tool tip names the features, and the
// feature view keeps the file.
void TestFeatureView::oneLineFragmentsShowInBothTrees()
{
    QVERIFY(writeFile(m_dir->filePath(QStringLiteral("annotations.xml")),
                      "<project name=\"P\"><folder name=\"ui\">"
                      "<file name=\"ConsoleView.java\" length=\"32\">"
                      "<fragment startline=\"23\" endline=\"23\"><feature>E</feature></fragment>"
                      "<fragment startline=\"25\" endline=\"25\"><feature>C</feature></fragment>"
                      "</file></folder></project>"));
    QVERIFY(writeFile(m_dir->filePath(QStringLiteral("ui/ConsoleView.java")), lines(32)));
    QVERIFY(m_reader->readProjectFile(m_dir->filePath(QStringLiteral("annotations.xml"))));
    m_reader->computeLineCounts(m_dir->path());
    m_reader->completeTrees(nullptr);

    auto *folder = dynamic_cast<STNode *>(m_packageView->topLevelItem(0)->child(0));
    auto *file = dynamic_cast<STNode *>(folder->child(0));
    QCOMPARE(folder->toolTip(0), QStringLiteral("C\nE"));
    QCOMPARE(file->unannotatedLines(), 30);
    // 30 of 32 lines are white: 234 of the 250 pixels; C and E share the
    // other 16 equally, in id order.
    QVERIFY(file->hasBar());
    QCOMPARE(file->stripes().at(2).x, 1);
    QCOMPARE(file->stripes().at(2).width, 8);
    QCOMPARE(file->stripes().at(4).x, 9);
    QCOMPARE(file->stripes().at(4).width, 8);

    // One line of 32 in a 200-pixel bar area: 6 pixels.
    QTreeWidgetItem *block = m_featureView->topLevelItem(4);
    QCOMPARE(outline(block), QStringLiteral("E(P(ui(ConsoleView.java)))"));
    QCOMPARE(file->featureStripes().at(4).width, 6);
}

// The feature view makes a feature's block when its row is unfolded; the
// rows must be those made at once for the whole view, as the window unfolds
// them, in both trees, before and after unfolding every feature and
// whatever colours changed meanwhile.
void TestFeatureView::blocksMadeOnUnfoldingEqualBlocksMadeAtOnce_data()
{
    QTest::addColumn<int>("files");
    QTest::addColumn<int>("features");
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<bool>("recolorFirst");

    QTest::newRow("few features in many files") << 60 << 6 << 1u << false;
    QTest::newRow("many features in few files") << 25 << 40 << 2u << false;
    QTest::newRow("colours changed before the blocks are made") << 50 << 12 << 3u << true;
}

void TestFeatureView::blocksMadeOnUnfoldingEqualBlocksMadeAtOnce()
{
    QFETCH(int, files);
    QFETCH(int, features);
    QFETCH(quint32, seed);
    QFETCH(bool, recolorFirst);

    QStringList names;
    for (int i = 0; i < features; ++i)
        names.append(QStringLiteral("F%1").arg(i));
    m_features = makeFeatures(names);
    m_colors = std::make_unique<ColorManager>(&m_features, int(m_features.size()));
    QVERIFY(writeFile(m_dir->filePath(QStringLiteral("annotations.xml")),
                      generatedAnnotations(m_dir->path(), files, features, seed)));

    struct Trees
    {
        SMVTreeWidget packageView;
        SMVTreeWidget featureView;
        std::unique_ptr<ProjectReader> reader;
    };
    const auto build = [&](Trees &trees, qint64 eagerRowLimit) {
        trees.featureView.setFeatureView(true);
        for (SMVTreeWidget *tree : {&trees.packageView, &trees.featureView}) {
            tree->setColorManager(m_colors.get());
            tree->resize(420, 600);
        }
        trees.reader = std::make_unique<ProjectReader>(&trees.packageView, &trees.featureView,
                                                       &m_features);
        trees.reader->setEagerRowLimit(eagerRowLimit);
        QVERIFY(trees.reader->readProjectFile(m_dir->filePath(QStringLiteral("annotations.xml"))));
        trees.reader->computeLineCounts(m_dir->path());
        trees.reader->completeTrees([&trees, this] {
            for (STNode *row : rowsOf(&trees.packageView))
                if (row->childCount() == 0)
                    row->setFilePath(projectFilePath(m_dir->path(), row));
        });
        // What the window does after start-up: blocks made at once are
        // unfolded with the feature rows folded again, then it is scaled.
        trees.packageView.expandToDepth(1);
        if (!trees.reader->makesBlocksOnUnfolding()) {
            trees.featureView.expandAll();
            for (int i = 0; i < trees.featureView.topLevelItemCount(); ++i)
                trees.featureView.topLevelItem(i)->setExpanded(false);
        }
        for (SMVTreeWidget *tree : {&trees.packageView, &trees.featureView})
            tree->scaleTextures(tree->width(), 0);
    };
    Trees atOnce;
    Trees onUnfolding;
    build(atOnce, std::numeric_limits<qint64>::max());
    build(onUnfolding, 0);
    QVERIFY(!atOnce.reader->makesBlocksOnUnfolding());
    QVERIFY(onUnfolding.reader->makesBlocksOnUnfolding());
    QCOMPARE(onUnfolding.reader->blockRowCount(), qint64(rowsOf(&atOnce.featureView).size())
                                                      - features);

    const auto recolor = [&](int feature, int paletteIndex) {
        QVERIFY(m_colors->assignColor(&m_features[feature], m_colors->ColorArray[paletteIndex]));
        for (Trees *trees : {&atOnce, &onUnfolding}) {
            trees->reader->recolorFeature(&m_features[feature]);
            for (SMVTreeWidget *tree : {&trees->packageView, &trees->featureView})
                tree->scaleTextures(tree->width(), 0);
        }
    };
    const auto compare = [](QTreeWidget *expectedTree, QTreeWidget *actualTree,
                            const char *when) {
        const QList<STNode *> expected = shownRows(expectedTree);
        const QList<STNode *> actual = shownRows(actualTree);
        QCOMPARE(actual.size(), expected.size());
        for (qsizetype i = 0; i < expected.size(); ++i) {
            const QString row = describe(expected.at(i));
            QCOMPARE(describe(actual.at(i)), row);
            QVERIFY2(actual.at(i)->texture().toImage() == expected.at(i)->texture().toImage(),
                     qPrintable(QStringLiteral("bar of %1 %2").arg(row, when)));
            QVERIFY2(backgroundOf(actual.at(i)) == backgroundOf(expected.at(i)),
                     qPrintable(QStringLiteral("background of %1 %2").arg(row, when)));
        }
    };

    if (recolorFirst) {
        recolor(0, 0);
        recolor(features - 1, 3);
    }
    compare(&atOnce.packageView, &onUnfolding.packageView, "before unfolding");
    compare(&atOnce.featureView, &onUnfolding.featureView, "before unfolding");
    QCOMPARE(rowsOf(&onUnfolding.featureView).size(), qsizetype(features));

    for (int i = 0; i < features; ++i)
        for (Trees *trees : {&atOnce, &onUnfolding})
            trees->featureView.topLevelItem(i)->setExpanded(true);
    compare(&atOnce.featureView, &onUnfolding.featureView, "after unfolding");
    compare(&atOnce.packageView, &onUnfolding.packageView, "after unfolding");
    // Every row is there now, in both.
    QCOMPARE(rowsOf(&onUnfolding.featureView).size(), rowsOf(&atOnce.featureView).size());

    recolor(1, 5);
    compare(&atOnce.featureView, &onUnfolding.featureView, "after recolouring");
    compare(&atOnce.packageView, &onUnfolding.packageView, "after recolouring");
}

QTEST_MAIN(TestFeatureView)
#include "tst_featureview.moc"
