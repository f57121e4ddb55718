#include "reportdatabase.h"

#include "report/reporttable.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

#include <sqlite3.h>

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

// The driver's own binding (a QVariant and a named placeholder looked up per
// value) costs several times what SQLite takes to store a row, so the rows go
// in through the connection's SQLite handle, one prepared statement reused.
sqlite3 *handleOf(const QSqlDatabase &database)
{
    const QVariant handle = database.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(handle.constData());
}

QString sqliteError(sqlite3 *handle)
{
    return QString::fromUtf8(sqlite3_errmsg(handle));
}

// An INSERT of rows rows at once: each statement costs SQLite some work
// of its own beyond its rows, which a few dozen rows share.
sqlite3_stmt *prepareInsert(sqlite3 *handle, const ReportTable &table, int rows)
{
    QStringList marks;
    for (int c = 0; c < table.columnCount(); ++c)
        marks.append(QStringLiteral("?"));
    const QString row = QLatin1Char('(') + marks.join(QLatin1Char(',')) + QLatin1Char(')');
    QStringList values;
    for (int r = 0; r < rows; ++r)
        values.append(row);
    const QByteArray sql = QStringLiteral("INSERT INTO %1 VALUES %2")
                               .arg(quoted(table.name()), values.join(QLatin1Char(',')))
                               .toUtf8();
    sqlite3_stmt *insert = nullptr;
    if (sqlite3_prepare_v2(handle, sql.constData(), int(sql.size()), &insert, nullptr)
        != SQLITE_OK) {
        sqlite3_finalize(insert);
        return nullptr;
    }
    return insert;
}

// Binds the cells of one row from parameter first on. Consecutive events
// share a time stamp (one's end, the next one's start): each column keeps
// its last one written out in lastIso, and times holds those the statement
// binds until it has run.
void bindRow(sqlite3_stmt *insert, const ReportTable &table, qsizetype row, int first,
             std::vector<qint64> &lastTime, std::vector<QByteArray> &lastIso,
             QByteArray *times)
{
    for (int c = 0; c < table.columnCount(); ++c) {
        const int index = first + c;
        if (table.isNull(row, c)) {
            sqlite3_bind_null(insert, index);
            continue;
        }
        switch (table.columns().at(c).type) {
        case ReportTable::Type::Integer:
            sqlite3_bind_int64(insert, index, table.number(row, c));
            break;
        case ReportTable::Type::Time:
            if (table.number(row, c) != lastTime[size_t(c)]) {
                lastTime[size_t(c)] = table.number(row, c);
                lastIso[size_t(c)] = ReportTable::isoTime(lastTime[size_t(c)]).toLatin1();
            }
            // Kept for the statement: the next row may change lastIso.
            times[c] = lastIso[size_t(c)];
            sqlite3_bind_text(insert, index, times[c].constData(), int(times[c].size()),
                              SQLITE_STATIC);
            break;
        case ReportTable::Type::Text: {
            // Made once for each distinct text, kept by the table; NUL characters are kept.
            const QByteArray &text = table.utf8(row, c);
            sqlite3_bind_text(insert, index, text.constData(), int(text.size()), SQLITE_STATIC);
            break;
        }
        }
    }
}

bool insertRows(sqlite3 *handle, const ReportTable &table, QString *error)
{
    const int columns = table.columnCount();
    const int batch = std::max(1, 480 / columns);
    sqlite3_stmt *many = prepareInsert(handle, table, batch);
    sqlite3_stmt *one = many ? prepareInsert(handle, table, 1) : nullptr;
    std::vector<qint64> lastTime(size_t(columns), -1);
    std::vector<QByteArray> lastIso(static_cast<size_t>(columns));
    std::vector<QByteArray> times(size_t(batch) * size_t(columns));
    bool stored = one != nullptr;
    qsizetype row = 0;
    while (stored && row < table.rowCount()) {
        sqlite3_stmt *insert = table.rowCount() - row >= batch ? many : one;
        const int rows = insert == many ? batch : 1;
        for (int r = 0; r < rows; ++r)
            bindRow(insert, table, row + r, 1 + r * columns, lastTime, lastIso,
                    times.data() + size_t(r) * size_t(columns));
        stored = sqlite3_step(insert) == SQLITE_DONE;
        sqlite3_reset(insert);
        row += rows;
    }
    if (!stored)
        *error = sqliteError(handle);
    sqlite3_finalize(many);
    sqlite3_finalize(one);
    return stored;
}

// Joins and selections go by participant, and by participant and task: one
// index on both serves either; the small per-task tables get one on the task
// alone too, for summaries across participants.
bool addIndexes(QSqlQuery &query, const ReportTable &table, QString *error)
{
    if (table.column(QStringLiteral("participant")) < 0)
        return true;
    const bool hasTask = table.column(QStringLiteral("task")) >= 0;
    QList<QStringList> indexes{hasTask ? QStringList{QStringLiteral("participant"),
                                                     QStringLiteral("task")}
                                       : QStringList{QStringLiteral("participant")}};
    if (hasTask && (table.name() == QLatin1String("tasks")
                    || table.name() == QLatin1String("answers")))
        indexes.append({QStringLiteral("task")});
    for (const QStringList &columns : std::as_const(indexes)) {
        QStringList quotedColumns;
        for (const QString &column : columns)
            quotedColumns.append(quoted(column));
        const QString name = table.name() + QLatin1Char('_') + columns.join(QLatin1Char('_'));
        if (!query.exec(QStringLiteral("CREATE INDEX %1 ON %2 (%3)")
                            .arg(quoted(name), quoted(table.name()),
                                 quotedColumns.join(QStringLiteral(", "))))) {
            *error = query.lastError().text();
            return false;
        }
    }
    return true;
}

bool fill(QSqlDatabase &database, const QList<const ReportTable *> &tables, QString *error)
{
    sqlite3 *handle = handleOf(database);
    if (!handle) {
        *error = QStringLiteral("the SQLite driver gives no SQLite handle");
        return false;
    }
    QSqlQuery query(database);
    // A new file that is renamed into place when complete: no journal needed.
    // Large pages and a cache that holds the biggest table's index while it
    // is built: fewer, larger writes, and no page read back.
    for (const char *pragma :
         {"PRAGMA page_size = 65536", "PRAGMA journal_mode = OFF", "PRAGMA synchronous = OFF",
          "PRAGMA locking_mode = EXCLUSIVE", "PRAGMA cache_size = -32768",
          "PRAGMA temp_store = MEMORY"}) {
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
        // The index is made first and grows with the rows: they come by
        // participant and mostly by task, so each goes at one of a few ends
        // of it, which costs less than sorting them all afterwards.
        if (!addIndexes(query, *table, error) || !insertRows(handle, *table, error))
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
