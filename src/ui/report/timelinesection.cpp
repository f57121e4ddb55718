#include "timelinesection.h"

#include "report/studyreport.h"
#include "ui/report/reportcharts.h"
#include "ui/report/svgcanvas.h"

#include <QFontMetrics>
#include <QMap>

#include <algorithm>

namespace TimelineSection {

namespace {

using namespace ReportCharts;
using Phase = ScreenTimeline::Phase;

constexpr int rowHeight = 12;
constexpr int laneHeight = 18;
constexpr int axisHeight = 34;
constexpr int legendHeight = 24;

// The sign-in first, then the tasks in order, then unattributed time.
using Key = QPair<int, int>;

Key keyOf(const TimelineBins::Slice &slice)
{
    return {int(slice.phase), slice.task};
}

QColor colorOf(const Key &key)
{
    switch (Phase(key.first)) {
    case Phase::SignIn:
        return signInColor();
    case Phase::Task:
        return taskColor(key.second);
    case Phase::Unattributed:
        break;
    }
    return unattributedColor();
}

QString nameOf(const Key &key)
{
    if (Phase(key.first) == Phase::Task)
        return taskName(key.second);
    return ScreenTimeline::phaseName(Phase(key.first));
}

// Minutes from 0 along the bottom, with grid lines up to top.
void timeAxis(SvgCanvas &canvas, double left, double width, double top, double bottom,
              double seconds)
{
    const double minutes = std::max(seconds / 60, 1.0 / 60);
    const double step = niceStep(minutes);
    const double end = step * std::ceil(minutes / step - 1e-9);
    canvas.line(left, bottom, left + width, bottom, QColor(0x999999));
    for (double tick = 0; tick <= end + 1e-9; tick += step) {
        const double x = left + tick / end * width;
        canvas.line(x, top, x, bottom + 4, QColor(0xdddddd));
        canvas.text(x, bottom + 16, QString::number(tick), "middle");
    }
    canvas.text(left + width / 2, bottom + 30, QStringLiteral("minutes since the first record"),
                "middle");
}

void legend(SvgCanvas &canvas, const QList<Key> &keys, double left, double y)
{
    const QFontMetrics metrics(font(12));
    double x = left;
    for (const Key &key : keys) {
        canvas.rect(colorOf(key), x, y - 9, 10, 10);
        canvas.text(x + 14, y, nameOf(key));
        x += 14 + metrics.horizontalAdvance(nameOf(key)) + 18;
    }
}

// Slices of one row as rectangles: neighbours of the same colour (and lane,
// where the lanes are drawn) become one. Without laneY all go in one row.
template<typename LaneY>
void drawSlices(SvgCanvas &canvas, const TimelineBins &bins, double left, double scale,
                double height, const LaneY &laneY, bool byLane)
{
    const std::vector<TimelineBins::Slice> &slices = bins.slices;
    for (size_t i = 0; i < slices.size();) {
        size_t j = i + 1;
        if (slices[i].lane < 0) {
            i = j;
            continue;
        }
        while (j < slices.size() && slices[j].lane >= 0
               && (!byLane || slices[j].lane == slices[i].lane)
               && keyOf(slices[j]) == keyOf(slices[i]))
            ++j;
        const double from = double(i) * bins.width;
        const double to = std::min(double(j) * bins.width, double(bins.finish - bins.origin));
        canvas.rect(colorOf(keyOf(slices[i])), left + from * scale, laneY(slices[i].lane),
                    (to - from) * scale, height);
        i = j;
    }
}

QList<Key> keysOf(const QList<StudyReport::Timeline> &timelines)
{
    QList<Key> keys;
    for (const StudyReport::Timeline &timeline : timelines) {
        for (const TimelineBins::Slice &slice : timeline.bins.slices) {
            if (slice.lane >= 0 && !keys.contains(keyOf(slice)))
                keys.append(keyOf(slice));
        }
    }
    std::sort(keys.begin(), keys.end());
    return keys;
}

QByteArray overview(const QList<StudyReport::Timeline> &timelines)
{
    const QFontMetrics metrics(font(12));
    int labelWidth = 0;
    qint64 longest = 1;
    for (const StudyReport::Timeline &timeline : timelines) {
        labelWidth = std::max(labelWidth, metrics.horizontalAdvance(timeline.participant));
        longest = std::max(longest, timeline.bins.finish - timeline.bins.origin);
    }
    labelWidth = std::min(labelWidth, 260);
    // Some room to spare: the browser's font may run wider than Qt's.
    const double left = labelWidth * 1.15 + 16;
    const double width = pageWidth - left - 24;
    const double top = 8;
    const double bottom = top + rowHeight * double(timelines.size());
    SvgCanvas canvas(pageWidth, int(bottom) + axisHeight + legendHeight + 8,
                     QStringLiteral("Phases of every participant over time"));
    const double minutes = std::max(double(longest) / 60, 1.0 / 60);
    const double end = niceStep(minutes) * std::ceil(minutes / niceStep(minutes) - 1e-9) * 60;
    timeAxis(canvas, left, width, top, bottom, double(longest));
    for (int row = 0; row < timelines.size(); ++row) {
        const StudyReport::Timeline &timeline = timelines.at(row);
        const double y = top + row * rowHeight;
        canvas.text(left - 6, y + rowHeight - 3,
                    metrics.elidedText(timeline.participant, Qt::ElideLeft, labelWidth + 8),
                    "end");
        drawSlices(canvas, timeline.bins, left, width / end, rowHeight - 3,
                   [y](int) { return y + 1; }, false);
    }
    legend(canvas, keysOf(timelines), left, bottom + axisHeight + 16);
    return canvas.svg();
}

QByteArray participantChart(const StudyReport::Timeline &timeline)
{
    const TimelineBins &bins = timeline.bins;
    const QFontMetrics metrics(font(12));
    QStringList lanes{QStringLiteral("(no code)")};
    lanes += bins.files;
    if (bins.otherFiles)
        lanes.append(QStringLiteral("(other files)"));
    int labelWidth = 0;
    for (const QString &lane : std::as_const(lanes))
        labelWidth = std::max(labelWidth, metrics.horizontalAdvance(lane));
    labelWidth = std::min(labelWidth, 320);
    const double left = labelWidth * 1.15 + 16;
    const double width = pageWidth - left - 24;
    const double top = 8;
    const double bottom = top + laneHeight * double(lanes.size());
    SvgCanvas canvas(pageWidth, int(bottom) + axisHeight + legendHeight + 8,
                     QStringLiteral("Files in front of ") + timeline.participant);
    const double seconds = std::max<double>(1, double(bins.finish - bins.origin));
    const double minutes = seconds / 60;
    const double end = niceStep(minutes) * std::ceil(minutes / niceStep(minutes) - 1e-9) * 60;
    timeAxis(canvas, left, width, top, bottom, seconds);
    // Lane 0, no code, at the bottom.
    const auto laneY = [&](int lane) {
        return bottom - laneHeight * (lane + 1) + 3;
    };
    for (int lane = 0; lane < lanes.size(); ++lane)
        canvas.text(left - 6, laneY(lane) + laneHeight - 8,
                    metrics.elidedText(lanes.at(lane), Qt::ElideLeft, labelWidth + 8), "end");
    drawSlices(canvas, bins, left, width / end, laneHeight - 6, laneY, true);
    legend(canvas, keysOf({timeline}), left, bottom + axisHeight + 16);
    return canvas.svg();
}

} // namespace

QByteArray html(const StudyReport &report)
{
    const QList<StudyReport::Timeline> &timelines = report.timelines();
    if (timelines.isEmpty())
        return "<p>No participant has logged anything.</p>\n";
    QByteArray html = "<p>Each row is a participant, from their first record to their last; "
                      "the colour is the phase the time belongs to. Gaps are interruptions "
                      "(the program was not running).</p>\n"
                      + overview(timelines);
    html += "<h3>File in front, per participant</h3>\n<p>Unfold a page of participants to see "
            "which file was in front of each of them, coloured by task; the bottom lane is "
            "time without code on screen, files beyond the twelve viewed longest share the top "
            "lane.</p>\n";
    // Pages of ten participants, folded: a hundred charts would be most of the page.
    constexpr int perPage = 10;
    for (qsizetype first = 0; first < timelines.size(); first += perPage) {
        const qsizetype last = std::min(timelines.size(), first + perPage) - 1;
        html += "<details><summary>Participants " + QByteArray::number(first + 1) + "–"
                + QByteArray::number(last + 1) + ": " + escaped(timelines.at(first).participant)
                + " … " + escaped(timelines.at(last).participant) + "</summary>\n";
        for (qsizetype i = first; i <= last; ++i) {
            const StudyReport::Timeline &timeline = timelines.at(i);
            const qint64 seconds = timeline.bins.finish - timeline.bins.origin;
            html += "<h4>" + escaped(timeline.participant) + " <span class=\"note\">("
                    + clock(double(seconds)).toUtf8()
                    + " from the first record to the last)</span></h4>\n"
                    + participantChart(timeline);
        }
        html += "</details>\n";
    }
    return html;
}

} // namespace TimelineSection
