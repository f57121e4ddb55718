#include "importcommand.h"

#include "core/cli/subcommandarguments.h"
#include "core/formats/diagnostics.h"
#include "import/filteroptions.h"
#include "import/projectimport.h"

#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFileInfo>

#include <cstdio>
#include <unistd.h>

int runImportCommand(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Copies the .java, .c and .h files of SOURCE_DIR into PROJECT_FOLDER and writes\n"
        "model.m and annotations.xml: every branch of an #if/#ifdef/#ifndef/#elif/#else\n"
        "block (in Java the //#if ... comments) becomes a fragment, every name a\n"
        "condition uses a feature; #if 0 blocks are fragments of the feature if_0.\n"
        "The filters take a slice: they are applied in the order given, each to what\n"
        "the ones before it left, e.g. --include 'lib/vtls/**' --features '^USE_'."));
    const QCommandLineOption force(QStringLiteral("force"),
                                   QStringLiteral("Replace an existing model.m and "
                                                  "annotations.xml."));
    parser.addOption(force);
    const FilterOptions filterOptions;
    filterOptions.addTo(parser);
    const int usage = parseSubCommandArguments(
        parser, arguments, QStringLiteral("[--force] [FILTERS] [--group-by-prefix] SOURCE_DIR PROJECT_FOLDER"),
        {{QStringLiteral("SOURCE_DIR"), QStringLiteral("The annotated sources; never modified.")},
         {QStringLiteral("PROJECT_FOLDER"), QStringLiteral("The project folder to make.")}},
        2, 2);
    if (usage >= 0)
        return usage;
    ProjectImport::Options options;
    QString filterError;
    if (!filterOptions.read(parser, &options.filters, &filterError)) {
        std::fprintf(stderr, "featurehue import: %s\n", qPrintable(filterError));
        return subCommandUsageError;
    }
    options.groupByPrefix = filterOptions.groupByPrefix(parser);

    // Progress only on a terminal, so that logs stay clean; a diagnostic
    // first clears it.
    const bool terminal = ::isatty(STDERR_FILENO);
    QElapsedTimer shown;
    shown.start();
    bool progressShown = false;
    Diagnostics diagnostics([&progressShown](const QString &line) {
        if (progressShown)
            std::fputs("\r\033[K", stderr);
        progressShown = false;
        std::fputs((line + QLatin1Char('\n')).toLocal8Bit().constData(), stderr);
        std::fflush(stderr);
    });
    options.overwrite = parser.isSet(force);
    if (terminal) {
        options.progress = [&](int files) {
            if (shown.elapsed() < 200)
                return;
            shown.restart();
            progressShown = true;
            std::fprintf(stderr, "\rimporting: %d files", files);
            std::fflush(stderr);
        };
    }
    const QStringList positional = parser.positionalArguments();
    const QFileInfo source(positional.at(0));
    if (!source.isDir()) {
        std::fprintf(stderr, "featurehue import: %s is not a folder\n",
                     qPrintable(positional.at(0)));
        return subCommandUsageError;
    }
    if (source.canonicalFilePath() == QFileInfo(positional.at(1)).canonicalFilePath()) {
        std::fprintf(stderr, "featurehue import: the project folder must not be the source "
                             "folder, which is never written\n");
        return subCommandUsageError;
    }
    const ProjectImport::Summary summary =
        ProjectImport::run(positional.at(0), positional.at(1), options, diagnostics);
    if (progressShown)
        std::fputs("\r\033[K", stderr);
    // Refused before the first file (the project files exist, a folder
    // cannot be made): counting what was not done would read as a result.
    QString line =
        summary.started
            ? QStringLiteral("featurehue import: %1, %2, %3, %4, %5\n")
                  .arg(countOf(summary.files, "file", "files"),
                       countOf(summary.lines, "line", "lines"),
                       countOf(summary.fragments, "fragment", "fragments"),
                       countOf(summary.features, "feature", "features"),
                       countOf(diagnostics.warnings(), "warning", "warnings"))
            : QStringLiteral("featurehue import: nothing was imported\n");
    // What the filters took away, after the counts.
    const QString filtered = ProjectFilter::describe(summary.filterResults);
    if (summary.started && !filtered.isEmpty()) {
        line.chop(1);
        line += QStringLiteral("; ") + filtered + QLatin1Char('\n');
    }
    std::fputs(line.toLocal8Bit().constData(), stderr);
    return summary.failed ? subCommandFailure : subCommandSuccess;
}
