#include "reportpage.h"

#include "report/studyreport.h"

#include <QAreaSeries>
#include <QBarCategoryAxis>
#include <QBarSet>
#include <QBuffer>
#include <QCategoryAxis>
#include <QChart>
#include <QCoreApplication>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QHorizontalStackedBarSeries>
#include <QLegendMarker>
#include <QLineSeries>
#include <QMap>
#include <QPainter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSvgGenerator>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace ReportPage {

namespace {

constexpr int pageWidth = 960;

// Ten well-separated colours for tasks (the "tableau" set of many plotting tools).
const QList<QColor> &taskColors()
{
    static const QList<QColor> colors = {
        QColor(0x4e79a7), QColor(0xf28e2b), QColor(0x59a14f), QColor(0xe15759),
        QColor(0x76b7b2), QColor(0xedc948), QColor(0xb07aa1), QColor(0xff9da7),
        QColor(0x9c755f), QColor(0xbab0ac)};
    return colors;
}

// Tasks as numbered in the log; -1 is the time before sign-in.
QColor taskColor(int task)
{
    if (task < 0)
        return QColor(0x888888);
    return taskColors().at(task % taskColors().size());
}

QString taskName(int task)
{
    return task < 0 ? QStringLiteral("before sign-in") : QStringLiteral("task %1").arg(task);
}

int taskOf(const ReportTable &table, qsizetype row, int column)
{
    return table.isNull(row, column) ? -1 : int(table.number(row, column));
}

struct Person
{
    QString account;
    QString user;
    bool operator<(const Person &other) const
    {
        return std::tie(account, user) < std::tie(other.account, other.user);
    }
    bool operator==(const Person &other) const
    {
        return account == other.account && user == other.user;
    }
};

// The participants of the report in table order, and how to name them.
class People
{
public:
    explicit People(const StudyReport &report)
    {
        for (const ReportTable *table : report.tables()) {
            for (qsizetype row = 0; row < table->rowCount(); ++row) {
                // A participant's rows follow each other.
                if (row > 0 && table->string(row, 0) == table->string(row - 1, 0)
                    && table->string(row, 1) == table->string(row - 1, 1))
                    continue;
                add(personOf(*table, row));
            }
        }
        QMap<QString, int> users;
        for (const Person &person : std::as_const(m_list))
            ++users[person.account];
        m_accountsWithSeveralUsers = users;
    }

    static Person personOf(const ReportTable &table, qsizetype row)
    {
        return {table.string(row, 0), table.string(row, 1)};
    }

    const QList<Person> &list() const { return m_list; }
    int index(const Person &person) const { return m_index.value(person, -1); }

    QString label(const Person &person) const
    {
        if (person.account.isEmpty())
            return QStringLiteral("(before sign-in, %1)").arg(person.user);
        if (m_accountsWithSeveralUsers.value(person.account) > 1)
            return QStringLiteral("%1 (%2)").arg(person.account, person.user);
        return person.account;
    }

private:
    void add(const Person &person)
    {
        if (m_index.contains(person))
            return;
        m_index.insert(person, int(m_list.size()));
        m_list.append(person);
    }

