#include "viewfile.h"

#include "core/formats/csvreader.h"
#include "core/formats/textdecoding.h"

#include <QFile>

namespace ViewFile {

namespace {

constexpr int ColumnCount = 7;

// A row is one line: line breaks in a text become spaces, when a row is
// written and when one (edited by hand, say) is read.
QString oneLine(QString text)
{
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

QString field(const QString &text)
{
    return CsvReader::quoted(oneLine(text));
}

QString lineNumber(int number)
{
    return number < 0 ? QString() : QString::number(number);
}

// A line number field: empty, or a number from 0.
bool readLineNumber(const QString &text, int *number)
{
    if (text.isEmpty()) {
        *number = -1;
        return true;
    }
    bool ok = false;
    *number = text.toInt(&ok);
    return ok && *number >= 0;
}

std::optional<Row> readRow(const CsvReader::Record &record)
{
    if (record.fields.size() != ColumnCount)
        return std::nullopt;
    Row row;
    row.line = record.line;
    row.time = QDateTime::fromString(record.fields.at(0).text, Qt::ISODateWithMs);
    row.event = oneLine(record.fields.at(1).text);
    row.task = oneLine(record.fields.at(2).text);
    row.file = oneLine(record.fields.at(3).text);
    row.detail = oneLine(record.fields.at(6).text);
    if (!row.time.isValid() || row.event.isEmpty()
        || !readLineNumber(record.fields.at(4).text, &row.first)
        || !readLineNumber(record.fields.at(5).text, &row.last))
        return std::nullopt;
    row.time = row.time.toUTC();
    return row;
}

} // namespace

QByteArray format(const Row &row)
{
    const QChar comma = QLatin1Char(',');
    const QString line = row.time.toUTC().toString(Qt::ISODateWithMs) + comma + field(row.event)
                         + comma + field(row.task) + comma + field(row.file) + comma
                         + lineNumber(row.first) + comma + lineNumber(row.last) + comma
                         + field(row.detail) + QLatin1Char('\n');
    return line.toUtf8();
}

bool append(const QString &path, const Row &row, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Append | QIODevice::Unbuffered)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    const qint64 oldSize = file.size();
    QByteArray bytes;
    if (oldSize == 0) {
        bytes = Header;
    } else {
        // A row cut off by a crash is ended here, so that it spoils only
        // itself and not the row written now.
        char last = '\n';
        if (file.seek(oldSize - 1))
            file.getChar(&last);
        if (last != '\n')
            bytes = "\n";
    }
    bytes += format(row);
    const bool written = file.write(bytes) == bytes.size();
    if (!written) {
        if (error)
            *error = file.errorString();
        file.resize(oldSize);
    }
    file.close();
    if (written && file.error() != QFileDevice::NoError && error)
        *error = file.errorString();
    return written && file.error() == QFileDevice::NoError;
}

Reading read(const QByteArray &bytes, const QString &path)
{
    Reading reading;
    const auto warn = [&](int line, int column, const QString &text) {
        reading.problems.append({path, line, column, Diagnostic::Severity::Warning, text});
    };
    const CsvReader::Result csv =
        CsvReader::parse(decodeStudyText(bytes), CsvReader::Mode::OneLinePerRecord);
    for (const CsvReader::Problem &problem : csv.problems)
        warn(problem.position.line, problem.position.column, problem.text + QStringLiteral(
                                                                 "; the row is left out"));
    for (qsizetype i = 0; i < csv.records.size(); ++i) {
        const CsvReader::Record &record = csv.records.at(i);
        if (i == 0 && record.line == 1 && record.fields.size() == ColumnCount
            && record.fields.at(0).text == QLatin1String("time"))
            continue;
        if (!record.terminated) {
            warn(record.line, 0, QStringLiteral("the last row is cut off (the viewer was "
                                                "stopped while writing it); it is left out"));
            continue;
        }
        if (const std::optional<Row> row = readRow(record))
            reading.rows.append(*row);
        else
            warn(record.line, 0, QStringLiteral("not a row of time,event,task,file,first,last,"
                                                "detail; it is left out"));
    }
    return reading;
}

QString colourDetail(const QString &feature, const QString &colourName)
{
    return feature + QLatin1Char('=') + colourName;
}

int pageOf(const QString &task)
{
    if (task == QLatin1String("code"))
        return -1;
    if (task.startsWith(QLatin1String("task"))) {
        bool ok = false;
        const int page = QStringView(task).mid(4).toInt(&ok);
        if (ok && page >= 0)
            return page;
    }
    return -2;
}

} // namespace ViewFile
