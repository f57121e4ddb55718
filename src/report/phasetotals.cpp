#include "phasetotals.h"

#include "report/featurelines.h"
#include "report/studyfolder.h"

namespace {

using Phase = ScreenTimeline::Phase;
using Key = PhaseTotals::Key;

// The number in "assignColor<3>": how many features got a colour.
int featureCount(const ActionText &action)
{
    if (action.name != QLatin1String("assignColor") && action.name != QLatin1String("deleteColor"))
        return 0;
    bool ok = false;
    const int count = action.argument.toInt(&ok);
    return ok && count > 0 ? count : 1;
}

// What the records logged on each page count: actions, files opened,
// searches and colours.
void countActions(const Participant &participant, const ScreenTimeline &timeline, int taskCount,
                  QMap<Key, PhaseTotals> &totals)
{
    for (const LogRecord &record : participant.records) {
        const auto [phase, task] = timeline.phaseOfPage(record.task, taskCount);
        PhaseTotals &logged = totals[PhaseTotals::keyOf(phase, task)];
        logged.cover(record.stamp, record.stamp);
        ++logged.actions;
        // Only the colour actions need their argument taken apart.
        const QString &action = record.action;
        if (action == QLatin1String("fileOpened"))
            ++logged.filesOpened;
        else if (action.startsWith(QLatin1String("search<")))
            ++logged.searches;
        else if (action.startsWith(QLatin1String("assignColor")))
            logged.colorsAssigned += featureCount(ActionText::split(action));
        else if (action.startsWith(QLatin1String("deleteColor")))
            logged.colorsRemoved += featureCount(ActionText::split(action));
    }
}

// The features of each file on screen, looked up once per file.
class ShownFeatures
{
public:
    ShownFeatures(const FeatureLines &lines, const TextIds &files) : m_lines(lines), m_files(files)
    {
    }

    const QList<FeatureLines::FileFeature> &of(int file)
    {
        if (size_t(file) >= m_known.size()) {
            m_known.resize(size_t(file) + 1, false);
            m_features.resize(size_t(file) + 1);
        }
        if (!m_known[size_t(file)]) {
            m_features[size_t(file)] = m_lines.fileFeatures(m_files.text(file));
            m_known[size_t(file)] = true;
        }
        return m_features[size_t(file)];
    }

private:
    const FeatureLines &m_lines;
    const TextIds &m_files;
    std::vector<bool> m_known;
    std::vector<QList<FeatureLines::FileFeature>> m_features;
};

// Exposure and first views of the features on screen during one span.
void addExposure(const ScreenTimeline::Span &span, const QList<FeatureLines::FileFeature> &shown,
                 qsizetype featureCount, PhaseTotals &totals)
{
    if (shown.isEmpty())
        return;
    if (totals.exposure.empty()) {
        totals.exposure.resize(size_t(featureCount));
        totals.firstSeen.assign(size_t(featureCount), -1);
    }
    const qint64 seconds = span.until - span.from;
    for (const FeatureLines::FileFeature &feature : shown) {
        const int lines = Exposure::visibleLines(feature.lines, span.first, span.last);
        if (lines <= 0)
            continue;
        totals.exposure[size_t(feature.feature)].add(lines, seconds);
        qint64 &first = totals.firstSeen[size_t(feature.feature)];
        if (first < 0)
            first = span.from;
    }
}

// Seconds, files in front, transitions, exposure and first views from the spans.
void followSpans(const FeatureLines &lines, const ScreenTimeline &timeline, TextIds &files,
                 QMap<Key, PhaseTotals> &totals)
{
    ShownFeatures shown(lines, files);
    int lastFile = -1;
    int lastSession = 0;
    for (const ScreenTimeline::Span &span : timeline.spans) {
        // A page changed within one second: no time is unsure, and no row is needed.
        if (span.phase == Phase::Unattributed && span.until == span.from)
            continue;
        PhaseTotals &spent = totals[PhaseTotals::keyOf(span.phase, span.task)];
        spent.cover(span.from, span.until);
        spent.seconds += span.until - span.from;
        if (span.session != lastSession) {
            lastSession = span.session;
            lastFile = -1;
        }
        if (span.file.isEmpty())
            continue;
        const int file = files.id(span.file);
        spent.fileSeconds[file] += span.until - span.from;
        if (lastFile >= 0 && lastFile != file)
            ++spent.transitions[{lastFile, file}];
        lastFile = file;
        addExposure(span, shown.of(file), lines.features().size(), spent);
    }
}

} // namespace

QMap<Key, PhaseTotals> PhaseTotals::of(const FeatureLines &lines, const Participant &participant,
                                       const ScreenTimeline &timeline, int taskCount,
                                       TextIds &files)
{
    QMap<Key, PhaseTotals> totals;
    countActions(participant, timeline, taskCount, totals);
    followSpans(lines, timeline, files, totals);
    // Unattributed time next to a task may be the task's own.
    for (const ScreenTimeline::Span &span : timeline.spans) {
        if (span.reason != ScreenTimeline::Reason::PageTurnNotLogged)
            continue;
        for (const int task : {span.taskBefore, span.taskAfter}) {
            if (task > 0)
                totals[keyOf(Phase::Task, task)].secondsUnattributed += span.until - span.from;
        }
    }
    for (const ScreenTimeline::Interruption &gap : timeline.interruptions) {
        PhaseTotals &resumed = totals[keyOf(gap.phase, gap.task)];
        resumed.resumed = resumed.resumed || !gap.away;
        resumed.secondsLost += gap.until - gap.from;
    }
    return totals;
}
