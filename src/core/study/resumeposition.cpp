#include "resumeposition.h"

#include "core/formats/logrecord.h"


namespace ResumePosition {

std::optional<LastRecord> lastCompleteRecord(const QString &logText)
{
    return LogFile::lastCompleteRecord(logText);
}

int taskNumber(const QString &taskField)
{
    QString number = taskField;
    number.remove(QStringLiteral("task"));
    bool ok = false;
    const int task = number.trimmed().toInt(&ok);
    return ok ? task : 0;
}

int targetPage(const LastRecord &record, int pageCount)
{
    const int task = taskNumber(record.task);
    int page = 0;
    if (record.action.contains(QLatin1String("taskCompleted"))) {
        if (task < pageCount - 1)
            page = task + 1;
    } else if (task < pageCount) {
        page = task;
    }
    return page > 1 && page < pageCount - 1 ? page : 0;
}

int targetPage(const QString &logText, int pageCount)
{
    const std::optional<LastRecord> record = lastCompleteRecord(logText);
    return record ? targetPage(*record, pageCount) : 0;
}

bool completesQuestionnaire(const LastRecord &record, int pageCount)
{
    // The task field of every record but the first starts with the line
    // feed that ends the record before it.
    const QString task = record.task.trimmed();
    return pageCount >= 3 && task.startsWith(QLatin1String("task"))
           && record.action == QLatin1String("taskCompleted")
           && taskNumber(task) == pageCount - 2;
}

bool completesQuestionnaire(const QString &logText, int pageCount)
{
    const std::optional<LastRecord> record = lastCompleteRecord(logText);
    return record && completesQuestionnaire(*record, pageCount);
}

} // namespace ResumePosition