    QList<Person> m_list;
    QMap<Person, int> m_index;
    QMap<QString, int> m_accountsWithSeveralUsers;
};

QFont font(int pixels, bool bold = false)
{
    QFont font;
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QChart *newChart(const QString &title)
{
    auto *chart = new QChart;
    chart->setTitle(title);
    chart->setTitleFont(font(15, true));
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->setBackgroundRoundness(0);
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->legend()->setFont(font(12));
    return chart;
}

void styleAxis(QAbstractAxis *axis)
{
    axis->setLabelsFont(font(12));
    axis->setTitleFont(font(12));
}

// A minutes axis from 0 to at least most, in at most five steps of 1, 2 or
// 5 times a power of ten. (The axis' own nice numbers can give so many
// ticks for short times that every label is cut to "...".)
QValueAxis *minutesAxis(double most, const QString &title)
{
    auto *axis = new QValueAxis;
    styleAxis(axis);
    axis->setTitleText(title);
    const double top = std::max(most, 1.0 / 60);
    double step = std::pow(10.0, std::floor(std::log10(top / 5)));
    for (const double factor : {1.0, 2.0, 5.0, 10.0}) {
        if (top / (step * factor) <= 5) {
            step *= factor;
            break;
        }
    }
    const int steps = int(std::ceil(top / step - 1e-9));
    axis->setRange(0, step * steps);
    axis->setTickCount(steps + 1);
    const int decimals = std::max(0, int(-std::floor(std::log10(step) + 1e-9)));
    axis->setLabelFormat(QStringLiteral("%.") + QString::number(decimals) + QLatin1Char('f'));
    return axis;
}

// The SVG writer opens a group with the whole painter state for every
// primitive, also where nothing is drawn, and repeats the font in every
// group although each text names its own. Without them a heat map of ten
// thousand cells shrinks to a fifth.
QByteArray compact(const QByteArray &svg)
{
    static const QRegularExpression emptyGroup(QStringLiteral("<g [^>]*>\\s*</g>\\s*"));
    static const QRegularExpression groupFont(
        QStringLiteral("(<g [^>]*?)\\s*font-family=\"[^\"]*\" font-size=\"[^\"]*\" "
                       "font-weight=\"[^\"]*\" font-style=\"[^\"]*\"\\s*>"));
    QString text = QString::fromUtf8(svg);
    text.remove(emptyGroup);
    text.replace(groupFont, QStringLiteral("\\1>"));
    return text.toUtf8();
}

QByteArray image(QChart *chart, const QSize &size, const QString &alt,
                 const std::function<void(QChart *)> &laidOut = {})
{
    const QByteArray data = compact(svg(chart, size, laidOut)).toBase64();
    return "<img width=\"" + QByteArray::number(size.width()) + "\" height=\""
           + QByteArray::number(size.height()) + "\" alt=\"" + alt.toHtmlEscaped().toUtf8()
           + "\" src=\"data:image/svg+xml;base64," + data + "\">\n";
}

QByteArray timePerTask(const StudyReport &report, const People &people)
{
    const ReportTable &tasks = report.tasks();
    const int taskColumn = tasks.column(QStringLiteral("task"));
    const int secondsColumn = tasks.column(QStringLiteral("seconds"));
    QMap<int, QBarSet *> sets; // by task, -1 before sign-in
    QList<Person> shown;
    for (qsizetype row = 0; row < tasks.rowCount(); ++row) {
        const Person person = People::personOf(tasks, row);
        if (!shown.contains(person))
            shown.append(person);
    }
    if (shown.isEmpty())
        return "<p>No participant has logged a task.</p>\n";
    // Horizontal bars run bottom up: the first participant goes on top.
    std::reverse(shown.begin(), shown.end());
    for (qsizetype row = 0; row < tasks.rowCount(); ++row) {
        const int task = taskOf(tasks, row, taskColumn);
        QBarSet *&set = sets[task];
        if (!set) {
            set = new QBarSet(taskName(task));
            set->setColor(taskColor(task));
            set->setBorderColor(taskColor(task));
            for (int i = 0; i < shown.size(); ++i)
                set->append(0);
        }
        const int at = int(shown.indexOf(People::personOf(tasks, row)));
        set->replace(at, set->at(at) + double(tasks.number(row, secondsColumn)) / 60);
    }
    auto *series = new QHorizontalStackedBarSeries;
    for (QBarSet *set : std::as_const(sets))
        series->append(set);
    series->setBarWidth(0.7);

    QChart *chart = newChart(QStringLiteral("Minutes on each task"));
    chart->addSeries(series);
    auto *participants = new QBarCategoryAxis;
    styleAxis(participants);
    for (const Person &person : std::as_const(shown))
        participants->append(people.label(person));
    double most = 0;
    for (int i = 0; i < shown.size(); ++i) {
        double total = 0;
        for (const QBarSet *set : std::as_const(sets))
            total += set->at(i);
        most = std::max(most, total);
    }
    QValueAxis *minutes = minutesAxis(most, QStringLiteral("minutes"));
    chart->addAxis(participants, Qt::AlignLeft);
    chart->addAxis(minutes, Qt::AlignBottom);
    const double end = minutes->max();
    series->attachAxis(participants);
    series->attachAxis(minutes);
    minutes->setRange(0, end); // attaching fits the axis to the bars
    const QSize size(pageWidth, 200 + 28 * int(shown.size()));
    return image(chart, size, QStringLiteral("Minutes on each task per participant"));
}

// Which file was in front when: over the minutes since the participant's
// first record, a step line across one lane per file (the bottom one for no
// code on screen), coloured by task. A long session has more records than
// the chart has pixels, so the time is cut into slices and each slice shows
// the file and task that held most of it; the files beyond the most viewed
// dozen share one lane.
QByteArray timelines(const StudyReport &report, const People &people)
{
    constexpr int slices = 600;
    constexpr int namedLanes = 12;
    const ReportTable &events = report.events();
    const int taskColumn = events.column(QStringLiteral("seconds_task"));
    const int fileColumn = events.column(QStringLiteral("file"));
    const int startColumn = events.column(QStringLiteral("start"));
    const int endColumn = events.column(QStringLiteral("end"));
    const int shownColumn = events.column(QStringLiteral("on_screen"));

    QByteArray html;
    qsizetype row = 0;
    while (row < events.rowCount()) {
        const Person person = People::personOf(events, row);
        qsizetype last = row;
        while (last < events.rowCount() && People::personOf(events, last) == person)
            ++last;
        const qint64 origin = events.number(row, startColumn);
        qint64 finish = origin;
        QHash<QString, qint64> secondsByFile;
        for (qsizetype r = row; r < last; ++r) {
            finish = std::max(finish, events.number(r, endColumn));
            if (events.number(r, shownColumn))
                secondsByFile[events.string(r, fileColumn)] +=
                    events.number(r, endColumn) - events.number(r, startColumn);
        }
        QStringList files = secondsByFile.keys();
        std::sort(files.begin(), files.end(), [&](const QString &a, const QString &b) {
            return secondsByFile.value(a) > secondsByFile.value(b);
        });
        const bool others = files.size() > namedLanes;
        files = files.mid(0, namedLanes);
        files.sort();
        QHash<QString, int> laneOf;
        for (int i = 0; i < files.size(); ++i)
            laneOf.insert(files.at(i), i + 1);
        const int otherLane = int(files.size()) + 1;

        // Seconds per slice, by lane and task.
        const double width = std::max(1.0, double(finish - origin) / slices);
        std::vector<QHash<QPair<int, int>, double>> weights(slices);
        for (qsizetype r = row; r < last; ++r) {
            const double from = double(events.number(r, startColumn) - origin);
            const double to = double(events.number(r, endColumn) - origin);
            if (to <= from)
                continue;
            const int lane = !events.number(r, shownColumn)
                                 ? 0
                                 : laneOf.value(events.string(r, fileColumn), otherLane);
            const QPair<int, int> key(lane, taskOf(events, r, taskColumn));
            for (int slice = int(from / width); slice < slices && slice * width < to; ++slice) {
                const double overlap = std::min(to, (slice + 1) * width)
                                       - std::max(from, slice * width);
                if (overlap > 0)
                    weights[size_t(slice)][key] += overlap;
            }
        }

        QChart *chart = newChart(people.label(person));
        QList<QLineSeries *> lines;
        QLineSeries *line = nullptr;
        int lineTask = -2;
        for (int slice = 0; slice < slices; ++slice) {
            const auto &weight = weights[size_t(slice)];
            if (weight.isEmpty()) {
                line = nullptr; // an interruption: nothing was logged
                continue;
            }
            auto best = weight.cbegin();
            for (auto it = weight.cbegin(); it != weight.cend(); ++it) {
                if (it.value() > best.value())
                    best = it;
            }
            const int lane = best.key().first;
            const int task = best.key().second;
            const double from = slice * width / 60;
            const double to = (slice + 1) * width / 60;
            if (!line || task != lineTask) {
                QLineSeries *previous = line;
                line = new QLineSeries;
                line->setName(taskName(task));
                line->setPen(QPen(taskColor(task), 2));
                lines.append(line);
                lineTask = task;
                // Joined to the line before, so a change of task leaves no gap.
                if (previous && previous->count() > 0)
                    line->append(previous->at(previous->count() - 1));
            }
            if (line->count() == 0 || line->at(line->count() - 1).y() != lane)
                line->append(from, lane);
            line->append(to, lane);
        }
        QSet<QString> named;
        for (QLineSeries *series : std::as_const(lines))
            chart->addSeries(series);
        for (QLineSeries *series : std::as_const(lines)) {
            // One legend entry per task, however often it was interrupted.
            const bool first = !named.contains(series->name());
            named.insert(series->name());
            chart->legend()->markers(series).constFirst()->setVisible(first);
        }

        QValueAxis *time = minutesAxis(double(finish - origin) / 60,
                                       QStringLiteral("minutes since the first record"));
        auto *lanes = new QCategoryAxis;
        styleAxis(lanes);
        lanes->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
        lanes->append(QStringLiteral("(no code)"), 0);
        for (int i = 0; i < files.size(); ++i)
            lanes->append(files.at(i), i + 1);
        if (others)
            lanes->append(QStringLiteral("(other files)"), otherLane);
        const int laneCount = int(files.size()) + (others ? 1 : 0);
        chart->addAxis(time, Qt::AlignBottom);
        chart->addAxis(lanes, Qt::AlignLeft);
        const double end = time->max();
        for (QLineSeries *series : std::as_const(lines)) {
            series->attachAxis(time);
            series->attachAxis(lanes);
        }
        // Attaching fits the axes to the points.
        time->setRange(0, end);
        lanes->setRange(-0.5, laneCount + 0.5);
        const QSize size(pageWidth, 250 + 26 * laneCount);
        html += image(chart, size, QStringLiteral("Files in front of ") + people.label(person));
        row = last;
    }
    return html;
}

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

// Per task: participants down, features across, a cell's shade the seconds
// the feature's code was on screen, in a few steps named in the legend.
QByteArray heatMaps(const StudyReport &report, const People &people)
{
    constexpr int shades = 6;
    const ReportTable &exposure = report.exposure();
    const int taskColumn = exposure.column(QStringLiteral("task"));
    const int featureColumn = exposure.column(QStringLiteral("feature"));
    const int secondsColumn = exposure.column(QStringLiteral("seconds"));
    const QStringList &features = report.features();

    struct Cell
    {
        int participant;
        int feature;
        qint64 seconds;
    };
    QMap<int, QList<Cell>> byTask;
    QMap<int, QList<Person>> peopleByTask;
    QHash<QString, int> featureIndex;
    for (int i = 0; i < features.size(); ++i)
        featureIndex.insert(features.at(i), i);
    for (qsizetype row = 0; row < exposure.rowCount(); ++row) {
        const int task = taskOf(exposure, row, taskColumn);
        if (task < 0)
            continue;
        const Person person = People::personOf(exposure, row);
        QList<Person> &shown = peopleByTask[task];
        if (shown.isEmpty() || !(shown.last() == person))
            shown.append(person);
        byTask[task].append({int(shown.size() - 1),
                             featureIndex.value(exposure.string(row, featureColumn)),
                             exposure.number(row, secondsColumn)});
    }
    if (byTask.isEmpty() || features.isEmpty())
        return "<p>No exposure to show.</p>\n";

    QByteArray html;
    for (auto it = byTask.cbegin(); it != byTask.cend(); ++it) {
        const QList<Person> &shown = peopleByTask.value(it.key());
        qint64 most = 1;
        for (const Cell &cell : *it)
            most = std::max(most, cell.seconds);
        const int cellSize = std::clamp(720 / int(features.size()), 8, 28);
        const QSize plot(cellSize * int(features.size()), cellSize * int(shown.size()));

        QChart *chart = newChart(QStringLiteral("Task %1").arg(it.key()));
        // Shade 0 is "never on screen"; the others split 1 .. most evenly.
        // A shade's cells are one area, so that ten thousand cells are a
        // few chart items and paths rather than an item and shape each.
        QList<CellArea> shadeAreas;
        for (int shade = 0; shade <= shades; ++shade) {
            const double strength = double(shade) / shades;
            const QColor color = shade == 0 ? QColor(0xeeeeee)
                                            : QColor::fromRgbF(1 - 0.92f * strength,
                                                               1 - 0.65f * strength, 1.0f);
            const qint64 bound = qint64(std::ceil(double(most) * shade / shades));
            shadeAreas.append(CellArea(shade == 0 ? QStringLiteral("0 s")
                                                  : QStringLiteral("\u2264 %1 s").arg(bound),
                                       color));
        }
        std::vector<std::vector<Cell>> rows(size_t(shown.size()));
        for (const Cell &cell : *it)
            rows[size_t(cell.participant)].push_back(cell);
        for (size_t p = 0; p < rows.size(); ++p) {
            // Cells along the row left to right, each in its shade's area.
            std::sort(rows[p].begin(), rows[p].end(),
                      [](const Cell &a, const Cell &b) { return a.feature < b.feature; });
            for (const Cell &cell : rows[p]) {
                const int shade = cell.seconds <= 0
                                      ? 0
                                      : std::clamp(int(std::ceil(double(cell.seconds) * shades
                                                                 / double(most))),
                                                   1, shades);
                // Rows top down in participant order.
                shadeAreas[shade].add(cell.feature, double(shown.size() - 1 - p));
            }
        }
        auto *across = new QCategoryAxis;
        styleAxis(across);
        across->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
        for (int f = 0; f < features.size(); ++f)
            across->append(features.at(f), f);
        across->setLabelsAngle(-90);
        across->setGridLineVisible(false);
        auto *down = new QCategoryAxis;
        styleAxis(down);
        down->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
        // Categories go in rising order: the last participant is the lowest row.
        for (qsizetype p = shown.size() - 1; p >= 0; --p)
            down->append(people.label(shown.at(p)), double(shown.size() - 1 - p));
        down->setGridLineVisible(false);
        chart->addAxis(across, Qt::AlignBottom);
        chart->addAxis(down, Qt::AlignLeft);
        for (CellArea &area : shadeAreas) {
            QAreaSeries *series = area.series();
            chart->addSeries(series);
            series->attachAxis(across);
            series->attachAxis(down);
        }
        across->setRange(-0.5, features.size() - 0.5);
        down->setRange(-0.5, shown.size() - 0.5);

        // Room for the axis labels around the cells; the feature names stand upright.
        qsizetype longest = 0;
        for (const QString &feature : features)
            longest = std::max(longest, feature.size());
        const QSize size(std::max(plot.width() + 260, 640),
                         plot.height() + 200 + 3 * int(std::min<qsizetype>(longest, 60)) * 7 / 2);
        // Square cells as large as the plot area leaves them, a pixel apart.
        const auto fit = [&shadeAreas, columns = features.size(), rows = shown.size()](
                             QChart *chart) {
            const QRectF area = chart->plotArea();
            const double across = area.width() / columns;
            const double down = area.height() / rows;
            const double side = std::max(2.0, std::min(across, down) - 1);
            for (CellArea &cells : shadeAreas)
                cells.series(std::min(0.49, side / 2 / across), std::min(0.49, side / 2 / down));
        };
        html += image(chart, size, QStringLiteral("Exposure in task %1").arg(it.key()), fit);
    }
    return html;
}

} // namespace

QByteArray svg(QChart *chart, const QSize &size, const std::function<void(QChart *)> &laidOut)
{
    QGraphicsScene scene;
    scene.addItem(chart); // the scene owns the chart from here
    chart->resize(size);
    // The chart lays out its axes and series on posted events.
    QCoreApplication::sendPostedEvents();
    chart->layout()->activate();
    QCoreApplication::sendPostedEvents();
    if (laidOut) {
        laidOut(chart);
        QCoreApplication::sendPostedEvents();
    }

    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(size);
    generator.setViewBox(QRect(QPoint(0, 0), size));
    generator.setTitle(chart->title());
    generator.setResolution(96); // so that the size in millimetres is the size in CSS pixels
    QPainter painter(&generator);
    scene.render(&painter, QRectF(QPointF(0, 0), size), QRectF(QPointF(0, 0), size));
    painter.end();
    return buffer.data();
}

QByteArray html(const StudyReport &report, const QString &studyName)
{
    const People people(report);
    const QByteArray name = studyName.toHtmlEscaped().toUtf8();
    QByteArray page =
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<title>Study report: " + name + "</title>\n"
        "<style>body{font-family:sans-serif;margin:2em;max-width:1200px}"
        "img{display:block;margin:1em 0;max-width:100%;height:auto}"
        "td,th{padding:0 1em 0 0;text-align:left}</style>\n</head>\n<body>\n"
        "<h1>Study report: " + name + "</h1>\n";
    page += "<table>\n";
    const auto row = [&page](const char *label, qsizetype count) {
        page += "<tr><th>" + QByteArray(label) + "</th><td>" + QByteArray::number(count)
                + "</td></tr>\n";
    };
    row("participants", people.list().size());
    row("log records", report.events().rowCount());
    row("answers", report.answers().rowCount());
    row("features", report.features().size());
    page += "</table>\n<p>The tables: <a href=\"events.csv\">events.csv</a>, "
            "<a href=\"tasks.csv\">tasks.csv</a>, <a href=\"answers.csv\">answers.csv</a>, "
            "<a href=\"exposure.csv\">exposure.csv</a>, "
            "<a href=\"study.sqlite\">study.sqlite</a>.</p>\n";

    page += "<h2>Time per task</h2>\n" + timePerTask(report, people);
    page += "<h2>File in front, per participant</h2>\n<p>The step line shows which file was "
            "in front of the participant from one log record to the next, coloured by task; "
            "the bottom lane is time without code on screen.</p>\n";
    page += timelines(report, people);
    page += "<h2>Exposure per task</h2>\n<p>Seconds during which at least one line of a "
            "feature was on screen; the darker, the longer.</p>\n";
    page += heatMaps(report, people);
    page += "</body>\n</html>\n";
    return page;
}

bool write(const StudyReport &report, const QString &studyName, const QString &path,
           QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    const QByteArray bytes = html(report, studyName);
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    return true;
}

} // namespace ReportPage
