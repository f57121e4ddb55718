#include "readonlyfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

namespace TestSupport {
namespace {

void openUp(const QString &path)
{
    const QFileInfo info(path);
    chmod(QFile::encodeName(path).constData(), info.isDir() ? 0755 : 0644);
    if (info.isDir()) {
        const QStringList entries =
            QDir(path).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
        for (const QString &entry : entries)
            openUp(path + QLatin1Char('/') + entry);
    }
}

} // namespace

ReadOnlyFolder::ReadOnlyFolder(const QString &folder) : m_folder(folder)
{
    openUp(folder);
    chmod(QFile::encodeName(folder).constData(), 0555);
    if (geteuid() == 0)
        m_dropped = seteuid(65534) == 0;
    m_ok = geteuid() != 0;
}

ReadOnlyFolder::~ReadOnlyFolder()
{
    if (m_dropped)
        (void)seteuid(0);
    chmod(QFile::encodeName(m_folder).constData(), 0755);
}

} // namespace TestSupport
