#include "codeview.h"

#include "ui/codeview/backgroundfracture.h"
#include "ui/codeview/highlighter.h"
#include "ui/codeview/linenumbercolumn.h"
#include "ui/codeview/plaintextcolumn.h"
#include "ui/codeview/sidebarfracture.h"
#include "core/model/fragment.h"
#include "ui/structure/stnode.h"
#include "core/formats/textdecoding.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QFontMetrics>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QGraphicsView>
#include <QHBoxLayout>
#include <QPlainTextDocumentLayout>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

#include <cmath>

namespace {

// Side bars are 5 wide and stand in columns 7 apart, the first at x = 3.
constexpr int BarX = 3;
constexpr int BarWidth = 5;
constexpr int ColumnStep = BarWidth + SideBarFracture::ColumnGap;
// The hidden extent bar's width; it leaves room for four columns of bars.
constexpr int ExtentBarWidth = 35;

const QColor LineNumberBackground(230, 230, 230, 255);

// Bars are placed by line number, and annotations.xml may hold any number:
// a bar starts at most this many pixels from the top and is at most this
// tall, so that positions and the scenes' extents stay inside the integer
// range (33 million lines of 16 pixels).
constexpr double PixelLimit = 1 << 29;

// Files beyond either size are shown as plain text painted as it comes into
// view (see PlainTextColumn): laying out and highlighting the whole document
// takes about 17 microseconds a line, so 200,000 lines froze the window for
// seconds and a million lines for most of a minute.
constexpr qsizetype LargeFileLines = 100000;
constexpr qsizetype LargeFileCharacters = 8 * 1024 * 1024;

bool isLargeText(const QString &text)
{
    return text.size() > LargeFileCharacters || text.count(QLatin1Char('\n')) >= LargeFileLines;
}

// The distance between two consecutive lines that the text layout uses for
// the given font. The font's own line spacing can be smaller (fonts with a
// negative leading), and bars and numbers placed with it would drift away
// from the text line by line.
qreal layoutLineStep(const QFont &font)
{
    QTextDocument document;
    document.setDefaultFont(font);
    document.setPlainText(QStringLiteral("0\n0"));
    const QAbstractTextDocumentLayout *layout = document.documentLayout();
    const qreal first = layout->blockBoundingRect(document.firstBlock()).top();
    const qreal second = layout->blockBoundingRect(document.lastBlock()).top();
    return second > first ? second - first : QFontMetricsF(font).lineSpacing();
}

QGraphicsView *makeColumnView(QGraphicsScene *scene, QWidget *parent)
{
    auto *view = new QGraphicsView(scene, parent);
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    return view;
}

} // namespace

CodeView::CodeView(FeatureTreeWidget *featureTree, STNode *fileNode, QWidget *, QFile *file,
                   int opacity)
    : QWidget(nullptr), m_file(file), m_featureTree(featureTree), m_opacity(opacity),
      m_fileNode(fileNode)
{
    if (m_file)
        m_file->setParent(this);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    // The text edit only owns the document (and gives it its font); the code
    // is shown by a text item in the code scene.
    m_textEdit = new QTextEdit(this);
    m_textEdit->setLineWrapMode(QTextEdit::NoWrap);
    m_textEdit->setAcceptDrops(false);
    m_textEdit->hide();

    layout->addWidget(new QWidget(this));
    buildColumns(layout);

    const QFont font = codeFont();
    m_textEdit->setFont(font);
    m_lineStep = layoutLineStep(font);

    const int lineCount = loadText(font);
    const int digits = int(QString::number(lineCount).size());
    m_lineNumberView->setFixedWidth(QFontMetrics(font).horizontalAdvance(QLatin1Char(' '))
                                    * (digits + 1));

    // The hidden extent bar spans the whole text, so the side-bar scene is as
    // tall as the code and at least four columns wide.
    m_extentBar = new SideBarFracture(m_featureTree, nullptr, 0, 0, 0, 0, ExtentBarWidth,
                                      int(textHeight()), m_sideBarScene,
                                      lineCount, QString());
    m_extentBar->hide();
}

void CodeView::buildColumns(QHBoxLayout *layout)
{
    m_sideBarScene = new QGraphicsScene(this);
    m_sideBarView = makeColumnView(m_sideBarScene, this);
    m_overviewView = makeColumnView(m_sideBarScene, this);
    m_lineNumberScene = new QGraphicsScene(this);
    m_lineNumberView = makeColumnView(m_lineNumberScene, this);
    m_codeScene = new QGraphicsScene(this);
    m_codeView = new QGraphicsView(m_codeScene, this);

    // One scroll bar moves the line numbers, the side bars and the code.
    QScrollBar *sharedBar = m_sideBarView->verticalScrollBar();
    m_lineNumberView->setVerticalScrollBar(sharedBar);
    m_codeView->setVerticalScrollBar(sharedBar);

    m_lineNumberView->setBackgroundBrush(QBrush(LineNumberBackground));

    layout->addWidget(m_lineNumberView);
    layout->addWidget(m_sideBarView);
    layout->addWidget(m_codeView);
    layout->addWidget(m_overviewView);
}

