#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace TestSupport {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path, const QByteArray &whenMissing)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : whenMissing;
}

QByteArray binaryBytes(int size)
{
    QByteArray bytes(size, '\0');
    quint32 state = 12345;
    for (char &byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = char(state >> 16);
    }
    return bytes;
}

} // namespace TestSupport
