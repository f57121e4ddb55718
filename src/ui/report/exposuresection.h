#pragma once

#include <QByteArray>

class StudyReport;

// Exposure in report.html: a heat map of the features on screen longest by
// task, a table of all the others, and per task (folded) the same features
// for every participant.
namespace ExposureSection {

// How many features the heat maps show; the table lists the rest.
constexpr int mappedFeatures = 30;

QByteArray html(const StudyReport &report);

} // namespace ExposureSection
