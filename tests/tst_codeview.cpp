#include "ui/search/findmarks.h"
#include "ui/codeview/backgroundfracture.h"
#include "ui/codeview/codeview.h"
#include "ui/codeview/linenumbercolumn.h"
#include "ui/codeview/plaintextcolumn.h"
#include "ui/codeview/sidebarfracture.h"
#include "ui/colors/colormanager.h"
#include "ui/colors/palettecolor.h"
#include "core/model/feature.h"
#include "ui/structure/stnode.h"
#include "support/testfiles.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>
#include <QGraphicsSimpleTextItem>
#include <QGraphicsTextItem>
#include <QGraphicsView>
#include <QImage>
#include <QPainter>
#include <QStyleOptionGraphicsItem>
#include <QPointer>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>

#include <memory>

namespace {

struct Span
{
    int start;
    int lineSpan;
    int feature = 0;
    QString expression = {}; // empty: the fragment names its feature alone
};

QByteArray numberedLines(int count)
{
    QByteArray text;
    for (int i = 1; i <= count; ++i) {
        text += "line " + QByteArray::number(i);
        if (i < count)
            text += '\n';
    }
    return text;
}

// Where the text layout put line n (1-based) of the view's code.
QRectF lineRect(const CodeView &view, int n)
{
    const QTextDocument *document = view.textItem()->document();
    return document->documentLayout()->blockBoundingRect(document->findBlockByNumber(n - 1));
}

// Line spacing measured on the laid-out code itself.
qreal measuredStep(const CodeView &view)
{
    return lineRect(view, 2).top() - lineRect(view, 1).top();
}

// The numbers the column shows, line by line.
QStringList labelTexts(const CodeView &view)
{
    QStringList labels;
    if (const LineNumberColumn *column = view.lineNumbers()) {
        for (int n = 1; n <= column->lineCount(); ++n)
            labels.append(column->label(n));
    }
    return labels;
}

} // namespace

Q_DECLARE_METATYPE(Span)

class TestCodeView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void lineNumbers_data();
    void lineNumbers();
    void lineNumbersFollowTheText();
    void textDecoding_data();
    void textDecoding();
    void codeFontAndTextItem();
    void codeIsHighlightedAtOnce();
    void largeFileIsPaintedLineByLine();
    void oneLineFragment();
    void barsCoverTheirLines_data();
    void barsCoverTheirLines();
    void nestedBands();
    void bandsStackByColumn();
    void opacityReachesOnlyBands();
    void opacityShowsOnScreen();
    void refreshShowsAssignedColour();
    void sharedScrollBar();
    void visibleLineRange();
    void shortFileBarsStandBesideTheirLines();
    void labelsStandRightOfEveryBar_data();
    void labelsStandRightOfEveryBar();
    void overviewShowsNoLabels();
    void pressingABarScrollsToIt();
    void viewOwnsItsParts();

private:
    QString writeSource(const QByteArray &bytes, const QString &name = QStringLiteral("A.java"));
    std::unique_ptr<CodeView> openView(const QString &path, const QList<Span> &spans = {},
                                       int opacity = 170);

    FeatureList m_features;
    std::unique_ptr<ColorManager> m_colorManager;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<STNode> m_node;
};

void TestCodeView::initTestCase()
{
    for (const char *name : {"Base", "Log", "Crypto", "Gui", "Net"})
        m_features.append(Feature(qint32(m_features.size()), QString::fromLatin1(name)));
}

void TestCodeView::init()
{
    // Features ask the current manager for their colour; all start grey.
    m_colorManager = std::make_unique<ColorManager>(&m_features, int(m_features.size()));
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_node = std::make_unique<STNode>(nullptr);
    m_node->setKind(STNode::File);
}

void TestCodeView::cleanup()
{
    m_node.reset();
    m_dir.reset();
    m_colorManager.reset();
}

QString TestCodeView::writeSource(const QByteArray &bytes, const QString &name)
{
    const QString path = m_dir->filePath(name);
    if (!TestSupport::writeFile(path, bytes))
        qFatal("cannot write the test source");
    return path;
}

