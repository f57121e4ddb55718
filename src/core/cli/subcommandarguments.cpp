#include "subcommandarguments.h"

#include <QCommandLineParser>

#include <cstdio>

namespace {

void print(FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

} // namespace

int parseSubCommandArguments(QCommandLineParser &parser, const QStringList &arguments,
                             const QString &usage, int minPositional, int maxPositional)
{
    const QString name = arguments.value(1);
    const QString prefix = QStringLiteral("featurehue ") + name + QStringLiteral(": ");
    const QCommandLineOption helpOption = parser.addHelpOption();

    // The parser takes the first argument for the program's name.
    QStringList parsed = arguments.mid(1);
    if (!parser.parse(parsed)) {
        print(stderr, prefix + parser.errorText() + QStringLiteral(" See --help.\n"));
        return subCommandUsageError;
    }
    if (parser.isSet(helpOption)) {
        QString text = parser.helpText();
        // Replace the parser's own usage line, which names no program.
        text.remove(0, text.indexOf(QLatin1Char('\n')) + 1);
        text.prepend(QStringLiteral("Usage: featurehue ") + name + QLatin1Char(' ') + usage
                     + QLatin1Char('\n'));
        print(stdout, text);
        return subCommandSuccess;
    }
    const int count = int(parser.positionalArguments().size());
    if (count < minPositional) {
        print(stderr, prefix + QStringLiteral("missing arguments; usage: featurehue ") + name
                          + QLatin1Char(' ') + usage + QLatin1Char('\n'));
        return subCommandUsageError;
    }
    if (maxPositional >= 0 && count > maxPositional) {
        print(stderr, prefix + QStringLiteral("unexpected argument: ")
                          + parser.positionalArguments().at(maxPositional) + QLatin1Char('\n'));
        return subCommandUsageError;
    }
    return -1;
}
