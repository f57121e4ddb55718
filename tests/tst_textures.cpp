#include "support/features.h"

#include "ui/colors/colormanager.h"
#include "ui/structure/projectreader.h"
#include "ui/structure/rowtexture.h"
#include "ui/structure/smvtreewidget.h"
#include "ui/structure/stnode.h"
#include "ui/structure/stripelist.h"

#include <QTest>

#include <memory>

using namespace TestSupport;

namespace {

// One pixel row as runs of equal colours, e.g. "0:white 1-150:dcdcdc 151-350:white".
QString runs(const QImage &image, int y)
{
    QStringList parts;
    int start = 0;
    for (int x = 1; x <= image.width(); ++x) {
        if (x < image.width() && image.pixel(x, y) == image.pixel(start, y))
            continue;
        const QColor color = image.pixelColor(start, y);
        const QString name = color == Qt::white ? QStringLiteral("white") : color.name().mid(1);
        parts.append((start == x - 1 ? QString::number(start)
                                     : QStringLiteral("%1-%2").arg(start).arg(x - 1))
                     + QLatin1Char(':') + name);
        start = x;
    }
    return parts.join(QLatin1Char(' '));
}

const QString light = QStringLiteral("dcdcdc");
const QString dark = QStringLiteral("b4b4b4");

} // namespace

class TestTextures : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void packageTexture_data();
    void packageTexture();
    void toolTipListsAtMost51Names_data();
    void toolTipListsAtMost51Names();
    void oneLineFeatures_data();
    void oneLineFeatures();
    void packageBarsAtTheEdges_data();
    void packageBarsAtTheEdges();
    void featureTexture_data();
    void featureTexture();
    void featureRowTexture();
    void scaledBackground_data();
    void scaledBackground();
    void treeScalesOnlyExpandedRows();
    void featureViewRowsAreAlways29High();
    void recolorRepaintsBars_data();
    void recolorRepaintsBars();

private:
    void makeFeatures(int count);
    QString colorName(int paletteIndex) const;

    FeatureList m_features;
    std::unique_ptr<ColorManager> m_colors;
};

void TestTextures::init()
{
    m_features.clear();
}

void TestTextures::cleanup()
{
    m_colors.reset();
}

void TestTextures::makeFeatures(int count)
{
    QStringList names;
    for (int i = 0; i < count; ++i)
        names.append(count <= 26 ? QString(QChar('A' + i)) : QStringLiteral("F%1").arg(i));
    m_features = TestSupport::makeFeatures(names);
    m_colors = std::make_unique<ColorManager>(&m_features, int(m_features.size()));
}

QString TestTextures::colorName(int paletteIndex) const
{
    return m_colors->ColorArray.at(paletteIndex)->color().name().mid(1);
}

