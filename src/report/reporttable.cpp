#include "reporttable.h"

#include "report/csvwriter.h"

#include <cstdio>
#include <cstring>

ReportTable::ReportTable(const QString &name, const QList<Column> &columns)
    : m_name(name), m_columns(columns), m_data(size_t(columns.size()))
{
}

int ReportTable::column(const QString &name) const
{
    for (int i = 0; i < m_columns.size(); ++i) {
        if (m_columns.at(i).name == name)
            return i;
    }
    return -1;
}

const QString &ReportTable::nullText()
{
    static const QString none;
    return none;
}

const QByteArray &ReportTable::noBytes()
{
    static const QByteArray none;
    return none;
}

void ReportTable::put(int column, Null)
{
    ColumnData &data = m_data[size_t(column)];
    if (m_columns.at(column).type == Type::Text) {
        data.ids.push_back(-1);
        return;
    }
    data.numbers.push_back(nullNumber);
}

void ReportTable::put(int column, qint64 value)
{
    Q_ASSERT(m_columns.at(column).type != Type::Text && value != nullNumber);
    m_data[size_t(column)].numbers.push_back(value);
}

void ReportTable::put(int column, const QString &value)
{
    Q_ASSERT(m_columns.at(column).type == Type::Text);
    ColumnData &data = m_data[size_t(column)];
    if (value.isNull()) {
        data.ids.push_back(-1);
        return;
    }
    Pool &pool = data.pool;
    const int id = pool.ids.id(value);
    if (id == int(pool.utf8.size())) {
        pool.utf8.push_back(value.toUtf8());
        pool.csv.push_back(CsvWriter::field(value));
    }
    data.ids.push_back(id);
}

const QByteArray &ReportTable::utf8(qsizetype row, int column) const
{
    const ColumnData &data = m_data[size_t(column)];
    const qint32 id = data.ids[size_t(row)];
    return id < 0 ? noBytes() : data.pool.utf8[size_t(id)];
}

const QByteArray &ReportTable::csvField(qsizetype row, int column) const
{
    const ColumnData &data = m_data[size_t(column)];
    const qint32 id = data.ids[size_t(row)];
    return id < 0 ? noBytes() : data.pool.csv[size_t(id)];
}

QString ReportTable::text(qsizetype row, int column) const
{
    if (isNull(row, column))
        return QString();
    switch (m_columns.at(column).type) {
    case Type::Time:
        return isoTime(number(row, column));
    case Type::Integer:
        return QString::number(number(row, column));
    case Type::Text:
        break;
    }
    return string(row, column);
}

QString ReportTable::isoTime(qint64 secondsSinceEpoch)
{
    // Days to civil date (proleptic Gregorian), done here because the
    // report writes two per event and QDateTime is slow at that rate.
    qint64 days = secondsSinceEpoch / 86400;
    qint64 rest = secondsSinceEpoch % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    const qint64 z = days + 719468;
    const qint64 era = (z >= 0 ? z : z - 146096) / 146097;
    const qint64 dayOfEra = z - era * 146097;
    const qint64 yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const qint64 dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const qint64 shiftedMonth = (5 * dayOfYear + 2) / 153;
    const qint64 day = dayOfYear - (153 * shiftedMonth + 2) / 5 + 1;
    const qint64 month = shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9;
    const qint64 year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);

    // Written digit by digit: snprintf was a noticeable part of the report.
    char buffer[32];
    char *out = buffer;
    const auto digits = [&out](qint64 value, int width) {
        char *end = out + width;
        for (char *at = end - 1; at >= out; --at, value /= 10)
            *at = char('0' + value % 10);
        out = end;
    };
    if (year < 0 || year > 9999) {
        std::snprintf(buffer, sizeof buffer, "%04lld", static_cast<long long>(year));
        out = buffer + std::strlen(buffer);
    } else {
        digits(year, 4);
    }
    *out++ = '-';
    digits(month, 2);
    *out++ = '-';
    digits(day, 2);
    *out++ = 'T';
    digits(rest / 3600, 2);
    *out++ = ':';
    digits(rest / 60 % 60, 2);
    *out++ = ':';
    digits(rest % 60, 2);
    *out++ = 'Z';
    return QString::fromLatin1(buffer, out - buffer);
}
