#include "projectfolder.h"

namespace {
QString &folderPath()
{
    static QString path;
    return path;
}
} // namespace

namespace ProjectFolder {

QString path()
{
    return folderPath();
}

void setPath(const QString &path)
{
    folderPath() = path;
}

QString relativePath(const QString &fullPath)
{
    QString relative = fullPath;
    if (!folderPath().isEmpty())
        relative.remove(folderPath(), Qt::CaseSensitive);
    return relative;
}

} // namespace ProjectFolder