void TestTextures::packageTexture_data()
{
    QTest::addColumn<QList<int>>("featureLines");
    QTest::addColumn<int>("lineCount");
    QTest::addColumn<int>("unannotated");
    // per feature: palette index, -1 for grey or -2 for an added colour of
    // light grey's value given in HSV
    QTest::addColumn<QList<int>>("palette");
    QTest::addColumn<QString>("expected"); // {0}, {1} ... palette colours
    QTest::addColumn<QString>("toolTip");

    QTest::newRow("A 60, B 20 of 100 lines with 20 unannotated: greys")
        << QList<int>{60, 20} << 100 << 20 << QList<int>{-1, -1}
        << QStringLiteral("0:white 1-150:%1 151-200:%2 201-350:white").arg(light, dark)
        << QStringLiteral("A\nB");
    QTest::newRow("A 60, B 20 of 100 lines with 20 unannotated: colours")
        << QList<int>{60, 20} << 100 << 20 << QList<int>{1, 0}
        << QStringLiteral("0:white 1-150:{1} 151-200:{0} 201-350:white") << QStringLiteral("A\nB");
    QTest::newRow("greys follow the bar order, not the pairing")
        << QList<int>{10, 0, 10} << 40 << 20 << QList<int>{-1, -1, -1}
        << QStringLiteral("0:white 1-63:%1 64-126:%2 127-350:white").arg(light, dark)
        << QStringLiteral("A\nC");
    QTest::newRow("a coloured bar counts in the grey alternation")
        << QList<int>{10, 10, 10} << 30 << 0 << QList<int>{-1, 0, -1}
        << QStringLiteral("0:white 1-83:") + light + QStringLiteral(" 84-166:{0} 167-249:")
            + light + QStringLiteral(" 250-350:white")
        << QStringLiteral("A\nB\nC");
    QTest::newRow("no line count: bars share all 250 pixels")
        << QList<int>{30, 10} << 0 << 5 << QList<int>{-1, -1}
        << QStringLiteral("0:white 1-188:%1 189-251:%2 252-350:white").arg(light, dark)
        << QStringLiteral("A\nB");
    QTest::newRow("all lines unannotated: two pixels for the bars")
        << QList<int>{5} << 10 << 10 << QList<int>{-1}
        << QStringLiteral("0:white 1-2:%1 3-350:white").arg(light) << QStringLiteral("A");
    QTest::newRow("more unannotated lines than lines: full width")
        << QList<int>{5} << 10 << 20 << QList<int>{-1}
        << QStringLiteral("0:white 1-250:%1 251-350:white").arg(light) << QStringLiteral("A");
    QTest::newRow("a share below one pixel still gets one")
        << QList<int>{999, 1} << 1000 << 0 << QList<int>{-1, -1}
        << QStringLiteral("0:white 1-249:%1 250:%2 251-350:white").arg(light, dark)
        << QStringLiteral("A\nB");
    QTest::newRow("less than a pixel of unannotated lines takes one")
        << QList<int>{100} << 10000 << 1 << QList<int>{-1}
        << QStringLiteral("0:white 1-249:%1 250-350:white").arg(light) << QStringLiteral("A");
    QTest::newRow("nothing annotated: white")
        << QList<int>{0, 0} << 100 << 100 << QList<int>{-1, -1}
        << QStringLiteral("0-350:white") << QString();
    QTest::newRow("negative lines leaving no positive sum draw no bar")
        << QList<int>{-5, 3} << 100 << 0 << QList<int>{-1, -1}
        << QStringLiteral("0-350:white") << QStringLiteral("B");
    // Read back by value alone, as the side bars of the code view do.
    QTest::newRow("light grey's value given in HSV alternates like the greys")
        << QList<int>{60, 20} << 100 << 20 << QList<int>{-1, -2}
        << QStringLiteral("0:white 1-150:%1 151-200:%2 201-350:white").arg(light, dark)
        << QStringLiteral("A\nB");
}

void TestTextures::packageTexture()
{
    QFETCH(QList<int>, featureLines);
    QFETCH(int, lineCount);
    QFETCH(int, unannotated);
    QFETCH(QList<int>, palette);
    QFETCH(QString, expected);
    QFETCH(QString, toolTip);

    makeFeatures(int(featureLines.size()));
    for (int k = 0; k < palette.size(); ++k) {
        if (palette[k] == -2) {
            palette[k] = int(m_colors->ColorArray.size());
            m_colors->ColorArray.append(m_colors->createColor(QColor::fromHsv(0, 0, 220)));
        }
    }
    for (int k = 0; k < palette.size(); ++k)
        if (palette[k] >= 0)
            QVERIFY(m_colors->assignColor(&m_features[k], m_colors->ColorArray[palette[k]]));
    for (int i = 0; i < m_colors->ColorArray.size(); ++i)
        expected.replace(QStringLiteral("{%1}").arg(i), colorName(i));

    STNode row(nullptr);
    row.initFeatureLines(&m_features);
    row.featureLines() = featureLines;
    row.setLineCount(lineCount);
    row.setUnannotatedLines(unannotated);
    const QImage image = row.packageTexture(250).toImage();
    QCOMPARE(image.size(), QSize(351, 45));
    QCOMPARE(runs(image, 0), expected);
    QCOMPARE(runs(image, 44), expected);
    QCOMPARE(row.toolTip(0), toolTip);
    QCOMPARE(row.hasBar(), expected != QStringLiteral("0-350:white"));
    QCOMPARE(row.stripes().size(), featureLines.size());
    // The stripes record where each bar went.
    for (int k = 0; k < featureLines.size(); ++k) {
        const Stripe &stripe = row.stripes().at(k);
        if (stripe.width > 0)
            QVERIFY(image.pixelColor(stripe.x, 10) != Qt::white);
        else
            QVERIFY(featureLines[k] <= 0 || !row.hasBar());
    }
    // Painting does not change what texture() gives: only completeTrees does.
    QVERIFY(row.texture().isNull());
}

