#pragma once

// What the widget targets need besides fuzzsupport.h: one QApplication for
// the whole run on the offscreen platform, and a scratch project folder that
// every input starts from empty.

#include "fuzzsupport.h"

#include "support/testfiles.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

namespace fuzz {

// Creates the application once, on the offscreen platform, before the first
// input. Call from LLVMFuzzerInitialize.
inline void initApplication(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("LC_ALL", "C.UTF-8");
    quietQt();
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

} // namespace fuzz
