#pragma once

#include <QString>
#include <QStringList>

class QCommandLineParser;

// What every sub-command ("featurehue NAME ...") shares, whichever library it
// lives in: the exit statuses and the handling of its arguments.

// Exit statuses shared by the sub-commands.
constexpr int subCommandSuccess = 0;
constexpr int subCommandFailure = 1;
constexpr int subCommandUsageError = 2;

// Parses arguments (the program name, the sub-command's name, then its own
// arguments) with the parser, which already holds the command's options and
// positional arguments; adds --help itself. Returns -1 when the command
// should go on; otherwise it has printed the help (exit status 0) or one line
// naming the fault (exit status 2), and returns that status.
int parseSubCommandArguments(QCommandLineParser &parser, const QStringList &arguments,
                             const QString &usage, int minPositional, int maxPositional);
