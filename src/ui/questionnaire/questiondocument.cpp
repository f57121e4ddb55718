#include "questiondocument.h"

#include <QDir>
#include <QFileInfo>

QuestionDocument::QuestionDocument(const QString &projectDir, QObject *parent)
    : QTextDocument(parent), projectDir(projectDir)
{
}

QString QuestionDocument::resourceFile(const QUrl &name) const
{
    QStringList candidates;
    if (name.scheme() == QLatin1String("qrc")) {
        candidates.append(QLatin1Char(':') + name.path());
    } else if (name.isLocalFile() || name.scheme().isEmpty()) {
        const QString path = name.isLocalFile() ? name.toLocalFile() : name.path();
        if (path.isEmpty())
            return QString();
        if (QDir::isAbsolutePath(path)) {
            candidates.append(path);
        } else {
            candidates.append(QDir(projectDir).filePath(path));
            candidates.append(QDir::current().filePath(path));
        }
    }
    for (const QString &candidate : std::as_const(candidates)) {
        const QFileInfo info(candidate);
        if (info.exists())
            return info.isFile() && info.size() <= MaxResourceBytes ? info.absoluteFilePath()
                                                                    : QString();
    }
    return QString();
}

QVariant QuestionDocument::loadResource(int type, const QUrl &name)
{
    // Inline data needs no file.
    if (name.scheme() == QLatin1String("data"))
        return QTextDocument::loadResource(type, name);
    const QString file = resourceFile(name);
    if (file.isEmpty())
        return QVariant();
    // The document reads the checked file and turns a picture's bytes into
    // an image; kept under the name the question used.
    const QVariant resource = QTextDocument::loadResource(type, QUrl::fromLocalFile(file));
    if (resource.isValid())
        addResource(type, name, resource);
    return resource;
}
