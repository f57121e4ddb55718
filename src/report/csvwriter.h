#pragma once

#include <QByteArray>
#include <QString>

class ReportTable;

// Report tables as CSV: UTF-8, a header row, fields quoted by RFC 4180 where
// they hold a comma, a quote or a line break, lines ended by CRLF.
namespace CsvWriter {

// One field as written.
QByteArray field(const QString &text);

QByteArray encode(const ReportTable &table);

// Writes the file completely or not at all; false with error set on failure.
bool write(const ReportTable &table, const QString &path, QString *error);

} // namespace CsvWriter
