#include "studymaterials.h"

#include "core/formats/studydesign.h"
#include "core/model/projectmodel.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>

namespace StudyMaterials {

QStringList listedSources(const ProjectModel &model)
{
    QStringList sources;
    for (const ProjectNode *node : model.preOrder()) {
        if (node->kind == ProjectNode::File)
            sources.append(ProjectModel::relativePath(node));
    }
    return sources;
}

QStringList files(const StudyDesign &design, const QStringList &listedSources)
{
    QStringList ordered{QStringLiteral("model.m"), QStringLiteral("annotations.xml"),
                        QStringLiteral("questions.txt"), StudyDesign::FileName};
    QSet<QString> taken(ordered.cbegin(), ordered.cend());
    for (const StudyCondition &condition : design.conditions) {
        if (!condition.assignment.isEmpty() && !taken.contains(condition.assignment)) {
            ordered.append(condition.assignment);
            taken.insert(condition.assignment);
        }
    }
    QList<QByteArray> sources;
    for (const QString &source : listedSources) {
        if (!taken.contains(source)) {
            sources.append(source.toUtf8());
            taken.insert(source);
        }
    }
    std::sort(sources.begin(), sources.end());
    for (const QByteArray &source : std::as_const(sources))
        ordered.append(QString::fromUtf8(source));
    return ordered;
}

QString hash(const QString &folder, const QStringList &files)
{
    QCryptographicHash sha(QCryptographicHash::Sha256);
    for (const QString &path : files) {
        sha.addData(path.toUtf8() + '\n');
        QFile file(folder + QLatin1Char('/') + path);
        if (!QFileInfo(file.fileName()).isFile() || !file.open(QIODevice::ReadOnly)) {
            sha.addData(QByteArrayView("missing\n"));
            continue;
        }
        // Read whole, so the length written is the length of what is hashed.
        const QByteArray bytes = file.readAll();
        sha.addData(QByteArray::number(bytes.size()) + '\n');
        sha.addData(bytes);
    }
    return QString::fromLatin1(sha.result().toHex());
}

} // namespace StudyMaterials
