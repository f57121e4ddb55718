#include "reportcommand.h"

#include "app/subcommands.h"
#include "core/formats/answerkey.h"
#include "core/formats/diagnostics.h"
#include "report/csvwriter.h"
#include "report/reportdatabase.h"
#include "report/reportoutput.h"
#include "report/reportwarnings.h"
#include "report/studyfolder.h"
#include "report/studyreport.h"
#include "ui/report/reportpage.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <thread>

namespace {

struct Failure
{
    QString path;
    QString error;
};

// Writes the tables as CSV and SQLite on threads of their own while this one
// draws the charts (which must be drawn on the main thread). Returns the
// first failure.
std::optional<Failure> writeFiles(const StudyReport &report, const QString &studyName,
                                  const ReportOutput &output)
{
    std::optional<Failure> csvFailure;
    std::optional<Failure> databaseFailure;
    std::thread csv([&] {
        QString error;
        for (const ReportTable *table : report.tables()) {
            const QString path = output.filePath(table->name() + QStringLiteral(".csv"));
            if (!CsvWriter::write(*table, path, &error)) {
                csvFailure = Failure{path, error};
                return;
            }
        }
    });
    std::thread database([&] {
        const QString path = output.filePath(QStringLiteral("study.sqlite"));
        QString error;
        if (!ReportDatabase::write(report.tables(), path, &error))
            databaseFailure = Failure{path, error};
    });
    const QString page = output.filePath(QStringLiteral("report.html"));
    QString error;
    const bool pageWritten = ReportPage::write(report, studyName, page, &error);
    csv.join();
    database.join();
    if (!pageWritten)
        return Failure{page, error};
    return csvFailure ? csvFailure : databaseFailure;
}

// Reads the answer key into study: the file --key names, else the study
// folder's answer-key.csv when there is one. Its problems are reported as
// they are found; false when the key cannot be used (nothing is scored
// rather than scored wrongly, and no report is written).
bool readAnswerKey(const std::optional<QString> &keyPath, const QString &folder,
                   StudyFolder &study, Diagnostics &diagnostics)
{
    QString path = keyPath.value_or(QString());
    if (!keyPath) {
        path = QDir(folder).filePath(AnswerKey::FileName);
        if (!QFileInfo::exists(path))
            return true;
    }
    const AnswerKey::Reading reading = AnswerKey::readFile(path, path);
    QList<Diagnostic> problems = reading.problems;
    // A key of another questionnaire would score the wrong boxes.
    problems.append(reading.key.checkAgainst(study.boxesPerTask(), path));
    for (const Diagnostic &problem : std::as_const(problems))
        diagnostics.report(problem);
    if (containsErrors(problems)) {
        diagnostics.error(path, 0, 0,
                          QStringLiteral("the answer key cannot be used; no report written"));
        return false;
    }
    study.key = reading.key;
    return true;
}

// The files are written beside the folder first: name them where they belong.
QString shownPath(const ReportOutput &output, const QString &path)
{
    return QDir(output.folder()).filePath(QFileInfo(path).fileName());
}

} // namespace

int runReportCommand(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Reads every participant's log and answers in STUDY_FOLDER and writes "
                       "participants.csv, events.csv, tasks.csv, answers.csv, exposure.csv, "
                       "files.csv, transitions.csv, first_views.csv, warnings.csv, study.sqlite "
                       "and report.html. Implausible logs and answers are reported as warnings; "
                       "every table is written all the same."));
    const QCommandLineOption outOption(
        QStringLiteral("out"),
        QStringLiteral("Write the report into DIR (default: STUDY_FOLDER/report)."),
        QStringLiteral("DIR"));
    parser.addOption(outOption);
    const QCommandLineOption keyOption(
        QStringLiteral("key"),
        QStringLiteral("Score the answers with the answer key FILE (default: "
                       "STUDY_FOLDER/answer-key.csv when there is one)."),
        QStringLiteral("FILE"));
    parser.addOption(keyOption);
    const int usage = parseSubCommandArguments(
        parser, arguments, QStringLiteral("[--out DIR] [--key FILE] STUDY_FOLDER"),
        {{QStringLiteral("STUDY_FOLDER"), QStringLiteral("The project folder the study ran in.")}},
        1, 1);
    if (usage >= 0)
        return usage;

    const QString folder = QDir::cleanPath(parser.positionalArguments().constFirst());
    Diagnostics diagnostics;
    // A path that names no folder is bad usage; one that cannot be looked at
    // is a failure, with the system's reason.
    struct stat status = {};
    if (::stat(QFile::encodeName(folder).constData(), &status) != 0) {
        const int error = errno;
        const bool missing = error == ENOENT || error == ENOTDIR;
        diagnostics.error(folder, 0, 0,
                          missing ? QStringLiteral("no such study folder")
                                  : QStringLiteral("cannot read the study folder: ")
                                        + QString::fromLocal8Bit(std::strerror(error)));
        return missing ? subCommandUsageError : subCommandFailure;
    }
    if (!S_ISDIR(status.st_mode)) {
        diagnostics.error(folder, 0, 0, QStringLiteral("not a folder"));
        return subCommandUsageError;
    }
    ReportWarnings warnings(diagnostics, folder);
    std::optional<StudyFolder> study = StudyFolder::read(folder, warnings);
    if (!study)
        return subCommandFailure;
    if (!readAnswerKey(parser.isSet(keyOption) ? std::optional<QString>(parser.value(keyOption))
                                               : std::nullopt,
                       folder, *study, diagnostics))
        return subCommandFailure;

    ReportOutput output(parser.isSet(outOption) ? parser.value(outOption)
                                                : folder + QStringLiteral("/report"));
    QString failedPath;
    QString error;
    if (!output.begin(&failedPath, &error)) {
        diagnostics.error(failedPath, 0, 0, QStringLiteral("cannot write the report: ") + error);
        return subCommandFailure;
    }
    const StudyReport report(*study, warnings);
    if (const std::optional<Failure> failure =
            writeFiles(report, QFileInfo(folder).fileName(), output)) {
        diagnostics.error(shownPath(output, failure->path), 0, 0,
                          QStringLiteral("cannot write: ") + failure->error
                              + QStringLiteral("; no report written"));
        return subCommandFailure;
    }
    if (!output.commit(&failedPath, &error)) {
        diagnostics.error(failedPath, 0, 0, QStringLiteral("cannot write: ") + error);
        return subCommandFailure;
    }

    const QString summary =
        QStringLiteral("featurehue report: %1, %2, %3, %4; written to %5\n")
            .arg(countOf(study->participants.size(), "participant", "participants"),
                 countOf(report.events().rowCount(), "log record", "log records"),
                 countOf(report.answers().rowCount(), "answer", "answers"),
                 countOf(diagnostics.warnings(), "warning", "warnings"), output.folder());
    std::fputs(summary.toLocal8Bit().constData(), stderr);
    return subCommandSuccess;
}
