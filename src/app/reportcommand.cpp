#include "reportcommand.h"

#include "app/subcommands.h"
#include "core/formats/diagnostics.h"
#include "report/csvwriter.h"
#include "report/reportdatabase.h"
#include "ui/report/reportpage.h"
#include "report/studyfolder.h"
#include "report/studyreport.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <optional>
#include <thread>

int runReportCommand(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Reads every participant's log and answers in STUDY_FOLDER and writes "
                       "events.csv, tasks.csv, answers.csv, exposure.csv, study.sqlite and "
                       "report.html."));
    const QCommandLineOption outOption(
        QStringLiteral("out"),
        QStringLiteral("Write the report into DIR (default: STUDY_FOLDER/report)."),
        QStringLiteral("DIR"));
    parser.addOption(outOption);
    const int status = parseSubCommandArguments(
        parser, arguments, QStringLiteral("[--out DIR] STUDY_FOLDER"),
        {{QStringLiteral("STUDY_FOLDER"), QStringLiteral("The project folder the study ran in.")}},
        1, 1);
    if (status >= 0)
        return status;

    const QString folder = QDir::cleanPath(parser.positionalArguments().constFirst());
    Diagnostics diagnostics;
    const std::optional<StudyFolder> study = StudyFolder::read(folder, diagnostics);
    if (!study)
        return subCommandFailure;

    const QString out = parser.isSet(outOption) ? QDir::cleanPath(parser.value(outOption))
                                                : folder + QStringLiteral("/report");
    if (!QDir().mkpath(out)) {
        diagnostics.error(out, 0, 0, QStringLiteral("cannot create the report folder"));
        return subCommandFailure;
    }

    const StudyReport report(*study);
    // The tables are written on other threads while this one draws the
    // charts (which must be drawn on the main thread).
    struct Failure
    {
        QString path;
        QString error;
    };
    std::optional<Failure> csvFailure;
    std::optional<Failure> databaseFailure;
    std::thread csv([&] {
        QString error;
        for (const ReportTable *table : report.tables()) {
            const QString path = out + QLatin1Char('/') + table->name() + QStringLiteral(".csv");
            if (!CsvWriter::write(*table, path, &error)) {
                csvFailure = Failure{path, error};
                return;
            }
        }
    });
    std::thread database([&] {
        const QString path = out + QStringLiteral("/study.sqlite");
        QString error;
        if (!ReportDatabase::write(report.tables(), path, &error))
            databaseFailure = Failure{path, error};
    });
    const QString page = out + QStringLiteral("/report.html");
    QString error;
    const bool pageWritten = ReportPage::write(report, QFileInfo(folder).fileName(), page, &error);
    csv.join();
    database.join();
    if (!pageWritten)
        diagnostics.error(page, 0, 0, QStringLiteral("cannot write: ") + error);
    for (const std::optional<Failure> &failure : {csvFailure, databaseFailure}) {
        if (failure)
            diagnostics.error(failure->path, 0, 0,
                              QStringLiteral("cannot write: ") + failure->error);
    }
    if (diagnostics.errors() > 0)
        return subCommandFailure;

    const QString summary =
        QStringLiteral("featurehue report: %1, %2, %3, %4; written to %5\n")
            .arg(countOf(study->participants.size(), "participant", "participants"),
                 countOf(report.events().rowCount(), "log record", "log records"),
                 countOf(report.answers().rowCount(), "answer", "answers"),
                 countOf(diagnostics.warnings(), "warning", "warnings"), out);
    std::fputs(summary.toLocal8Bit().constData(), stderr);
    return subCommandSuccess;
}