void TestTextures::toolTipListsAtMost51Names_data()
{
    QTest::addColumn<int>("present");
    QTest::addColumn<int>("lines");
    QTest::newRow("50 features: all named") << 50 << 50;
    QTest::newRow("51 features: all named, then ...") << 51 << 52;
    QTest::newRow("60 features: 51 named, then ...") << 60 << 52;
}

void TestTextures::toolTipListsAtMost51Names()
{
    QFETCH(int, present);
    QFETCH(int, lines);

    makeFeatures(80);
    STNode folder(nullptr);
    folder.initFeatureLines(&m_features);
    // Every other feature from F1 on is present.
    for (int i = 0; i < present; ++i)
        folder.featureLines()[1 + 2 * i % 79] = 3;
    folder.setLineCount(1000);
    folder.packageTexture(250);
    const QStringList names = folder.toolTip(0).split(QLatin1Char('\n'));
    QCOMPARE(names.size(), lines);
    QCOMPARE(names.first(), QStringLiteral("F1"));
    QCOMPARE(names.last() == QStringLiteral("..."), present > 50);
}

void TestTextures::oneLineFeatures_data()
{
    QTest::addColumn<int>("count");
    QTest::newRow("300: every bar in the picture") << 300;
    // A folder near the top of a large product line: the bars after the
    // 350th lie past the right edge.
    QTest::newRow("2000: bars past the right edge") << 2000;
}

void TestTextures::oneLineFeatures()
{
    QFETCH(int, count);

    makeFeatures(count);
    STNode row(nullptr);
    row.initFeatureLines(&m_features);
    row.featureLines() = QList<int>(count, 1);
    row.setLineCount(count);
    const QImage image = row.packageTexture(250).toImage();
    QCOMPARE(image.width(), 351);
    for (int k = 0; k < count; ++k) {
        QCOMPARE(row.stripes().at(k).x, k + 1);
        QCOMPARE(row.stripes().at(k).width, 1);
        if (k + 1 < image.width())
            QCOMPARE(image.pixelColor(k + 1, 20),
                     k % 2 ? QColor(180, 180, 180) : QColor(220, 220, 220));
    }
    QCOMPARE(image.pixelColor(0, 20), QColor(Qt::white));
    if (count + 1 < image.width())
        QCOMPARE(image.pixelColor(count + 1, 20), QColor(Qt::white));
}

void TestTextures::packageBarsAtTheEdges_data()
{
    QTest::addColumn<QList<QPoint>>("stripes"); // (x, width) of ids 0, 1, ...
    QTest::addColumn<QString>("expected");      // pixel row 10 of the 351 columns

    QTest::newRow("a bar across the right edge shows up to it")
        << QList<QPoint>{{1, 10}, {340, 20}}
        << QStringLiteral("0:white 1-10:%1 11-339:white 340-350:%2").arg(light, dark);
    QTest::newRow("a bar in the last column")
        << QList<QPoint>{{350, 1}} << QStringLiteral("0-349:white 350:%1").arg(light);
    QTest::newRow("a bar past the edge still takes its turn of grey")
        << QList<QPoint>{{351, 5}, {1, 10}}
        << QStringLiteral("0:white 1-10:%1 11-350:white").arg(dark);
    QTest::newRow("a bar from left of the picture shows its part")
        << QList<QPoint>{{-5, 8}} << QStringLiteral("0-2:%1 3-350:white").arg(light);
    QTest::newRow("a bar from left of the picture reaching its first column")
        << QList<QPoint>{{-7, 8}} << QStringLiteral("0:%1 1-350:white").arg(light);
    QTest::newRow("a bar ending at the left edge shows nothing but takes its turn")
        << QList<QPoint>{{-8, 8}, {5, 2}}
        << QStringLiteral("0-4:white 5-6:%1 7-350:white").arg(dark);
    QTest::newRow("a stripe without width takes no turn")
        << QList<QPoint>{{1, 0}, {1, 3}} << QStringLiteral("0:white 1-3:%1 4-350:white").arg(light);
}