std::unique_ptr<CodeView> TestCodeView::openView(const QString &path, const QList<Span> &spans,
                                                 int opacity)
{
    for (const Span &span : spans) {
        Fragment fragment;
        fragment.startLine = span.start;
        fragment.lineSpan = span.lineSpan;
        fragment.feature = &m_features[span.feature];
        fragment.expression = span.expression;
        m_node->fragments().append(fragment);
    }
    auto view = std::make_unique<CodeView>(nullptr, m_node.get(), nullptr, new QFile(path),
                                           opacity);
    view->buildSideBars();
    view->buildLineNumbers();
    view->buildBackgrounds();
    return view;
}

void TestCodeView::lineNumbers_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("missing");
    QTest::addColumn<int>("spaces"); // column width in space widths
    QTest::addColumn<QStringList>("firstLabels");
    QTest::addColumn<QString>("lastLabel");
    QTest::addColumn<int>("count");

    QTest::newRow("empty file") << QByteArray() << false << 2 << QStringList{"1"} << "1" << 1;
    QTest::newRow("missing file") << QByteArray() << true << 2 << QStringList{"1"} << "1" << 1;
    QTest::newRow("one line") << QByteArray("x") << false << 2 << QStringList{"1"} << "1" << 1;
    QTest::newRow("nine lines") << numberedLines(9) << false << 2 << QStringList{"1", "2"}
                                << "9" << 9;
    QTest::newRow("ten lines: numbers right-aligned")
        << numberedLines(10) << false << 3
        << QStringList{" 1", " 2", " 3", " 4", " 5", " 6", " 7", " 8", " 9", "10"} << "10"
        << 10;
    QTest::newRow("final line break starts an empty line")
        << QByteArray("a\nb\n") << false << 2 << QStringList{"1", "2", "3"} << "3" << 3;
    QTest::newRow("hundred lines") << numberedLines(100) << false << 4
                                   << QStringList{"  1", "  2"} << "100" << 100;
}

void TestCodeView::lineNumbers()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, missing);
    QFETCH(int, spaces);
    QFETCH(QStringList, firstLabels);
    QFETCH(QString, lastLabel);
    QFETCH(int, count);

    const QString path = missing ? m_dir->filePath(QStringLiteral("Gone.java"))
                                 : writeSource(content);
    auto view = openView(path);

    const QStringList labels = labelTexts(*view);
    QCOMPARE(labels.size(), count);
    for (int i = 0; i < firstLabels.size(); ++i)
        QCOMPARE(labels[i], firstLabels[i]);
    QCOMPARE(labels.last(), lastLabel);

    const QFontMetrics metrics(CodeView::codeFont());
    QCOMPARE(view->lineNumberView()->minimumWidth(), spaces * metrics.horizontalAdvance(' '));
    QCOMPARE(view->lineNumberView()->maximumWidth(), spaces * metrics.horizontalAdvance(' '));
    QCOMPARE(view->lineNumberView()->backgroundBrush().color(), QColor(230, 230, 230, 255));
}

void TestCodeView::lineNumbersFollowTheText()
{
    auto view = openView(writeSource(numberedLines(1000)));
    const LineNumberColumn *column = view->lineNumbers();
    QVERIFY(column);
    QCOMPARE(column->lineCount(), 1000);
    QCOMPARE(column->font(), CodeView::codeFont());
    for (int n : {1, 2, 500, 1000}) {
        // Each number stands level with its line of code, however far down.
        QCOMPARE(column->mapToScene(column->labelRect(n).topLeft()).y(),
                 lineRect(*view, n).top());
    }
    // Neighbouring numbers do not overlap, so they tell which lines an area
    // shows.
    for (int n : {1, 499}) {
        QVERIFY(column->labelRect(n).bottom() <= column->labelRect(n + 1).top());
        QVERIFY(column->labelRect(n).height() > 0);
        QCOMPARE(column->linesBetween(column->labelRect(n).center().y(),
                                      column->labelRect(n + 1).center().y()),
                 qMakePair(n, n + 1));
    }
    QCOMPARE(column->linesBetween(-100, -50), qMakePair(-1, -1));
    QCOMPARE(column->linesBetween(1e12, 2e12), qMakePair(-1, -1));
    QCOMPARE(column->linesBetween(-1e12, 2e12), qMakePair(1, 1000));
}

