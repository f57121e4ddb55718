#pragma once

// Shared by the bad-input tests: files with odd content, a process that
// cannot write where it could before (a full disk, a folder it may not write
// to), and the console lines the readers print.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <csignal>
#include <fcntl.h>
#include <cstdio>
#include <iostream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace badinput {

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Some bytes of every value, as a binary file or a damaged copy has them.
inline QByteArray binaryBytes(int size = 4096)
{
    QByteArray bytes(size, '\0');
    quint32 state = 12345;
    for (char &byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = char(state >> 16);
    }
    return bytes;
}

// Redirects one of the process's output streams (stdout or stderr) into a
// pipe for its lifetime; text() restores the stream and returns what was
// written. A pipe, not a file, so that it still works while files cannot grow
// (DiskFull). Meant for the few lines a reader prints: what does not fit into
// the pipe is dropped instead of blocking the test.
class OutputCapture
{
public:
    explicit OutputCapture(int fd) : m_fd(fd)
    {
        if (pipe(m_pipe) != 0)
            return;
        fcntl(m_pipe[1], F_SETFL, fcntl(m_pipe[1], F_GETFL) | O_NONBLOCK);
        fcntl(m_pipe[0], F_SETFL, fcntl(m_pipe[0], F_GETFL) | O_NONBLOCK);
        flushAll();
        m_saved = dup(m_fd);
        dup2(m_pipe[1], m_fd);
    }
    ~OutputCapture()
    {
        restore();
        for (int &end : m_pipe) {
            if (end >= 0)
                close(end);
            end = -1;
        }
    }

    QString text()
    {
        restore();
        QByteArray bytes;
        char buffer[4096];
        ssize_t got = 0;
        while (m_pipe[0] >= 0 && (got = read(m_pipe[0], buffer, sizeof buffer)) > 0)
            bytes.append(buffer, got);
        return QString::fromUtf8(bytes);
    }

private:
    static void flushAll()
    {
        std::cout.flush();
        std::cerr.flush();
        std::fflush(stdout);
        std::fflush(stderr);
    }
    void restore()
    {
        if (m_saved < 0)
            return;
        flushAll();
        dup2(m_saved, m_fd);
        close(m_saved);
        m_saved = -1;
    }

    int m_fd;
    int m_pipe[2] = {-1, -1};
    int m_saved = -1;
};

// A full disk for this process: while it lives, no file can grow beyond
// `bytes` (writes past it fail as they do when the disk is full, with the
// signal that would end the process ignored).
class DiskFull
{
public:
    explicit DiskFull(rlim_t bytes = 0)
    {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        m_ok = getrlimit(RLIMIT_FSIZE, &m_old) == 0;
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        m_ok = m_ok && setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~DiskFull()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    bool isActive() const { return m_ok; }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
    bool m_ok = false;
};

// A folder this process may read but not write. Permissions do not bind
// root, so a process running as root gives up its rights (effective user
// "nobody") while the object lives; folder and files are made readable for
// everyone first.
class ReadOnlyFolder
{
public:
    explicit ReadOnlyFolder(const QString &folder) : m_folder(folder)
    {
        openUp(folder);
        chmod(QFile::encodeName(folder).constData(), 0555);
        if (geteuid() == 0)
            m_dropped = seteuid(65534) == 0;
        m_ok = geteuid() != 0;
    }
    ~ReadOnlyFolder()
    {
        if (m_dropped)
            (void)seteuid(0);
        chmod(QFile::encodeName(m_folder).constData(), 0755);
    }
    // False when the folder could not be made unwritable (root that cannot
    // give up its rights); the caller skips the test then.
    bool isActive() const { return m_ok; }

private:
    static void openUp(const QString &path)
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

    QString m_folder;
    bool m_dropped = false;
    bool m_ok = false;
};

} // namespace badinput
