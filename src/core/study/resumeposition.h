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

} // namespace ResumePosition
