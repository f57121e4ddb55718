#pragma once

#include <QByteArray>
#include <QString>

class StudyReport;

// report.html: one self-contained page with a first look at the study, in
// the order a researcher looks: the warnings, then per task the number of
// participants and the spread of their time, the participants' timelines
// (folded), and the exposure of the features. The charts are Qt Charts
// drawn into SVG through Qt SVG, and the timelines SVG written directly, all
// embedded in the page, so it needs no network to be viewed. Needs a
// QApplication.
namespace ReportPage {

QByteArray html(const StudyReport &report, const QString &studyName);

// Writes the page completely or not at all; false with error set on failure.
bool write(const StudyReport &report, const QString &studyName, const QString &path,
           QString *error);

} // namespace ReportPage
