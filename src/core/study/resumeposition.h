#pragma once

#include "core/formats/logrecord.h"

#include <QString>

#include <optional>

// Where a returning participant continues, read from the end of their log.
namespace ResumePosition {

using LastRecord = LogFile::TaskAndAction;

// The last record that was written completely (LogFile::lastCompleteRecord).
std::optional<LastRecord> lastCompleteRecord(const QString &logText);

// The number in a task field: "task3" gives 3; "code" and anything else
// that is not a number gives 0.
int taskNumber(const QString &taskField);

// The page the questionnaire moves to before its usual step forward, so the
// participant lands on the page after it; 0 when the participant starts
// again from the first task page.
int targetPage(const LastRecord &record, int pageCount);

// targetPage() of the log's last complete record; 0 without one.
int targetPage(const QString &logText, int pageCount);

// True when the record is the participant's "Fertig!" on the last task page
// of a questionnaire of pageCount pages (the account page included): the
// answers are final then. Leaving the first task page is not logged, so a
// questionnaire of a single task leaves no such record.
bool completesQuestionnaire(const LastRecord &record, int pageCount);

// completesQuestionnaire() of the log's last complete record; false without one.
bool completesQuestionnaire(const QString &logText, int pageCount);

} // namespace ResumePosition
