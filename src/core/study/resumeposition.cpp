#include "resumeposition.h"

#include <QStringList>

namespace ResumePosition {

namespace {
// A record ends in five fields of fixed shape: "(start", "end)", the previous
// time stamp, this one and their difference.
constexpr int trailingFields = 5;
constexpr int fieldsOfPlainRecord = 3 + trailingFields;
} // namespace

std::optional<LastRecord> lastCompleteRecord(const QString &logText)
{
    const QStringList records = logText.split(QStringLiteral("\r\n"));
    if (records.size() < 2)
        return std::nullopt;
    const QStringList fields = records.at(records.size() - 2).split(QLatin1Char('$'));
    if (fields.size() < 3)
        return std::nullopt;
    // A "$" inside the file name (Java inner classes) or the action shifts
    // the fields; the action is the last variable field before the fixed tail.
    const int actionIndex = fields.size() > fieldsOfPlainRecord
                                ? fields.size() - 1 - trailingFields
                                : 2;
    return LastRecord{fields.at(0), fields.at(actionIndex)};
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