void TestCodeView::textDecoding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("NUL byte shown, lines kept") << QByteArray("abc\0def\nghi", 11)
                                                << "abc\ufffddef\nghi";
    QTest::newRow("NUL byte first") << QByteArray("\0abc", 4) << "\ufffdabc";
    QTest::newRow("UTF-8") << QByteArray("// Gr\xc3\xb6\xc3\x9f" "e") << "// Gr\u00f6\u00dfe";
    QTest::newRow("Latin-1") << QByteArray("// Gr\xf6\xdf" "e") << "// Gr\u00f6\u00dfe";
    QTest::newRow("Windows line ends") << QByteArray("a\r\nb") << "a\nb";
}

void TestCodeView::textDecoding()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);

    auto view = openView(writeSource(bytes));
    QCOMPARE(view->textItem()->document()->toPlainText(), text);
    QCOMPARE(labelTexts(*view).size(), int(text.count(QLatin1Char('\n'))) + 1);
}

void TestCodeView::codeFontAndTextItem()
{
    auto view = openView(writeSource("int x;"));
    const QFont font = view->textEdit()->font();
    QCOMPARE(font.family(), QStringLiteral("Courier"));
    QCOMPARE(font.pointSize(), 9);
    QCOMPARE(font.weight(), QFont::Thin); // weight 4 of the old 0..99 scale
    QVERIFY(!font.italic());
    QCOMPARE(view->textItem()->document(), view->textEdit()->document());
    QCOMPARE(view->textItem()->document()->defaultFont(), font);
    QCOMPARE(view->textItem()->textInteractionFlags(),
             Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    QVERIFY(view->justOpened());

    // The hidden extent bar spans the text and keeps the side-bar scene as
    // tall as the code.
    SideBarFracture *extent = view->extentBar();
    QVERIFY(!extent->isVisible());
    QVERIFY(!extent->feature());
    QCOMPARE(extent->rect(),
             QRectF(0, 0, 35, int(view->textItem()->document()->size().height())));
    QCOMPARE(extent->zValue(), 1.0);
    QCOMPARE(view->sideBarScene()->sceneRect().height(), extent->rect().height());
}

void TestCodeView::codeIsHighlightedAtOnce()
{
    auto view = openView(writeSource("// note\nint main() {}\n"));
    // No event processing: the colours are there when the view is built.
    const QTextBlock second = view->textItem()->document()->findBlockByNumber(1);
    QColor keyword;
    QColor function;
    const QList<QTextLayout::FormatRange> ranges = second.layout()->formats();
    for (const QTextLayout::FormatRange &range : ranges) {
        if (range.start == 0 && range.length == 3)
            keyword = range.format.foreground().color();
        if (range.start == 4 && range.length == 4)
            function = range.format.foreground().color();
    }
    QCOMPARE(keyword, QColor(Qt::darkMagenta));
    QCOMPARE(function, QColor(Qt::blue));
}

// A file past the size limit is not laid out: its lines are painted where
// the laid-out text would stand, the odd ones here holding text.
void TestCodeView::largeFileIsPaintedLineByLine()
{
    const int lines = 100001;
    auto view = openView(writeSource(QByteArray("xxxxxxxx\n\n").repeated(lines / 2) + "last"));
    const PlainTextColumn *column = view->plainText();
    QVERIFY(column);
    QCOMPARE(column->parentItem(), view->textItem());
    QCOMPARE(view->textItem()->document()->isEmpty(), true);
    QCOMPARE(view->textEdit()->document()->blockCount(), lines);

    const qreal step = view->lineStep();
    const qreal margin = view->textMargin();
    const auto inkInLine = [&](int n) {
        const QRectF area(0, margin + (n - 1) * step, 100, step);
        QImage image(area.size().toSize(), QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.translate(-area.topLeft());
        QStyleOptionGraphicsItem option;
        option.exposedRect = area;
        const_cast<PlainTextColumn *>(column)->paint(&painter, &option, nullptr);
        painter.end();
        int dark = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                dark += qGray(image.pixel(x, y)) < 128 ? 1 : 0;
        return dark;
    };
    for (int n : {1, 3, 50001, 99999, 100001})
        QVERIFY2(inkInLine(n) > 0, qPrintable(QString::number(n)));
    for (int n : {2, 50000, 100000, 100002})
        QVERIFY2(inkInLine(n) == 0, qPrintable(QString::number(n)));
    QVERIFY(column->boundingRect().height() >= lines * step);

    // Search marks stand on the painted lines too.
    const QList<FindMarks::Mark> marks = FindMarks::find(
        view->textEdit()->document(), CodeView::codeFont(), step, QStringLiteral("last"), {});
    QCOMPARE(marks.size(), 1);
    QCOMPARE(marks.first().rect.top(),
             (lines - 1) * step + QFontMetrics(CodeView::codeFont()).descent() + 2);
}

void TestCodeView::oneLineFragment()
{
    auto view = openView(writeSource(numberedLines(5)), {{1, 0}});
    QCOMPARE(view->sideBars().size(), 1);
    const SideBarFracture *bar = view->sideBars().first();
    const QFontMetrics metrics(CodeView::codeFont());
    QCOMPARE(bar->pos(), QPointF(3, metrics.descent()));
    QCOMPARE(bar->rect().width(), 5.0);
    QCOMPARE(bar->rect().height(), qreal(qRound(measuredStep(*view))));
    QCOMPARE(bar->lineSpan(), 0);
}

void TestCodeView::barsCoverTheirLines_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("lineSpan");

    QTest::newRow("first line") << 1 << 0;
    QTest::newRow("ten lines in the middle") << 50 << 9;
    QTest::newRow("one line far down") << 280 << 0;
    QTest::newRow("last two lines") << 299 << 1;
}

void TestCodeView::barsCoverTheirLines()
{
    QFETCH(int, start);
    QFETCH(int, lineSpan);

    auto view = openView(writeSource(numberedLines(300)), {{start, lineSpan}});
    const SideBarFracture *bar = view->sideBars().first();
    const QRectF barRect = bar->sceneBoundingRect();
    const BackgroundFracture *band = bar->background();
    QVERIFY(band);
    const QRectF bandRect = band->sceneBoundingRect();
    const int end = start + lineSpan;

    for (const QRectF &r : {barRect, bandRect}) {
        QVERIFY(r.top() < lineRect(*view, start).center().y());
        QVERIFY(r.bottom() > lineRect(*view, end).center().y());
        if (start > 1)
            QVERIFY(r.top() > lineRect(*view, start - 1).center().y());
        if (end < 300)
            QVERIFY(r.bottom() < lineRect(*view, end + 1).center().y());
    }
}

void TestCodeView::nestedBands()
{
    const QList<Span> spans{{1, 20, 0}, {2, 15, 1}, {3, 10, 2}, {4, 5, 3}, {5, 1, 4}};
    auto view = openView(writeSource(numberedLines(40)), spans, 170);

    const QList<SideBarFracture *> &bars = view->sideBars();
    QCOMPARE(bars.size(), 5);
    const QList<qreal> xs{3, 10, 17, 24, 31};
    for (int i = 0; i < 5; ++i)
        QCOMPARE(bars[i]->x(), xs[i]);

    // Only the first four columns get bands.
    QCOMPARE(view->backgrounds().size(), 4);
    QVERIFY(!bars[4]->background());
    const int width = int(view->codeScene()->sceneRect().width());
    for (int i = 0; i < 4; ++i) {
        const BackgroundFracture *band = bars[i]->background();
        QVERIFY(band);
        QCOMPARE(band->feature(), bars[i]->feature());
        QCOMPARE(band->pos(), QPointF(0, int(bars[i]->y())));
        QCOMPARE(band->rect(), QRectF(0, 0, width, int(bars[i]->rect().height())));
        QColor expected = bars[i]->brush().color();
        expected.setAlpha(170);
        QCOMPARE(band->brush().color(), expected);
    }
}

void TestCodeView::bandsStackByColumn()
{
    auto view = openView(writeSource(numberedLines(40)), {{1, 20, 0}, {2, 15, 1}, {3, 10, 2}});
    const QList<SideBarFracture *> &bars = view->sideBars();

    // Below the text at a point inside all three fragments: the band of the
    // rightmost bar, its white underlay, then the next band and so on.
    const QPointF inside(2, lineRect(*view, 5).center().y());
    QList<QGraphicsItem *> stack = view->codeScene()->items(inside);
    QCOMPARE(stack.takeFirst(), view->textItem());
    QCOMPARE(stack.size(), 6);
    for (int column = 2, i = 0; column >= 0; --column, i += 2) {
        QCOMPARE(stack[i], bars[column]->background());
        auto *underlay = qgraphicsitem_cast<QGraphicsRectItem *>(stack[i + 1]);
        QVERIFY(underlay && underlay->type() == QGraphicsRectItem::Type);
        QCOMPARE(underlay->brush().color(), QColor(Qt::white));
        QCOMPARE(underlay->brush().style(), Qt::SolidPattern);
        QCOMPARE(underlay->sceneBoundingRect(), stack[i]->sceneBoundingRect());
    }
}

void TestCodeView::opacityReachesOnlyBands()
{
    auto view = openView(writeSource(numberedLines(30)), {{1, 10, 0}, {3, 2, 1}}, 170);
    // A search mark, made the way the finder makes them.
    QGraphicsRectItem *mark = view->codeScene()->addRect(0, 0, 30, 10, QPen(Qt::yellow),
                                                         QBrush(Qt::yellow));
    mark->stackBefore(view->textItem());

    view->setOpacity(60);
    QCOMPARE(view->opacity(), 60);
    int underlays = 0;
    const QList<QGraphicsItem *> items = view->codeScene()->items();
    for (QGraphicsItem *item : items) {
        if (item == view->textItem())
            continue;
        auto *rect = static_cast<QGraphicsRectItem *>(item);
        if (item->type() == BackgroundFracture::Type) {
            QCOMPARE(rect->brush().color().alpha(), 60);
        } else if (item == mark) {
            QCOMPARE(rect->brush().color(), QColor(Qt::yellow));
        } else {
            QCOMPARE(rect->brush().color(), QColor(Qt::white));
            ++underlays;
        }
    }
    QCOMPARE(underlays, 2);
    for (const SideBarFracture *bar : view->sideBars())
        QCOMPARE(bar->brush().color().alpha(), 255);
}

void TestCodeView::opacityShowsOnScreen()
{
    // A blank line inside the fragment, and a long line outside it so that
    // the band reaches well to the right of the fragment's text.
    QByteArray text = numberedLines(4) + "\n\nx\n" + QByteArray(60, 'y');
    auto view = openView(writeSource(text), {{3, 3, 0}}, 255);
    view->resize(700, 300);
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view.get()));

    const QColor barColour = view->sideBars().first()->brush().color();
    QGraphicsView *code = view->codeGraphicsView();
    const QPoint blank = code->mapFromScene(QPointF(100, lineRect(*view, 5).center().y()));
    QCOMPARE(code->viewport()->grab().toImage().pixelColor(blank), barColour);

    view->setOpacity(0);
    QCOMPARE(code->viewport()->grab().toImage().pixelColor(blank), QColor(Qt::white));
}

