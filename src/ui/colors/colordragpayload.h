#pragma once

#include <QPixmap>
#include <QPoint>
#include <QString>

class QMimeData;

// What a colour drag may carry under "application/x-dnditemdata" (read by the
// feature tree) or "application/x-color" (read by the structure trees): a
// pixmap followed by a point, in the default QDataStream encoding.
struct ColorDragPayload
{
    QPixmap pixmap;
    QPoint point;
};

inline const QString kFeatureTreeDragType = QStringLiteral("application/x-dnditemdata");
inline const QString kStructureTreeDragType = QStringLiteral("application/x-color");

// Reads the payload of the given type. Missing, empty or damaged data gives a
// null pixmap and the point (0, 0); a drop goes on the same way in every case.
ColorDragPayload readColorDragPayload(const QMimeData *mimeData, const QString &type);
