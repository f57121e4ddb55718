#include "reportpage.h"

#include "report/reportoutput.h"
#include "report/studyreport.h"
#include "ui/report/exposuresection.h"
#include "ui/report/reportcharts.h"
#include "ui/report/taskoverview.h"
#include "ui/report/timelinesection.h"

#include <QMap>
#include <QSaveFile>

namespace ReportPage {

namespace {

using ReportCharts::escaped;

const char *const style =
    "<style>body{font-family:sans-serif;margin:2em;max-width:1000px}"
    "img,svg{display:block;margin:1em 0;max-width:100%;height:auto}"
    "td,th{padding:0 1em 0 0;text-align:left;vertical-align:top}"
    "table.numbers td{font-variant-numeric:tabular-nums}"
    ".note{color:#555}.warning{color:#8a4b00}"
    "details{margin:.3em 0}summary{cursor:pointer}</style>\n";

QByteArray summary(const StudyReport &report)
{
    QByteArray html = "<table>\n";
    const auto row = [&html](const char *label, qsizetype count) {
        html += "<tr><th>" + QByteArray(label) + "</th><td>" + QByteArray::number(count)
                + "</td></tr>\n";
    };
    row("participants", report.participants().rowCount());
    row("tasks in questions.txt", report.taskCount());
    row("log records", report.events().rowCount());
    row("answers", report.answers().rowCount());
    row("features", report.features().size());
    row("warnings", report.warnings().rowCount());
    html += "</table>\n<p>The tables, as CSV and in <a href=\"study.sqlite\">study.sqlite</a>: ";
    QList<QByteArray> links;
    for (const ReportTable *table : report.tables()) {
        const QByteArray name = escaped(table->name()) + ".csv";
        links.append("<a href=\"" + name + "\">" + name + "</a>");
    }
    for (qsizetype i = 0; i < links.size(); ++i)
        html += (i > 0 ? ", " : "") + links.at(i);
    return html + ".</p>\n";
}

// Each kind of warning with how often it came, then every warning, folded.
QByteArray warnings(const StudyReport &report)
{
    const ReportTable &table = report.warnings();
    if (table.rowCount() == 0)
        return "<p>None: nothing in the logs and answers looks implausible.</p>\n";
    const int participant = table.column(QStringLiteral("participant"));
    const int file = table.column(QStringLiteral("file"));
    const int line = table.column(QStringLiteral("line"));
    const int kind = table.column(QStringLiteral("kind"));
    const int message = table.column(QStringLiteral("message"));
    QMap<QString, int> kinds;
    QMap<QString, QString> example;
    for (qsizetype row = 0; row < table.rowCount(); ++row) {
        ++kinds[table.string(row, kind)];
        if (!example.contains(table.string(row, kind)))
            example.insert(table.string(row, kind), table.string(row, message));
    }
    QByteArray html = "<table>\n<tr><th>kind</th><th>how often</th><th>for example</th></tr>\n";
    for (auto it = kinds.cbegin(); it != kinds.cend(); ++it)
        html += "<tr class=\"warning\"><td>" + escaped(it.key()) + "</td><td>"
                + QByteArray::number(it.value()) + "</td><td>" + escaped(example.value(it.key()))
                + "</td></tr>\n";
    html += "</table>\n<details><summary>All " + QByteArray::number(table.rowCount())
            + " warnings (warnings.csv)</summary>\n<table>\n<tr><th>participant</th>"
              "<th>where</th><th>warning</th></tr>\n";
    for (qsizetype row = 0; row < table.rowCount(); ++row) {
        const QString where = table.text(row, file)
                              + (table.isNull(row, line) ? QString()
                                                         : QLatin1Char(':') + table.text(row, line));
        html += "<tr><td>" + escaped(table.text(row, participant)) + "</td><td>" + escaped(where)
                + "</td><td>" + escaped(table.string(row, message)) + "</td></tr>\n";
    }
    return html + "</table>\n</details>\n";
}

} // namespace

QByteArray html(const StudyReport &report, const QString &studyName)
{
    const QByteArray name = escaped(studyName);
    QByteArray page = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                      "<title>Study report: " + name + "</title>\n" + style
                      + "</head>\n<body>\n<h1>Study report: " + name + "</h1>\n";
    page += summary(report);
    page += "<h2>Warnings</h2>\n" + warnings(report);
    page += "<h2>Time per task</h2>\n" + TaskOverview::html(report);
    page += "<h2>Timelines</h2>\n" + TimelineSection::html(report);
    page += "<h2>Exposure</h2>\n<p>Seconds during which at least one line of a feature was "
            "on screen; the darker, the longer.</p>\n"
            + ExposureSection::html(report);
    page += "</body>\n</html>\n";
    return page;
}

bool write(const StudyReport &report, const QString &studyName, const QString &path,
           QString *error)
{
    // Unbuffered: a failing write then says why (a full disk), where a
    // failing flush in commit() would only say "Unknown error".
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        *error = file.errorString();
        return false;
    }
    const QByteArray bytes = html(report, studyName);
    if (!ReportOutput::writeAll(file, bytes) || !file.commit()) {
        *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    return true;
}

} // namespace ReportPage
