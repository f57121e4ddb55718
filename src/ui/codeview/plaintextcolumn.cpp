#include "plaintextcolumn.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QStyleOptionGraphicsItem>
#include <QTextBlock>
#include <QTextDocument>

#include <cmath>

PlainTextColumn::PlainTextColumn(const QTextDocument *document, qreal lineStep, qreal margin,
                                 const QFont &font, qreal width)
    : m_document(document), m_lineStep(lineStep > 0 ? lineStep : 1), m_margin(margin),
      m_width(qMax<qreal>(0, width)), m_font(font)
{
    const QFontMetricsF metrics(font);
    m_baseline = metrics.ascent();
    setFlag(ItemUsesExtendedStyleOption);
}

QRectF PlainTextColumn::boundingRect() const
{
    const int lines = m_document ? m_document->blockCount() : 0;
    return QRectF(0, 0, m_width + 2 * m_margin, lines * m_lineStep + 2 * m_margin);
}

void PlainTextColumn::paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *)
{
    if (!m_document)
        return;
    const QRectF area = option->exposedRect;
    const int lines = m_document->blockCount();
    const double first = std::floor((area.top() - m_margin) / m_lineStep);
    const double last = std::floor((area.bottom() - m_margin) / m_lineStep);
    if (last < 0 || first >= lines)
        return;
    const int from = int(qMax(0.0, first));
    const int to = int(qMin(double(lines - 1), last));

    painter->setFont(m_font);
    painter->setPen(Qt::black);
    QTextOption textOption(Qt::AlignLeft | Qt::AlignTop);
    textOption.setWrapMode(QTextOption::NoWrap);
    textOption.setTabStopDistance(m_document->defaultTextOption().tabStopDistance());
    QTextBlock block = m_document->findBlockByNumber(from);
    for (int n = from; n <= to && block.isValid(); ++n, block = block.next()) {
        const QRectF line(m_margin, m_margin + n * m_lineStep, m_width + m_margin, m_lineStep);
        painter->drawText(line, block.text(), textOption);
    }
}

qreal PlainTextColumn::textWidth(const QString &text, const QFont &font, qreal tabStopDistance)
{
    // Measuring every line would cost about as much as laying it out. The
    // longest line in character cells (tabs expanded) is measured instead;
    // in the monospaced code font that is the widest.
    const QFontMetricsF metrics(font);
    const qreal cell = metrics.horizontalAdvance(QLatin1Char('0'));
    const qsizetype tabCells =
        cell > 0 && tabStopDistance > 0 ? qMax<qsizetype>(1, qRound(tabStopDistance / cell)) : 8;
    qsizetype widest = 0;
    qsizetype widestStart = 0;
    qsizetype widestEnd = 0;
    qsizetype lineStart = 0;
    qsizetype cells = 0;
    const QChar *chars = text.constData();
    const qsizetype size = text.size();
    for (qsizetype i = 0; i <= size; ++i) {
        const char16_t c = i < size ? chars[i].unicode() : u'\n';
        if (c == u'\n' || c == u'\r' || c == QChar::ParagraphSeparator
            || c == QChar::LineSeparator) {
            if (cells > widest) {
                widest = cells;
                widestStart = lineStart;
                widestEnd = i;
            }
            cells = 0;
            lineStart = i + 1;
        } else if (c == u'\t') {
            cells = (cells / tabCells + 1) * tabCells;
        } else {
            ++cells;
        }
    }
    QString longest = text.mid(widestStart, widestEnd - widestStart);
    longest.replace(QLatin1Char('\t'), QString(tabCells, QLatin1Char(' ')));
    return qMax(widest * cell, metrics.horizontalAdvance(longest));
}
