#pragma once

#include <QItemDelegate>

class QAbstractItemView;

// Paints selected rows a second time with their own background and text.
// Mode 0 is the feature-tree style (a translucent rounded outline filled with
// the row's colour), mode 1 the structure-tree style (the row's background
// brush, colour or texture, instead of the highlight).
class ItemDelegate : public QItemDelegate
{
public:
    // The delegate is a child of its view and is deleted with it.
    ItemDelegate(QAbstractItemView *view, quint8 mode);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    quint8 mode() const { return m_mode; }

private:
    QAbstractItemView *m_view;
    quint8 m_mode;
    qint32 m_largeSize = 29;
};
