#pragma once

#include <QTemporaryFile>

#include <cstdio>
#include <iostream>
#include <unistd.h>

// Redirects the process's standard error into a temporary file for the
// lifetime of the object; text() restores it and returns what was written.
class StderrCapture
{
public:
    StderrCapture()
    {
        if (!m_file.open())
            return;
        flushAll();
        m_saved = dup(STDERR_FILENO);
        dup2(m_file.handle(), STDERR_FILENO);
    }
    ~StderrCapture() { restore(); }

    QString text()
    {
        restore();
        m_file.seek(0);
        return QString::fromUtf8(m_file.readAll());
    }

private:
    static void flushAll()
    {
        std::cerr.flush();
        std::fflush(stderr);
    }
    void restore()
    {
        if (m_saved < 0)
            return;
        flushAll();
        dup2(m_saved, STDERR_FILENO);
        close(m_saved);
        m_saved = -1;
    }

    QTemporaryFile m_file;
    int m_saved = -1;
};
