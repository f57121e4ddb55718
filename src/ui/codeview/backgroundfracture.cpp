#include "backgroundfracture.h"

#include "ui/codeview/fracturedrop.h"

#include <QBrush>
#include <QGraphicsScene>
#include <QPen>

BackgroundFracture::BackgroundFracture(FeatureTreeWidget *featureTree, const QColor &color,
                                       Feature *feature, int posX, int posY, int rectX,
                                       int rectY, int width, int height, QGraphicsScene *scene)
    : QGraphicsRectItem(nullptr), m_feature(feature)
{
    setRect(rectX, rectY, width, height);
    setPos(posX, posY);
    if (scene)
        scene->addItem(this);
    m_color = color;
    m_featureTree = featureTree;
    applyAlpha(255);
    setFlag(ItemIsSelectable, false);
    setFlag(ItemIsMovable, false);
    setFlag(ItemIsFocusable, false);
    if (featureTree)
        setAcceptDrops(true);
}

void BackgroundFracture::applyAlpha(int alpha)
{
    if (!m_feature || !m_color.isValid())
        return;
    m_color.setAlpha(alpha);
    setBrush(QBrush(m_color));
    // A zero-width (cosmetic) pen keeps the bounding rectangle equal to the
    // band's own rectangle.
    setPen(QPen(m_color, 0));
}

void BackgroundFracture::dragEnterEvent(QGraphicsSceneDragDropEvent *event)
{
    FractureDrop::enter(event);
}

void BackgroundFracture::dropEvent(QGraphicsSceneDragDropEvent *event)
{
    FractureDrop::drop(event, m_feature, m_featureTree);
}
