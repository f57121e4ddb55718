#include "itemdelegate.h"

#include <QAbstractItemView>
#include <QPainter>

namespace {

// The row's background as a brush; an invalid colour stands for "no colour"
// and must not be painted as black.
QBrush backgroundBrush(const QVariant &background)
{
    if (background.typeId() == QMetaType::QColor && !background.value<QColor>().isValid())
        return QBrush();
    return background.value<QBrush>();
}

bool hasBrush(const QVariant &background)
{
    return background.isValid() && background.canConvert<QBrush>();
}

} // namespace

ItemDelegate::ItemDelegate(QAbstractItemView *view, quint8 mode)
    : QItemDelegate(view), m_view(view), m_mode(mode)
{
}

void ItemDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                         const QModelIndex &index) const
{
    if (m_mode == 1) {
        // The structure trees select nothing; a focus frame on the current
        // row only left the last double-clicked file tinted.
        QStyleOptionViewItem unfocused(option);
        unfocused.state &= ~QStyle::State_HasFocus;
        QItemDelegate::paint(painter, unfocused, index);
    } else {
        QItemDelegate::paint(painter, option, index);
    }
    if (!option.showDecorationSelected || !(option.state & QStyle::State_Selected))
        return;

    const QVariant background = index.data(Qt::BackgroundRole);
    const QVariant text = index.data(Qt::EditRole);
    const bool hasText = text.isValid() && text.canConvert<QString>();
    const QRect r = option.rect;

    painter->save();
    // Pattern and texture brushes start at the cell's corner.
    painter->setBrushOrigin(r.topLeft());
    painter->setFont(option.font);
    if (m_mode == 0) {
        if (hasText) {
            // The view repaints only the cell when the row is deselected, so
            // nothing may reach beyond it: the fill covers the cell, and the
            // 2-pixel pen, centred on its path, runs one pixel in from the
            // edges.
            if (hasBrush(background)) {
                painter->setPen(Qt::NoPen);
                painter->setBrush(backgroundBrush(background));
                painter->drawRoundedRect(QRectF(r), 2, 2, Qt::AbsoluteSize);
            }
            painter->setPen(QPen(QColor(0, 0, 0, 80), 2));
            painter->setBrush(Qt::NoBrush);
            painter->drawRoundedRect(QRectF(r).adjusted(1, 1, -1, -1), 2, 2, Qt::AbsoluteSize);
            painter->setPen(Qt::black);
            painter->drawText(QRect(r.x() + 2, r.y(), r.width() - 3, r.height()),
                              Qt::AlignLeft | Qt::AlignVCenter, text.toString());
        }
    } else if (hasBrush(background) && hasText) {
        painter->fillRect(r, backgroundBrush(background));
        painter->setPen(Qt::black);
        painter->drawText(QRect(r.x() + 3, r.y(), r.width() - 3, r.height()),
                          Qt::AlignLeft | Qt::AlignVCenter, text.toString());
    }
    painter->restore();
}

QSize ItemDelegate::sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const
{
    return m_mode == 1 ? QSize(m_largeSize, m_largeSize) : QSize(20, 20);
}
