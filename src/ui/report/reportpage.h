#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>

#include <functional>

class StudyReport;

class QChart;

// report.html: one self-contained page with a first look at the study: time
// per task for every participant, a timeline per participant of the file in
// front, and per task a participant-by-feature heat map of exposure. The
// charts are Qt Charts drawn into SVG through Qt SVG and embedded in the
// page, so it needs no network to be viewed. Needs a QApplication.
namespace ReportPage {

QByteArray html(const StudyReport &report, const QString &studyName);

// Writes the page completely or not at all; false with error set on failure.
bool write(const StudyReport &report, const QString &studyName, const QString &path,
           QString *error);

// A chart drawn at size as an SVG document; takes the chart. laidOut, when
// given, is called once the chart is laid out (its plot area known).
QByteArray svg(QChart *chart, const QSize &size,
               const std::function<void(QChart *)> &laidOut = {});

} // namespace ReportPage
