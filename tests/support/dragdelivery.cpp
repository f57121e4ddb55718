#include "dragdelivery.h"

#include <QApplication>
#include <QDropEvent>
#include <QListWidget>
#include <QWidget>

namespace TestSupport {

DragResult deliverDrag(QWidget *window, const QPoint &windowPos, const QMimeData *data,
                       Qt::DropActions actions)
{
    DragResult result;
    QWidget *target = window->childAt(windowPos);
    while (target && !target->isWindow() && !target->acceptDrops())
        target = target->parentWidget();
    if (!target || !target->acceptDrops())
        return result;
    result.target = target;
    const QPoint pos = target->mapFrom(window, windowPos);

    QDragEnterEvent enter(pos, actions, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDragMoveEvent move(pos, actions, data, Qt::LeftButton, Qt::NoModifier);
    move.setDropAction(enter.dropAction());
    move.setAccepted(enter.isAccepted());
    QApplication::sendEvent(target, &move);
    result.moveAccepted = move.isAccepted();
    if (!result.moveAccepted) {
        QDragLeaveEvent leave;
        QApplication::sendEvent(target, &leave);
        return result;
    }

    result.dropped = true;
    QDropEvent drop(pos, actions, data, Qt::LeftButton, Qt::NoModifier);
    drop.setDropAction(move.dropAction());
    QApplication::sendEvent(target, &drop);
    result.dropAccepted = drop.isAccepted();
    return result;
}

std::unique_ptr<QMimeData> paletteDragData(QListWidget *list)
{
    return std::unique_ptr<QMimeData>(
        list->model()->mimeData(list->selectionModel()->selectedIndexes()));
}

} // namespace TestSupport
