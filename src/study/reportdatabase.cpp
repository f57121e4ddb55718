#include "reportdatabase.h"

#include "study/reporttable.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace ReportDatabase {

namespace {

const QString driver = QStringLiteral("QSQLITE");

QString quoted(const QString &name)
{
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QStringLiteral("\"\""))
           + QLatin1Char('"');
}

// An INSERT of rows rows at once: one statement per row costs more in the
// driver than SQLite takes to store it.
QString insertStatement(const ReportTable &table, int rows)
{
    QStringList marks;
    for (int c = 0; c < table.columnCount(); ++c)
        marks.append(QStringLiteral("?"));
    const QString row = QLatin1Char('(') + marks.join(QLatin1Char(',')) + QLatin1Char(')');
    QStringList values;
    for (int r = 0; r < rows; ++r)
        values.append(row);
    return QStringLiteral("INSERT INTO %1 VALUES %2")
        .arg(quoted(table.name()), values.join(QLatin1Char(',')));
}

bool insertRows(QSqlDatabase &database, const ReportTable &table, QString *error)
{
    const int columns = table.columnCount();
    // SQLite takes at most 32766 parameters in one statement.
    const int batch = std::max(1, std::min(200, 32766 / std::max(1, columns)));
    QSqlQuery insert(database);
    int prepared = 0;
    // Consecutive events share a time stamp (one's end, the next one's start).
    qint64 lastTime = -1;
    QString lastIso;
    for (qsizetype first = 0; first < table.rowCount(); first += batch) {
        const int rows = int(std::min<qsizetype>(batch, table.rowCount() - first));
        if (rows != prepared) {
            if (!insert.prepare(insertStatement(table, rows))) {
                *error = insert.lastError().text();
                return false;
            }
            prepared = rows;
        }
        int index = 0;
        for (qsizetype row = first; row < first + rows; ++row) {
            for (int c = 0; c < columns; ++c, ++index) {
                if (table.isNull(row, c)) {
                    insert.bindValue(index, QVariant());
                    continue;
                }
                switch (table.columns().at(c).type) {
                case ReportTable::Type::Integer:
                    insert.bindValue(index, table.number(row, c));
                    break;
                case ReportTable::Type::Time:
                    if (table.number(row, c) != lastTime) {
                        lastTime = table.number(row, c);
                        lastIso = ReportTable::isoTime(lastTime);
                    }
                    insert.bindValue(index, lastIso);
                    break;
                case ReportTable::Type::Text:
                    insert.bindValue(index, table.string(row, c));
                    break;
                }
            }
        }
        if (!insert.exec()) {
            *error = insert.lastError().text();
            return false;
        }
    }
    return true;
}

bool fill(QSqlDatabase &database, const QList<const ReportTable *> &tables, QString *error)
{
    QSqlQuery query(database);
    // A new file that is renamed into place when complete: no journal needed.
    for (const char *pragma : {"PRAGMA journal_mode = OFF", "PRAGMA synchronous = OFF"}) {
        if (!query.exec(QLatin1String(pragma))) {
            *error = query.lastError().text();
            return false;
        }
    }
    if (!database.transaction()) {
        *error = database.lastError().text();
        return false;
    }
    for (const ReportTable *table : tables) {
        QStringList columns;
        for (const ReportTable::Column &column : table->columns()) {
            columns.append(quoted(column.name) + (column.type == ReportTable::Type::Integer
                                                      ? QStringLiteral(" INTEGER")
                                                      : QStringLiteral(" TEXT")));
        }
        if (!query.exec(QStringLiteral("CREATE TABLE %1 (%2)")
                            .arg(quoted(table->name()), columns.join(QStringLiteral(", "))))) {
            *error = query.lastError().text();
            return false;
        }
        if (!insertRows(database, *table, error))
            return false;
    }
    if (!database.commit()) {
        *error = database.lastError().text();
        return false;
    }
    return true;
}

} // namespace

bool write(const QList<const ReportTable *> &tables, const QString &path, QString *error)
{
    if (!QSqlDatabase::isDriverAvailable(driver)) {
        *error = QStringLiteral("Qt SQL has no SQLite driver (Debian package libqt6sql6-sqlite)");
        return false;
    }
    const QString partial = path + QStringLiteral(".part");
    QFile::remove(partial);
    const QString connection = QStringLiteral("featurehue-report-%1").arg(quintptr(&tables));
    bool written = false;
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(driver, connection);
        database.setDatabaseName(partial);
        if (!database.open())
            *error = database.lastError().text();
        else
            written = fill(database, tables, error);
        database.close();
    }
    QSqlDatabase::removeDatabase(connection);
    // rename() replaces an older database in one step.
    if (written && std::rename(QFile::encodeName(partial).constData(),
                               QFile::encodeName(path).constData())
                       != 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        written = false;
    }
    if (!written)
        QFile::remove(partial);
    return written;
}

} // namespace ReportDatabase
