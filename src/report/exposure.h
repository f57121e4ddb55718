#pragma once

#include <QList>

// Lines first .. last of a file, both counted from 1 and inclusive.
struct LineRange
{
    int first = 0;
    int last = 0;

    bool operator==(const LineRange &other) const
    {
        return first == other.first && last == other.last;
    }
};

// How much of a feature's code was on screen: the arithmetic behind the
// report's exposure table.
namespace Exposure {

// The lines the ranges cover, as sorted ranges that neither overlap nor
// touch. Ranges whose last line lies before their first cover nothing.
QList<LineRange> merged(QList<LineRange> ranges);

// How many lines of the merged ranges lie in first .. last.
int visibleLines(const QList<LineRange> &merged, int first, int last);

// Seconds during which at least one line of a feature was on screen, and
// line-seconds (its visible lines times seconds).
struct Amount
{
    qint64 seconds = 0;
    qint64 lineSeconds = 0;

    // Adds one stretch of seconds during which visibleLines of the feature
    // were on screen.
    void add(int visibleLines, qint64 stretch)
    {
        if (visibleLines <= 0 || stretch <= 0)
            return;
        seconds += stretch;
        lineSeconds += qint64(visibleLines) * stretch;
    }
};

} // namespace Exposure
