#include "reporttable.h"

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

void ReportTable::reserve(qsizetype rows)
{
    for (int c = 0; c < columnCount(); ++c) {
        ColumnData &data = m_data[size_t(c)];
        if (m_columns.at(c).type == Type::Text)
            data.texts.reserve(size_t(rows));
        else
            data.numbers.reserve(size_t(rows));
        data.nulls.reserve(size_t(rows));
    }
}

void ReportTable::put(int column, Null)
{
    ColumnData &data = m_data[size_t(column)];
    if (m_columns.at(column).type == Type::Text)
        data.texts.emplace_back();
    else
        data.numbers.push_back(0);
    data.nulls.push_back(true);
}

void ReportTable::put(int column, qint64 value)
{
    Q_ASSERT(m_columns.at(column).type != Type::Text);
    m_data[size_t(column)].numbers.push_back(value);
    m_data[size_t(column)].nulls.push_back(false);
}

void ReportTable::put(int column, const QString &value)
{
    Q_ASSERT(m_columns.at(column).type == Type::Text);
    m_data[size_t(column)].texts.push_back(value);
    m_data[size_t(column)].nulls.push_back(false);
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
