#pragma once

#include <QList>
#include <QString>
#include <QVariant>

// One table of the study report: named, typed columns and rows of cells.
// The CSV files and the SQLite database are written from the same tables.
class ReportTable
{
public:
    enum class Type {
        Text,
        Integer,
        Time, // seconds since the epoch, written as ISO 8601 UTC ("2024-05-06T07:08:09Z")
    };
    struct Column
    {
        QString name;
        Type type = Type::Text;
    };

    ReportTable(const QString &name, const QList<Column> &columns);

    QString name() const { return m_name; }
    const QList<Column> &columns() const { return m_columns; }
    int columnCount() const { return int(m_columns.size()); }
    int column(const QString &name) const;

    // Appends a row; cells in column order. A null QVariant is an empty cell
    // (NULL in the database).
    void addRow(const QVariantList &cells);
    qsizetype rowCount() const { return m_columns.isEmpty() ? 0 : m_cells.size() / columnCount(); }
    const QVariant &cell(qsizetype row, int column) const
    {
        return m_cells.at(row * columnCount() + column);
    }

    // A cell as text the way CSV and the database hold it.
    QString text(qsizetype row, int column) const;

    static QString isoTime(qint64 secondsSinceEpoch);

private:
    QString m_name;
    QList<Column> m_columns;
    QVariantList m_cells;
};