void TestCodeView::refreshShowsAssignedColour()
{
    auto view = openView(writeSource(numberedLines(30)), {{1, 10, 0}, {3, 2, 1}, {20, 1, 1}},
                         100);
    PaletteColor *colour = m_colorManager->ColorArray.at(2);
    QVERIFY(m_colorManager->assignColor(&m_features[1], colour));

    // Refreshing one feature re-applies the opacity to its bands only.
    view->sideBars()[0]->background()->applyAlpha(255);
    view->refreshFeatureColors(&m_features[1]);
    QCOMPARE(view->sideBars()[0]->background()->brush().color().alpha(), 255);
    QColor banded = colour->color();
    banded.setAlpha(100);
    for (int i : {1, 2}) {
        QCOMPARE(view->sideBars()[i]->brush().color(), colour->color());
        QCOMPARE(view->sideBars()[i]->background()->brush().color(), banded);
    }
    QCOMPARE(view->sideBars()[0]->brush().color(), QColor(220, 220, 220));

    // Back to grey: the inner bar gave way once and is the darker grey.
    QVERIFY(m_colorManager->resetFeatureColor(&m_features[1]));
    view->refreshAllColors();
    QCOMPARE(view->sideBars()[0]->background()->brush().color(), QColor(220, 220, 220, 100));
    QCOMPARE(view->sideBars()[1]->brush().color(), QColor(180, 180, 180));
    QCOMPARE(view->sideBars()[2]->brush().color(), QColor(220, 220, 220));
    QCOMPARE(view->sideBars()[1]->background()->brush().color(), QColor(180, 180, 180, 100));
}