void TestTextures::packageBarsAtTheEdges()
{
    QFETCH(QList<QPoint>, stripes);
    QFETCH(QString, expected);

    StripeList list;
    for (int id = 0; id < stripes.size(); ++id)
        list.setStripe(id, stripes.at(id).x(), stripes.at(id).y());
    const QImage image =
        RowTexture::paintPackage(list, RowTexture::PackageArea,
                                 [](int) { return RowTexture::BarPaint{QColor(), QColor()}; },
                                 false)
            .toImage();
    QCOMPARE(image.width(), 351);
    QCOMPARE(runs(image, 10), expected);
}

void TestTextures::featureTexture_data()
{
    QTest::addColumn<QList<QPoint>>("records"); // (feature index, span); counts below
    QTest::addColumn<QList<int>>("counts");
    QTest::addColumn<int>("lineCount");
    QTest::addColumn<int>("width");

    QTest::newRow("a fragment shared by two features counts half")
        << QList<QPoint>{{0, 10}} << QList<int>{2} << 100 << 10;
    QTest::newRow("fragments of other features do not count")
        << QList<QPoint>{{0, 20}, {1, 50}} << QList<int>{1, 1} << 100 << 42;
    QTest::newRow("a same-named feature is another feature")
        << QList<QPoint>{{0, 5}, {2, 50}} << QList<int>{1, 1} << 100 << 12;
    QTest::newRow("a tiny share is one pixel")
        << QList<QPoint>{{0, 1}} << QList<int>{1} << 1000 << 1;
    QTest::newRow("no lines on disk but code: one pixel")
        << QList<QPoint>{{0, 30}} << QList<int>{1} << 0 << 1;
    QTest::newRow("one-line fragments draw their lines")
        << QList<QPoint>{{0, 0}, {0, 0}} << QList<int>{1, 1} << 100 << 4;
    QTest::newRow("two lines shared by two features: a line each")
        << QList<QPoint>{{0, 1}} << QList<int>{2} << 100 << 2;
    QTest::newRow("fewer lines than features sharing them draw nothing")
        << QList<QPoint>{{0, 0}} << QList<int>{2} << 100 << 0;
    QTest::newRow("no code of the feature") << QList<QPoint>{} << QList<int>{} << 100 << 0;
    QTest::newRow("all lines of the feature: full bar area")
        << QList<QPoint>{{0, 99}} << QList<int>{1} << 100 << 200;
}

void TestTextures::featureTexture()
{
    QFETCH(QList<QPoint>, records);
    QFETCH(QList<int>, counts);
    QFETCH(int, lineCount);
    QFETCH(int, width);

    m_features = TestSupport::makeFeatures({"A", "B", "A"});
    m_colors = std::make_unique<ColorManager>(&m_features, 3);
    QVERIFY(m_colors->assignColor(&m_features[0], m_colors->ColorArray[2]));
    SMVTreeWidget tree;
    tree.setColorManager(m_colors.get());
    auto *row = new STNode(tree.invisibleRootItem());
    row->setToolTip(0, QStringLiteral("old"));
    row->setLineCount(lineCount);
    for (int i = 0; i < records.size(); ++i)
        row->addFragment(&m_features[records[i].x()], records[i].y(), 1 + i, counts[i]);

    const QImage image = row->featureTexture(&m_features[0], 200, 3).toImage();
    QCOMPARE(image.size(), QSize(300, 45));
    const QString bar = width == 0 ? QString()
        : (width == 1 ? QStringLiteral("1") : QStringLiteral("1-%1").arg(width))
            + QLatin1Char(':') + colorName(2) + QLatin1Char(' ');
    const QString expected = width == 0 ? QStringLiteral("0-299:white")
        : QStringLiteral("0:white ") + bar + QStringLiteral("%1-299:white").arg(width + 1);
    QCOMPARE(runs(image, 0), expected);
    QCOMPARE(runs(image, 44), expected);
    QCOMPARE(row->hasBar(), width > 0);
    QVERIFY(row->toolTip(0).isEmpty());
    QCOMPARE(row->featureStripes().size(), 1);
    QCOMPARE(row->featureStripes().at(0).x, 2);
    QCOMPARE(row->featureStripes().at(0).width, width);
}

