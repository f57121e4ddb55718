#include "writablefolder.h"

#include <QFileInfo>
#include <QTemporaryFile>

namespace WritableFolder {

QString problem(const QString &folder)
{
    const QFileInfo info(folder);
    if (!info.exists())
        return QStringLiteral("it does not exist");
    if (!info.isDir())
        return QStringLiteral("it is not a folder");
    // A hidden name no study file has; the file goes when the probe does.
    QTemporaryFile probe(folder + QStringLiteral("/.featurehue-write-check-XXXXXX"));
    if (!probe.open())
        return probe.errorString();
    const QByteArray line = "featurehue\n";
    if (probe.write(line) != line.size() || !probe.flush())
        return probe.errorString();
    return QString();
}

} // namespace WritableFolder
