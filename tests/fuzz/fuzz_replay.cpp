// A log and a view file as edits, crashes and disks may leave them, replayed:
// every moment of the timeline is a screen that could be shown.
//
// Input: the log, the separator, the view file.

#include "corefuzzsupport.h"

#include "replay/replaytimeline.h"

#include <QRegularExpression>
#include <QSet>

namespace {

void checkState(const ReplayTimeline &timeline, qint64 ms)
{
    static const QRegularExpression colourName(QStringLiteral("^#[0-9a-f]{6}$"));
    const ReplayState state = timeline.stateAt(ms);
    corefuzz::check(state.front >= -1 && state.front < state.tabs.size(), "no such tab in front");
    corefuzz::check((state.front < 0) == state.tabs.isEmpty(), "open tabs but none in front");
    QSet<QString> files;
    for (const ReplayTab &tab : state.tabs) {
        corefuzz::check(!tab.file.isEmpty(), "a tab without a file");
        corefuzz::check(tab.opacity >= 0 && tab.opacity <= 255, "a tab's opacity out of range");
        files.insert(tab.file);
    }
    corefuzz::check(files.size() == state.tabs.size(), "a file open in two tabs");
    corefuzz::check(state.opacity >= 0 && state.opacity <= 255, "the slider out of range");
    for (const QString &colour : state.colours)
        corefuzz::check(colourName.match(colour).hasMatch(), "a colour that is no #rrggbb");
    corefuzz::check(state.coloursKnown || state.colours.isEmpty(), "colours nobody told");
    corefuzz::check(state.record < timeline.ticks().size()
                        && (state.record < 0 || timeline.ticks().at(state.record).ms <= ms),
                    "a record after the moment shown");
    corefuzz::check(!state.toJson().isEmpty(), "no state to print");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayList files = corefuzz::split(data, size, 2);
    QList<Diagnostic> warnings;
    const QList<LogRecord> records =
        LogRecord::parseLog(QString::fromUtf8(files.at(0)), QStringLiteral("log"), &warnings);
    const QList<ViewFile::Row> rows = ViewFile::read(files.at(1), QStringLiteral("view")).rows;
    ReplayTimeline::Settings settings;
    settings.taskCount = 3;
    const ReplayTimeline timeline(records, rows, settings);

    const QList<ReplayTimeline::Tick> &ticks = timeline.ticks();
    for (qsizetype i = 1; i < ticks.size(); ++i)
        corefuzz::check(ticks.at(i - 1).ms <= ticks.at(i).ms, "ticks out of order");
    qint64 end = LLONG_MIN;
    for (const ReplayTimeline::Segment &segment : timeline.segments()) {
        corefuzz::check(segment.start < segment.end && segment.start >= end,
                        "task segments empty or overlapping");
        end = segment.end;
    }
    for (const ReplayTimeline::Gap &gap : timeline.gaps())
        corefuzz::check(gap.start < gap.end, "an empty gap");

    // Every record's moment, just before it, and past the end.
    for (qsizetype i = 0; i < ticks.size() && i < 200; ++i) {
        checkState(timeline, ticks.at(i).ms);
        checkState(timeline, ticks.at(i).ms - 1);
    }
    checkState(timeline, timeline.durationMs() + 1);
    return 0;
}
