#include "exposuresection.h"

#include "report/featureexposure.h"
#include "report/studyreport.h"
#include "ui/report/reportcharts.h"

#include <QAreaSeries>
#include <QCategoryAxis>
#include <QChart>
#include <QLineSeries>
#include <QMap>

#include <algorithm>
#include <cmath>

namespace ExposureSection {

namespace {

using namespace ReportCharts;

// The cells of one shade of a heat map as one area series: a single outline
// that runs along the gaps between the rows and between the cells and goes
// round each cell. The way to a cell and back covers the same line twice, so
// it encloses nothing and only the cells are filled.
class CellArea
{
public:
    CellArea(const QString &name, const QColor &color) : m_series(new QAreaSeries)
    {
        // An area series does not own the lines it spans: they go with it.
        m_outline = new QLineSeries(m_series);
        m_start = new QLineSeries(m_series);
        m_series->setUpperSeries(m_outline);
        m_series->setLowerSeries(m_start);
        m_series->setName(name);
        m_series->setColor(color);
        m_series->setPen(Qt::NoPen);
    }

    // The cell of column x and row y (both from 0); cells come row by row,
    // left to right within a row.
    void add(int x, double y) { m_cells.append(QPointF(x, y)); }

    // The series with cells reaching halfWidth and halfHeight (less than
    // 0.5) from their centres; for the chart to take.
    QAreaSeries *series(double halfWidth = 0.44, double halfHeight = 0.44)
    {
        QList<QPointF> outline;
        outline.reserve(m_cells.size() * 9 + 3);
        double row = 0;
        for (const QPointF &cell : std::as_const(m_cells)) {
            const double gap = cell.y() - 0.5; // the gap below the row
            if (outline.isEmpty()) {
                outline.append({-0.5, gap});
            } else if (cell.y() != row) {
                outline.append({-0.5, row - 0.5}); // back to the left along the last row
                outline.append({-0.5, gap});
            }
            row = cell.y();
            const double left = cell.x() - halfWidth;
            const double right = cell.x() + halfWidth;
            const double bottom = cell.y() - halfHeight;
            const double top = cell.y() + halfHeight;
            outline.append({{left, gap},
                            {left, bottom},
                            {left, top},
                            {right, top},
                            {right, bottom},
                            {left, bottom},
                            {left, gap}});
        }
        if (!outline.isEmpty()) {
            outline.append({-0.5, row - 0.5});
            outline.append(outline.constFirst());
        }
        m_outline->replace(outline);
        m_start->replace(outline.mid(0, 1));
        return m_series;
    }

private:
    QList<QPointF> m_cells;
    QAreaSeries *m_series;
    QLineSeries *m_outline;
    QLineSeries *m_start;
};

// A grid of values for a heat map: rows top down, columns left to right.
struct Grid
{
    QStringList rows;
    QStringList columns;
    std::vector<std::vector<double>> values; // [row][column]
};

// Shade 0 is "never on screen"; the others split (0, most] evenly. A
// shade's cells are one area, so that thousands of cells are a few chart
// items and paths rather than an item and shape each.
constexpr int shades = 6;

int shadeOf(double value, double most)
{
    if (value <= 0)
        return 0;
    return std::clamp(int(std::ceil(value * shades / most - 1e-9)), 1, shades);
}

QList<CellArea> shadeAreas(double most, const QString &unit)
{
    QList<CellArea> areas;
    for (int shade = 0; shade <= shades; ++shade) {
        const double strength = double(shade) / shades;
        const QColor color = shade == 0 ? QColor(0xeeeeee)
                                        : QColor::fromRgbF(1 - 0.92f * strength,
                                                           1 - 0.65f * strength, 1.0f);
        const double bound = most * shade / shades;
        const QString label = shade == 0 ? QStringLiteral("0 ") + unit
                                         : QStringLiteral("\u2264 %1 %2")
                                               .arg(bound, 0, 'f', bound < 10 ? 1 : 0)
                                               .arg(unit);
        areas.append(CellArea(label, color));
    }
    return areas;
}

QCategoryAxis *categoryAxis(const QStringList &labels, bool reversed)
{
    auto *axis = new QCategoryAxis;
    styleAxis(axis);
    axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    axis->setGridLineVisible(false);
    // Categories go in rising order: reversed rows put the first on top.
    for (qsizetype i = 0; i < labels.size(); ++i) {
        const qsizetype at = reversed ? labels.size() - 1 - i : i;
        axis->append(labels.at(at), double(i));
    }
    axis->setRange(-0.5, double(labels.size()) - 0.5);
    return axis;
}

QByteArray heatMap(const Grid &grid, const QString &title, const QString &unit, QSize cell)
{
    double most = 0;
    for (const auto &row : grid.values)
        for (double value : row)
            most = std::max(most, value);
    most = std::max(most, 1.0);
    QList<CellArea> areas = shadeAreas(most, unit);
    const int rows = int(grid.rows.size());
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < grid.columns.size(); ++c)
            areas[shadeOf(grid.values[size_t(r)][size_t(c)], most)].add(c, rows - 1 - r);
    }
    QChart *chart = newChart(title);
    QCategoryAxis *across = categoryAxis(grid.columns, false);
    QCategoryAxis *down = categoryAxis(grid.rows, true);
    qsizetype longest = 0;
    for (const QString &column : grid.columns)
        longest = std::max(longest, column.size());
    const bool upright = longest * 7 > cell.width();
    if (upright)
        across->setLabelsAngle(-90);
    chart->addAxis(across, Qt::AlignBottom);
    chart->addAxis(down, Qt::AlignLeft);
    for (CellArea &area : areas) {
        QAreaSeries *series = area.series();
        chart->addSeries(series);
        series->attachAxis(across);
        series->attachAxis(down);
    }
    qsizetype widest = 0;
    for (const QString &row : grid.rows)
        widest = std::max(widest, row.size());
    const int labels = upright ? int(std::min<qsizetype>(longest, 40)) * 7 : 20;
    const QSize size(std::min(pageWidth, cell.width() * int(grid.columns.size())
                                             + int(std::min<qsizetype>(widest, 40)) * 7 + 80),
                     cell.height() * rows + 150 + labels);
    // Cells as large as the plot area leaves them, a pixel apart.
    const auto fit = [&areas, columns = grid.columns.size(), rows](QChart *chart) {
        const QRectF area = chart->plotArea();
        const double across = area.width() / double(columns);
        const double down = area.height() / rows;
        for (CellArea &cells : areas)
            cells.series(std::min(0.49, (across - 1) / 2 / across),
                         std::min(0.49, (down - 1) / 2 / down));
    };
    return image(chart, size, title, fit);
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
                   QStringLiteral("s"), QSize(110, 18));
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
                   QStringLiteral("s"), QSize(22, 14));
}

QByteArray otherFeatures(const QList<FeatureExposure> &rest, const QStringList &features,
                         const QList<int> &tasks)
{
    QByteArray html = "<details><summary>The other " + QByteArray::number(rest.size())
                      + " features</summary>\n<table class=\"numbers\">\n<tr><th>feature</th>"
                        "<th>seconds, all tasks</th>";
    for (const int task : tasks)
        html += "<th>" + escaped(taskName(task)) + ": mean s (seen by)</th>";
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
