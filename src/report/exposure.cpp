#include "exposure.h"

#include <algorithm>

namespace Exposure {

QList<LineRange> merged(QList<LineRange> ranges)
{
    ranges.removeIf([](const LineRange &range) { return range.last < range.first; });
    std::sort(ranges.begin(), ranges.end(), [](const LineRange &a, const LineRange &b) {
        return a.first < b.first;
    });
    QList<LineRange> result;
    for (const LineRange &range : std::as_const(ranges)) {
        // Nested and neighbouring fragments of one feature count their lines once.
        if (!result.isEmpty() && qint64(range.first) <= qint64(result.last().last) + 1)
            result.last().last = std::max(result.last().last, range.last);
        else
            result.append(range);
    }
    return result;
}

int visibleLines(const QList<LineRange> &merged, int first, int last)
{
    qint64 lines = 0;
    for (const LineRange &range : merged) {
        if (range.first > last)
            break;
        const qint64 from = std::max(range.first, first);
        const qint64 to = std::min(range.last, last);
        if (to >= from)
            lines += to - from + 1;
    }
    return int(lines);
}

} // namespace Exposure
