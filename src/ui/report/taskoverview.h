#pragma once

#include <QByteArray>

class StudyReport;

// The first thing report.html shows after the warnings: per task the number
// of participants and the median and quartiles of their time, as a table,
// as box plots and as bars with their values.
namespace TaskOverview {

QByteArray html(const StudyReport &report);

} // namespace TaskOverview