void TestCodeView::sharedScrollBar()
{
    auto view = openView(writeSource(numberedLines(200)), {{150, 5}, {151, 2}});
    view->resize(600, 300);
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view.get()));

    QScrollBar *bar = view->codeGraphicsView()->verticalScrollBar();
    QCOMPARE(view->lineNumberView()->verticalScrollBar(), bar);
    QCOMPARE(view->sideBarView()->verticalScrollBar(), bar);
    QVERIFY(bar->maximum() > 0);

    const QPointF overviewTop = view->overviewView()->mapToScene(0, 0);
    bar->setValue(bar->maximum() / 2);
    const qreal codeTop = view->codeGraphicsView()->mapToScene(0, 0).y();
    QVERIFY(codeTop > 0);
    QCOMPARE(view->lineNumberView()->mapToScene(0, 0).y(), codeTop);
    QCOMPARE(view->sideBarView()->mapToScene(0, 0).y(), codeTop);
    QCOMPARE(view->overviewView()->mapToScene(0, 0), overviewTop);

    // The side-bar column shows its whole scene inside its frame, the
    // overview is as wide as the column, and it shows the column mirrored.
    const int sideWidth = int(view->sideBarScene()->sceneRect().width())
                          + 2 * view->sideBarView()->frameWidth();
    QVERIFY(sideWidth >= 35);
    QCOMPARE(view->sideBarView()->width(), sideWidth);
    QVERIFY(view->sideBarView()->viewport()->width()
            >= view->sideBarScene()->sceneRect().width());
    QCOMPARE(view->overviewView()->width(), sideWidth);
    QVERIFY(view->overviewView()->transform().m11() < 0);
    QVERIFY(view->overviewView()->transform().m22() > 0);
}

