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
    for (int c = 0; c < columns; ++c) {
        if (c > 0)
            csv += ',';
        csv += field(table.columns().at(c).name);
    }
    csv += "\r\n";
    for (qsizetype row = 0; row < table.rowCount(); ++row) {
        for (int c = 0; c < columns; ++c) {
            if (c > 0)
                csv += ',';
            const QVariant &value = table.cell(row, c);
            if (value.isNull())
                continue;
            // Numbers need neither quoting nor a text detour.
            if (table.columns().at(c).type == ReportTable::Type::Integer)
                csv += QByteArray::number(value.toLongLong());
            else
                csv += field(table.text(row, c));
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
