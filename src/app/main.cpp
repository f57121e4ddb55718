#include "app/commandline.h"
#include "ui/mainwindow/mainwindow.h"
#include "app/subcommands.h"
#include "core/model/largepages.h"

#include <QApplication>
#include <QStringList>

#include <cstdio>
#include <memory>

int main(int argc, char *argv[])
{
    // Before anything is allocated: the models of a large product line are
    // hundreds of megabytes of small blocks.
    adviseLargePagesForHeap(LargeHeap);
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));

    if (const SubCommand *command = findSubCommand(arguments))
        return runSubCommand(*command, argc, argv, arguments);

    const CommandLineRequest request = parseCommandLine(arguments);
    if (request.action != CommandLineRequest::Action::Run) {
        FILE *stream = request.action == CommandLineRequest::Action::Fail ? stderr : stdout;
        std::fputs(request.output.toLocal8Bit().constData(), stream);
        return request.exitCode;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("featurehue"));
    QApplication::setApplicationVersion(QStringLiteral(FEATUREHUE_VERSION));

    auto window = request.projectFolder.isEmpty()
                      ? std::make_unique<MainWindow>()
                      : std::make_unique<MainWindow>(request.projectFolder);
    // A cancelled folder dialog is no error: the program ends and writes
    // nothing. A folder that takes no files, or a study that cannot start,
    // was explained in a dialog.
    if (!window->hasProject())
        return window->folderRefused() || window->studyRefused() ? 1 : 0;
    window->show();
    const int exitCode = QApplication::exec();
    window.reset();
    return exitCode;
}
