#pragma once

#include "core/cli/subcommandarguments.h"

#include <QString>
#include <QStringList>

class QCommandLineParser;

// The command-line tools of the one executable: "featurehue NAME ...". They
// run without a window and without a display, print diagnostics as
// "path:line:column: error|warning|note: text" on standard error, and exit
// with 0 on success, 1 on failure and 2 on bad usage.
struct SubCommand
{
    QString name;
    QString summary; // one line, for "featurehue --help"
    // Renders pictures with the widget toolkit (charts): runs under a
    // QApplication on the offscreen platform (whatever QT_QPA_PLATFORM says)
    // instead of a QCoreApplication.
    bool needsGui = false;
    // arguments: the program name, the sub-command's name, then its own arguments.
    int (*run)(const QStringList &arguments) = nullptr;
    // Instead of run, for a command that decides by its arguments which
    // application object it needs (a window, a picture, or none); it makes
    // that object itself.
    int (*runWithOwnApplication)(int &argc, char **argv, const QStringList &arguments) = nullptr;
};

const QList<SubCommand> &subCommands();

// The sub-command that the argument vector names (its second argument); null
// when it names none, so the viewer starts.
const SubCommand *findSubCommand(const QStringList &arguments);

// Outside a desktop session the GUI libraries warn that XDG_RUNTIME_DIR is
// unset; this names a private folder for it beforehand.
void provideRuntimeFolder();

// Runs a sub-command under the application object it needs.
int runSubCommand(const SubCommand &command, int &argc, char **argv, const QStringList &arguments);

