#include "timelinebins.h"

#include <QHash>

#include <algorithm>
#include <cmath>

namespace {

struct Weight
{
    int lane;
    ScreenTimeline::Phase phase;
    int task;
    double seconds;
};

// The files with lanes of their own: those in front longest (ties by name),
// listed by name.
QStringList laneFiles(const QList<ScreenTimeline::Span> &spans, int namedLanes, bool *others)
{
    QHash<QString, qint64> secondsByFile;
    for (const ScreenTimeline::Span &span : spans) {
        if (!span.file.isEmpty())
            secondsByFile[span.file] += span.until - span.from;
    }
    QStringList files = secondsByFile.keys();
    std::sort(files.begin(), files.end(), [&](const QString &a, const QString &b) {
        const qint64 secondsA = secondsByFile.value(a);
        const qint64 secondsB = secondsByFile.value(b);
        return secondsA != secondsB ? secondsA > secondsB : a < b;
    });
    *others = files.size() > namedLanes;
    files = files.mid(0, namedLanes);
    files.sort();
    return files;
}

} // namespace

TimelineBins TimelineBins::of(const QList<ScreenTimeline::Span> &spans, int sliceCount,
                              int namedLanes)
{
    TimelineBins bins;
    if (spans.isEmpty() || sliceCount <= 0)
        return bins;
    bins.origin = spans.constFirst().from;
    bins.finish = bins.origin;
    for (const ScreenTimeline::Span &span : spans) {
        bins.origin = std::min(bins.origin, span.from);
        bins.finish = std::max(bins.finish, span.until);
    }
    bins.files = laneFiles(spans, namedLanes, &bins.otherFiles);
    QHash<QString, int> laneOf;
    for (int i = 0; i < bins.files.size(); ++i)
        laneOf.insert(bins.files.at(i), i + 1);
    bins.width = std::max(1.0, double(bins.finish - bins.origin) / sliceCount);

    // Seconds per slice, by lane and phase, in the order they came.
    std::vector<std::vector<Weight>> weights(static_cast<size_t>(sliceCount));
    for (const ScreenTimeline::Span &span : spans) {
        const double from = double(span.from - bins.origin);
        const double to = double(span.until - bins.origin);
        if (to <= from)
            continue;
        const int lane = span.file.isEmpty() ? 0 : laneOf.value(span.file, bins.otherLane());
        for (int slice = int(from / bins.width); slice < sliceCount && slice * bins.width < to;
             ++slice) {
            const double overlap = std::min(to, (slice + 1) * bins.width)
                                   - std::max(from, slice * bins.width);
            if (overlap <= 0)
                continue;
            std::vector<Weight> &weight = weights[size_t(slice)];
            auto found = std::find_if(weight.begin(), weight.end(), [&](const Weight &w) {
                return w.lane == lane && w.phase == span.phase && w.task == span.task;
            });
            if (found == weight.end())
                weight.push_back({lane, span.phase, span.task, overlap});
            else
                found->seconds += overlap;
        }
    }
    bins.slices.resize(size_t(sliceCount));
    for (size_t slice = 0; slice < weights.size(); ++slice) {
        const Weight *best = nullptr;
        for (const Weight &weight : weights[slice]) {
            if (!best || weight.seconds > best->seconds)
                best = &weight;
        }
        if (best)
            bins.slices[slice] = {best->lane, best->phase, best->task};
    }
    return bins;
}
