#pragma once

#include "report/exposure.h"
#include "report/screentimeline.h"
#include "report/textids.h"

#include <QHash>
#include <QMap>
#include <QPair>
#include <QString>

#include <vector>

class FeatureLines;
struct Participant;

// What one participant did and saw in one phase: the sign-in, one task, or
// the time the log cannot give to a task. The rows of the tasks, files,
// transitions, exposure and first-views tables.
struct PhaseTotals
{
    qint64 start = -1; // the first and last second of its spans and records
    qint64 end = -1;
    qint64 seconds = 0;
    // Of a task: unattributed seconds at its start or end, which may be its
    // own; the task took between seconds and seconds + secondsUnattributed.
    qint64 secondsUnattributed = 0;
    int actions = 0; // records logged on its page
    int filesOpened = 0;
    int searches = 0;
    int colorsAssigned = 0;
    int colorsRemoved = 0;
    bool resumed = false;
    qint64 secondsLost = 0;
    // By file (ids of the files passed to of()): seconds each was in front,
    // and the changes from one file in front to the next.
    QHash<int, qint64> fileSeconds;
    QHash<QPair<int, int>, int> transitions;
    std::vector<Exposure::Amount> exposure;          // by feature; empty: none at all
    std::vector<qint64> firstSeen;                   // by feature, -1: never on screen

    void cover(qint64 from, qint64 until)
    {
        start = start < 0 ? from : std::min(start, from);
        end = std::max(end, until);
    }

    // (phase, task): the sign-in first, then the tasks in order, then unattributed time.
    using Key = QPair<int, int>;
    static Key keyOf(ScreenTimeline::Phase phase, int task) { return {int(phase), task}; }
    static ScreenTimeline::Phase phaseOf(const Key &key)
    {
        return ScreenTimeline::Phase(key.first);
    }

    // The totals of every phase the participant's timeline and log show;
    // files numbers the files in front.
    static QMap<Key, PhaseTotals> of(const FeatureLines &lines, const Participant &participant,
                                     const ScreenTimeline &timeline, int taskCount,
                                     TextIds &files);
};
