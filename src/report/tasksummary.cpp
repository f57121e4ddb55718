#include "tasksummary.h"

#include "report/reporttable.h"

#include <QHash>
#include <QMap>

#include <utility>

namespace {

struct Group
{
    std::vector<double> seconds;
    int uncertain = 0;
    int scored = 0;
    int correct = 0;
};

// The conditions of the participants by their key; none without the columns.
QHash<QString, QString> conditionsOf(const ReportTable *participants)
{
    QHash<QString, QString> conditions;
    if (!participants)
        return conditions;
    const int key = participants->column(QStringLiteral("participant"));
    const int condition = participants->column(QStringLiteral("condition"));
    if (key < 0 || condition < 0)
        return conditions;
    for (qsizetype row = 0; row < participants->rowCount(); ++row)
        conditions.insert(participants->string(row, key), participants->string(row, condition));
    return conditions;
}

QList<TaskSummary> summarise(const ReportTable &tasks, const ReportTable *participants)
{
    const QHash<QString, QString> conditions = conditionsOf(participants);
    const int key = tasks.column(QStringLiteral("participant"));
    const int phase = tasks.column(QStringLiteral("phase"));
    const int task = tasks.column(QStringLiteral("task"));
    const int seconds = tasks.column(QStringLiteral("seconds"));
    const int unattributed = tasks.column(QStringLiteral("seconds_unattributed"));
    const int scored = tasks.column(QStringLiteral("scored"));
    const int correct = tasks.column(QStringLiteral("correct"));
    QMap<std::pair<int, QString>, Group> groups;
    for (qsizetype row = 0; row < tasks.rowCount(); ++row) {
        if (tasks.string(row, phase) != QLatin1String("task"))
            continue;
        const QString condition = key < 0 ? QString() : conditions.value(tasks.string(row, key));
        Group &group = groups[{int(tasks.number(row, task)), condition}];
        group.seconds.push_back(double(tasks.number(row, seconds)));
        if (tasks.number(row, unattributed) > 0)
            ++group.uncertain;
        // Empty where none of the task's answers was scored.
        if (scored >= 0 && correct >= 0 && !tasks.isNull(row, scored)) {
            group.scored += int(tasks.number(row, scored));
            group.correct += int(tasks.number(row, correct));
        }
    }
    QList<TaskSummary> summaries;
    for (auto it = groups.cbegin(); it != groups.cend(); ++it) {
        TaskSummary summary;
        summary.task = it.key().first;
        summary.condition = it.key().second;
        summary.participants = int(it->seconds.size());
        summary.seconds = SummaryStatistics::of(it->seconds);
        summary.uncertain = it->uncertain;
        summary.scored = it->scored;
        summary.correct = it->correct;
        summaries.append(summary);
    }
    return summaries;
}

} // namespace

QList<TaskSummary> TaskSummary::of(const ReportTable &tasks)
{
    return summarise(tasks, nullptr);
}

QList<TaskSummary> TaskSummary::of(const ReportTable &tasks, const ReportTable &participants)
{
    return summarise(tasks, &participants);
}
