#pragma once

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
};

const QList<SubCommand> &subCommands();

// The sub-command that the argument vector names (its second argument); null
// when it names none, so the viewer starts.
const SubCommand *findSubCommand(const QStringList &arguments);

// Runs a sub-command under the application object it needs.
int runSubCommand(const SubCommand &command, int &argc, char **argv, const QStringList &arguments);

// The sub-commands' common argument handling. Parses arguments (as passed to
// SubCommand::run) with the parser, which already holds the command's options
// and positional arguments; adds --help itself. Returns -1 when the command
// should go on; otherwise it has printed the help (exit status 0) or one line
// naming the fault (exit status 2), and returns that status.
int parseSubCommandArguments(QCommandLineParser &parser, const QStringList &arguments,
                             const QString &usage, int minPositional, int maxPositional);

// Exit statuses shared by the sub-commands.
constexpr int subCommandSuccess = 0;
constexpr int subCommandFailure = 1;
constexpr int subCommandUsageError = 2;
