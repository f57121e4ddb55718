#include "ui/codeview/backgroundfracture.h"
#include "ui/codeview/sidebarfracture.h"
#include "ui/colors/colormanager.h"
#include "ui/colors/palettecolor.h"
#include "core/model/feature.h"
#include "ui/featuretree/featuretreewidget.h"

#include <QFile>
#include <QGraphicsScene>
#include <QGraphicsSceneDragDropEvent>
#include <QGraphicsSceneMouseEvent>
#include <QGraphicsTextItem>
#include <QListWidget>
#include <QMimeData>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QAbstractTextDocumentLayout>
#include <QFontMetrics>
#include <QSet>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <memory>

namespace {

// Fracture geometry does not depend on fonts: these tests give every line
// ten units.
constexpr int LineHeight = 10;

struct Span
{
    int start;
    int lineSpan;
};

const QColor LightGrey(220, 220, 220);
const QColor DarkGrey(180, 180, 180);

} // namespace

Q_DECLARE_METATYPE(Span)

class TestFractures : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void placement_data();
    void placement();
    void greyShowsWhichBarGaveWay();
    void toolTip_data();
    void toolTip();
    void operatorLabel_data();
    void operatorLabel();
    void olderLabelsMakeWay();
    void labelsCoverNoBar();
    void dragEnter_data();
    void dragEnter();
    void dropIsNotAccepted();
    void applyAlpha_data();
    void applyAlpha();
    void assignedColourInAnyColumn();
    void pressSelectsTheFeature();

private:
    SideBarFracture *bar(const Span &span, Feature *feature, const QString &expression = {},
                         FeatureTreeWidget *tree = nullptr);

    Feature *feature(int index);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QGraphicsScene> m_scene;
    std::unique_ptr<QListWidget> m_palette;
    std::unique_ptr<FeatureTreeWidget> m_tree;
    std::unique_ptr<ColorManager> m_colorManager;
};

void TestFractures::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    const QString modelPath = m_dir->filePath(QStringLiteral("model.m"));
    QFile model(modelPath);
    QVERIFY(model.open(QIODevice::WriteOnly));
    model.write("Root : A | B | Crypto | Log | E ;\n");
    model.close();

    m_scene = std::make_unique<QGraphicsScene>();
    m_palette = std::make_unique<QListWidget>();
    QFile modelFile(modelPath);
    m_tree = std::make_unique<FeatureTreeWidget>(nullptr, &modelFile, m_palette.get(), nullptr);
    m_tree->buildFeatureList();
    QCOMPARE(m_tree->features()->size(), 5);
    // Features ask the current manager for their colour; all start grey.
    m_colorManager = std::make_unique<ColorManager>(m_tree->features(),
                                                    int(m_tree->features()->size()));
    m_tree->setColorManager(m_colorManager.get());
}

void TestFractures::cleanup()
{
    m_scene.reset();
    m_tree.reset();
    m_colorManager.reset();
    m_palette.reset();
    m_dir.reset();
}

Feature *TestFractures::feature(int index)
{
    return &(*m_tree->features())[index];
}

SideBarFracture *TestFractures::bar(const Span &span, Feature *feature,
                                    const QString &expression, FeatureTreeWidget *tree)
{
    return new SideBarFracture(tree, feature, 3, span.start * LineHeight, 0, 0, 5,
                               (span.lineSpan + 1) * LineHeight, m_scene.get(), span.lineSpan,
                               expression);
}