int CodeView::loadText(const QFont &font)
{
    QString text;
    if (m_file && m_file->exists() && m_file->open(QIODevice::ReadOnly)) {
        text = decodeText(m_file->readAll());
        m_file->close();
    }

    const bool large = isLargeText(text);

    // The text is highlighted as it goes into a document that has no layout
    // yet: highlighting a laid-out document that does not wrap relayouts it
    // once per line, which takes minutes for a long file. The text edit then
    // takes the document over and lays it out once. A large file's document
    // gets the plain layout, which lays out only the blocks asked for.
    auto *document = new QTextDocument(m_textEdit);
    document->setDefaultFont(font);
    if (large)
        document->setDocumentLayout(new QPlainTextDocumentLayout(document));
    else
        m_highlighter = new Highlighter(document);
    document->setPlainText(text);
    m_textEdit->setDocument(document);

    m_textItem = new QGraphicsTextItem(QStringLiteral("no file loaded"));
    m_codeScene->addItem(m_textItem);
    if (large) {
        // The text item stays empty and carries the painted text, so that
        // whatever is stacked below the text item lies below the code.
        m_textItem->setPlainText(QString());
        m_plainText = new PlainTextColumn(
            document, m_lineStep, textMargin(), font,
            PlainTextColumn::textWidth(text, font,
                                       document->defaultTextOption().tabStopDistance()));
        m_plainText->setParentItem(m_textItem);
    } else {
        m_textItem->setDocument(document);
    }
    m_textItem->setAcceptDrops(false);
    m_textItem->setCursor(Qt::IBeamCursor);
    m_textItem->setTextInteractionFlags(Qt::TextSelectableByMouse
                                        | Qt::TextSelectableByKeyboard);
    m_textItem->setFlag(QGraphicsItem::ItemIsSelectable, false);
    m_textItem->setFlag(QGraphicsItem::ItemIsMovable, false);
    m_textItem->setFlag(QGraphicsItem::ItemIsFocusable, false);
    m_codeView->setDragMode(QGraphicsView::NoDrag);
    return document->blockCount();
}

CodeView::~CodeView()
{
    // The code scene's text item shows the text edit's document, so the
    // scenes go before the text edit (children die in creation order).
    delete m_codeScene;
    delete m_lineNumberScene;
    delete m_sideBarScene;
}

QFont CodeView::codeFont()
{
    QFont font(QStringLiteral("Courier"), 9);
    // The code's weight was chosen on the old 0..99 weight scale.
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    font.setLegacyWeight(4);
    QT_WARNING_POP
    font.setItalic(false);
    return font;
}

qreal CodeView::lineStep() const
{
    return m_lineStep;
}

qreal CodeView::textHeight() const
{
    if (m_plainText)
        return m_plainText->boundingRect().height();
    return m_textEdit->document()->size().height();
}

qreal CodeView::textMargin() const
{
    return m_textEdit->document()->documentMargin();
}

void CodeView::buildSideBars()
{
    const int descent = QFontMetrics(m_textEdit->font()).descent();
    if (m_fileNode) {
        for (const Fragment &fragment : m_fileNode->fragments()) {
            // A fragment that ends before it starts covers no line. Worked
            // out wide: start and span can be anything a file holds.
            const double top = qBound(-PixelLimit, (double(fragment.startLine) - 1) * m_lineStep,
                                      PixelLimit);
            const double lines = qMax(0.0, double(fragment.lineSpan) + 1);
            const double height = qMin(lines * m_lineStep, PixelLimit);
            m_sideBars.append(new SideBarFracture(m_featureTree, fragment.feature, BarX,
                                                  qRound(top) + descent, 0, 0, BarWidth,
                                                  qRound(height), m_sideBarScene,
                                                  fragment.lineSpan, fragment.expression));
        }
    }
    // Bars that gave way changed their grey, and may now stand where a
    // label was put.
    for (SideBarFracture *bar : std::as_const(m_sideBars)) {
        bar->updateColor();
        bar->placeOperatorLabel();
    }

    // The tab was shown, and the column sized, before the bars and their
    // labels existed.
    fitSideBarColumn();
    m_overviewView->scale(-1, 1);
    m_overviewView->fitInView(m_sideBarScene->sceneRect(), Qt::IgnoreAspectRatio);
}

void CodeView::fitSideBarColumn()
{
    const int width = int(std::ceil(m_sideBarScene->sceneRect().width()))
                      + 2 * m_sideBarView->frameWidth();
    m_sideBarView->setFixedWidth(width);
    m_overviewView->setFixedWidth(width);
}

