#include "benchtable.h"

#include <QFile>
#include <QRegularExpression>

#include <cstdio>
#include <ctime>

void BenchTable::add(const QString &name, double value, const QString &unit,
                     std::optional<double> limit)
{
    m_rows.append({name, value, unit, limit});
}

double BenchTable::time(const QString &name, const std::function<void()> &work,
                        std::optional<double> limitMs)
{
    QElapsedTimer timer;
    timer.start();
    work();
    const double ms = timer.nsecsElapsed() / 1e6;
    add(name, ms, QStringLiteral("ms"), limitMs);
    return ms;
}

void BenchTable::addNote(const QString &text)
{
    m_notes.append(text);
}

std::optional<double> BenchTable::value(const QString &name) const
{
    for (const Row &row : m_rows)
        if (row.name == name)
            return row.value;
    return std::nullopt;
}

bool BenchTable::print() const
{
    int nameWidth = 7;
    for (const Row &row : m_rows)
        nameWidth = qMax(nameWidth, int(row.name.size()));

    const auto line = [](const QString &text) {
        std::fputs(text.toUtf8().constData(), stdout);
        std::fputc('\n', stdout);
    };
    const auto number = [](double value) {
        return value == qint64(value) && qAbs(value) < 1e12 ? QString::number(qint64(value))
                                                              : QString::number(value, 'f', 1);
    };

    line(QStringLiteral("%1  %2  %3  %4")
             .arg(QStringLiteral("Measure"), -nameWidth)
             .arg(QStringLiteral("Value"), 12)
             .arg(QStringLiteral("Limit"), 10)
             .arg(QStringLiteral("Status")));
    line(QString(nameWidth + 2 + 12 + 2 + 10 + 2 + 6, QLatin1Char('-')));
    bool allKept = true;
    for (const Row &row : m_rows) {
        const QString value = number(row.value) + (row.unit.isEmpty() ? QString()
                                                                      : QLatin1Char(' ') + row.unit);
        QString limit;
        QString status;
        if (row.limit) {
            limit = number(*row.limit) + (row.unit.isEmpty() ? QString()
                                                             : QLatin1Char(' ') + row.unit);
            const bool kept = row.value <= *row.limit;
            status = kept ? QStringLiteral("ok") : QStringLiteral("OVER");
            allKept = allKept && kept;
        }
        line(QStringLiteral("%1  %2  %3  %4")
                 .arg(row.name, -nameWidth)
                 .arg(value, 12)
                 .arg(limit, 10)
                 .arg(status));
    }
    for (const QString &note : m_notes)
        line(note);
    std::fflush(stdout);
    return allKept;
}

namespace {

double statusMegabytes(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return 0;
    const QString text = QString::fromLatin1(status.readAll());
    const QRegularExpression pattern(QStringLiteral("^%1:\\s*(\\d+)\\s*kB").arg(QLatin1String(field)),
                                     QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = pattern.match(text);
    return match.hasMatch() ? match.captured(1).toDouble() / 1024.0 : 0;
}

} // namespace

double peakMegabytes()
{
    return statusMegabytes("VmHWM");
}

double residentMegabytes()
{
    return statusMegabytes("VmRSS");
}

double cpuMilliseconds()
{
    timespec now{};
    if (clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now) != 0)
        return 0;
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}
