#include "treepaths.h"

#include <QTreeWidgetItem>

QString projectRelativePath(const QTreeWidgetItem *item)
{
    QString path = QLatin1Char('/') + item->text(0);
    for (const QTreeWidgetItem *ancestor = item->parent(); ancestor && ancestor->parent();
         ancestor = ancestor->parent())
        path.prepend(QLatin1Char('/') + ancestor->text(0));
    return path.mid(1);
}

QString projectFilePath(const QString &folderPath, const QTreeWidgetItem *item)
{
    return folderPath + QLatin1Char('/') + projectRelativePath(item);
}