void TestTextures::featureRowTexture()
{
    makeFeatures(3);
    SMVTreeWidget tree;
    tree.setColorManager(m_colors.get());
    auto *row = new STNode(tree.invisibleRootItem());
    row->setToolTip(0, QStringLiteral("old"));
    const QImage image = row->featureRowTexture(&m_features[1], 250, 1).toImage();
    QCOMPARE(image.size(), QSize(350, 45));
    // B is paired with the dark grey at first.
    const QString expected = QStringLiteral("0:white 1-249:%1 250-349:white").arg(dark);
    QCOMPARE(runs(image, 0), expected);
    QCOMPARE(runs(image, 44), expected);
    QVERIFY(row->hasBar());
    QVERIFY(row->toolTip(0).isEmpty());
    QCOMPARE(row->featureStripes().at(0).x, 1);
    QCOMPARE(row->featureStripes().at(0).width, 250);
}

void TestTextures::scaledBackground_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("frameRight"); // after the cut; the frame starts at 0
    QTest::addColumn<int>("whiteFrom");
    QTest::addColumn<int>("pictureWidth");

    // At 1000: frame from x = 2 to 708 and white from 711 before the cut at 2.
    QTest::newRow("width 1000") << 1000 << 706 << 709 << 998;
    // At 2000: frame 6 to 1419, white from 1422, cut at 6.
    QTest::newRow("width 2000") << 2000 << 1413 << 1416 << 1994;
    // At 500: frame 0 to 353, white from 356, no cut.
    QTest::newRow("width 500") << 500 << 353 << 356 << 500;
}

void TestTextures::scaledBackground()
{
    QFETCH(int, width);
    QFETCH(int, frameRight);
    QFETCH(int, whiteFrom);
    QFETCH(int, pictureWidth);

    // A texture fully covered by a red bar shows where white and grey are drawn.
    QPixmap texture(351, 45);
    texture.fill(Qt::red);
    const int height = 29;
    const QImage image = RowTexture::scaledBackground(texture, width, height).toImage();
    QCOMPARE(image.size(), QSize(pictureWidth, height));

    const QColor grey(Qt::gray);
    const QString red = QStringLiteral("ff0000");
    const QString greyName = grey.name().mid(1);
    const QString white = QStringLiteral("%1-%2:white").arg(whiteFrom).arg(pictureWidth - 1);
    for (int y : {0, 1, height - 3, height - 1})
        QCOMPARE(runs(image, y), QStringLiteral("0-%1:white").arg(pictureWidth - 1));
    // The frame's top edge lies on the white margin, its bottom edge on the bar.
    QCOMPARE(runs(image, 2), QStringLiteral("0-%1:%2 %3-%4:white")
                                 .arg(frameRight).arg(greyName).arg(frameRight + 1)
                                 .arg(pictureWidth - 1));
    QCOMPARE(runs(image, height - 4), QStringLiteral("0-%1:%2 %3-%4:%5 %6")
                                          .arg(frameRight).arg(greyName).arg(frameRight + 1)
                                          .arg(whiteFrom - 1).arg(red, white));
    for (int y : {3, 14, height - 5})
        QCOMPARE(runs(image, y), QStringLiteral("0:%1 1-%2:%3 %4:%1 %5-%6:%3 %7")
                                     .arg(greyName).arg(frameRight - 1).arg(red).arg(frameRight)
                                     .arg(frameRight + 1).arg(whiteFrom - 1).arg(white));

    // The tree shows the same picture as the row's background.
    SMVTreeWidget tree;
    auto *row = new STNode(tree.invisibleRootItem());
    row->setTexture(texture);
    QCOMPARE(row->background(0).style(), Qt::NoBrush);
    tree.scaleTextures(width, 0);
    QCOMPARE(row->background(0).texture().toImage(), image);
    QCOMPARE(row->texture().toImage(), texture.toImage());
}

