#pragma once

#include <QColor>
#include <QGraphicsRectItem>

class Feature;
class FeatureTreeWidget;
class QGraphicsScene;

// The band of one annotated fragment behind the code, in the colour of its
// feature; the alpha of that colour carries the view's opacity.
class BackgroundFracture : public QGraphicsRectItem
{
public:
    enum { Type = UserType + 2 };

    BackgroundFracture(FeatureTreeWidget *featureTree, const QColor &color, Feature *feature,
                       int posX, int posY, int rectX, int rectY, int width, int height,
                       QGraphicsScene *scene);

    int type() const override { return Type; }

    // Sets the alpha of the band's colour and repaints the band with it.
    void applyAlpha(int alpha);

    Feature *feature() const { return m_feature; }
    QColor color() const { return m_color; }
    // Stores a new colour; it shows once applyAlpha() runs.
    void setColor(const QColor &color) { m_color = color; }

protected:
    void dragEnterEvent(QGraphicsSceneDragDropEvent *event) override;
    void dropEvent(QGraphicsSceneDragDropEvent *event) override;

private:
    Feature *m_feature = nullptr;
    QColor m_color;
    FeatureTreeWidget *m_featureTree = nullptr;
};
