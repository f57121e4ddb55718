#pragma once

#include <QMimeData>
#include <QPoint>

#include <memory>

class QListWidget;
class QWidget;

namespace TestSupport {

// What the platform does for one drag that enters `window` at windowPos,
// moves once and is released there: the widget under the point that accepts
// drops gets the enter, then a move that starts with the enter's answer, and
// the drop only when that move was accepted (else the drag is cancelled).
struct DragResult
{
    QWidget *target = nullptr;
    bool moveAccepted = false;
    bool dropped = false;
    bool dropAccepted = false;
};

DragResult deliverDrag(QWidget *window, const QPoint &windowPos, const QMimeData *data,
                       Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction);

// The drag data the palette list itself makes for its selected entry.
std::unique_ptr<QMimeData> paletteDragData(QListWidget *list);

} // namespace TestSupport
