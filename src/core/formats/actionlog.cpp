#include "actionlog.h"

#include <QFile>

namespace ActionLog {

QString taskField(int pageIndex)
{
    const QString task = QLatin1String("task") + QString::number(pageIndex - 1);
    return task == QLatin1String("task-1") ? QStringLiteral("code") : task;
}

QString actionField(int pageIndex, const QString &action)
{
    if (taskField(pageIndex) == QLatin1String("code") && action == QLatin1String("taskCompleted"))
        return QStringLiteral("code");
    return action;
}

QString format(const Entry &entry)
{
    const auto line = [](int number) {
        return number < 0 ? QString() : QString::number(number);
    };
    const QChar sep = QLatin1Char('$');
    return taskField(entry.pageIndex) + sep + entry.fileName + sep
           + actionField(entry.pageIndex, entry.action) + sep
           + QLatin1Char('(') + line(entry.startLine) + sep + line(entry.endLine)
           + QLatin1Char(')') + sep + QString::number(entry.previousStamp) + sep
           + QString::number(entry.stamp) + sep
           + QString::number(entry.stamp - entry.previousStamp) + QLatin1String("\r\n\n");
}

bool append(const QString &path, const QString &record)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return false;
    const qint64 oldSize = file.size();
    const QByteArray bytes = record.toUtf8();
    const bool written = file.write(bytes) == bytes.size();
    // A record that only partly fits (a full disk) is cut off again, so the
    // log never holds a torn record in front of the ones that follow.
    if (!written)
        file.resize(oldSize);
    file.close();
    return written && file.error() == QFileDevice::NoError;
}

} // namespace ActionLog
