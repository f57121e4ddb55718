#include "csvwriter.h"

#include "report/reportoutput.h"
#include "report/reporttable.h"

#include <QSaveFile>

#include <charconv>

namespace CsvWriter {

namespace {

void appendNumber(QByteArray &csv, qint64 number)
{
    char digits[24];
    const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, number);
    csv.append(digits, end.ptr - digits);
}

} // namespace

QByteArray field(const QString &text)
{
    QByteArray bytes = text.toUtf8();
    const bool quote = bytes.contains(',') || bytes.contains('"') || bytes.contains('\n')
                       || bytes.contains('\r');
    if (!quote)
        return bytes;
    bytes.replace("\"", "\"\"");
    return '"' + bytes + '"';
}

namespace {

void appendHeader(QByteArray &csv, const ReportTable &table)
{
    for (int c = 0; c < table.columnCount(); ++c) {
        if (c > 0)
            csv += ',';
        csv += field(table.columns().at(c).name);
    }
    csv += "\r\n";
}

// Rows from .. to - 1. Consecutive events share a time stamp (one's end, the
// next one's start): the last one written is kept in lastTime and lastIso.
void appendRows(QByteArray &csv, const ReportTable &table, qsizetype from, qsizetype to,
                qint64 &lastTime, QByteArray &lastIso)
{
    const int columns = table.columnCount();
    for (qsizetype row = from; row < to; ++row) {
        for (int c = 0; c < columns; ++c) {
            if (c > 0)
                csv += ',';
            if (table.isNull(row, c))
                continue;
            switch (table.columns().at(c).type) {
            case ReportTable::Type::Integer:
                appendNumber(csv, table.number(row, c));
                break;
            case ReportTable::Type::Time:
                if (table.number(row, c) != lastTime) {
                    lastTime = table.number(row, c);
                    lastIso = ReportTable::isoTime(lastTime).toLatin1();
                }
                csv += lastIso;
                break;
            case ReportTable::Type::Text:
                csv += table.csvField(row, c);
                break;
            }
        }
        csv += "\r\n";
    }
}

} // namespace

QByteArray encode(const ReportTable &table)
{
    QByteArray csv;
    // Grown in large steps: an event row takes about 130 bytes.
    csv.reserve(qsizetype(160) * (table.rowCount() + 1));
    appendHeader(csv, table);
    qint64 lastTime = -1;
    QByteArray lastIso;
    appendRows(csv, table, 0, table.rowCount(), lastTime, lastIso);
    return csv;
}

bool write(const ReportTable &table, const QString &path, QString *error)
{
    // Unbuffered: a failing write then says why (a full disk), where a
    // failing flush in commit() would only say "Unknown error".
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        *error = file.errorString();
        return false;
    }
    // Written in pieces: the events of a large study are some hundred
    // megabytes as text, which need not all be in memory at once.
    constexpr qsizetype rowsAtOnce = 20000;
    QByteArray csv;
    appendHeader(csv, table);
    qint64 lastTime = -1;
    QByteArray lastIso;
    bool written = true;
    for (qsizetype from = 0; written && from < table.rowCount(); from += rowsAtOnce) {
        appendRows(csv, table, from, std::min(table.rowCount(), from + rowsAtOnce), lastTime,
                   lastIso);
        written = ReportOutput::writeAll(file, csv);
        csv.resize(0); // keeps its memory for the next piece
    }
    if (!written || !ReportOutput::writeAll(file, csv) || !file.commit()) {
        *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    return true;
}

} // namespace CsvWriter