void CodeView::buildLineNumbers()
{
    if (m_lineNumbers)
        return;
    // Placed where the text item draws line n, inside its document margin.
    const qreal margin = textMargin();
    m_lineNumbers = new LineNumberColumn(m_textEdit->document()->blockCount(), m_lineStep,
                                         margin, codeFont());
    m_lineNumberScene->addItem(m_lineNumbers);
    // The column starts at the top of the code, margin included, or the
    // top-aligned view would lift the numbers above their lines.
    const QRectF labels = m_lineNumbers->boundingRect();
    m_lineNumberScene->setSceneRect(0, 0, labels.right() + margin, labels.bottom() + margin);
}

void CodeView::buildBackgrounds()
{
    const QRectF codeRect = m_codeScene->sceneRect();
    const qreal height = codeRect.height();
    const int width = int(codeRect.width());

    if (m_sideBarScene->items(QRectF(BarX, 0, BarWidth, height), Qt::IntersectsItemBoundingRect)
            .isEmpty())
        return;

    // Column by column from the left: bands of later columns lie above the
    // earlier ones, and each has an opaque white underlay, so nested bands
    // never blend; the innermost fragment's colour shows.
    for (int x = BarX; m_extentBar->rect().width() > x + ColumnStep; x += ColumnStep) {
        const QList<QGraphicsItem *> column = m_sideBarScene->items(
            QRectF(x, 0, BarWidth, height), Qt::IntersectsItemBoundingRect);
        for (QGraphicsItem *item : column) {
            if (item->parentItem() || item == m_extentBar)
                continue;
            auto *bar = qgraphicsitem_cast<SideBarFracture *>(item);
            // A bar of no lines marks no code.
            if (!bar || !bar->feature() || bar->rect().height() <= 0)
                continue;
            auto *band = new BackgroundFracture(m_featureTree, bar->brush().color(),
                                                bar->feature(), 0, int(bar->y()), 0, 0, width,
                                                int(bar->rect().height()), m_codeScene);
            band->stackBefore(m_textItem);
            band->setVisible(m_coloursShown);
            bar->setBackground(band);
            m_backgrounds.append(band);

            QGraphicsRectItem *underlay = m_codeScene->addRect(band->rect(), QPen(Qt::white, 0),
                                                               QBrush(Qt::white));
            underlay->setPos(band->pos());
            underlay->stackBefore(band);
        }
        if (column.isEmpty())
            break;
    }
    // The bands are made opaque; they show the opacity the view was opened
    // with right away, not only after the next colour refresh.
    applyOpacity();
    layout()->update();
}

void CodeView::setColoursShown(bool shown)
{
    m_coloursShown = shown;
    m_sideBarView->setVisible(shown);
    m_overviewView->setVisible(shown);
    for (BackgroundFracture *band : std::as_const(m_backgrounds))
        band->setVisible(shown);
}

void CodeView::setOpacity(int opacity)
{
    m_opacity = opacity;
    applyOpacity();
}

void CodeView::applyOpacity()
{
    // Only the bands take the opacity: side bars stay opaque, and the white
    // underlays and the search marks are no bands.
    for (BackgroundFracture *band : std::as_const(m_backgrounds))
        band->applyAlpha(m_opacity);
}

void CodeView::refreshAllColors()
{
    for (SideBarFracture *bar : std::as_const(m_sideBars))
        bar->updateColor();
    applyOpacity();
}

void CodeView::refreshFeatureColors(Feature *feature)
{
    for (SideBarFracture *bar : std::as_const(m_sideBars)) {
        if (bar->feature() == feature)
            bar->updateColor();
    }
    for (BackgroundFracture *band : std::as_const(m_backgrounds)) {
        if (band->feature() == feature)
            band->applyAlpha(m_opacity);
    }
}

QString CodeView::fileName() const
{
    return m_file ? m_file->fileName() : QString();
}

QPair<int, int> CodeView::visibleLineRange() const
{
    if (!m_lineNumbers)
        return {-1, -1};
    const QRectF area = m_lineNumberView
                            ->mapToScene(QRect(0, 0, m_lineNumberView->width(),
                                               m_lineNumberView->height()))
                            .boundingRect();
    return m_lineNumbers->linesBetween(area.top(), area.bottom());
}

void CodeView::resizeEvent(QResizeEvent *event)
{
    fitSideBarColumn();
    m_codeView->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_lineNumberView->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // The side bars too: centred in a view taller than a short file, they
    // would stand beside the wrong lines.
    m_sideBarView->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_overviewView->fitInView(m_sideBarScene->sceneRect(), Qt::IgnoreAspectRatio);
    QWidget::resizeEvent(event);
}
