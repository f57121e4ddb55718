#pragma once

#include <QFont>
#include <QGraphicsItem>

class QTextDocument;

// The code of a very large file, painted line by line in the code font from
// its document as the lines come into view. Laying out a whole document of
// hundreds of thousands of lines would freeze the window for many seconds
// and hold glyphs for every line; this item lays out only what is painted.
// It shows plain text: no highlighting and no selection.
class PlainTextColumn : public QGraphicsItem
{
public:
    enum { Type = UserType + 4 };

    // Line n is drawn at margin + (n - 1) * lineStep; width is the width of
    // the widest line.
    PlainTextColumn(const QTextDocument *document, qreal lineStep, qreal margin,
                    const QFont &font, qreal width);

    int type() const override { return Type; }
    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget) override;

    // The width of the widest line of text as the code font sets it, with
    // tabs at the document's tab stops, worked out without laying it out.
    static qreal textWidth(const QString &text, const QFont &font, qreal tabStopDistance);

private:
    const QTextDocument *m_document;
    qreal m_lineStep;
    qreal m_margin;
    qreal m_width;
    qreal m_baseline;
    QFont m_font;
};
