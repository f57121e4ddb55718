#pragma once

#include <QList>
#include <QString>

class ReportTable;

// The report tables in one SQLite database, through Qt SQL's SQLite driver,
// for R, pandas or the sqlite3 shell. Times are ISO 8601 text, as in the CSV
// files; empty cells are NULL.
namespace ReportDatabase {

// Writes a new database in place of path: complete or not at all. False
// with error set on failure.
bool write(const QList<const ReportTable *> &tables, const QString &path, QString *error);

} // namespace ReportDatabase
