#include "sittingfiles.h"

#include "core/formats/actionlog.h"
#include "core/formats/viewfile.h"

#include <QDateTime>

#include <cmath>

namespace TestSupport {

namespace {

int lineOf(const QString &field)
{
    return field.isEmpty() ? -1 : field.toInt();
}

// "code" is the account page, "task<n>" page n + 1.
int pageOf(const QString &task)
{
    return task == QLatin1String("code") ? 0 : task.mid(4).toInt() + 1;
}

} // namespace

QByteArray logOf(const QStringList &records)
{
    QByteArray text;
    qint64 previous = -1;
    for (QString record : records) {
        const bool newRun = record.startsWith(QLatin1Char('+'));
        if (newRun)
            record.remove(0, 1);
        const QStringList fields = record.split(QLatin1Char('|'));
        Q_ASSERT(fields.size() == 6);
        ActionLog::Entry entry;
        entry.stamp = SittingBase + fields.at(0).toLongLong();
        entry.previousStamp = previous < 0 || newRun ? entry.stamp : previous;
        entry.pageIndex = pageOf(fields.at(1));
        entry.fileName = fields.at(2);
        entry.action = fields.at(3);
        entry.startLine = lineOf(fields.at(4));
        entry.endLine = lineOf(fields.at(5));
        text += ActionLog::format(entry).toUtf8();
        previous = entry.stamp;
    }
    return text;
}

QByteArray viewOf(const QStringList &rows)
{
    QByteArray text = ViewFile::Header;
    for (const QString &line : rows) {
        const QStringList fields = line.split(QLatin1Char('|'));
        Q_ASSERT(fields.size() == 7);
        ViewFile::Row row;
        row.time = QDateTime::fromMSecsSinceEpoch(
            SittingBase * 1000 + std::llround(fields.at(0).toDouble() * 1000), Qt::UTC);
        row.event = fields.at(1);
        row.task = fields.at(2);
        row.file = fields.at(3);
        row.first = lineOf(fields.at(4));
        row.last = lineOf(fields.at(5));
        row.detail = fields.at(6);
        text += ViewFile::format(row);
    }
    return text;
}

} // namespace TestSupport
