#include "csvwriter.h"

#include "report/reporttable.h"

#include <QSaveFile>

#include <charconv>

namespace CsvWriter {

namespace {

// Appends a field. Most are plain ASCII without a comma, a quote or a line
// break: those are copied as they are, without a conversion of their own.
void appendField(QByteArray &csv, const QString &text)
{
    const char16_t *chars = reinterpret_cast<const char16_t *>(text.constData());
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = chars[i];
        if (c >= 0x80 || c == u',' || c == u'"' || c == u'\n' || c == u'\r') {
            csv += field(text);
            return;
        }
    }
    const qsizetype at = csv.size();
    csv.resize(at + size);
    char *out = csv.data() + at;
    for (qsizetype i = 0; i < size; ++i)
        out[i] = char(chars[i]);
}

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

QByteArray encode(const ReportTable &table)
{
    QByteArray csv;
    const int columns = table.columnCount();
    // Grown in large steps: an event row takes about 130 bytes.
    csv.reserve(qsizetype(160) * (table.rowCount() + 1));
    for (int c = 0; c < columns; ++c) {
        if (c > 0)
            csv += ',';
        csv += field(table.columns().at(c).name);
    }
    csv += "\r\n";
    // Consecutive events share a time stamp (one's end, the next one's start).
    qint64 lastTime = -1;
    QByteArray lastIso;
    for (qsizetype row = 0; row < table.rowCount(); ++row) {
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
                appendField(csv, table.string(row, c));
                break;
            }
        }
        csv += "\r\n";
    }
    return csv;
}

bool write(const ReportTable &table, const QString &path, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    const QByteArray bytes = encode(table);
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    return true;
}

} // namespace CsvWriter
