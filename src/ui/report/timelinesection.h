#pragma once

#include <QByteArray>

class StudyReport;

// The timelines of report.html: one chart of every participant's phases
// over time, then for each participant, folded, which file was in front
// when. Both are coloured by task with the legend in task order.
namespace TimelineSection {

QByteArray html(const StudyReport &report);

} // namespace TimelineSection