void TestFractures::placement_data()
{
    QTest::addColumn<QList<Span>>("spans"); // in the order the bars are made
    QTest::addColumn<QList<int>>("xs");
    QTest::addColumn<QList<int>>("shifts");

    QTest::newRow("single bar") << QList<Span>{{1, 0}} << QList<int>{3} << QList<int>{0};
    QTest::newRow("same start line: the older bar moves")
        << QList<Span>{{1, 4}, {1, 4}} << QList<int>{10, 3} << QList<int>{1, 0};
    QTest::newRow("later bar starting lower gives way")
        << QList<Span>{{1, 9}, {3, 1}} << QList<int>{3, 10} << QList<int>{0, 1};
    QTest::newRow("later bar starting higher pushes")
        << QList<Span>{{5, 1}, {1, 9}} << QList<int>{10, 3} << QList<int>{1, 0};
    QTest::newRow("adjacent fragments share a column")
        << QList<Span>{{1, 1}, {3, 1}} << QList<int>{3, 3} << QList<int>{0, 0};
    QTest::newRow("fragments sharing one line collide")
        << QList<Span>{{1, 2}, {3, 1}} << QList<int>{3, 10} << QList<int>{0, 1};
    QTest::newRow("disjoint fragments") << QList<Span>{{1, 0}, {10, 0}} << QList<int>{3, 3}
                                        << QList<int>{0, 0};
    QTest::newRow("four nested, outermost first")
        << QList<Span>{{1, 20}, {2, 15}, {3, 10}, {4, 5}} << QList<int>{3, 10, 17, 24}
        << QList<int>{0, 1, 2, 3};
    QTest::newRow("five nested")
        << QList<Span>{{1, 20}, {2, 15}, {3, 10}, {4, 5}, {5, 1}}
        << QList<int>{3, 10, 17, 24, 31} << QList<int>{0, 1, 2, 3, 4};
    QTest::newRow("four nested, innermost first")
        << QList<Span>{{4, 5}, {3, 10}, {2, 15}, {1, 20}} << QList<int>{24, 17, 10, 3}
        << QList<int>{3, 2, 1, 0};
    QTest::newRow("bar pushed twice counts both moves")
        << QList<Span>{{1, 4}, {10, 5}, {3, 9}} << QList<int>{3, 17, 10}
        << QList<int>{0, 2, 1};
}

void TestFractures::placement()
{
    QFETCH(QList<Span>, spans);
    QFETCH(QList<int>, xs);
    QFETCH(QList<int>, shifts);

    QList<SideBarFracture *> bars;
    for (const Span &span : spans)
        bars.append(bar(span, feature(0)));

    for (int i = 0; i < bars.size(); ++i) {
        QCOMPARE(bars[i]->x(), qreal(xs[i]));
        QCOMPARE(bars[i]->shiftCount(), shifts[i]);
        // Only x changes; a bar's line position is fixed.
        QCOMPARE(bars[i]->y(), qreal(spans[i].start * LineHeight));
        QCOMPARE(bars[i]->zValue(), qreal(spans[i].lineSpan));
    }
}

void TestFractures::greyShowsWhichBarGaveWay()
{
    SideBarFracture *first = bar({1, 4}, feature(0));
    SideBarFracture *second = bar({1, 4}, feature(1));
    SideBarFracture *third = bar({1, 4}, feature(2));
    for (SideBarFracture *b : {first, second, third})
        b->updateColor();

    // first: moved to 10, then to 17 when third pushed second; second: to 10
    QCOMPARE(first->x(), 17.0);
    QCOMPARE(first->shiftCount(), 2);
    QCOMPARE(second->x(), 10.0);
    QCOMPARE(second->shiftCount(), 1);
    QCOMPARE(third->x(), 3.0);

    QCOMPARE(first->brush().color(), LightGrey);
    QCOMPARE(second->brush().color(), DarkGrey);
    QCOMPARE(second->pen().color(), DarkGrey);
    QCOMPARE(third->brush().color(), LightGrey);
    QCOMPARE(second->brush().style(), Qt::SolidPattern);
}

