#pragma once

#include "report/summarystatistics.h"

#include <QList>
#include <QString>

class ReportTable;

// One task of questions.txt, in one condition of the study, over all
// participants who have a row for it in the tasks table: how many, the
// spread of their seconds and how many of their scored answers were right.
// What the page opens with.
struct TaskSummary
{
    int task = 0;
    QString condition; // empty: the study has no conditions, or none is known
    int participants = 0;
    SummaryStatistics::Summary seconds;
    // Participants whose time on the task is uncertain: unattributed time
    // lies at its start or end.
    int uncertain = 0;

    // Answers the key scored, and of them those that were right.
    int scored = 0;
    int correct = 0;

    // In task order, from the rows of the tasks table whose phase is "task".
    static QList<TaskSummary> of(const ReportTable &tasks);
    // The same for each condition of a task (conditions in order of their
    // names), the participants' conditions taken from the participants table.
    static QList<TaskSummary> of(const ReportTable &tasks, const ReportTable &participants);
};
