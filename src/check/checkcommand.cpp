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
    parser.addPositionalArgument(QStringLiteral("PROJECT_FOLDER"),
                                 QStringLiteral("The project folder to check."));
    const int usage =
        parseSubCommandArguments(parser, arguments, QStringLiteral("PROJECT_FOLDER"), 1, 1);
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
    std::fprintf(stderr,
                 "featurehue check: %d files, %d fragments, %d features, %d tasks: %d errors, "
                 "%d warnings, %d notes\n",
                 check.fileCount(), check.fragmentCount(), check.featureCount(), check.taskCount(),
                 diagnostics.errors(), diagnostics.warnings(), diagnostics.notes());
    return diagnostics.errors() > 0 ? subCommandFailure : subCommandSuccess;
}
