#include "sidebarfracture.h"

#include "ui/codeview/backgroundfracture.h"
#include "ui/codeview/fracturedrop.h"
#include "ui/colors/palettecolor.h"
#include "ui/colors/placeholdergreys.h"
#include "core/model/feature.h"
#include "ui/featuretree/featuretreewidget.h"

#include <QBrush>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QGraphicsView>
#include <QFont>
#include <QPainter>
#include <QPen>
#include <QRegularExpression>
#include <QTextDocument>

namespace {

// Older labels closer than this to a new bar's top make way for its label.
constexpr int LabelBandHeight = 20;

// An operator label that is read only where it is upright. The overview
// column shows the side bars mirrored and squeezed to the window's height;
// there its letters would come out backwards and smeared, a label in no
// lane, so it is left out.
class OperatorLabel : public QGraphicsTextItem
{
public:
    using QGraphicsTextItem::QGraphicsTextItem;

    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget) override
    {
        if (painter->worldTransform().m11() < 0)
            return;
        QGraphicsTextItem::paint(painter, option, widget);
    }
};

} // namespace

SideBarFracture::SideBarFracture(FeatureTreeWidget *featureTree, Feature *feature, int posX,
                                 int posY, int rectX, int rectY, int width, int height,
                                 QGraphicsScene *scene, int lineSpan, const QString &expression)
    : QGraphicsRectItem(nullptr), m_scene(scene), m_featureTree(featureTree)
{
    setRect(rectX, rectY, width, height);
    // A zero-width (cosmetic) pen, also for the featureless extent bar, keeps
    // the bounding rectangle equal to the bar's rectangle.
    setPen(QPen(Qt::black, 0));
    setPos(posX, posY);
    if (m_scene)
        m_scene->addItem(this);
    m_feature = feature;
    m_lineSpan = lineSpan;
    // Longer fragments lie above the shorter ones they contain.
    setZValue(lineSpan);
    m_expression = expression;
    if (featureTree)
        setAcceptDrops(true);

    updateColor();
    if (m_scene)
        resolveCollisions();

    if (m_feature) {
        setToolTip(m_expression.isEmpty() ? m_feature->name()
                                          : toolTipHtml(m_feature->name(), m_expression));
    }
    if (!m_expression.isEmpty())
        addOperatorLabel();
}

void SideBarFracture::updateColor()
{
    if (!m_feature)
        return;
    const PaletteColor *paletteColor = m_feature->color();
    QColor color = paletteColor ? paletteColor->color() : QColor();
    if (!color.isValid() || PlaceholderGreys::isPlaceholder(color))
        color = QColor::fromRgba(m_shiftCount % 2 ? PlaceholderGreys::dark
                                                  : PlaceholderGreys::light);
    setBrush(QBrush(color));
    // A zero-width (cosmetic) pen keeps the bounding rectangle equal to the
    // bar's rectangle, so bars of adjacent fragments touch without colliding.
    setPen(QPen(color, 0));
    if (m_background)
        m_background->setColor(color);
}

void SideBarFracture::resolveCollisions()
{
    // Bars collide when their bounding rectangles share an area. Asking the
    // scene's index for the rectangle is exact for rectangles and far cheaper
    // than item collision tests, which stroke each bar's outline; and bars
    // that merely touch (one fragment ends on the line before the next
    // begins) share no line and keep their column.
    const QList<QGraphicsItem *> colliding =
        m_scene->items(sceneBoundingRect(), Qt::IntersectsItemBoundingRect);
    const int ownX = int(x());
    const int ownWidth = int(rect().width());
    const int nextColumn = ownWidth + ownX + ColumnGap;

    for (QGraphicsItem *item : colliding) {
        auto *other = qgraphicsitem_cast<SideBarFracture *>(item);
        if (!other || other == this || other->rect().width() >= MaxBarWidth)
            continue;
        if (y() > other->y()) {
            // The bar that starts lower gives way.
            setX(other->x() + other->rect().width() + ColumnGap);
            ++m_shiftCount;
            resolveCollisions();
        } else {
            other->setX(nextColumn);
            other->resolveCollisions();
            ++other->m_shiftCount;
        }
    }
}

void SideBarFracture::setBackground(BackgroundFracture *background)
{
    m_background = background;
}

