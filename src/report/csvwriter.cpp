#include "csvwriter.h"

#include "report/reportoutput.h"
#include "report/reporttable.h"

#include <QSaveFile>

#include <charconv>
#include <cstring>
#include <vector>

namespace CsvWriter {

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

// Rows from .. to - 1, written straight into csv's bytes: a study's tables
// have some ten million cells, and appending each through QByteArray costs
// more than the cell. Consecutive events share a time stamp (one's end, the
// next one's start): the last one written is kept in lastTime and lastIso.
void appendRows(QByteArray &csv, const ReportTable &table, qsizetype from, qsizetype to,
                qint64 &lastTime, QByteArray &lastIso)
{
    const int columns = table.columnCount();
    std::vector<ReportTable::Type> types;
    for (const ReportTable::Column &column : table.columns())
        types.push_back(column.type);
    qsizetype used = csv.size();
    for (qsizetype row = from; row < to; ++row) {
        // Room for the row: a number or time takes at most 24 bytes.
        qsizetype room = qsizetype(columns) * 25 + 2;
        for (int c = 0; c < columns; ++c) {
            if (types[size_t(c)] == ReportTable::Type::Text)
                room += table.csvField(row, c).size();
        }
        if (csv.size() - used < room)
            csv.resize(std::max(csv.size() * 2, used + room + (qsizetype(1) << 20)));
        char *out = csv.data() + used;
        for (int c = 0; c < columns; ++c) {
            if (c > 0)
                *out++ = ',';
            if (table.isNull(row, c))
                continue;
            switch (types[size_t(c)]) {
            case ReportTable::Type::Integer:
                out = std::to_chars(out, out + 24, table.number(row, c)).ptr;
                break;
            case ReportTable::Type::Time:
                if (table.number(row, c) != lastTime) {
                    lastTime = table.number(row, c);
                    lastIso = ReportTable::isoTime(lastTime).toLatin1();
                }
                std::memcpy(out, lastIso.constData(), size_t(lastIso.size()));
                out += lastIso.size();
                break;
            case ReportTable::Type::Text: {
                const QByteArray &field = table.csvField(row, c);
                std::memcpy(out, field.constData(), size_t(field.size()));
                out += field.size();
                break;
            }
            }
        }
        *out++ = '\r';
        *out++ = '\n';
        used = out - csv.constData();
    }
    csv.resize(used);
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
