#include "csvwriter.h"

#include "study/reporttable.h"

#include <QSaveFile>

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

QByteArray encode(const ReportTable &table)
{
    QByteArray csv;
    const int columns = table.columnCount();
    csv.reserve(qsizetype(128) * (table.rowCount() + 1));
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
                csv += QByteArray::number(table.number(row, c));
                break;
            case ReportTable::Type::Time:
                if (table.number(row, c) != lastTime) {
                    lastTime = table.number(row, c);
                    lastIso = ReportTable::isoTime(lastTime).toLatin1();
                }
                csv += lastIso;
                break;
            case ReportTable::Type::Text:
                csv += field(table.string(row, c));
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
