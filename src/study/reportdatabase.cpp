#include "reportdatabase.h"

#include "study/reporttable.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

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
        QStringList placeholders;
        for (const ReportTable::Column &column : table->columns()) {
            columns.append(quoted(column.name) + (column.type == ReportTable::Type::Integer
                                                      ? QStringLiteral(" INTEGER")
                                                      : QStringLiteral(" TEXT")));
            placeholders.append(QStringLiteral("?"));
        }
        if (!query.exec(QStringLiteral("CREATE TABLE %1 (%2)")
                            .arg(quoted(table->name()), columns.join(QStringLiteral(", "))))) {
            *error = query.lastError().text();
            return false;
        }
        QSqlQuery insert(database);
        if (!insert.prepare(QStringLiteral("INSERT INTO %1 VALUES (%2)")
                                .arg(quoted(table->name()),
                                     placeholders.join(QStringLiteral(", "))))) {
            *error = insert.lastError().text();
            return false;
        }
        const int count = table->columnCount();
        for (qsizetype row = 0; row < table->rowCount(); ++row) {
            for (int c = 0; c < count; ++c) {
                const QVariant &value = table->cell(row, c);
                if (table->columns().at(c).type == ReportTable::Type::Time && !value.isNull())
                    insert.bindValue(c, table->text(row, c));
                else
                    insert.bindValue(c, value);
            }
            if (!insert.exec()) {
                *error = insert.lastError().text();
                return false;
            }
        }
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