void TestTextures::treeScalesOnlyExpandedRows()
{
    SMVTreeWidget tree;
    tree.resize(600, 400);
    QPixmap texture(351, 45);
    texture.fill(Qt::blue);
    auto *project = new STNode(tree.invisibleRootItem());
    auto *folder = new STNode(project);
    auto *file = new STNode(folder);
    for (STNode *row : {project, folder, file}) {
        row->setTexture(texture);
        row->showFullSizeBackground();
    }
    project->setExpanded(true);
    QVERIFY(!folder->isExpanded());

    const auto shownWidth = [](STNode *row) { return row->background(0).texture().width(); };
    tree.scaleTextures(1000, 0);
    QCOMPARE(shownWidth(project), 998);
    QCOMPARE(shownWidth(folder), 998);
    QCOMPARE(shownWidth(file), 351); // still the full-size texture

    tree.scaleTextures(2000, 0);
    QCOMPARE(shownWidth(folder), 1994);
    QCOMPARE(shownWidth(file), 351);

    // Expanding the folder scales its children to the tree's width.
    folder->setExpanded(true);
    const int width = tree.width();
    QCOMPARE(shownWidth(file), width - qMax(0, int(width / 250.0 - 2.0)));
    QCOMPARE(shownWidth(project), shownWidth(file));

    // Collapsing keeps what the rows show; a resize changes the visible ones.
    folder->setExpanded(false);
    tree.scaleTextures(1000, 0);
    QCOMPARE(shownWidth(folder), 998);
    QCOMPARE(shownWidth(file), width - qMax(0, int(width / 250.0 - 2.0)));
}

void TestTextures::featureViewRowsAreAlways29High()
{
    QPixmap texture(350, 45);
    texture.fill(Qt::green);
    for (bool featureView : {false, true}) {
        SMVTreeWidget tree;
        tree.setFeatureView(featureView);
        auto *row = new STNode(tree.invisibleRootItem());
        row->setTexture(texture);
        tree.scaleTextures(600, 40);
        QCOMPARE(row->background(0).texture().height(), featureView ? 29 : 40);
        tree.scaleTextures(600, 0);
        QCOMPARE(row->background(0).texture().height(), 29);
    }
}

void TestTextures::recolorRepaintsBars_data()
{
    QTest::addColumn<int>("featureCount");
    // The count's parity once decided which grey a bar got back.
    QTest::newRow("two features") << 2;
    QTest::newRow("three features") << 3;
    QTest::newRow("four features") << 4;
}

