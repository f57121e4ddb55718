#include "colordragpayload.h"

#include <QDataStream>
#include <QMimeData>

ColorDragPayload readColorDragPayload(const QMimeData *mimeData, const QString &type)
{
    ColorDragPayload payload;
    if (!mimeData)
        return payload;
    const QByteArray bytes = mimeData->data(type);
    QDataStream stream(bytes);
    stream >> payload.pixmap;
    if (stream.status() != QDataStream::Ok)
        return ColorDragPayload();
    stream >> payload.point;
    if (stream.status() != QDataStream::Ok)
        payload.point = QPoint();
    return payload;
}
