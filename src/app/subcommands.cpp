#include "subcommands.h"

#include "app/reportcommand.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <memory>

namespace {

void print(FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

} // namespace

const QList<SubCommand> &subCommands()
{
    static const QList<SubCommand> commands = {
        {QStringLiteral("report"),
         QStringLiteral("Tables and charts of a finished study (CSV, SQLite, HTML)."), true,
         runReportCommand},
    };
    return commands;
}

const SubCommand *findSubCommand(const QStringList &arguments)
{
    if (arguments.size() < 2)
        return nullptr;
    for (const SubCommand &command : subCommands()) {
        if (command.name == arguments.at(1))
            return &command;
    }
    return nullptr;
}

int runSubCommand(const SubCommand &command, int &argc, char **argv, const QStringList &arguments)
{
    std::unique_ptr<QCoreApplication> application;
    if (command.needsGui) {
        // Pictures are drawn into files, never shown: no display is needed.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        application = std::make_unique<QApplication>(argc, argv);
    } else {
        application = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("featurehue"));
    QCoreApplication::setApplicationVersion(QStringLiteral(FEATUREHUE_VERSION));
    return command.run(arguments);
}

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
