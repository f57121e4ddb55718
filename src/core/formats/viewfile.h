#pragma once

#include "core/formats/diagnostics.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

// <account>_<user>_view.csv: what was on the screen at any moment, which the
// log does not say. Appended and flushed row by row, like the log, never
// rewritten. Before sign-in the rows go to "_<user>_view.csv".
//
//   time,event,task,file,first,last,detail
//   2026-12-08T09:14:03.120Z,page,task0,,,,2
//   2026-12-08T09:14:05.871Z,view,task0,/src/chat/Server.java,1,40,170
//   2026-12-08T09:14:09.002Z,colour,task0,,,,Tcp=#ff5555
//
// time: UTC with milliseconds; task: as in the log ("code" before sign-in,
// then "task0" for the first task page, ...). The events:
//   page       a questionnaire page was shown; detail: the task number of
//              questions.txt on it (from 1; empty for the account page)
//   view       the file in front or its visible lines changed and stayed so
//              for 300 ms; file, first, last (file empty: no file open);
//              detail: the bands' opacity in that tab (0..255)
//   colour     a feature's colour changed, one row per feature; detail
//              "Feature=#rrggbb", or "Feature=" when it lost its colour
//   opacity    the opacity slider moved; detail: its value (0..255)
//   search     a search; detail: its kind ("current", "project", "feature"),
//              ":" and the searched text
//   focus-out, focus-in   the viewer's windows lost or regained the keyboard
//              focus (the participant switched to another program and back)
//   close      the viewer was closed
// Fields are quoted as RFC 4180 says; a line break inside a field is written
// as a space, so every row is one line and a row cut off by a crash spoils
// nothing after it.
namespace ViewFile {

const QString Suffix = QStringLiteral("_view.csv");
const QByteArray Header = "time,event,task,file,first,last,detail\n";

struct Row
{
    QDateTime time; // UTC
    QString event;
    QString task;
    QString file;
    int first = -1; // -1: empty
    int last = -1;
    QString detail;
    int line = 0; // where a row that was read stands
};

// The row as one line of the file, line end included.
QByteArray format(const Row &row);

// Appends one row: the header first when the file is new or empty, a line
// end first when the file's last row was cut off. Closes the file again, so a
// crash loses at most the row being written; a row that only partly fits (a
// full disk) is cut off again. False, with the reason in error, when the row
// could not be written.
bool append(const QString &path, const Row &row, QString *error = nullptr);

struct Reading
{
    QList<Row> rows;
    // Rows that were left out, each with its line: malformed ones, and a
    // last row without a line end (cut off by a crash).
    QList<Diagnostic> problems;
};

// Reads the rows of a view file; path names it in the problems. Every row
// that reads is kept, whatever is wrong with the others.
Reading read(const QByteArray &bytes, const QString &path);

// The page a row's task field names as the log numbers it: "code" gives -1,
// "task3" gives 3; anything else -2.
int pageOf(const QString &task);

// "Feature=#rrggbb" for a colour row, "Feature=" for no colour.
QString colourDetail(const QString &feature, const QString &colourName);

} // namespace ViewFile
