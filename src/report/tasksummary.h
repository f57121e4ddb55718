#pragma once

#include "report/summarystatistics.h"

#include <QList>

class ReportTable;

// One task of questions.txt over all participants who have a row for it in
// the tasks table: how many, and the spread of their seconds. What the page
// opens with.
struct TaskSummary
{
    int task = 0;
    int participants = 0;
    SummaryStatistics::Summary seconds;
    // Participants whose time on the task is uncertain: unattributed time
    // lies at its start or end.
    int uncertain = 0;

    // In task order, from the rows of the tasks table whose phase is "task".
    static QList<TaskSummary> of(const ReportTable &tasks);
};
