#pragma once

#include "report/textids.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <limits>
#include <memory>
#include <optional>
#include <vector>

// One table of the study report: named, typed columns and rows of cells.
// The CSV files, the SQLite database and the page's charts all read the
// same tables. Cells are kept column by column in their own type, as a
// study's half a million log records make a cell per value too costly: a
// text column holds each distinct text once (participants, files, features
// repeat in every row), with its UTF-8 and its CSV field made once too.
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
    // columns, QString for Text ones (a null QString is an empty cell), Null
    // or an empty optional for nothing.
    template<typename... Cells>
    void addRow(const Cells &...cells)
    {
        Q_ASSERT(int(sizeof...(cells)) == columnCount());
        int c = 0;
        (put(c++, cells), ...);
        ++m_rows;
    }

    qsizetype rowCount() const { return m_rows; }
    bool isNull(qsizetype row, int column) const
    {
        const ColumnData &data = m_data[size_t(column)];
        return m_columns.at(column).type == Type::Text ? data.ids[size_t(row)] < 0
                                                        : data.numbers[size_t(row)] == nullNumber;
    }
    // A number cell; 0 for an empty one.
    qint64 number(qsizetype row, int column) const
    {
        const qint64 number = m_data[size_t(column)].numbers[size_t(row)];
        return number == nullNumber ? 0 : number;
    }
    // A text cell; a null QString for an empty one.
    const QString &string(qsizetype row, int column) const
    {
        const qint32 id = m_data[size_t(column)].ids[size_t(row)];
        return id < 0 ? nullText() : m_data[size_t(column)].pool.ids.text(id);
    }
    // A text cell as UTF-8, and as a CSV field (quoted where it must be);
    // empty for an empty cell.
    const QByteArray &utf8(qsizetype row, int column) const;
    const QByteArray &csvField(qsizetype row, int column) const;
    // A cell as CSV and the database hold it; "" for an empty cell.
    QString text(qsizetype row, int column) const;

    static QString isoTime(qint64 secondsSinceEpoch);

private:
    // The distinct texts of a column, as text, UTF-8 and CSV field.
    struct Pool
    {
        TextIds ids;
        std::vector<QByteArray> utf8;
        std::vector<QByteArray> csv;
    };
    // Cells in blocks of a fixed size that never move: a growing table is
    // not copied again and again (a million rows of exposure and first views).
    template<typename T>
    class Blocks
    {
    public:
        void push_back(T value)
        {
            if ((m_size & mask) == 0)
                m_blocks.push_back(std::make_unique<T[]>(size_t(1) << shift));
            m_blocks.back()[m_size & mask] = value;
            ++m_size;
        }
        T operator[](size_t index) const { return m_blocks[index >> shift][index & mask]; }

    private:
        static constexpr int shift = 15;
        static constexpr size_t mask = (size_t(1) << shift) - 1;
        std::vector<std::unique_ptr<T[]>> m_blocks;
        size_t m_size = 0;
    };
    struct ColumnData
    {
        Blocks<qint64> numbers; // nullNumber: empty
        Blocks<qint32> ids;     // into pool.ids; -1: empty
        Pool pool;
    };
    // No time or count of a study comes near it.
    static constexpr qint64 nullNumber = std::numeric_limits<qint64>::min();

    static const QString &nullText();
    static const QByteArray &noBytes();

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
