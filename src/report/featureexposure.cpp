#include "featureexposure.h"

#include "report/reporttable.h"

#include <QHash>

#include <algorithm>

QList<FeatureExposure> FeatureExposure::ranked(const ReportTable &exposure,
                                               const QStringList &features)
{
    const int participantColumn = exposure.column(QStringLiteral("participant"));
    const int phaseColumn = exposure.column(QStringLiteral("phase"));
    const int taskColumn = exposure.column(QStringLiteral("task"));
    const int featureColumn = exposure.column(QStringLiteral("feature"));
    const int secondsColumn = exposure.column(QStringLiteral("seconds"));

    QHash<QString, int> index;
    for (int f = 0; f < features.size(); ++f)
        index.insert(features.at(f), f);
    QList<FeatureExposure> all(features.size());
    for (int f = 0; f < features.size(); ++f)
        all[f].feature = f;
    QMap<int, int> participantsByTask;
    int lastTask = -1;
    QString lastParticipant;
    for (qsizetype row = 0; row < exposure.rowCount(); ++row) {
        if (exposure.string(row, phaseColumn) != QLatin1String("task"))
            continue;
        const auto found = index.constFind(exposure.string(row, featureColumn));
        if (found == index.cend())
            continue;
        const int task = int(exposure.number(row, taskColumn));
        const qint64 seconds = exposure.number(row, secondsColumn);
        // A participant's rows of one task follow each other.
        if (task != lastTask || exposure.string(row, participantColumn) != lastParticipant) {
            lastTask = task;
            lastParticipant = exposure.string(row, participantColumn);
            ++participantsByTask[task];
        }
        FeatureExposure &feature = all[*found];
        feature.seconds += seconds;
        feature.meanSeconds[task] += double(seconds);
        if (seconds > 0)
            ++feature.seenBy[task];
    }
    for (FeatureExposure &feature : all) {
        for (auto it = feature.meanSeconds.begin(); it != feature.meanSeconds.end(); ++it)
            *it /= double(participantsByTask.value(it.key()));
    }
    std::stable_sort(all.begin(), all.end(), [](const FeatureExposure &a, const FeatureExposure &b) {
        return a.seconds > b.seconds;
    });
    return all;
}
