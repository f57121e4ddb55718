#include "subcommandarguments.h"

#include <QCommandLineParser>

#include <cstdio>

namespace {

void print(FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

// Help text keeps to the columns of a terminal that is 80 wide.
constexpr int helpWidth = 79;

QString argumentsSection(const QList<SubCommandArgument> &positional)
{
    if (positional.isEmpty())
        return QString();
    qsizetype nameWidth = 0;
    for (const SubCommandArgument &argument : positional)
        nameWidth = qMax(nameWidth, argument.name.size());
    const int indent = int(2 + nameWidth + 2);
    QString text = QStringLiteral("\nArguments:\n");
    for (const SubCommandArgument &argument : positional) {
        const QString line = QStringLiteral("  ") + argument.name.leftJustified(nameWidth)
                             + QStringLiteral("  ") + argument.description;
        text += wrapHelpText(line, helpWidth, indent) + QLatin1Char('\n');
    }
    return text;
}

} // namespace

QString wrapHelpText(const QString &text, int width, int indent)
{
    const QString pad(indent, QLatin1Char(' '));
    QStringList lines;
    for (QString rest : text.split(QLatin1Char('\n'))) {
        while (rest.size() > width) {
            // The last space that leaves the line short enough, not one of
            // the indentation or the name column; a word longer than the
            // line keeps it long.
            qsizetype cut = rest.lastIndexOf(QLatin1Char(' '), width);
            if (cut <= indent)
                cut = rest.indexOf(QLatin1Char(' '), width);
            if (cut < 0)
                break;
            lines.append(rest.left(cut));
            qsizetype next = cut;
            while (next < rest.size() && rest.at(next) == QLatin1Char(' '))
                ++next;
            rest = pad + rest.mid(next);
        }
        lines.append(rest);
    }
    return lines.join(QLatin1Char('\n'));
}

int parseSubCommandArguments(QCommandLineParser &parser, const QStringList &arguments,
                             const QString &usage, const QList<SubCommandArgument> &positional,
                             int minPositional, int maxPositional)
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
        // A long usage line goes on indented under its first word after "Usage: ".
        const QString usageLine =
            QStringLiteral("Usage: featurehue ") + name + QLatin1Char(' ') + usage;
        // The parser prints the description as it is given.
        print(stdout, wrapHelpText(usageLine, helpWidth, 7) + QLatin1Char('\n')
                          + wrapHelpText(text, helpWidth, 0) + argumentsSection(positional));
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

QString countOf(qint64 count, const char *singular, const char *plural)
{
    return QString::number(count) + QLatin1Char(' ')
           + QLatin1String(count == 1 ? singular : plural);
}
