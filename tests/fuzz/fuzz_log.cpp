// A participant's log as it may be left on disk (torn records, zeros from a
// crash, "$" in file names and searched texts, Latin-1 of older versions),
// read in memory by the log's one reader: every record read from it writes
// and reads back the same, the records keep their lines, and a record
// appended after a complete one is what a returning participant is resumed
// from.

#include "fuzzsupport.h"

#include "core/formats/actionlog.h"
#include "core/formats/logrecord.h"

#include <limits>

namespace {

// A record as the viewer writes it again.
QString rewritten(const LogRecord &record)
{
    ActionLog::Entry entry;
    entry.pageIndex = record.task + 1;
    entry.fileName = record.file;
    entry.action = record.action;
    entry.startLine = record.firstLine;
    entry.endLine = record.lastLine;
    entry.previousStamp = record.previousStamp;
    entry.stamp = record.stamp;
    return ActionLog::format(entry);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::quietQt();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text =
        LogFile::fromBytes(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    QList<Diagnostic> warnings;
    const QList<LogRecord> records = LogRecord::parseLog(text, QStringLiteral("log"), &warnings);

    const int lastLine = int(text.count(QLatin1Char('\n'))) + 1;
    int previousLine = 0;
    for (const LogRecord &record : records) {
        fuzz::check(record.line > previousLine && record.line <= lastLine,
                    "records out of their lines");
        previousLine = record.line;
        fuzz::check(record.task >= -1 && record.firstLine >= -1 && record.lastLine >= -1
                        && record.previousStamp >= 0 && record.stamp >= 0,
                    "a field out of its range");
        if (record.task == std::numeric_limits<int>::max())
            continue;
        const QString again = rewritten(record);
        const std::optional<LogRecord> back = LogRecord::parse(QStringView(again).chopped(3));
        fuzz::check(back.has_value(), "a record read could not be read again");
        fuzz::check(back->task == record.task && back->firstLine == record.firstLine
                        && back->lastLine == record.lastLine
                        && back->previousStamp == record.previousStamp
                        && back->stamp == record.stamp,
                    "a record reads back otherwise");
        if (!(record.task < 0 && record.action == QLatin1String("taskCompleted")))
            fuzz::check(back->file + QLatin1Char('$') + back->action
                            == record.file + QLatin1Char('$') + record.action,
                        "file and action read back otherwise");
    }
    for (const Diagnostic &warning : std::as_const(warnings))
        fuzz::check(warning.line >= 1 && warning.line <= lastLine, "a warning off the log");

    // Signing in after a complete record: the sign-in is the last record.
    if (text.isEmpty() || text.endsWith(QLatin1String("\r\n\n"))) {
        ActionLog::Entry signIn;
        signIn.action = QStringLiteral("taskCompleted");
        signIn.previousStamp = 100;
        signIn.stamp = 100;
        const std::optional<LogFile::TaskAndAction> last =
            LogFile::lastCompleteRecord(text + ActionLog::format(signIn));
        fuzz::check(last && last->task.trimmed() == QLatin1String("code")
                        && last->action == QLatin1String("code"),
                    "the record appended last is not the last one read");
    }
    return 0;
}