void TestFractures::toolTip_data()
{
    QTest::addColumn<int>("featureIndex");
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QString>("html");

    QTest::newRow("plain feature name") << 2 << QString() << "Crypto";
    QTest::newRow("negated second feature")
        << 1 << "A && !B" << "<p style=\"white-space:pre\">A &amp;&amp; !<b>B</b></p>";
    QTest::newRow("first feature of an or")
        << 3 << "Log || Crypto" << "<p style=\"white-space:pre\"><b>Log</b> || Crypto</p>";
    QTest::newRow("only the first occurrence is bold")
        << 0 << "A && (A || B)" << "<p style=\"white-space:pre\"><b>A</b> &amp;&amp; (A || B)</p>";
    QTest::newRow("comparison shown literally")
        << 0 << "A < B" << "<p style=\"white-space:pre\"><b>A</b> &lt; B</p>";
    QTest::newRow("implication arrow shown literally")
        << 1 << "A->B" << "<p style=\"white-space:pre\">A-&gt;<b>B</b></p>";
}

void TestFractures::toolTip()
{
    QFETCH(int, featureIndex);
    QFETCH(QString, expression);
    QFETCH(QString, html);

    SideBarFracture *b = bar({1, 0}, feature(featureIndex), expression);
    QCOMPARE(b->toolTip(), html);

    // What the participant reads is the expression itself.
    QTextDocument shown;
    shown.setHtml(b->toolTip());
    QCOMPARE(shown.toPlainText(), expression.isEmpty() ? feature(featureIndex)->name() : expression);
    // A tool tip narrows rich text as it likes; the expression stays on one
    // line ("Caesar && !" over "Reverse" reads as two expressions).
    if (!expression.isEmpty()) {
        shown.setTextWidth(QFontMetrics(shown.defaultFont()).horizontalAdvance(QLatin1Char('A')));
        shown.documentLayout()->documentSize(); // lays the text out
        QCOMPARE(shown.firstBlock().layout()->lineCount(), 1);
    }
}

void TestFractures::operatorLabel_data()
{
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QString>("label"); // empty: no label at all

    QTest::newRow("no expression") << QString() << QString();
    QTest::newRow("spaced name has no operator") << " A " << QString();
    QTest::newRow("not then and") << "A && !B" << "!&";
    QTest::newRow("or") << "A || B" << "|";
    QTest::newRow("less than") << "A < B" << ">";
    QTest::newRow("greater than") << "A > B" << ">";
    QTest::newRow("or comes last") << "!A || B && C" << "!&|";
    QTest::newRow("arrow both ways") << "A <-> B | C" << ">|";
}

void TestFractures::operatorLabel()
{
    QFETCH(QString, expression);
    QFETCH(QString, label);

    QCOMPARE(SideBarFracture::operatorText(expression), label);

    SideBarFracture *b = bar({2, 3}, feature(0), expression);
    if (label.isEmpty()) {
        QVERIFY(!b->operatorLabel());
        QVERIFY(b->childItems().isEmpty());
        return;
    }
    QVERIFY(b->operatorLabel());
    QCOMPARE(b->operatorLabel()->toPlainText(), label);
    QCOMPARE(b->operatorLabel()->parentItem(), b);
    // At the bar's top, clear of the bar itself.
    const QRectF shown = b->operatorLabel()->sceneBoundingRect();
    QCOMPARE(shown.top(), b->sceneBoundingRect().top());
    QVERIFY(shown.left() >= b->sceneBoundingRect().right());
}

// A label beside its bar covered the next column's bar: the two bars of
// "Caesar || Reverse" stand side by side, and the "|" of the one in front
// looked like one more bar. Nested bars in four columns keep their labels
// clear of all bars.
void TestFractures::labelsCoverNoBar()
{
    const QList<SideBarFracture *> bars{
        bar({1, 40}, feature(0), QStringLiteral("A || B")),
        bar({1, 40}, feature(1), QStringLiteral("A || B")), // pushes the first aside
        bar({5, 30}, feature(1), QStringLiteral("A && !B")),
        bar({9, 20}, feature(0), QStringLiteral("!A")),
    };
    QSet<qreal> columns;
    int labels = 0;
    for (const SideBarFracture *b : bars)
        columns.insert(b->x());
    QCOMPARE(columns.size(), 4);
    for (const SideBarFracture *owner : bars) {
        if (!owner->operatorLabel())
            continue; // made way for a newer label on the same lines
        ++labels;
        const QRectF label = owner->operatorLabel()->sceneBoundingRect();
        for (const SideBarFracture *other : bars) {
            QVERIFY2(!label.intersects(other->sceneBoundingRect()),
                     qPrintable(QStringLiteral("label of the bar at x %1 covers the bar at x %2")
                                    .arg(owner->x())
                                    .arg(other->x())));
        }
    }
    QCOMPARE(labels, 3);
}

