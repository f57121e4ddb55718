#include "linenumbercolumn.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QStyleOptionGraphicsItem>

#include <cmath>

LineNumberColumn::LineNumberColumn(int lineCount, qreal lineStep, qreal margin,
                                   const QFont &font)
    : m_lineCount(qMax(0, lineCount)), m_digits(int(QString::number(m_lineCount).size())),
      m_lineStep(lineStep > 0 ? lineStep : 1), m_margin(margin), m_font(font)
{
    const QFontMetricsF metrics(font);
    m_labelWidth = metrics.horizontalAdvance(QString(m_digits, QLatin1Char('0')));
    // A label is one line of the font: its leading (negative for some fonts)
    // comes before the ascent, as in a laid-out text line.
    m_labelHeight = qMax<qreal>(1, metrics.leading() + metrics.height());
    m_baseline = metrics.leading() + metrics.ascent();
    setFlag(ItemUsesExtendedStyleOption);
}

QRectF LineNumberColumn::boundingRect() const
{
    if (m_lineCount == 0)
        return QRectF();
    return QRectF(m_margin, m_margin, m_labelWidth,
                  (m_lineCount - 1) * m_lineStep + m_labelHeight);
}

QString LineNumberColumn::label(int line) const
{
    return QString::number(line).rightJustified(m_digits, QLatin1Char(' '));
}

QRectF LineNumberColumn::labelRect(int line) const
{
    return QRectF(m_margin, m_margin + (line - 1) * m_lineStep, m_labelWidth, m_labelHeight);
}

QPair<int, int> LineNumberColumn::linesBetween(qreal top, qreal bottom) const
{
    if (m_lineCount == 0 || bottom < top)
        return {-1, -1};
    // Line n's label covers [margin + (n - 1) * step, ... + labelHeight].
    const double first = std::floor((top - m_margin - m_labelHeight) / m_lineStep) + 2;
    const double last = std::floor((bottom - m_margin) / m_lineStep) + 1;
    const int from = int(qBound(1.0, first, double(m_lineCount)));
    const int to = int(qBound(0.0, last, double(m_lineCount)));
    if (from > to || labelRect(from).top() > bottom || labelRect(to).bottom() < top)
        return {-1, -1};
    return {from, to};
}

void LineNumberColumn::paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
                             QWidget *)
{
    const QRectF area = option->exposedRect;
    const QPair<int, int> lines = linesBetween(area.top(), area.bottom());
    if (lines.first < 0)
        return;
    painter->setFont(m_font);
    painter->setPen(Qt::black);
    for (int n = lines.first; n <= lines.second; ++n)
        painter->drawText(QPointF(m_margin, labelRect(n).top() + m_baseline), label(n));
}