QString SideBarFracture::operatorText(const QString &expression)
{
    static const QRegularExpression comparison(QStringLiteral("[<>]"));
    QString text;
    if (expression.contains(QLatin1Char('!')))
        text += QLatin1Char('!');
    if (expression.contains(QLatin1Char('&')))
        text += QLatin1Char('&');
    if (expression.contains(comparison))
        text += QLatin1Char('>');
    if (expression.contains(QLatin1Char('|')))
        text += QLatin1Char('|');
    return text;
}

QString SideBarFracture::toolTipHtml(const QString &featureName, const QString &expression)
{
    // Expressions may hold "<", ">" and "&", which rich text would otherwise
    // read as markup.
    const qsizetype at = featureName.isEmpty() ? -1 : expression.indexOf(featureName);
    // A tool tip wraps rich text wherever it likes ("Caesar && !" over
    // "Reverse"); an expression is read as one line.
    const QString open = QStringLiteral("<p style=\"white-space:pre\">");
    if (at < 0)
        return open + expression.toHtmlEscaped() + QStringLiteral("</p>");
    return open + expression.left(at).toHtmlEscaped() + QStringLiteral("<b>")
           + featureName.toHtmlEscaped() + QStringLiteral("</b>")
           + expression.mid(at + featureName.size()).toHtmlEscaped() + QStringLiteral("</p>");
}

void SideBarFracture::addOperatorLabel()
{
    const QString text = operatorText(m_expression);
    if (text.isEmpty() || !m_scene)
        return;
    // Font and margin are set while the label is empty: each change lays the
    // text out again, and a file can hold thousands of labels.
    m_label = new OperatorLabel(this);
    QFont font = m_label->font();
    font.setPixelSize(LabelPixelSize);
    font.setBold(true);
    m_label->setFont(font);
    // Without the document's margin the text starts where the label does.
    m_label->document()->setDocumentMargin(0);
    m_label->setPlainText(text);
    // Right of the bar and of its neighbours' columns: a label beside the bar
    // would cover the next column's bar.
    const qreal right = rect().x() + rect().width() + ColumnGap;
    m_label->setPos(qMax(right, LabelLaneX - x()), rect().y());

    // Bars that start close together would print their labels over each
    // other; only the newest one stays. Removed labels are deleted.
    const qreal top = mapToScene(rect().topLeft()).y();
    const QRectF band(0, top, m_scene->width(), LabelBandHeight);
    const QList<QGraphicsItem *> near = m_scene->items(band);
    for (QGraphicsItem *item : near) {
        if (item == m_label || !item->parentItem())
            continue;
        if (auto *owner = qgraphicsitem_cast<SideBarFracture *>(item->parentItem()))
            owner->m_label = nullptr;
        delete item;
    }
}

void SideBarFracture::placeOperatorLabel()
{
    if (!m_label || !m_scene)
        return;
    // Every bar on the label's lines, in any column, stays visible left of it.
    const QRectF shown = m_label->sceneBoundingRect();
    const QRectF lines(0, shown.top(), m_scene->sceneRect().right(), shown.height());
    qreal right = LabelLaneX;
    for (QGraphicsItem *item : m_scene->items(lines, Qt::IntersectsItemBoundingRect)) {
        const auto *bar = qgraphicsitem_cast<SideBarFracture *>(item);
        if (bar && bar->rect().width() < MaxBarWidth)
            right = qMax(right, bar->sceneBoundingRect().right() + ColumnGap);
    }
    m_label->setX(right - x());
}

void SideBarFracture::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    // The first view is the side-bar view, whose scroll bar the code and the
    // line numbers share: centring it scrolls the code to the fragment.
    if (m_scene && !m_scene->views().isEmpty())
        m_scene->views().constFirst()->centerOn(mapToScene(rect().topLeft()));

    if (m_feature && m_featureTree) {
        if (QTreeWidgetItem *leaf = m_featureTree->findLeafItem(m_feature->name())) {
            m_featureTree->scrollToItem(leaf);
            m_featureTree->clearSelection();
            leaf->setSelected(true);
        }
    }
    QGraphicsRectItem::mousePressEvent(event);
}

void SideBarFracture::dragEnterEvent(QGraphicsSceneDragDropEvent *event)
{
    FractureDrop::enter(event);
}

void SideBarFracture::dropEvent(QGraphicsSceneDragDropEvent *event)
{
    FractureDrop::drop(event, m_feature, m_featureTree);
}
