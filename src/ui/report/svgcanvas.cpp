#include "svgcanvas.h"

#include <cmath>

SvgCanvas::SvgCanvas(int width, int height, const QString &title)
    : m_width(width), m_height(height), m_title(title)
{
}

QByteArray SvgCanvas::number(double value)
{
    const double rounded = std::round(value * 10) / 10;
    if (rounded == std::floor(rounded))
        return QByteArray::number(qint64(rounded));
    return QByteArray::number(rounded, 'f', 1);
}

void SvgCanvas::rect(const QColor &color, double x, double y, double width, double height)
{
    if (width <= 0 || height <= 0)
        return;
    Paint *paint = nullptr;
    for (Paint &candidate : m_paints) {
        if (candidate.color == color)
            paint = &candidate;
    }
    if (!paint) {
        m_paints.push_back({color, QByteArray()});
        paint = &m_paints.back();
    }
    paint->path += 'M' + number(x) + ' ' + number(y) + 'h' + number(width) + 'v'
                   + number(height) + 'h' + number(-width) + 'z';
}

void SvgCanvas::line(double x1, double y1, double x2, double y2, const QColor &color)
{
    m_lines += "<path stroke=\"" + color.name().toLatin1() + "\" d=\"M" + number(x1) + ' '
               + number(y1) + 'L' + number(x2) + ' ' + number(y2) + "\"/>\n";
}

void SvgCanvas::text(double x, double y, const QString &text, const TextStyle &style)
{
    const QByteArray at = number(x) + ' ' + number(y);
    m_texts += "<text x=\"" + number(x) + "\" y=\"" + number(y) + '"';
    if (qstrcmp(style.anchor, "start") != 0)
        m_texts += QByteArray(" text-anchor=\"") + style.anchor + '"';
    if (style.bold)
        m_texts += " font-weight=\"bold\"";
    if (style.pixels > 0)
        m_texts += " font-size=\"" + QByteArray::number(style.pixels) + '"';
    if (style.upright)
        m_texts += " transform=\"rotate(-90 " + at + ")\"";
    if (style.color != Qt::black)
        m_texts += " fill=\"" + style.color.name().toLatin1() + '"';
    m_texts += '>' + text.toHtmlEscaped().toUtf8() + "</text>\n";
}

QByteArray SvgCanvas::svg() const
{
    const QByteArray size = QByteArray::number(m_width) + ' ' + QByteArray::number(m_height);
    QByteArray svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\""
                     + QByteArray::number(m_width) + "\" height=\""
                     + QByteArray::number(m_height) + "\" viewBox=\"0 0 " + size
                     + "\" font-family=\"sans-serif\" font-size=\"12\" role=\"img\">\n<title>"
                     + m_title.toHtmlEscaped().toUtf8() + "</title>\n";
    // Lines (axes, grid) behind the rectangles, text in front of all.
    svg += m_lines;
    for (const Paint &paint : m_paints)
        svg += "<path fill=\"" + paint.color.name().toLatin1() + "\" d=\"" + paint.path
               + "\"/>\n";
    return svg + m_texts + "</svg>\n";
}
