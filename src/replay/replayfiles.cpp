#include "replayfiles.h"

#include <QDir>
#include <QFileInfo>

namespace ReplayFiles {

Location locate(const QString &folder, const QString &relative)
{
    const QString root = QDir::cleanPath(folder);
    QString name = relative;
    if (!name.startsWith(QLatin1Char('/')))
        name.prepend(QLatin1Char('/'));
    const QString path = QDir::cleanPath(root + name);
    // cleanPath has resolved every "..": what is left must still begin with
    // the folder and a separator.
    const QString inside = root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/');
    if (relative.trimmed().isEmpty() || !path.startsWith(inside))
        return {};
    return {path, QFileInfo(path).isFile() ? Place::InFolder : Place::Missing};
}

} // namespace ReplayFiles
