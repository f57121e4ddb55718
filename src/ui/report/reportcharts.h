#pragma once

#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QSize>
#include <QString>

#include <functional>

class QAbstractAxis;
class QChart;
class QValueAxis;

// What the charts of report.html share: task colours and names, fonts, and
// drawing a Qt Charts chart into SVG.
namespace ReportCharts {

constexpr int pageWidth = 960;

// Tasks numbered from 1; 0 is no task (the sign-in, unattributed time).
QColor taskColor(int task);
QString taskName(int task);
// The colours of the phases that are no task.
QColor signInColor();
QColor unattributedColor();

QFont font(int pixels, bool bold = false);
QChart *newChart(const QString &title);
void styleAxis(QAbstractAxis *axis);

// Steps of 1, 2 or 5 times a power of ten, at most five from 0 to at least
// most: a value axis with labels that fit.
double niceStep(double most);
QValueAxis *minutesAxis(double most, const QString &title);

// A chart drawn at size as an SVG document; takes the chart. laidOut, when
// given, is called once the chart is laid out (its plot area known).
QByteArray svg(QChart *chart, const QSize &size,
               const std::function<void(QChart *)> &laidOut = {});

// The chart as an <img> of the page, its SVG made smaller and embedded.
QByteArray image(QChart *chart, const QSize &size, const QString &alt,
                 const std::function<void(QChart *)> &laidOut = {});

// Text as HTML, UTF-8.
QByteArray escaped(const QString &text);

// Minutes and seconds as a researcher reads them: "4:05" (min:s), "1:02:03" past an hour.
QString clock(double seconds);

} // namespace ReportCharts
