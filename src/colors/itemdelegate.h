#pragma once

#include <QItemDelegate>

class QAbstractItemView;

// Paints selected rows a second time with their own background and text.
// Mode 0 is the feature-tree style, mode 1 the structure-tree style.
class ItemDelegate : public QItemDelegate
{
public:
    ItemDelegate(QAbstractItemView *view, quint8 mode);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    QAbstractItemView *m_view;
    quint8 m_mode;
    qint32 m_largeSize = 29;
};
