#include "fracturedrop.h"

#include "core/model/feature.h"
#include "ui/featuretree/featuretreewidget.h"

#include <QGraphicsSceneDragDropEvent>
#include <QMimeData>

namespace FractureDrop {

void enter(QGraphicsSceneDragDropEvent *event)
{
    // Palette drags carry only the item model's own type; plain text would
    // be a text drag from the code itself or from another program.
    const QMimeData *data = event->mimeData();
    event->setAccepted(data && !data->hasFormat(QStringLiteral("text/plain")));
}

void drop(QGraphicsSceneDragDropEvent *event, Feature *feature, FeatureTreeWidget *featureTree)
{
    if (feature && featureTree)
        featureTree->assignSelectedColor(feature->name());
    // The colour travels through the palette's selection, not through the
    // drag data, so the drag source has nothing to do after the drop.
    event->setAccepted(false);
}

} // namespace FractureDrop
