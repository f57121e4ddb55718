#pragma once

#include <QByteArray>
#include <QString>

// One record of the participant's action log. Fields are joined by "$":
//   task $ file $ action $( start $ end )$ previous $ now $ difference
// and every record ends in "\r\n" followed by "\n".
namespace ActionLog {

struct Entry
{
    int pageIndex = 0;     // the questionnaire's current page; 0 is the account page
    QString fileName;      // relative to the project folder, or ""
    QString action;
    int startLine = -1;    // negative: not known
    int endLine = -1;
    qint64 previousStamp = 0; // seconds since the epoch of the previous record
    qint64 stamp = 0;         // seconds since the epoch of this record
};

// "code" on the account page, otherwise "task" and the page index minus one.
QString taskField(int pageIndex);

// The action as logged: on the account page the sign-in's "taskCompleted"
// is recorded as "code"; every other action keeps its text.
QString actionField(int pageIndex, const QString &action);

// The complete record, line ends included.
QString format(const Entry &entry);

// Appends one record to the log as UTF-8 and closes the file again, so that
// a crash loses at most the record being written. Returns false when the
// record could not be written.
bool append(const QString &path, const QString &record);

} // namespace ActionLog
