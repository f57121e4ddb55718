#pragma once

class Feature;
class FeatureTreeWidget;
class QGraphicsSceneDragDropEvent;

// Drag and drop shared by side bars and bands: colour drags are welcome,
// text drags are not, and a drop gives the palette's selected colour to the
// fracture's feature.
namespace FractureDrop {

void enter(QGraphicsSceneDragDropEvent *event);
void drop(QGraphicsSceneDragDropEvent *event, Feature *feature, FeatureTreeWidget *featureTree);

} // namespace FractureDrop
