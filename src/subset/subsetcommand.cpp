#include "subsetcommand.h"

#include "core/cli/subcommandarguments.h"
#include "core/formats/diagnostics.h"
#include "import/filteroptions.h"
#include "subset/projectsubset.h"

#include <QCommandLineParser>
#include <QFileInfo>

#include <cstdio>

int runSubsetCommand(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Makes OUT_FOLDER a slice of the project in PROJECT_FOLDER: copies the sources the\n"
        "filters keep, writes model.m and annotations.xml for the features they keep and\n"
        "copies questions.txt with its pictures, study.json with the colour assignments it\n"
        "names, participants.csv and answer-key.csv. The filters are applied in the order\n"
        "given, e.g. --features 'Caesar|Reverse'. PROJECT_FOLDER is only read."));
    const QCommandLineOption force(QStringLiteral("force"),
                                   QStringLiteral("Replace the project and study files of an "
                                                  "existing OUT_FOLDER."));
    parser.addOption(force);
    const FilterOptions filterOptions;
    filterOptions.addTo(parser);
    const int usage = parseSubCommandArguments(
        parser, arguments, QStringLiteral("[--force] [FILTERS] [--group-by-prefix] PROJECT_FOLDER OUT_FOLDER"),
        {{QStringLiteral("PROJECT_FOLDER"),
          QStringLiteral("The project folder to take the slice of.")},
         {QStringLiteral("OUT_FOLDER"), QStringLiteral("The folder to make.")}},
        2, 2);
    if (usage >= 0)
        return usage;
    ProjectSubset::Options options;
    QString filterError;
    if (!filterOptions.read(parser, &options.filters, &filterError)) {
        std::fprintf(stderr, "featurehue subset: %s\n", qPrintable(filterError));
        return subCommandUsageError;
    }
    options.groupByPrefix = filterOptions.groupByPrefix(parser);
    options.overwrite = parser.isSet(force);

    const QStringList positional = parser.positionalArguments();
    const QFileInfo project(positional.at(0));
    if (!project.isDir()) {
        std::fprintf(stderr, "featurehue subset: %s is not a folder\n",
                     qPrintable(positional.at(0)));
        return subCommandUsageError;
    }
    const QString out = QFileInfo(positional.at(1)).canonicalFilePath();
    const QString in = project.canonicalFilePath();
    if (!out.isEmpty() && (out == in || in.startsWith(out + QLatin1Char('/')))) {
        std::fprintf(stderr, "featurehue subset: OUT_FOLDER must not be the project folder or "
                             "hold it\n");
        return subCommandUsageError;
    }

    Diagnostics diagnostics;
    const ProjectSubset::Summary summary =
        ProjectSubset::run(positional.at(0), positional.at(1), options, diagnostics);
    const QString filtered = ProjectFilter::describe(summary.filterResults);
    std::fprintf(stderr, "featurehue subset: %d files, %d fragments, %d features, %d study files, "
                         "%d warnings%s\n",
                 summary.files, summary.fragments, summary.features, summary.studyFiles,
                 diagnostics.warnings(),
                 filtered.isEmpty() ? "" : qPrintable(QStringLiteral("; ") + filtered));
    return summary.failed ? subCommandFailure : subCommandSuccess;
}
