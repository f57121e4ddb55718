#include "readonlyfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <grp.h>
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

DroppedRootRights::DroppedRootRights()
{
    if (geteuid() == 0)
        m_dropped = seteuid(65534) == 0;
}

DroppedRootRights::~DroppedRootRights()
{
    if (m_dropped)
        (void)seteuid(0);
}

bool DroppedRootRights::isActive() const
{
    return geteuid() != 0;
}

void startWithoutRootRights(QProcess &process)
{
    if (geteuid() != 0)
        return;
    process.setChildProcessModifier([] {
        if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)
            _exit(127);
    });
}

ReadOnlyFolder::ReadOnlyFolder(const QString &folder) : m_folder(folder)
{
    openUp(folder);
    chmod(QFile::encodeName(folder).constData(), 0555);
    m_rights = std::make_unique<DroppedRootRights>();
    m_ok = m_rights->isActive();
}

ReadOnlyFolder::~ReadOnlyFolder()
{
    m_rights.reset();
    chmod(QFile::encodeName(m_folder).constData(), 0755);
}

} // namespace TestSupport
