#include "commandline.h"

#include "subcommands.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

namespace {

const QString programName = QStringLiteral("featurehue");
const QString folderArgument = QStringLiteral("PROJECT_FOLDER");

// The options QApplication takes out of the argument vector itself. The
// parser must know them, since it runs before the application object does.
const char *const qtValueOptions[] = {
    "platform", "platformpluginpath", "platformtheme", "plugin", "qmljsdebugger",
    "qwindowgeometry", "qwindowicon", "qwindowtitle", "session", "style", "stylesheet",
    "display", "geometry",
};
const char *const qtFlagOptions[] = { "reverse", "widgetcount" };

CommandLineRequest failure(const QString &message)
{
    CommandLineRequest request;
    request.action = CommandLineRequest::Action::Fail;
    request.output = programName + QStringLiteral(": ") + message + QLatin1Char('\n');
    request.exitCode = commandLineUsageError;
    return request;
}

// The parser's help without its usage line, which names no program before the
// application object exists.
QString helpText(const QCommandLineParser &parser, bool withQtOptions)
{
    QString text = parser.helpText();
    text.remove(0, text.indexOf(QLatin1Char('\n')) + 1);
    text.prepend(QStringLiteral("Usage: %1 [options] [%2]\n").arg(programName, folderArgument));
    if (!subCommands().isEmpty()) {
        text += QStringLiteral("\nCommands (each with its own --help):\n");
        for (const SubCommand &command : subCommands())
            text += QStringLiteral("  %1 %2  %3\n").arg(programName, command.name.leftJustified(8),
                                                        command.summary);
    }
    if (withQtOptions) {
        QStringList names;
        for (const char *name : qtValueOptions)
            names.append(QLatin1Char('-') + QString::fromLatin1(name) + QStringLiteral(" <value>"));
        for (const char *name : qtFlagOptions)
            names.append(QLatin1Char('-') + QString::fromLatin1(name));
        text += QStringLiteral("\nQt options (see the Qt documentation):\n  ")
                + names.join(QStringLiteral("\n  ")) + QLatin1Char('\n');
    }
    return text;
}

} // namespace

CommandLineRequest parseCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Shows the source code of a feature-annotated project with its features in colour.\n"
        "Without a project folder, the folder is chosen in a dialog."));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    for (const char *name : qtValueOptions) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char *name : qtFlagOptions) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    parser.addPositionalArgument(
        folderArgument,
        QStringLiteral("Folder holding model.m and annotations.xml of the project to show."),
        QLatin1Char('[') + folderArgument + QLatin1Char(']'));

    if (!parser.parse(arguments))
        return failure(parser.errorText() + QStringLiteral(" See --help."));

    CommandLineRequest request;
    const bool helpAll = parser.isSet(QStringLiteral("help-all"));
    if (parser.isSet(helpOption) || helpAll) {
        request.action = CommandLineRequest::Action::ShowHelp;
        request.output = helpText(parser, helpAll);
        return request;
    }
    if (parser.isSet(versionOption)) {
        request.action = CommandLineRequest::Action::ShowVersion;
        request.output = programName + QLatin1Char(' ') + QStringLiteral(FEATUREHUE_VERSION)
                         + QLatin1Char('\n');
        return request;
    }

    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1)
        return failure(QStringLiteral("only one project folder can be given; unexpected: ")
                       + positional.at(1));
    if (positional.isEmpty())
        return request;

    const QString folder = positional.first();
    const QFileInfo info(folder);
    if (folder.isEmpty() || !info.exists())
        return failure(QStringLiteral("project folder does not exist: ") + folder);
    if (!info.isDir())
        return failure(QStringLiteral("project folder is not a directory: ") + folder);
    // File names are built by appending to this path and shortened by
    // removing it, so it must be absolute and without a trailing "/".
    request.projectFolder = QDir::cleanPath(info.absoluteFilePath());
    return request;
}
