#pragma once

// Helpers shared by the project-model tests: feature lists, files on disk and
// capturing what the code writes to standard output or standard error.

#include "model/feature.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryFile>

#include <cstdio>
#include <unistd.h>

namespace ModelTestSupport {

inline FeatureList makeFeatures(const QStringList &names)
{
    FeatureList features;
    for (int i = 0; i < names.size(); ++i)
        features.append(Feature(i, names.at(i)));
    return features;
}

inline bool writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(path.section(QLatin1Char('/'), 0, -2));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    return file.write(content) == content.size();
}

// Redirects a standard stream (stdout or stderr) into a temporary file for
// its lifetime; text() gives what was written so far.
class StreamCapture
{
public:
    explicit StreamCapture(FILE *stream) : m_stream(stream)
    {
        m_file.open();
        std::fflush(m_stream);
        m_saved = ::dup(::fileno(m_stream));
        ::dup2(m_file.handle(), ::fileno(m_stream));
    }
    ~StreamCapture() { restore(); }

    QString text()
    {
        restore();
        m_file.seek(0);
        return QString::fromLocal8Bit(m_file.readAll());
    }

private:
    void restore()
    {
        if (m_saved < 0)
            return;
        std::fflush(m_stream);
        ::dup2(m_saved, ::fileno(m_stream));
        ::close(m_saved);
        m_saved = -1;
    }

    FILE *m_stream;
    QTemporaryFile m_file;
    int m_saved = -1;
};

} // namespace ModelTestSupport
