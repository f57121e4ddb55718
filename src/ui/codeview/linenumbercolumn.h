#pragma once

#include <QFont>
#include <QGraphicsItem>
#include <QPair>

// The column of line numbers beside the code: one item for the whole file
// that paints only the numbers in the exposed area, so a file of a million
// lines costs no more to show than a short one.
class LineNumberColumn : public QGraphicsItem
{
public:
    enum { Type = UserType + 3 };

    // Numbers 1..lineCount, right-aligned to the widest, line n's number at
    // margin + (n - 1) * lineStep.
    LineNumberColumn(int lineCount, qreal lineStep, qreal margin, const QFont &font);

    int type() const override { return Type; }
    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget) override;

    int lineCount() const { return m_lineCount; }
    QFont font() const { return m_font; }
    // The text shown for line n, padded with spaces to the widest number.
    QString label(int line) const;
    // Where line n's number is drawn, in item coordinates.
    QRectF labelRect(int line) const;
    // The first and last lines whose numbers reach into the vertical range
    // top..bottom (item coordinates), or -1, -1 when none does.
    QPair<int, int> linesBetween(qreal top, qreal bottom) const;

private:
    int m_lineCount;
    int m_digits;
    qreal m_lineStep;
    qreal m_margin;
    qreal m_labelWidth;
    qreal m_labelHeight;
    qreal m_baseline;
    QFont m_font;
};