void TestTextures::recolorRepaintsBars()
{
    QFETCH(int, featureCount);

    makeFeatures(featureCount);
    SMVTreeWidget packageView;
    SMVTreeWidget featureView;
    packageView.setColorManager(m_colors.get());
    featureView.setColorManager(m_colors.get());
    featureView.setFeatureView(true);
    auto *project = new STNode(packageView.invisibleRootItem());
    auto *file = new STNode(project);
    for (STNode *row : {project, file})
        row->initFeatureLines(&m_features);
    file->setKind(STNode::File);
    file->setLineCount(100);
    file->setUnannotatedLines(20);
    file->addFragment(&m_features[0], 59, 1, 1); // 60 lines
    file->addFragment(&m_features[1], 19, 70, 1); // 20 lines
    project->sumChildLineCounts();

    ProjectReader reader(&packageView, &featureView, &m_features);
    reader.completeTrees(nullptr);
    const QString before = QStringLiteral("0:white 1-150:%1 151-200:%2 201-350:white")
                               .arg(light, dark);
    QCOMPARE(runs(file->texture().toImage(), 0), before);
    QCOMPARE(runs(file->texture().toImage(), 30), before);
    // What the tree shows is kept until a row's bars change.
    for (STNode *row : {file, project})
        QCOMPARE(runs(row->background(0).texture().toImage(), 30), before);

    // A takes a colour: its bar below the top pixel row and the feature
    // view's block of A follow; the top row keeps the old colour and the
    // corner right of the bars is cleared.
    QVERIFY(m_colors->assignColor(&m_features[0], m_colors->ColorArray[0]));
    reader.recolorFeature(&m_features[0]);
    const QString red = colorName(0);
    for (STNode *row : {file, project}) {
        const QImage image = row->texture().toImage();
        QCOMPARE(runs(image, 0), before);
        QCOMPARE(runs(image, 1),
                 QStringLiteral("0:white 1-150:%1 151-200:%2 201-350:white").arg(red, dark));
        QCOMPARE(runs(image, 44), runs(image, 1));
        QCOMPARE(row->background(0).texture().toImage(), image);
    }
    // The feature view's rows are shown full size until scaled again.
    QTreeWidgetItem *featureRow = featureView.topLevelItem(0);
    auto *featureRowNode = dynamic_cast<STNode *>(featureRow);
    QVERIFY(featureRowNode);
    QCOMPARE(runs(featureRowNode->texture().toImage(), 0),
             QStringLiteral("0:white 1-249:%1 250-349:white").arg(light));
    QCOMPARE(runs(featureRowNode->texture().toImage(), 1),
             QStringLiteral("0:white 1-250:%1 251-349:white").arg(red));
    auto *copiedFile = dynamic_cast<STNode *>(featureRow->child(0)->child(0));
    QVERIFY(copiedFile);
    QCOMPARE(copiedFile->featureStripes().at(0).width, 120);
    QCOMPARE(runs(copiedFile->texture().toImage(), 0),
             QStringLiteral("0:white 1-120:%1 121-299:white").arg(light));
    QCOMPARE(runs(copiedFile->texture().toImage(), 20),
             QStringLiteral("0:white 1-121:%1 122-299:white").arg(red));
    QCOMPARE(copiedFile->background(0).texture().toImage(), copiedFile->texture().toImage());
    // B's block is untouched.
    auto *copiedForB = dynamic_cast<STNode *>(featureView.topLevelItem(1)->child(0)->child(0));
    QCOMPARE(runs(copiedForB->texture().toImage(), 20),
             QStringLiteral("0:white 1-40:%1 41-299:white").arg(dark));

    // Back to grey: the bar gets the grey of its place again, whichever grey
    // the colour manager hands out and however many features there are.
    QVERIFY(m_colors->resetFeatureColor(&m_features[0]));
    reader.recolorFeature(&m_features[0]);
    QCOMPARE(runs(file->texture().toImage(), 30), before);
    QVERIFY(m_colors->resetFeatureColor(&m_features[0]));
    reader.recolorFeature(&m_features[0]);
    QCOMPARE(runs(file->texture().toImage(), 30), before);

    // Both at once, as after loading saved colours: one walk repaints both
    // bars and both feature-view blocks. (Taking a colour back to grey
    // leaves it taken until its palette row lets it go.)
    m_colors->ColorArray[0]->setFree(true);
    QVERIFY(m_colors->assignColor(&m_features[0], m_colors->ColorArray[0]));
    QVERIFY(m_colors->assignColor(&m_features[1], m_colors->ColorArray[1]));
    reader.recolorFeatures({&m_features[0], &m_features[1]});
    for (STNode *row : {file, project})
        QCOMPARE(runs(row->texture().toImage(), 30),
                 QStringLiteral("0:white 1-150:%1 151-200:%2 201-350:white")
                     .arg(red, colorName(1)));
    QCOMPARE(runs(copiedForB->texture().toImage(), 20),
             QStringLiteral("0:white 1-41:%1 42-299:white").arg(colorName(1)));
}

QTEST_MAIN(TestTextures)
#include "tst_textures.moc"
