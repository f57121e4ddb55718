#include "exposuresection.h"

#include "report/featureexposure.h"
#include "report/studyreport.h"
#include "ui/report/reportcharts.h"
#include "ui/report/svgcanvas.h"

#include <QFontMetrics>
#include <QMap>

#include <algorithm>
#include <cmath>

namespace ExposureSection {

namespace {

using namespace ReportCharts;

// A grid of values for a heat map: rows top down, columns left to right.
struct Grid
{
    QStringList rows;
    QStringList columns;
    std::vector<std::vector<double>> values; // [row][column]
};

// Shade 0 is "never on screen"; the others split (0, most] evenly.
constexpr int shades = 6;

int shadeOf(double value, double most)
{
    if (value <= 0)
        return 0;
    return std::clamp(int(std::ceil(value * shades / most - 1e-9)), 1, shades);
}

QColor shadeColor(int shade)
{
    const double strength = double(shade) / shades;
    return shade == 0 ? QColor(0xeeeeee)
                      : QColor::fromRgbF(1 - 0.92f * float(strength),
                                         1 - 0.65f * float(strength), 1.0f);
}

QString shadeLabel(int shade, double most, const QString &unit)
{
    const double bound = most * shade / shades;
    return shade == 0 ? QStringLiteral("0 ") + unit
                      : QStringLiteral("\u2264 %1 %2").arg(bound, 0, 'f', bound < 10 ? 1 : 0).arg(unit);
}

// The legend's width, as laid out by shadeLegend.
double shadeLegendWidth(double most, const QString &unit)
{
    const QFontMetrics metrics(font(12));
    double width = 0;
    for (int shade = 0; shade <= shades; ++shade)
        width += 16 + metrics.horizontalAdvance(shadeLabel(shade, most, unit)) * 1.15 + 14;
    return width;
}

void shadeLegend(SvgCanvas &canvas, double most, const QString &unit, double left, double y)
{
    const QFontMetrics metrics(font(12));
    double x = left;
    for (int shade = 0; shade <= shades; ++shade) {
        const QString label = shadeLabel(shade, most, unit);
        canvas.rect(shadeColor(shade), x, y - 10, 12, 12);
        canvas.text(x + 16, y, label);
        x += 16 + metrics.horizontalAdvance(label) * 1.15 + 14;
    }
}

// A cell's value as a label: whole numbers without decimals.
QString valueLabel(double value)
{
    if (value == std::floor(value) || value >= 10)
        return QString::number(qint64(std::llround(value)));
    return QString::number(value, 'f', 1);
}

// Rows and columns of cells shaded by value, the labels around them. The
// grid is drawn as SVG directly (see SvgCanvas): a hundred participants by
// thirty features are three thousand cells.
QByteArray heatMap(const Grid &grid, const QString &title, const QString &unit, QSize cell,
                   bool valueLabels)
{
    double most = 1;
    for (const auto &row : grid.values)
        for (const double value : row)
            most = std::max(most, value);
    const QFontMetrics metrics(font(12));
    int rowLabels = 0;
    for (const QString &row : grid.rows)
        rowLabels = std::min(260, std::max(rowLabels, metrics.horizontalAdvance(row)));
    int columnLabels = 0;
    for (const QString &column : grid.columns)
        columnLabels = std::min(220, std::max(columnLabels, metrics.horizontalAdvance(column)));
    const bool upright = columnLabels > cell.width() - 4;
    // Some room to spare: the browser's font may run wider than Qt's.
    const double left = rowLabels * 1.15 + 16;
    const double top = 30;
    const double bottom = top + double(cell.height()) * double(grid.rows.size());
    const double right = left + double(cell.width()) * double(grid.columns.size());
    const double labelsEnd = bottom + (upright ? columnLabels * 1.15 + 12 : 20);
    const double width = std::max(right + 20, left + shadeLegendWidth(most, unit));
    SvgCanvas canvas(std::max(int(width), 560), int(labelsEnd) + 34, title);
    SvgCanvas::TextStyle heading;
    heading.bold = true;
    heading.pixels = 15;
    canvas.text(0, 18, title, heading);
    for (int r = 0; r < grid.rows.size(); ++r) {
        const double y = top + r * cell.height();
        canvas.text(left - 6, y + cell.height() - 4,
                    metrics.elidedText(grid.rows.at(r), Qt::ElideLeft, rowLabels + 8), "end");
        for (int c = 0; c < grid.columns.size(); ++c) {
            const double value = grid.values[size_t(r)][size_t(c)];
            const double x = left + c * cell.width();
            const int shade = shadeOf(value, most);
            canvas.rect(shadeColor(shade), x + 0.5, y + 0.5, cell.width() - 1, cell.height() - 1);
            if (!valueLabels)
                continue;
            SvgCanvas::TextStyle number;
            number.anchor = "middle";
            number.color = shade > shades / 2 ? Qt::white : Qt::black;
            canvas.text(x + cell.width() / 2.0, y + cell.height() - 5, valueLabel(value), number);
        }
    }
    for (int c = 0; c < grid.columns.size(); ++c) {
        const double x = left + (c + 0.5) * cell.width();
        const QString label =
            metrics.elidedText(grid.columns.at(c), Qt::ElideLeft, columnLabels + 8);
        SvgCanvas::TextStyle style;
        style.anchor = upright ? "end" : "middle";
        style.upright = upright;
        canvas.text(upright ? x + 4 : x, bottom + (upright ? 6 : 16), label, style);
    }
    shadeLegend(canvas, most, unit, left, labelsEnd + 20);
    return canvas.svg();
}

// The features on screen longest, by task: the mean seconds per participant.
QByteArray featuresByTask(const QList<FeatureExposure> &mapped, const QStringList &features,
                          const QList<int> &tasks)
{
    Grid grid;
    for (const int task : tasks)
        grid.columns.append(taskName(task));
    for (const FeatureExposure &feature : mapped) {
        grid.rows.append(features.at(feature.feature));
        std::vector<double> row;
        for (const int task : tasks)
            row.push_back(feature.meanSeconds.value(task));
        grid.values.push_back(row);
    }
    return heatMap(grid,
                   QStringLiteral("The %1 features on screen longest: mean seconds per "
                                  "participant")
                       .arg(mapped.size()),
                   QStringLiteral("s"), QSize(110, 18), true);
}

// One task: the mapped features for every participant.
QByteArray participantsOfTask(const StudyReport &report, int task,
                              const QList<FeatureExposure> &mapped)
{
    const ReportTable &exposure = report.exposure();
    const int participant = exposure.column(QStringLiteral("participant"));
    const int phase = exposure.column(QStringLiteral("phase"));
    const int taskColumn = exposure.column(QStringLiteral("task"));
    const int feature = exposure.column(QStringLiteral("feature"));
    const int seconds = exposure.column(QStringLiteral("seconds"));
    QHash<QString, int> column;
    Grid grid;
    for (int c = 0; c < mapped.size(); ++c) {
        grid.columns.append(report.features().at(mapped.at(c).feature));
        column.insert(grid.columns.last(), c);
    }
    for (qsizetype row = 0; row < exposure.rowCount(); ++row) {
        if (exposure.number(row, taskColumn) != task
            || exposure.string(row, phase) != QLatin1String("task"))
            continue;
        if (grid.rows.isEmpty() || grid.rows.last() != exposure.string(row, participant)) {
            grid.rows.append(exposure.string(row, participant));
            grid.values.emplace_back(size_t(mapped.size()), 0.0);
        }
        const auto found = column.constFind(exposure.string(row, feature));
        if (found != column.cend())
            grid.values.back()[size_t(*found)] = double(exposure.number(row, seconds));
    }
    return heatMap(grid, QStringLiteral("%1: seconds on screen").arg(taskName(task)),
                   QStringLiteral("s"), QSize(22, 14), false);
}

QByteArray otherFeatures(const QList<FeatureExposure> &rest, const QStringList &features,
                         const QList<int> &tasks)
{
    QByteArray html = "<details><summary>The other " + QByteArray::number(rest.size())
                      + " features</summary>\n<p class=\"note\">Per task the mean seconds "
                        "per participant, and in brackets how many participants had the "
                        "feature's code on screen.</p>\n<table class=\"numbers\">\n"
                        "<tr><th>feature</th><th>seconds, all tasks</th>";
    for (const int task : tasks)
        html += "<th>" + escaped(taskName(task)) + "</th>";
    html += "</tr>\n";
    for (const FeatureExposure &feature : rest) {
        html += "<tr><td>" + escaped(features.at(feature.feature)) + "</td><td>"
                + QByteArray::number(feature.seconds) + "</td>";
        for (const int task : tasks)
            html += "<td>" + QByteArray::number(feature.meanSeconds.value(task), 'f', 1) + " ("
                    + QByteArray::number(feature.seenBy.value(task)) + ")</td>";
        html += "</tr>\n";
    }
    return html + "</table>\n</details>\n";
}

} // namespace

QByteArray html(const StudyReport &report)
{
    const QStringList &features = report.features();
    const QList<FeatureExposure> ranked = FeatureExposure::ranked(report.exposure(), features);
    QList<int> tasks;
    for (const FeatureExposure &feature : ranked) {
        for (auto it = feature.meanSeconds.cbegin(); it != feature.meanSeconds.cend(); ++it) {
            if (!tasks.contains(it.key()))
                tasks.append(it.key());
        }
    }
    std::sort(tasks.begin(), tasks.end());
    if (ranked.isEmpty() || tasks.isEmpty() || ranked.constFirst().seconds <= 0)
        return "<p>No feature's code was on screen during a task.</p>\n";
    const QList<FeatureExposure> mapped = ranked.mid(0, mappedFeatures);
    QByteArray html = featuresByTask(mapped, features, tasks);
    if (ranked.size() > mapped.size())
        html += otherFeatures(ranked.mid(mapped.size()), features, tasks);
    for (const int task : std::as_const(tasks))
        html += "<details><summary>" + escaped(taskName(task))
                + ": these features for every participant</summary>\n"
                + participantsOfTask(report, task, mapped) + "</details>\n";
    return html;
}

} // namespace ExposureSection