void TestCodeView::visibleLineRange()
{
    const QString path = writeSource(numberedLines(200));
    auto bare = std::make_unique<CodeView>(nullptr, m_node.get(), nullptr, new QFile(path), 170);
    QCOMPARE(bare->visibleLineRange(), qMakePair(-1, -1));

    auto view = openView(path);
    view->resize(600, 300);
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view.get()));

    const QPair<int, int> top = view->visibleLineRange();
    QCOMPARE(top.first, 1);
    QVERIFY(top.second > 1 && top.second < 200);

    // Scrolled part of the way: the first number is the line of code at the
    // top edge of the line-number column.
    QScrollBar *bar = view->codeGraphicsView()->verticalScrollBar();
    bar->setValue(int(lineRect(*view, 40).center().y()));
    const qreal edge = view->lineNumberView()->mapToScene(0, 0).y();
    int lineAtEdge = 0;
    for (int n = 1; n <= 200; ++n) {
        if (lineRect(*view, n).contains(QPointF(5, edge)))
            lineAtEdge = n;
    }
    QCOMPARE(lineAtEdge, 40);
    const QPair<int, int> middle = view->visibleLineRange();
    QCOMPARE(middle.first, 40);
    QVERIFY(qAbs((middle.second - middle.first) - (top.second - top.first)) <= 1);

    bar->setValue(bar->maximum());
    QCOMPARE(view->visibleLineRange().second, 200);
}

void TestCodeView::shortFileBarsStandBesideTheirLines()
{
    auto view = openView(writeSource(numberedLines(6)), {{2, 1}});
    view->resize(500, 600); // far taller than the file
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view.get()));

    const qreal y = view->sideBars().first()->y();
    const int codeY = view->codeGraphicsView()->mapFromScene(QPointF(0, y)).y();
    QCOMPARE(view->sideBarView()->mapFromScene(QPointF(0, y)).y(), codeY);
    QCOMPARE(view->lineNumberView()->mapFromScene(QPointF(0, y)).y(), codeY);
}

void TestCodeView::labelsStandRightOfEveryBar_data()
{
    QTest::addColumn<QList<Span>>("spans");

    const QString three = QStringLiteral("Log && Crypto && Gui");
    // One fragment of "Log && Crypto && Gui" is three bars side by side;
    // inside two nested fragments they take columns three to five.
    QTest::newRow("nested fragments and an expression of three features")
        << QList<Span>{{1, 20, 0}, {2, 15, 4}, {3, 10, 1, three}, {3, 10, 2, three},
                       {3, 10, 3, three}};
    QTest::newRow("the expression outside, nested bars below its label")
        << QList<Span>{{1, 30, 1, three}, {1, 30, 2, three}, {1, 30, 3, three},
                       {1, 25, 0}, {1, 20, 4}};
    QTest::newRow("four columns leave the lane free")
        << QList<Span>{{1, 20, 0, QStringLiteral("!Base")}, {2, 15, 1}, {3, 10, 2}, {4, 5, 3}};
}

