#include "tasksummary.h"

#include "report/reporttable.h"

#include <QMap>

QList<TaskSummary> TaskSummary::of(const ReportTable &tasks)
{
    const int phase = tasks.column(QStringLiteral("phase"));
    const int task = tasks.column(QStringLiteral("task"));
    const int seconds = tasks.column(QStringLiteral("seconds"));
    const int unattributed = tasks.column(QStringLiteral("seconds_unattributed"));
    QMap<int, std::vector<double>> byTask;
    QMap<int, int> uncertain;
    for (qsizetype row = 0; row < tasks.rowCount(); ++row) {
        if (tasks.string(row, phase) != QLatin1String("task"))
            continue;
        const int number = int(tasks.number(row, task));
        byTask[number].push_back(double(tasks.number(row, seconds)));
        if (tasks.number(row, unattributed) > 0)
            ++uncertain[number];
    }
    QList<TaskSummary> summaries;
    for (auto it = byTask.cbegin(); it != byTask.cend(); ++it) {
        TaskSummary summary;
        summary.task = it.key();
        summary.participants = int(it->size());
        summary.seconds = SummaryStatistics::of(*it);
        summary.uncertain = uncertain.value(it.key());
        summaries.append(summary);
    }
    return summaries;
}
