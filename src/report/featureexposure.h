#pragma once

#include <QList>
#include <QMap>
#include <QStringList>

class ReportTable;

// One feature's exposure over all participants, per task: what the page's
// heat map and the table beside it show.
struct FeatureExposure
{
    int feature = 0;      // index into the report's features
    qint64 seconds = 0;   // on screen during tasks, all participants together
    QMap<int, double> meanSeconds; // by task: the mean over the participants with the task
    QMap<int, int> seenBy;         // by task: participants with its code on screen for a second or more

    // Every feature, most seconds first (ties in model order), from the rows
    // of the exposure table whose phase is "task".
    static QList<FeatureExposure> ranked(const ReportTable &exposure, const QStringList &features);
};
