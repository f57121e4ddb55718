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

// One argument of a sub-command that is no option, for its --help.
struct SubCommandArgument
{
    QString name;        // "PROJECT_FOLDER"
    QString description; // one sentence
};

// Parses arguments (the program name, the sub-command's name, then its own
// arguments) with the parser, which already holds the command's options; adds
// --help itself, with the positional arguments listed under "Arguments:" (the
// parser's own list would cut names longer than its option column). Returns
// -1 when the command should go on; otherwise it has printed the help (exit
// status 0) or one line naming the fault (exit status 2), and returns that
// status.
int parseSubCommandArguments(QCommandLineParser &parser, const QStringList &arguments,
                             const QString &usage, const QList<SubCommandArgument> &positional,
                             int minPositional, int maxPositional);

// Text wrapped at word boundaries into lines of at most width columns, each
// after the first preceded by indent spaces; lines break where text does.
QString wrapHelpText(const QString &text, int width, int indent);

// A count with its noun in the right number, for the summary lines: "1 file",
// "2 files", "0 files".
QString countOf(qint64 count, const char *singular, const char *plural);
