#pragma once

#include <QGraphicsRectItem>
#include <QString>

class BackgroundFracture;
class Feature;
class FeatureTreeWidget;
class QGraphicsScene;

// The bar of one annotated fragment in the side-bar column of a code view.
// It adds itself to its scene, steps right until it overlaps no other bar,
// names its feature in a tool tip and leads from the code to the feature tree.
class SideBarFracture : public QGraphicsRectItem
{
public:
    enum { Type = UserType + 1 };

    // Bars are this far apart; the first column lies at x = 3.
    static constexpr int ColumnGap = 2;
    // Anything at least this wide (the code view's extent bar) is no side bar.
    static constexpr int MaxBarWidth = 20;
    // Operator labels stand in a lane right of the first four columns of
    // bars, so they cover no bar and a "|" is not taken for one.
    static constexpr int LabelLaneX = 31;
    // Small enough that three operators fit beside the bars.
    static constexpr int LabelPixelSize = 10;

    SideBarFracture(FeatureTreeWidget *featureTree, Feature *feature, int posX, int posY,
                    int rectX, int rectY, int width, int height, QGraphicsScene *scene,
                    int lineSpan, const QString &expression);

    int type() const override { return Type; }

    // Takes the feature's current colour; uncoloured features get a grey
    // chosen by how often this bar gave way, so neighbouring bars differ.
    void updateColor();
    // Moves this bar or the bars it overlaps to the right until none overlap.
    void resolveCollisions();
    // Puts the operator label right of every bar beside its lines, once all
    // bars of the file have their columns: bars that gave way later (nested
    // fragments, an expression of three features) may stand in the lane.
    void placeOperatorLabel();

    Feature *feature() const { return m_feature; }
    QString expression() const { return m_expression; }
    int shiftCount() const { return m_shiftCount; }
    int lineSpan() const { return m_lineSpan; }
    BackgroundFracture *background() const { return m_background; }
    void setBackground(BackgroundFracture *background);
    QGraphicsTextItem *operatorLabel() const { return m_label; }

    // "!" "&" ">" "|" for the operators the expression uses, in that order.
    static QString operatorText(const QString &expression);
    // The expression as rich text with the first occurrence of the feature
    // name in bold; every other character is shown literally.
    static QString toolTipHtml(const QString &featureName, const QString &expression);

protected:
    void dragEnterEvent(QGraphicsSceneDragDropEvent *event) override;
    void dropEvent(QGraphicsSceneDragDropEvent *event) override;
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;

private:
    void addOperatorLabel();

    QString m_expression;
    int m_shiftCount = 0;
    Feature *m_feature = nullptr;
    int m_lineSpan = 0;
    QGraphicsScene *m_scene = nullptr;
    FeatureTreeWidget *m_featureTree = nullptr;
    BackgroundFracture *m_background = nullptr;
    QGraphicsTextItem *m_label = nullptr; // child item, owned through the parent link
};
