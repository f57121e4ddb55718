#pragma once

#include <QString>
#include <QStringList>

// What the command line asks the program to do. It is decided before the
// application object exists, so --help, --version and a wrong folder are
// answered without a display and before any window appears.
struct CommandLineRequest
{
    enum class Action {
        Run,         // open the main window
        ShowHelp,    // print output on standard output, exit with exitCode
        ShowVersion, // likewise
        Fail,        // print output (one line) on standard error, exit with exitCode
    };

    Action action = Action::Run;
    // Absolute, cleaned path of the project folder; empty: ask in a dialog.
    QString projectFolder;
    QString output;
    int exitCode = 0;
};

// Exit status for a command line that cannot be used.
constexpr int commandLineUsageError = 2;

// arguments: the whole argument vector, program name first.
CommandLineRequest parseCommandLine(const QStringList &arguments);
