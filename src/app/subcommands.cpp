#include "subcommands.h"

#include "app/replaycommand.h"
#include "app/reportcommand.h"
#include "check/checkcommand.h"
#include "import/importcommand.h"
#include "subset/featurescommand.h"
#include "subset/subsetcommand.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <memory>

#include <unistd.h>

// Outside a desktop session (ssh, cron, CI) the GUI libraries warn on
// standard error that XDG_RUNTIME_DIR is unset and use a private folder in
// the temporary folder instead. Naming that folder beforehand keeps a
// tool's standard error to its own diagnostics.
void provideRuntimeFolder()
{
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        return;
    const QString folder =
        QDir::tempPath() + QStringLiteral("/runtime-") + QString::number(getuid());
    QDir().mkpath(folder);
    const QFileInfo info(folder);
    if (!info.isDir() || info.ownerId() != getuid())
        return;
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(folder));
}

const QList<SubCommand> &subCommands()
{
    static const QList<SubCommand> commands = {
        {QStringLiteral("import"),
         QStringLiteral("make a project folder from sources with #if/#ifdef conditionals"), false,
         runImportCommand},
        {QStringLiteral("features"),
         QStringLiteral("list a project's features with their fragments, lines and files"), false,
         runFeaturesCommand},
        {QStringLiteral("subset"),
         QStringLiteral("copy a slice of a project folder: chosen files and features"), false,
         runSubsetCommand},
        {QStringLiteral("check"),
         QStringLiteral("check a project folder with the viewer's own readers"), false,
         runCheckCommand},
        {QStringLiteral("report"),
         QStringLiteral("turn a finished study into tables (CSV, SQLite) and a page of charts"), true,
         runReportCommand},
        {QStringLiteral("replay"),
         QStringLiteral("replay a participant's sitting in the viewer, or print its state"), false,
         nullptr, runReplayCommand},
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
    if (command.runWithOwnApplication)
        return command.runWithOwnApplication(argc, argv, arguments);
    std::unique_ptr<QCoreApplication> application;
    if (command.needsGui) {
        // Pictures are drawn into files, never shown: no display is needed,
        // also where the environment names one that is not there.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        provideRuntimeFolder();
        application = std::make_unique<QApplication>(argc, argv);
    } else {
        application = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("featurehue"));
    QCoreApplication::setApplicationVersion(QStringLiteral(FEATUREHUE_VERSION));
    return command.run(arguments);
}
