#include "logrecord.h"

#include "core/formats/diagnostics.h"
#include "core/formats/textdecoding.h"

#include <QFile>

#include <algorithm>
#include <array>

namespace {

constexpr qsizetype trailingFields = LogRecord::TrailingFields;
constexpr qsizetype fieldsOfPlainRecord = LogRecord::FieldsOfPlainRecord;

// How the actions the viewer logs begin. They tell where the file name ends
// when a "$" makes the split ambiguous.
constexpr std::array knownActions = {
    u"fileOpened", u"fileClosed", u"selectionChanged", u"saturationChanged(",
    u"select<", u"search<", u"loadColorAssignment<", u"deleteColor<",
    u"assignColor<", u"taskCompleted", u"code",
};

bool startsWithKnownAction(QStringView text)
{
    for (const char16_t *action : knownActions) {
        if (text.startsWith(QStringView(action)))
            return true;
    }
    return false;
}

bool fail(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

// A line number as logged: empty (not known) or a decimal number.
bool readLineNumber(QStringView text, int *number)
{
    if (text.isEmpty()) {
        *number = -1;
        return true;
    }
    bool ok = false;
    *number = text.toInt(&ok);
    return ok && *number >= 0;
}

bool readStamp(QStringView text, qint64 *stamp)
{
    bool ok = false;
    *stamp = text.toLongLong(&ok);
    return ok && *stamp >= 0;
}

bool readTask(QStringView text, int *task)
{
    if (text == u"code") {
        *task = -1;
        return true;
    }
    if (!text.startsWith(u"task"))
        return false;
    const QStringView number = text.mid(4);
    bool ok = false;
    *task = number.toInt(&ok);
    return ok && *task >= 0;
}

} // namespace

std::optional<LogRecord> LogRecord::parse(QStringView text, QString *error)
{
    const QList<QStringView> fields = text.split(u'$');
    const qsizetype n = fields.size();
    if (n < fieldsOfPlainRecord) {
        fail(error, QStringLiteral("record with %1 of its 8 fields").arg(n));
        return std::nullopt;
    }
    LogRecord record;
    if (!readTask(fields.at(0), &record.task)) {
        fail(error, QStringLiteral("task field \"%1\" is neither \"code\" nor \"task\" and a "
                                   "number").arg(fields.at(0)));
        return std::nullopt;
    }
    const QStringView start = fields.at(n - 5);
    const QStringView end = fields.at(n - 4);
    if (!start.startsWith(u'(') || !end.endsWith(u')')
        || !readLineNumber(start.mid(1), &record.firstLine)
        || !readLineNumber(end.chopped(1), &record.lastLine)) {
        fail(error, QStringLiteral("visible lines \"%1$%2\" are not \"(first$last)\"")
                        .arg(start, end));
        return std::nullopt;
    }
    // The difference is only checked for its form: the report takes the
    // seconds from the time stamps of consecutive records.
    bool differenceIsNumber = false;
    const qint64 difference = fields.at(n - 1).toLongLong(&differenceIsNumber);
    Q_UNUSED(difference);
    if (!readStamp(fields.at(n - 3), &record.previousStamp)
        || !readStamp(fields.at(n - 2), &record.stamp) || !differenceIsNumber) {
        fail(error, QStringLiteral("time stamps \"%1$%2$%3\" are not numbers")
                        .arg(fields.at(n - 3), fields.at(n - 2), fields.at(n - 1)));
        return std::nullopt;
    }

    // Fields 1 .. n-6 are the file name and the action. With more than two,
    // the action begins at the first field that starts like an action the
    // viewer logs; failing that, it is the last of them (as the resume reads it).
    const qsizetype last = n - 1 - trailingFields;
    qsizetype actionIndex = last;
    for (qsizetype i = 2; i < last; ++i) {
        if (startsWithKnownAction(fields.at(i))) {
            actionIndex = i;
            break;
        }
    }
    const auto join = [&fields](qsizetype from, qsizetype to) {
        QString joined = fields.at(from).toString();
        for (qsizetype i = from + 1; i <= to; ++i) {
            joined += QLatin1Char('$');
            joined += fields.at(i);
        }
        return joined;
    };
    record.file = join(1, actionIndex - 1);
    record.action = join(actionIndex, last);
    return record;
}

QList<LogRecord> LogRecord::parseLog(const QString &text, const QString &path,
                                     Diagnostics &diagnostics)
{
    QList<Diagnostic> warnings;
    QList<LogRecord> records = parseLog(text, path, &warnings);
    for (const Diagnostic &warning : std::as_const(warnings))
        diagnostics.report(warning);
    return records;
}

QList<LogRecord> LogRecord::parseLog(const QString &text, const QString &path,
                                     QList<Diagnostic> *warnings)
{
    const auto warn = [&](int line, const QString &message) {
        warnings->append({path, line, 0, Diagnostic::Severity::Warning, message});
    };
    QList<LogRecord> records;
    const QList<QStringView> pieces = QStringView(text).split(u"\r\n");
    records.reserve(pieces.size());
    int line = 1;
    for (qsizetype k = 0; k < pieces.size(); ++k) {
        QStringView piece = pieces.at(k);
        if (k > 0) {
            ++line; // the "\r\n" that ended the record before
            // Every record but the first begins with the "\n" that followed it.
            if (piece.startsWith(u'\n')) {
                piece = piece.mid(1);
                ++line;
            }
        }
        const int recordLine = line;
        line += int(piece.count(u'\n'));
        if (piece.trimmed().isEmpty())
            continue;
        if (k == pieces.size() - 1) {
            warn(recordLine, QStringLiteral("incomplete last record skipped (the program "
                                            "stopped while writing it)"));
            break;
        }
        QString error;
        std::optional<LogRecord> record = parse(piece, &error);
        if (!record) {
            warn(recordLine, QStringLiteral("malformed record skipped: ") + error);
            continue;
        }
        record->line = recordLine;
        records.append(std::move(*record));
    }
    return records;
}

namespace LogFile {

QString fromBytes(const QByteArray &bytes)
{
    return decodeStudyText(bytes);
}

std::optional<QString> read(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return std::nullopt;
    }
    return fromBytes(file.readAll());
}

std::optional<TaskAndAction> lastCompleteRecord(const QString &text)
{
    const QList<QStringView> records = QStringView(text).split(u"\r\n");
    if (records.size() < 2)
        return std::nullopt;
    const QList<QStringView> fields = records.at(records.size() - 2).split(u'$');
    if (fields.size() < 3)
        return std::nullopt;
    const qsizetype action =
        fields.size() > fieldsOfPlainRecord ? fields.size() - 1 - trailingFields : 2;
    return TaskAndAction{fields.at(0).toString(), fields.at(action).toString()};
}

qint64 milliseconds(qint64 stamp)
{
    constexpr qint64 earliest = -62135596800; // 0001-01-01T00:00:00Z
    constexpr qint64 latest = 253402300799;   // 9999-12-31T23:59:59Z
    return std::clamp(stamp, earliest, latest) * 1000;
}

QList<qint64> moments(const QList<LogRecord> &records)
{
    const int count = int(records.size());
    QList<qint64> ms(count);
    for (int i = 0; i < count;) {
        int j = i;
        while (j < count && records.at(j).stamp == records.at(i).stamp)
            ++j;
        for (int k = i; k < j; ++k)
            ms[k] = milliseconds(records.at(i).stamp) + qint64(k - i) * 1000 / (j - i);
        i = j;
    }
    return ms;
}

} // namespace LogFile

ActionText ActionText::split(const QString &action)
{
    const auto inside = [&action](QChar open, QChar close) -> std::optional<ActionText> {
        if (!action.endsWith(close))
            return std::nullopt;
        const qsizetype at = action.indexOf(open);
        if (at < 0 || at == action.size() - 1)
            return std::nullopt;
        return ActionText{action.left(at), action.mid(at + 1, action.size() - at - 2)};
    };
    if (auto parts = inside(QLatin1Char('('), QLatin1Char(')')))
        return *parts;
    if (auto parts = inside(QLatin1Char('<'), QLatin1Char('>')))
        return *parts;
    return ActionText{action, QString()};
}
