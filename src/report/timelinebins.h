#pragma once

#include "report/screentimeline.h"

#include <QList>
#include <QStringList>

#include <vector>

// A participant's timeline cut into equal slices of time for drawing: a long
// session has more spans than a chart has pixels, so each slice shows the
// file and the phase that held most of it. Files have lanes: no code on
// screen, then the most viewed files by name, then one lane the other files
// share.
struct TimelineBins
{
    struct Slice
    {
        int lane = -1; // -1: nothing logged (an interruption)
        ScreenTimeline::Phase phase = ScreenTimeline::Phase::SignIn;
        int task = 0;
    };

    qint64 origin = 0; // the first second
    qint64 finish = 0; // the last one
    double width = 1;  // seconds per slice
    QStringList files; // lanes 1 .. files.size(); lane 0 is no code on screen
    bool otherFiles = false; // lane files.size() + 1 holds the rest
    std::vector<Slice> slices;

    static TimelineBins of(const QList<ScreenTimeline::Span> &spans, int sliceCount = 600,
                           int namedLanes = 12);

    int otherLane() const { return int(files.size()) + 1; }
};
