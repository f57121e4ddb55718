// annotations.xml as the viewer and the report read it, in memory and without
// any widget or application object: the viewer's project model, pruned and
// totalled, and the report's lines per feature are made from the one reader's
// elements and must agree, and so must the model made while the file is read.
// Whether the reader reads right is fuzz_annotations'.
//
// Input: feature names, one a line, separator, annotations.xml (a third part,
// the expressions of fuzz_featurematcher, is not read, so that the targets
// share their seeds).

#include "fuzzsupport.h"

#include "core/formats/annotationsfile.h"
#include "core/formats/annotationsreader.h"
#include "core/model/projectmodel.h"
#include "report/featurelines.h"

#include <QFile>
#include <QHash>
#include <QSet>
#include <QTemporaryDir>

#include <algorithm>
#include <limits>

namespace {

// The names of the features the viewer's records of each file name, by the
// file's path as the log writes it.
QHash<QString, QSet<QString>> featuresByFile(const ProjectModel &model)
{
    QHash<QString, QSet<QString>> files;
    for (const ProjectNode *node : model.preOrder()) {
        if (node->kind != ProjectNode::File)
            continue;
        QSet<QString> &names = files[QLatin1Char('/') + ProjectModel::relativePath(node)];
        for (const Fragment &fragment : node->fragments)
            names.insert(fragment.feature->name());
    }
    return files;
}

// Every node in pre-order: kind, path, length, unannotated lines and its
// records.
QStringList describe(const ProjectModel &model)
{
    QStringList nodes;
    for (const ProjectNode *node : model.preOrder()) {
        QString text = QString::number(node->kind) + QLatin1Char(' ')
            + ProjectModel::relativePath(node) + QLatin1Char(' ') + QString::number(node->length)
            + QLatin1Char(' ') + QString::number(node->unannotatedLines);
        for (const Fragment &record : node->fragments)
            text += QStringLiteral(" %1+%2:%3:%4:%5")
                        .arg(record.startLine)
                        .arg(record.lineSpan)
                        .arg(quintptr(record.feature))
                        .arg(record.expression)
                        .arg(record.featureCount);
        nodes.append(text);
    }
    return nodes;
}

void checkModel(const ProjectModel &model, const FeatureList &features)
{
    for (const ProjectNode *node : model.preOrder()) {
        fuzz::check(!node->children.isEmpty() || ProjectModel::isSourceName(node->name),
                    "leaf that is no source file");
        for (const Fragment &fragment : node->fragments)
            fuzz::check(fragment.feature >= features.constData()
                            && fragment.feature < features.constData() + features.size(),
                        "record without a feature of the list");
        if (node->kind == ProjectNode::File) {
            fuzz::check(node->unannotatedLines >= 0
                            && node->unannotatedLines <= std::max(0, node->length),
                        "more unannotated lines than the file has");
            continue;
        }
        if (node->children.isEmpty())
            continue; // a feature element named like a source file
        // Records reach every ancestor: a row holds exactly its children's.
        qsizetype below = 0;
        for (const ProjectNode *child : node->children)
            below += child->fragments.size();
        fuzz::check(node->fragments.size() == below, "records lost on the way up");
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::quietQt();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayList parts = fuzz::split(data, size, 3);
    FeatureList features;
    QStringList names;
    for (const QString &name : QString::fromUtf8(parts.at(0)).split(QLatin1Char('\n'))) {
        if (features.size() < 200) {
            features.append(Feature(qint32(features.size()), name));
            names.append(name);
        }
    }

    const AnnotationsFile file = AnnotationsFile::parse(parts.at(1));
    ProjectModel model;
    AnnotationsReader reader(&model, &features);
    const bool read = reader.readProject(file);
    fuzz::check(read || model.isEmpty(), "failed read left nodes behind");

    // Read from a file, the nodes are made while the bytes are read on
    // another thread: the same nodes, records and lines.
    static QTemporaryDir *scratch = new QTemporaryDir;
    const QString path = scratch->filePath(QStringLiteral("annotations.xml"));
    {
        QFile written(path);
        fuzz::check(written.open(QIODevice::WriteOnly | QIODevice::Truncate)
                        && written.write(parts.at(1)) == parts.at(1).size(),
                    "scratch file not written");
    }
    ProjectModel followed;
    AnnotationsReader following(&followed, &features);
    int told = 0;
    following.setWhenRead([&told](const AnnotationsFile &) { ++told; });
    fuzz::check(following.readProjectFile(path) == read, "read while following, not at once");
    fuzz::check(told == 1, "not told once that the file is read");
    fuzz::check(describe(followed) == describe(model), "other nodes made while following");
    model.computeTotals(features);
    checkModel(model, features);

    // The report colours a file's lines with the features the viewer's
    // records of that file name.
    FeatureLines lines;
    lines.setFeatures(names);
    lines.readAnnotations(file);
    const QHash<QString, QSet<QString>> viewer = featuresByFile(model);
    for (auto it = viewer.cbegin(); it != viewer.cend(); ++it) {
        QSet<QString> report;
        for (const FeatureLines::FileFeature &feature : lines.fileFeatures(it.key())) {
            report.insert(names.at(feature.feature));
            for (qsizetype r = 1; r < feature.lines.size(); ++r)
                fuzz::check(feature.lines.at(r).first > feature.lines.at(r - 1).last + 1,
                            "merged lines overlap");
        }
        fuzz::check(report == it.value(), "the report counts other features than the viewer");
    }
    return 0;
}
