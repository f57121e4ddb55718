#pragma once

// Shared pieces of the fuzz targets: one QApplication for the whole run on
// the offscreen platform, a scratch project folder that every input starts
// from empty, and the splitting of one input into several files.

#include "support/testfiles.h"

#include <QApplication>
#include <QByteArray>
#include <QByteArrayList>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace fuzz {

// Separates the files packed into one input, e.g. model.m and annotations.xml.
// Kept in the dictionaries so that the fuzzer finds and keeps it.
inline const QByteArray &separator()
{
    static const QByteArray sep("\n@@@@\n");
    return sep;
}

// Splits data at the separator into at most `parts` pieces; the last piece
// keeps any further separators. Missing pieces are null.
inline QByteArrayList split(const uint8_t *data, size_t size, int parts)
{
    const QByteArray all(reinterpret_cast<const char *>(data), qsizetype(size));
    QByteArrayList pieces;
    qsizetype from = 0;
    while (pieces.size() < parts - 1) {
        const qsizetype at = all.indexOf(separator(), from);
        if (at < 0)
            break;
        pieces.append(all.mid(from, at - from));
        from = at + separator().size();
    }
    pieces.append(all.mid(from));
    while (pieces.size() < parts)
        pieces.append(QByteArray());
    return pieces;
}

// Creates the application once, on the offscreen platform, before the first
// input. Call from LLVMFuzzerInitialize.
inline void initApplication(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("LC_ALL", "C.UTF-8");
    // Qt's own warnings about odd input are noise here.
    qputenv("QT_LOGGING_RULES", "*.debug=false;*.warning=false");
    static int appArgc = 1;
    static char *appArgv[] = {argc && *argc > 0 ? (*argv)[0] : const_cast<char *>("fuzz"),
                              nullptr};
    static QApplication *app = new QApplication(appArgc, appArgv);
    Q_UNUSED(app);
}

// A project folder that is empty at the start of every input.
class ScratchFolder
{
public:
    ScratchFolder()
    {
        static QTemporaryDir *root = new QTemporaryDir;
        m_path = root->path() + QStringLiteral("/project");
        QDir(m_path).removeRecursively();
        QDir().mkpath(m_path);
    }
    ~ScratchFolder() { QDir(m_path).removeRecursively(); }

    QString path() const { return m_path; }
    QString file(const QString &name) const { return m_path + QLatin1Char('/') + name; }

    // Writes bytes to a file of the folder, creating its sub-folders. A file
    // that cannot be written is left to the code under test to find.
    QString write(const QString &name, const QByteArray &bytes) const
    {
        const QString path = file(name);
        TestSupport::writeFile(path, bytes);
        return path;
    }

private:
    QString m_path;
};

// A broken invariant is a finding just like a crash: report it and abort so
// that libFuzzer keeps the input.
[[noreturn]] inline void fail(const char *what)
{
    std::fprintf(stderr, "featurehue fuzz invariant broken: %s\n", what);
    std::abort();
}

inline void check(bool condition, const char *what)
{
    if (!condition)
        fail(what);
}

} // namespace fuzz
