#include "reportoutput.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

bool rename(const QString &from, const QString &to)
{
    // rename() replaces an existing file in one step, which QFile::rename does not.
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData())
           == 0;
}

} // namespace

ReportOutput::ReportOutput(const QString &folder) : m_folder(QDir::cleanPath(folder)) {}

ReportOutput::~ReportOutput()
{
    m_staging.reset(); // removes what was not committed
    if (m_committed)
        return;
    for (auto it = m_madeFolders.crbegin(); it != m_madeFolders.crend(); ++it)
        QDir().rmdir(*it);
}

bool ReportOutput::begin(QString *failedPath, QString *error)
{
    const QFileInfo folder(m_folder);
    if (folder.exists() && !folder.isDir()) {
        *failedPath = m_folder;
        *error = QStringLiteral("it is not a folder");
        return false;
    }
    // The folders above it that are missing, made from the top down.
    QStringList missing;
    for (QString parent = QFileInfo(folder.absoluteFilePath()).absolutePath();
         !QFileInfo::exists(parent); parent = QFileInfo(parent).absolutePath())
        missing.prepend(parent);
    for (const QString &parent : std::as_const(missing)) {
        if (!QDir().mkdir(parent)) {
            *failedPath = parent;
            *error = systemError();
            return false;
        }
        m_madeFolders.append(parent);
    }
    const QString beside = QFileInfo(folder.absoluteFilePath()).absolutePath();
    m_staging = std::make_unique<QTemporaryDir>(beside + QStringLiteral("/.") + folder.fileName()
                                                + QStringLiteral("-XXXXXX"));
    if (!m_staging->isValid()) {
        *failedPath = beside;
        *error = m_staging->errorString();
        return false;
    }
    // A temporary folder is the owner's alone; the report is for whoever
    // may read the folder it goes into, as any folder made there.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(QFile::encodeName(m_staging->path()).constData(), 0777 & ~mask);
    return true;
}

QString ReportOutput::filePath(const QString &name) const
{
    return m_staging->filePath(name);
}

bool ReportOutput::writeAll(QFileDevice &file, const QByteArray &bytes)
{
    for (qsizetype written = 0; written < bytes.size();) {
        const qint64 step = file.write(bytes.constData() + written, bytes.size() - written);
        if (step <= 0)
            return false;
        written += step;
    }
    return true;
}

bool ReportOutput::commit(QString *failedPath, QString *error)
{
    if (!QFileInfo::exists(m_folder)) {
        if (!rename(m_staging->path(), m_folder)) {
            *failedPath = m_folder;
            *error = systemError();
            return false;
        }
        m_committed = true;
        return true;
    }
    const QStringList names = QDir(m_staging->path()).entryList(QDir::Files, QDir::Name);
    for (const QString &name : names) {
        const QString target = QDir(m_folder).filePath(name);
        if (!rename(m_staging->filePath(name), target)) {
            *failedPath = target;
            *error = systemError();
            return false;
        }
    }
    m_committed = true;
    return true;
}
