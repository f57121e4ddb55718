#include "checkcommand.h"

#include "check/projectcheck.h"
#include "core/cli/subcommandarguments.h"
#include "core/formats/diagnostics.h"

#include <QCommandLineParser>
#include <QFileInfo>

#include <cstdio>

int runCheckCommand(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Reads model.m, annotations.xml, the sources and questions.txt of PROJECT_FOLDER\n"
        "as the viewer does, and study.json, participants.csv and answer-key.csv where\n"
        "there are any, and reports what a study would stumble over, one line each:\n"
        "FILE:LINE:COLUMN: error|warning|note: TEXT. Exit status 1 when there are errors."));
    const int usage = parseSubCommandArguments(
        parser, arguments, QStringLiteral("PROJECT_FOLDER"),
        {{QStringLiteral("PROJECT_FOLDER"), QStringLiteral("The project folder to check.")}}, 1, 1);
    if (usage >= 0)
        return usage;
    const QString folder = parser.positionalArguments().constFirst();
    if (!QFileInfo(folder).isDir()) {
        std::fprintf(stderr, "featurehue check: %s is not a folder\n", qPrintable(folder));
        return subCommandUsageError;
    }

    Diagnostics diagnostics;
    ProjectCheck check(folder, diagnostics);
    check.run();
    const QString summary =
        QStringLiteral("featurehue check: %1, %2, %3, %4: %5, %6, %7\n")
            .arg(countOf(check.fileCount(), "file", "files"),
                 countOf(check.fragmentCount(), "fragment", "fragments"),
                 countOf(check.featureCount(), "feature", "features"),
                 countOf(check.taskCount(), "task", "tasks"),
                 countOf(diagnostics.errors(), "error", "errors"),
                 countOf(diagnostics.warnings(), "warning", "warnings"),
                 countOf(diagnostics.notes(), "note", "notes"));
    std::fputs(summary.toLocal8Bit().constData(), stderr);
    return diagnostics.errors() > 0 ? subCommandFailure : subCommandSuccess;
}