// With nested fragments and an expression of three features, the operator
// label stood in the lane right of the fourth column, over the bar of a
// fifth one.
void TestCodeView::labelsStandRightOfEveryBar()
{
    QFETCH(QList<Span>, spans);

    auto view = openView(writeSource(numberedLines(40)), spans);
    int labels = 0;
    for (const SideBarFracture *owner : view->sideBars()) {
        const QGraphicsTextItem *label = owner->operatorLabel();
        if (!label)
            continue;
        ++labels;
        const QRectF shown = label->sceneBoundingRect();
        QVERIFY(shown.left() >= SideBarFracture::LabelLaneX);
        for (const SideBarFracture *bar : view->sideBars()) {
            QVERIFY2(!shown.intersects(bar->sceneBoundingRect()),
                     qPrintable(QStringLiteral("label %1 at x %2 covers the bar at x %3")
                                    .arg(label->toPlainText())
                                    .arg(shown.left())
                                    .arg(bar->x())));
        }
        // The column is wide enough to show it whole.
        QVERIFY(shown.right() <= view->sideBarScene()->sceneRect().right());
        QVERIFY(view->sideBarView()->width() >= int(shown.right()));
    }
    QCOMPARE(labels, 1);
}

// The overview shows the side bars mirrored and squeezed: labels came out as
// backwards glyphs there. It shows the bars only.
void TestCodeView::overviewShowsNoLabels()
{
    const QString three = QStringLiteral("Log && Crypto && Gui");
    auto view = openView(writeSource(numberedLines(40)),
                         {{1, 20, 0}, {3, 10, 1, three}, {3, 10, 2, three}, {3, 10, 3, three},
                          {30, 5, 4, QStringLiteral("!Net || Base")}});
    view->resize(500, 300);
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view.get()));
    QList<QGraphicsTextItem *> labels;
    for (const SideBarFracture *bar : view->sideBars()) {
        if (bar->operatorLabel())
            labels.append(bar->operatorLabel());
    }
    QCOMPARE(labels.size(), 2);

    const auto pictures = [&] {
        return std::make_pair(view->overviewView()->grab().toImage(),
                              view->sideBarView()->grab().toImage());
    };
    const auto [overviewWith, sideBarsWith] = pictures();
    for (QGraphicsTextItem *label : std::as_const(labels))
        label->hide();
    const auto [overviewWithout, sideBarsWithout] = pictures();
    // The labels are drawn beside the bars, where they are read ...
    QVERIFY(sideBarsWith != sideBarsWithout);
    // ... and nowhere in the overview.
    QCOMPARE(overviewWith, overviewWithout);
}

void TestCodeView::pressingABarScrollsToIt()
{
    auto view = openView(writeSource(numberedLines(400)), {{300, 4}});
    view->resize(600, 300);
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view.get()));
    QCOMPARE(view->codeGraphicsView()->verticalScrollBar()->value(), 0);

    SideBarFracture *bar = view->sideBars().first();
    QGraphicsSceneMouseEvent press(QEvent::GraphicsSceneMousePress);
    press.setButton(Qt::LeftButton);
    press.setScenePos(bar->sceneBoundingRect().center());
    press.setPos(bar->rect().center());
    view->sideBarScene()->sendEvent(bar, &press);

    const QRectF shown = view->codeGraphicsView()
                             ->mapToScene(view->codeGraphicsView()->viewport()->rect())
                             .boundingRect();
    QVERIFY(shown.contains(QPointF(10, lineRect(*view, 300).center().y())));
}

void TestCodeView::viewOwnsItsParts()
{
    auto *file = new QFile(writeSource(numberedLines(3)));
    auto view = std::make_unique<CodeView>(nullptr, m_node.get(), nullptr, file, 170);
    view->buildSideBars();
    view->buildLineNumbers();
    view->buildBackgrounds();
    QPointer<QFile> filePointer(file);
    QPointer<QGraphicsScene> code(view->codeScene());
    QPointer<QGraphicsScene> numbers(view->lineNumberScene());
    QPointer<QGraphicsScene> side(view->sideBarScene());
    QCOMPARE(view->fileName(), file->fileName());
    view.reset();
    QVERIFY(filePointer.isNull());
    QVERIFY(code.isNull());
    QVERIFY(numbers.isNull());
    QVERIFY(side.isNull());
}

QTEST_MAIN(TestCodeView)
#include "tst_codeview.moc"