void TestFractures::olderLabelsMakeWay()
{
    SideBarFracture *top = bar({1, 0}, feature(0), QStringLiteral("A && B"));
    QPointer<QGraphicsTextItem> topLabel = top->operatorLabel();
    SideBarFracture *far = bar({40, 0}, feature(0), QStringLiteral("A || B"));
    QPointer<QGraphicsTextItem> farLabel = far->operatorLabel();
    QVERIFY(topLabel && farLabel);

    // A bar without operators leaves the labels alone.
    bar({2, 0}, feature(1), QStringLiteral(" B "));
    QVERIFY(topLabel);

    // One line lower is well within the label band: the older label goes.
    SideBarFracture *next = bar({2, 0}, feature(1), QStringLiteral("!B"));
    QVERIFY(next->operatorLabel());
    QVERIFY(topLabel.isNull()); // deleted, not merely taken off the scene
    QVERIFY(!top->operatorLabel());
    QVERIFY(top->childItems().isEmpty());
    QVERIFY(farLabel);
    QCOMPARE(next->operatorLabel()->toPlainText(), QStringLiteral("!"));
}

void TestFractures::dragEnter_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("palette entry") << "application/x-qabstractitemmodeldatalist" << true;
    QTest::newRow("colour payload") << "application/x-color" << true;
    QTest::newRow("plain text") << "text/plain" << false;
}

void TestFractures::dragEnter()
{
    QFETCH(QString, format);
    QFETCH(bool, accepted);

    SideBarFracture *side = bar({1, 3}, feature(0), QString(), m_tree.get());
    auto *band = new BackgroundFracture(m_tree.get(), LightGrey, feature(0), 0, 10, 0, 0,
                                        100, 40, m_scene.get());
    QVERIFY(side->acceptDrops() && band->acceptDrops());
    // Without a feature tree there is nobody to give the colour to.
    QVERIFY(!bar({9, 0}, feature(0))->acceptDrops());
    QVERIFY(!(new BackgroundFracture(nullptr, LightGrey, feature(0), 0, 0, 0, 0, 10, 10,
                                     m_scene.get()))->acceptDrops());
    for (QGraphicsItem *item : {static_cast<QGraphicsItem *>(side),
                                static_cast<QGraphicsItem *>(band)}) {
        QMimeData data;
        data.setData(format, QByteArray("x"));
        QGraphicsSceneDragDropEvent event(QEvent::GraphicsSceneDragEnter);
        event.setMimeData(&data);
        event.setAccepted(!accepted);
        m_scene->sendEvent(item, &event);
        QCOMPARE(event.isAccepted(), accepted);
    }
}

void TestFractures::dropIsNotAccepted()
{
    SideBarFracture *side = bar({1, 3}, feature(0), QString(), m_tree.get());
    QMimeData data;
    data.setData(QStringLiteral("application/x-qabstractitemmodeldatalist"), QByteArray("x"));
    QGraphicsSceneDragDropEvent event(QEvent::GraphicsSceneDrop);
    event.setMimeData(&data);
    event.setAccepted(true);
    m_scene->sendEvent(side, &event);
    QVERIFY(!event.isAccepted());
}

