#pragma once

#include <QByteArray>
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
    // A record ends in five fields of fixed shape: "(start", "end)", the
    // previous time stamp, this one and their difference.
    static constexpr int TrailingFields = 5;
    static constexpr int FieldsOfPlainRecord = 3 + TrailingFields;

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

// A whole log as written: records ending in "\r\n" and "\n".
namespace LogFile {

// The text of a log's bytes: UTF-8, or Latin-1 of older versions, the zeros
// a crash can leave dropped (what follows them is read).
QString fromBytes(const QByteArray &bytes);
// The same for a file; nothing, with the reason in error, when it cannot be
// read.
std::optional<QString> read(const QString &path, QString *error = nullptr);

// The task and action fields of a record, as a returning participant is
// resumed from them.
struct TaskAndAction
{
    QString task;   // "task3", "code", ...; may begin with the "\n" that ended
                    // the record before
    QString action; // "taskCompleted", "fileOpened", ...
};

// Those of the last record that was written completely, i.e. the piece
// before the last "\r\n". A "$" in the file name or the action shifts the
// fields: the action is then the last field before the fixed tail. None when
// the log has no complete record or that record has fewer than three fields.
std::optional<TaskAndAction> lastCompleteRecord(const QString &text);

// The moment of each record in milliseconds since the epoch. The log stamps
// whole seconds: records written within one second share it evenly in their
// order (the k-th of n at k/n s), so every record has a moment of its own.
QList<qint64> moments(const QList<LogRecord> &records);
// A stamp in milliseconds. A damaged log can hold any number: stamps beyond
// the years 1 to 9999 are held at those ends, so that no sum of moments
// overflows.
qint64 milliseconds(qint64 stamp);

} // namespace LogFile

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
