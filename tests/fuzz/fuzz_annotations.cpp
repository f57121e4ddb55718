// annotations.xml read into the project model alone, without any widget or
// application object: read, pruned, lines counted and totalled. The feature
// expressions of the input are also matched against the names and compared
// with testing every feature name by the rules of the project file.
//
// Input: feature names, one a line, separator, annotations.xml, separator,
// feature expressions, one a line (also the text every listed file gets).

#include "fuzzsupport.h"

#include "core/formats/annotationsreader.h"
#include "core/model/featurematcher.h"
#include "core/model/projectmodel.h"

#include <QRegularExpression>

#include <algorithm>
#include <limits>

namespace {

// Every feature tested in list order, the way the rules state it.
QList<const Feature *> referenceMatch(const FeatureList &features, const QString &expression)
{
    QList<const Feature *> found;
    const auto options = QRegularExpression::UseUnicodePropertiesOption;
    const auto contains = [&](const QString &pattern) {
        return QRegularExpression(pattern, options).match(expression).hasMatch();
    };
    for (const Feature &feature : features) {
        const QString name = feature.name();
        if (name == expression) {
            found.append(&feature);
            return found;
        }
        if (name.isEmpty())
            continue;
        const QString literal = QRegularExpression::escape(name);
        const QString w = QStringLiteral("\\W");
        if (contains(w + literal + w)
            || (expression.startsWith(name) && contains(literal + w))
            || (expression.endsWith(name) && contains(w + literal)))
            found.append(&feature);
    }
    return found;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qputenv("QT_LOGGING_RULES", "*.debug=false;*.warning=false");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayList parts = fuzz::split(data, size, 3);
    FeatureList features;
    for (const QString &name : QString::fromUtf8(parts.at(0)).split(QLatin1Char('\n')))
        if (features.size() < 200)
            features.append(Feature(qint32(features.size()), name));

    const QStringList expressions = QString::fromUtf8(parts.at(2)).split(QLatin1Char('\n'));
    const FeatureMatcher matcher(&features);
    for (const QString &expression : expressions.mid(0, 20)) {
        const QList<Feature *> found = matcher.featuresInExpression(expression);
        const QList<const Feature *> expected = referenceMatch(features, expression);
        fuzz::check(QList<const Feature *>(found.begin(), found.end()) == expected,
                    "expression matched differently from the rules");
    }

    const fuzz::ScratchFolder folder;
    const QString annotations = folder.write(QStringLiteral("annotations.xml"), parts.at(1));
    ProjectModel model;
    AnnotationsReader reader(&model, &features);
    const bool read = reader.readProjectFile(annotations);
    fuzz::check(read || model.isEmpty(), "failed read left nodes behind");

    // Listed files inside the folder get the expressions as their text.
    int written = 0;
    for (const ProjectNode *node : model.preOrder()) {
        const QString relative = ProjectModel::relativePath(node);
        const QString path = QDir::cleanPath(folder.file(relative));
        if (!node->children.isEmpty() || written >= 8 || relative.contains(QLatin1String(".."))
            || !path.startsWith(folder.path() + QLatin1Char('/')) || QFileInfo(path).isDir())
            continue;
        folder.write(QDir(folder.path()).relativeFilePath(path), parts.at(2));
        ++written;
    }
    model.computeLineCounts(folder.path());
    model.computeTotals(features);

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
            continue; // its lines are those of a file of its name
        // Records reach every ancestor: a row holds exactly its children's.
        qsizetype below = 0;
        qint64 lines = 0;
        for (const ProjectNode *child : node->children) {
            below += child->fragments.size();
            lines += child->lineCount;
        }
        fuzz::check(node->fragments.size() == below, "records lost on the way up");
        fuzz::check(lines > std::numeric_limits<int>::max() || node->lineCount == lines,
                    "line counts do not add up");
    }
    return 0;
}
