#include "actionlogrecords.h"

#include "ui/mainwindow/mainwindow.h"
#include "ui/questionnaire/questiondialog.h"

#include <QFile>

namespace TestSupport {

QStringList logRecords(const MainWindow &window)
{
    QFile file(window.questionDialog()->logFilePath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList entries;
    const QStringList records =
        QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n\n"), Qt::SkipEmptyParts);
    for (const QString &record : records) {
        const QStringList fields = record.split(QLatin1Char('$'));
        entries << (fields.value(1) + QLatin1Char('|') + fields.value(2));
    }
    return entries;
}

qsizetype logSize(const MainWindow &window)
{
    return logRecords(window).size();
}

QStringList newLogEntries(const MainWindow &window, qsizetype skip)
{
    QStringList actions;
    for (const QString &record : logRecords(window).mid(skip))
        actions << record.section(QLatin1Char('|'), 1);
    return actions;
}

} // namespace TestSupport