void TestFractures::applyAlpha_data()
{
    QTest::addColumn<bool>("hasFeature");
    QTest::addColumn<QColor>("color");
    QTest::addColumn<int>("alpha");
    QTest::addColumn<bool>("painted");

    QTest::newRow("transparent") << true << QColor(255, 0, 0) << 0 << true;
    QTest::newRow("slider start value") << true << QColor(0, 128, 255) << 170 << true;
    QTest::newRow("no feature") << false << QColor(255, 0, 0) << 100 << false;
    QTest::newRow("invalid colour") << true << QColor() << 100 << false;
}

void TestFractures::applyAlpha()
{
    QFETCH(bool, hasFeature);
    QFETCH(QColor, color);
    QFETCH(int, alpha);
    QFETCH(bool, painted);

    auto *band = new BackgroundFracture(nullptr, color, hasFeature ? feature(0) : nullptr,
                                        0, 20, 0, 0, 300, 30, m_scene.get());
    QCOMPARE(band->pos(), QPointF(0, 20));
    QCOMPARE(band->rect(), QRectF(0, 0, 300, 30));
    if (painted)
        QCOMPARE(band->brush().color().alpha(), 255); // the constructor paints it opaque
    band->applyAlpha(alpha);
    if (!painted) {
        QCOMPARE(band->brush().style(), Qt::NoBrush);
        return;
    }
    QColor expected = color;
    expected.setAlpha(alpha);
    QCOMPARE(band->brush().color(), expected);
    QCOMPARE(band->brush().style(), Qt::SolidPattern);
    QCOMPARE(band->pen().color(), expected);
    QCOMPARE(band->color(), expected);
}

void TestFractures::assignedColourInAnyColumn()
{
    PaletteColor *red = m_colorManager->ColorArray.first();
    QVERIFY(m_colorManager->assignColor(feature(2), red));

    SideBarFracture *first = bar({1, 4}, feature(2));
    SideBarFracture *second = bar({1, 4}, feature(2));
    SideBarFracture *third = bar({1, 4}, feature(2));
    auto *band = new BackgroundFracture(nullptr, QColor(), feature(2), 0, 0, 0, 0, 10, 10,
                                        m_scene.get());
    first->setBackground(band);
    for (SideBarFracture *b : {first, second, third}) {
        b->updateColor();
        QCOMPARE(b->brush().color(), red->color());
        QCOMPARE(b->pen().color(), red->color());
    }
    QCOMPARE(first->shiftCount(), 2);
    QCOMPARE(second->shiftCount(), 1);
    QCOMPARE(band->color(), red->color());

    // Back to no colour: the grey follows the bar's moves again.
    QVERIFY(m_colorManager->resetFeatureColor(feature(2)));
    second->updateColor();
    QCOMPARE(second->brush().color(), DarkGrey);
}

void TestFractures::pressSelectsTheFeature()
{
    SideBarFracture *log = bar({1, 4}, feature(3), QString(), m_tree.get());
    SideBarFracture *loose = bar({20, 4}, feature(1));
    m_tree->findLeafItem(QStringLiteral("A"))->setSelected(true);

    QGraphicsSceneMouseEvent press(QEvent::GraphicsSceneMousePress);
    press.setButton(Qt::LeftButton);
    press.setScenePos(log->sceneBoundingRect().center());
    m_scene->sendEvent(log, &press);

    const QList<QTreeWidgetItem *> selected = m_tree->selectedItems();
    QCOMPARE(selected.size(), 1);
    QCOMPARE(selected.first()->text(0), QStringLiteral("Log"));
    QCOMPARE(selected.first()->childCount(), 0);

    // A bar without a feature tree leaves the selection alone.
    QGraphicsSceneMouseEvent other(QEvent::GraphicsSceneMousePress);
    other.setButton(Qt::LeftButton);
    m_scene->sendEvent(loose, &other);
    QCOMPARE(m_tree->selectedItems(), selected);
}

QTEST_MAIN(TestFractures)
#include "tst_fractures.moc"
