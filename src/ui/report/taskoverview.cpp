#include "taskoverview.h"

#include "report/studyreport.h"
#include "report/tasksummary.h"
#include "ui/report/reportcharts.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QBoxPlotSeries>
#include <QBoxSet>
#include <QChart>
#include <QLegend>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <limits>

namespace TaskOverview {

namespace {

using namespace ReportCharts;

// "task 2" or, in a study with conditions, "task 2, plain".
QString groupName(const TaskSummary &summary)
{
    return summary.condition.isEmpty()
               ? QStringLiteral("task %1").arg(summary.task)
               : QStringLiteral("task %1, %2").arg(summary.task).arg(summary.condition);
}

bool anyCondition(const QList<TaskSummary> &summaries)
{
    return std::any_of(summaries.cbegin(), summaries.cend(),
                       [](const TaskSummary &s) { return !s.condition.isEmpty(); });
}

bool anyScored(const QList<TaskSummary> &summaries)
{
    return std::any_of(summaries.cbegin(), summaries.cend(),
                       [](const TaskSummary &s) { return s.scored > 0; });
}

// "3 of 4 (75 %)"; a dash where the key scored nothing.
QByteArray shareCorrect(const TaskSummary &summary)
{
    if (summary.scored <= 0)
        return "–";
    return QByteArray::number(summary.correct) + " of " + QByteArray::number(summary.scored)
           + " (" + QByteArray::number(std::lround(100.0 * summary.correct / summary.scored))
           + " %)";
}

QByteArray table(const QList<TaskSummary> &summaries)
{
    const bool conditions = anyCondition(summaries);
    const bool scored = anyScored(summaries);
    QByteArray html = "<table class=\"numbers\">\n<tr><th>task</th>";
    if (conditions)
        html += "<th>condition</th>";
    html += "<th>participants</th><th>median</th><th>quartiles</th><th>shortest – longest</th>"
            "<th>uncertain</th>";
    if (scored)
        html += "<th>correct</th>";
    html += "</tr>\n";
    for (const TaskSummary &summary : summaries) {
        const SummaryStatistics::Summary &s = summary.seconds;
        html += "<tr><td>" + QByteArray::number(summary.task) + "</td>";
        if (conditions)
            html += "<td>" + summary.condition.toHtmlEscaped().toUtf8() + "</td>";
        html += "<td>" + QByteArray::number(summary.participants) + "</td><td>"
                + clock(s.median).toUtf8() + "</td><td>" + clock(s.lowerQuartile).toUtf8()
                + " – " + clock(s.upperQuartile).toUtf8() + "</td><td>"
                + clock(s.minimum).toUtf8() + " – " + clock(s.maximum).toUtf8() + "</td><td>"
                + QByteArray::number(summary.uncertain) + "</td>";
        if (scored)
            html += "<td>" + shareCorrect(summary) + "</td>";
        html += "</tr>\n";
    }
    return html + "</table>\n";
}

// The tasks along the bottom, each with its number of participants or,
// for the box plots, its median as a value label.
QBarCategoryAxis *taskAxis(const QList<TaskSummary> &summaries, bool withMedian)
{
    auto *axis = new QBarCategoryAxis;
    styleAxis(axis);
    for (const TaskSummary &summary : summaries) {
        // With conditions the label says the median alone, to fit.
        const QString median = summary.condition.isEmpty() ? QStringLiteral("median ")
                                                           : QString();
        axis->append(withMedian ? QStringLiteral("%1: %2%3")
                                      .arg(groupName(summary), median,
                                           clock(summary.seconds.median))
                                : QStringLiteral("%1 (n = %2)")
                                      .arg(groupName(summary))
                                      .arg(summary.participants));
    }
    return axis;
}

// From a little below the shortest to a little above the longest time, in
// nice steps: the boxes are compared with each other, not with zero.
QValueAxis *spreadAxis(double least, double most, const QString &title)
{
    auto *axis = new QValueAxis;
    styleAxis(axis);
    axis->setTitleText(title);
    const double step = niceStep(std::max(most - least, most / 20));
    const double low = std::max(0.0, std::floor(least / step - 0.5) * step);
    const double high = std::ceil(most / step + 0.5) * step;
    axis->setRange(low, high);
    axis->setTickCount(int(std::lround((high - low) / step)) + 1);
    const int decimals = std::max(0, int(-std::floor(std::log10(step) + 1e-9)));
    axis->setLabelFormat(QStringLiteral("%.") + QString::number(decimals) + QLatin1Char('f'));
    return axis;
}

QByteArray boxPlots(const QList<TaskSummary> &summaries)
{
    auto *series = new QBoxPlotSeries;
    double most = 0;
    double least = std::numeric_limits<double>::max();
    for (const TaskSummary &summary : summaries) {
        const SummaryStatistics::Summary &s = summary.seconds;
        auto *box = new QBoxSet(groupName(summary));
        box->setValue(QBoxSet::LowerExtreme, s.minimum / 60);
        box->setValue(QBoxSet::LowerQuartile, s.lowerQuartile / 60);
        box->setValue(QBoxSet::Median, s.median / 60);
        box->setValue(QBoxSet::UpperQuartile, s.upperQuartile / 60);
        box->setValue(QBoxSet::UpperExtreme, s.maximum / 60);
        box->setBrush(taskColor(summary.task).lighter(130));
        box->setPen(QPen(taskColor(summary.task).darker(150), 1.5));
        series->append(box);
        most = std::max(most, s.maximum / 60);
        least = std::min(least, s.minimum / 60);
    }
    series->setBoxWidth(0.4);
    QChart *chart = newChart(QStringLiteral("Minutes per task: median, quartiles, shortest "
                                            "and longest"));
    chart->addSeries(series);
    chart->legend()->hide();
    QBarCategoryAxis *tasks = taskAxis(summaries, true);
    QValueAxis *minutes = spreadAxis(least, most, QStringLiteral("minutes"));
    chart->addAxis(tasks, Qt::AlignBottom);
    chart->addAxis(minutes, Qt::AlignLeft);
    const double bottom = minutes->min();
    const double top = minutes->max();
    series->attachAxis(tasks);
    series->attachAxis(minutes);
    minutes->setRange(bottom, top); // attaching fits the axis to the boxes
    return image(chart, QSize(pageWidth, 360), QStringLiteral("Minutes per task"));
}

// One bar per task (and condition), its value written above it.
QBarSeries *labelledBars(const QList<qreal> &values, const QColor &color, const QString &format)
{
    auto *set = new QBarSet(QString());
    set->append(values);
    set->setColor(color);
    set->setLabelColor(Qt::black);
    set->setLabelFont(font(12));
    auto *series = new QBarSeries;
    series->append(set);
    series->setLabelsVisible(true);
    series->setLabelsPosition(QAbstractBarSeries::LabelsOutsideEnd);
    series->setLabelsFormat(format);
    return series;
}

QByteArray participantBars(const QList<TaskSummary> &summaries, int participants)
{
    QList<qreal> counts;
    for (const TaskSummary &summary : summaries)
        counts.append(summary.participants);
    QBarSeries *series = labelledBars(counts, taskColor(1), QStringLiteral("@value"));
    QChart *chart = newChart(QStringLiteral("Participants who reached each task, of %1")
                                 .arg(participants));
    chart->addSeries(series);
    chart->legend()->hide();
    QBarCategoryAxis *tasks = taskAxis(summaries, false);
    auto *count = new QValueAxis;
    styleAxis(count);
    // Whole numbers, with room above the highest bar for its label.
    const double step = std::max(1.0, niceStep(participants));
    const double top = step * std::ceil((participants + step / 2) / step);
    count->setRange(0, top);
    count->setTickCount(int(std::lround(top / step)) + 1);
    count->setLabelFormat(QStringLiteral("%.0f"));
    count->setTitleText(QStringLiteral("participants"));
    chart->addAxis(tasks, Qt::AlignBottom);
    chart->addAxis(count, Qt::AlignLeft);
    series->attachAxis(tasks);
    series->attachAxis(count);
    count->setRange(0, top); // attaching fits the axis to the bars
    return image(chart, QSize(pageWidth, 280), QStringLiteral("Participants per task"));
}

// The share of scored answers that were right, per task and condition, as
// bars with their percentage.
QByteArray correctBars(const QList<TaskSummary> &summaries)
{
    QList<qreal> shares;
    for (const TaskSummary &summary : summaries)
        shares.append(summary.scored > 0 ? 100.0 * summary.correct / summary.scored : 0.0);
    QBarSeries *series = labelledBars(shares, taskColor(2), QStringLiteral("@value %"));
    series->setLabelsPrecision(3);
    QChart *chart = newChart(QStringLiteral("Answers the key scored that were right"));
    chart->addSeries(series);
    chart->legend()->hide();
    QBarCategoryAxis *groups = taskAxis(summaries, false);
    auto *share = new QValueAxis;
    styleAxis(share);
    share->setRange(0, 120); // room above a full bar for its label
    share->setTickCount(7);
    share->setLabelFormat(QStringLiteral("%.0f"));
    share->setTitleText(QStringLiteral("% correct"));
    chart->addAxis(groups, Qt::AlignBottom);
    chart->addAxis(share, Qt::AlignLeft);
    series->attachAxis(groups);
    series->attachAxis(share);
    share->setRange(0, 120); // attaching fits the axis to the bars
    return image(chart, QSize(pageWidth, 280), QStringLiteral("Share correct per task"));
}

} // namespace

QByteArray html(const StudyReport &report)
{
    const QList<TaskSummary> summaries =
        TaskSummary::of(report.tasks(), report.participants());
    if (summaries.isEmpty())
        return "<p>No participant has time on a task.</p>\n";
    const int participants = int(report.participants().rowCount());
    return table(summaries)
           + "<p class=\"note\">Times as m:ss or h:mm:ss. <i>Uncertain</i>: participants with "
             "unattributed time at the task's start or end (see the warnings); their time on "
             "the task is between <code>seconds</code> and <code>seconds</code> + "
             "<code>seconds_unattributed</code> in tasks.csv.</p>\n"
           + boxPlots(summaries) + participantBars(summaries, participants)
           + (anyScored(summaries) ? correctBars(summaries) : QByteArray());
}

} // namespace TaskOverview
