#include "featurescommand.h"

#include "core/cli/subcommandarguments.h"
#include "core/formats/diagnostics.h"
#include "subset/featuretable.h"
#include "subset/projectcontents.h"

#include <QCommandLineParser>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>

int runFeaturesCommand(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Lists the leaf features of model.m, one row each: the fragments of annotations.xml\n"
        "that name it, the lines they cover, the files they lie in, where it first occurs\n"
        "(path:line) and whether only \"#ifndef X / #define X\" defaults use it."));
    const QCommandLineOption csv(QStringLiteral("csv"),
                                 QStringLiteral("Write CSV with a header row instead of a table."));
    const QCommandLineOption sortBy(
        QStringLiteral("sort"),
        QStringLiteral("Sort by COLUMN: feature, fragments, lines, files, first or default_only "
                       "(numbers from the most, names from A)."),
        QStringLiteral("COLUMN"));
    const QCommandLineOption reverse(QStringLiteral("reverse"),
                                     QStringLiteral("Turn the order round."));
    parser.addOptions({csv, sortBy, reverse});
    const int usage = parseSubCommandArguments(
        parser, arguments, QStringLiteral("[--csv] [--sort COLUMN] [--reverse] PROJECT_FOLDER"),
        {{QStringLiteral("PROJECT_FOLDER"),
          QStringLiteral("The project folder (imported or written by hand).")}},
        1, 1);
    if (usage >= 0)
        return usage;
    const QString folder = parser.positionalArguments().constFirst();
    if (!QFileInfo(folder).isDir()) {
        std::fprintf(stderr, "featurehue features: %s is not a folder\n", qPrintable(folder));
        return subCommandUsageError;
    }
    FeatureTable::Column column = FeatureTable::Column::Feature;
    if (parser.isSet(sortBy) && !FeatureTable::columnNamed(parser.value(sortBy), &column)) {
        std::fprintf(stderr, "featurehue features: no column %s; see --help\n",
                     qPrintable(parser.value(sortBy)));
        return subCommandUsageError;
    }

    ProjectContents project;
    QString error;
    if (!project.read(folder, &error)) {
        Diagnostics().error(QStringLiteral("annotations.xml"), 0, 0, error);
        return subCommandFailure;
    }
    QList<FeatureTable::Row> rows = FeatureTable::rows(project);
    if (parser.isSet(sortBy))
        FeatureTable::sort(rows, column, parser.isSet(reverse));
    else if (parser.isSet(reverse))
        std::reverse(rows.begin(), rows.end());
    const QString table = parser.isSet(csv) ? FeatureTable::csv(rows) : FeatureTable::aligned(rows);
    const QByteArray bytes = table.toUtf8();
    const bool written =
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) == size_t(bytes.size())
        && std::fflush(stdout) == 0;
    if (!written) {
        std::fprintf(stderr, "featurehue features: the table could not be written\n");
        return subCommandFailure;
    }
    return subCommandSuccess;
}
