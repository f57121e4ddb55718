#pragma once

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QString>

#include <vector>

// A small SVG drawing written as text, for charts of many rectangles (the
// timelines): Qt Charts takes about 9 ms a chart, and the SVG that Qt SVG's
// generator writes wraps every rectangle in a group of its own, so a hundred
// timelines would take a second and most of the page's size. Rectangles of
// one colour become one path.
class SvgCanvas
{
public:
    SvgCanvas(int width, int height, const QString &title);

    void rect(const QColor &color, double x, double y, double width, double height);
    void line(double x1, double y1, double x2, double y2, const QColor &color);
    struct TextStyle
    {
        const char *anchor = "start"; // "start", "middle" or "end" of the text at x
        bool bold = false;
        bool upright = false; // turned to read from bottom to top
        QColor color = Qt::black;
        int pixels = 0; // the font's size; 0: the drawing's 12 pixels
    };
    // y is the text's baseline.
    void text(double x, double y, const QString &text, const TextStyle &style);
    void text(double x, double y, const QString &text, const char *anchor = "start")
    {
        TextStyle style;
        style.anchor = anchor;
        this->text(x, y, text, style);
    }

    // The <svg> element, to be placed in the page as it is.
    QByteArray svg() const;

    // A number as the SVG holds it: at most one decimal.
    static QByteArray number(double value);

private:
    struct Paint
    {
        QColor color;
        QByteArray path;
    };

    int m_width;
    int m_height;
    QString m_title;
    std::vector<Paint> m_paints; // in the order the colours came
    QByteArray m_lines;
    QByteArray m_texts;
};
