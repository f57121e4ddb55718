#pragma once

#include <QList>
#include <QString>

#include <optional>
#include <vector>

// One table of the study report: named, typed columns and rows of cells.
// The CSV files, the SQLite database and the page's charts all read the
// same tables. Cells are kept column by column in their own type, as a
// study's half a million log records make a cell per value too costly.
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
    // An empty cell (NULL in the database).
    struct Null
    {
    };

    ReportTable(const QString &name, const QList<Column> &columns);

    QString name() const { return m_name; }
    const QList<Column> &columns() const { return m_columns; }
    int columnCount() const { return int(m_columns.size()); }
    int column(const QString &name) const;

    // Appends a row, cells in column order: numbers for Integer and Time
    // columns, QString for Text ones, Null or an empty optional for nothing.
    template<typename... Cells>
    void addRow(const Cells &...cells)
    {
        Q_ASSERT(int(sizeof...(cells)) == columnCount());
        int c = 0;
        (put(c++, cells), ...);
        ++m_rows;
    }

    qsizetype rowCount() const { return m_rows; }
    void reserve(qsizetype rows);
    bool isNull(qsizetype row, int column) const { return m_data[column].nulls[size_t(row)]; }
    qint64 number(qsizetype row, int column) const
    {
        return m_data[column].numbers[size_t(row)];
    }
    const QString &string(qsizetype row, int column) const
    {
        return m_data[column].texts[size_t(row)];
    }
    // A cell as CSV and the database hold it; "" for an empty cell.
    QString text(qsizetype row, int column) const;

    static QString isoTime(qint64 secondsSinceEpoch);

private:
    struct ColumnData
    {
        std::vector<qint64> numbers;
        std::vector<QString> texts;
        std::vector<bool> nulls;
    };

    void put(int column, Null);
    void put(int column, qint64 value);
    void put(int column, int value) { put(column, qint64(value)); }
    void put(int column, const QString &value);
    template<typename T>
    void put(int column, const std::optional<T> &value)
    {
        if (value)
            put(column, *value);
        else
            put(column, Null());
    }

    QString m_name;
    QList<Column> m_columns;
    std::vector<ColumnData> m_data;
    qsizetype m_rows = 0;
};
