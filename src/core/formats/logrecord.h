#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

#include "core/formats/diagnostics.h"

// One record of a participant's action log, read back for analysis:
//   task $ file $ action $( start $ end )$ previous $ now $ difference
// A file name (Java inner classes) or an action (a searched text) may itself
// hold "$"; the record is then read from its fixed tail of five fields.
struct LogRecord
{
    int task = -1;            // the number of "task<n>"; -1 for "code" (before sign-in)
    QString file;             // as logged: relative to the project folder, or ""
    QString action;           // as logged, e.g. "search<project>(History)"
    int firstLine = -1;       // visible line range; -1: not known
    int lastLine = -1;
    qint64 previousStamp = 0; // seconds since the epoch
    qint64 stamp = 0;
    int line = 0;             // line of the log file the record starts on

    // Parses one record without its line ends. On failure returns nothing
    // and, with error given, says what is wrong.
    static std::optional<LogRecord> parse(QStringView text, QString *error = nullptr);

    // The records of a whole log text, in file order. A malformed record or
    // an incomplete last one (cut off by a crash) is skipped with
    // "path:line: warning: ..." through diagnostics.
    static QList<LogRecord> parseLog(const QString &text, const QString &path,
                                     Diagnostics &diagnostics);
    // The same, with the warnings collected instead (for reading logs on
    // several threads).
    static QList<LogRecord> parseLog(const QString &text, const QString &path,
                                     QList<Diagnostic> *warnings);
};

// An action text split into its name and argument: "assignColor<3>" gives
// "assignColor" and "3", "search<project>(History)" gives "search<project>"
// and "History", "saturationChanged(48)" gives "saturationChanged" and "48";
// an action without brackets has an empty argument.
struct ActionText
{
    QString name;
    QString argument;

    static ActionText split(const QString &action);
};
