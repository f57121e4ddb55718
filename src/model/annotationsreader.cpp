#include "annotationsreader.h"

#include "model/projectmodel.h"

#include <QDomDocument>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <cstdio>
#include <limits>

namespace {

void printLine(FILE *stream, const QString &line)
{
    std::fputs(line.toLocal8Bit().constData(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

// A feature element's text is a plain name when it has only letters, digits
// and underscores (in any script); anything else makes it an expression.
bool isPlainName(const QString &text)
{
    static const QRegularExpression nonWord(QStringLiteral("[^\\w_]"),
                                            QRegularExpression::UseUnicodePropertiesOption);
    return !nonWord.match(text).hasMatch();
}

int clampedDifference(int end, int start)
{
    const qint64 difference = qint64(end) - start;
    return int(std::clamp<qint64>(difference, std::numeric_limits<int>::min(),
                                  std::numeric_limits<int>::max()));
}

} // namespace

AnnotationsReader::AnnotationsReader(ProjectModel *model, FeatureList *features)
    : m_model(model), m_features(features), m_matcher(features)
{
}

bool AnnotationsReader::readProjectFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        printLine(stderr, QStringLiteral("Error: Cannot read file ") + QStringLiteral(": ")
                              + file.errorString());
        return false;
    }

    QDomDocument document;
    QString message;
    int line = 0;
    int column = 0;
    if (!document.setContent(&file, false, &message, &line, &column)) {
        printLine(stderr, QStringLiteral("Error: Parse error at line ") + QString::number(line)
                              + QStringLiteral(", ") + QStringLiteral("column ")
                              + QString::number(column) + QStringLiteral(": ") + message);
        return false;
    }

    const QDomElement root = document.documentElement();
    if (root.tagName() != QLatin1String("project")) {
        printLine(stderr, QStringLiteral("Error: File is not a project file"));
        return false;
    }

    readProject(root, nullptr);
    m_model->copyFragmentsUp();
    m_model->pruneTree();
    return true;
}

ProjectNode *AnnotationsReader::addNode(ProjectNode *parent, int kind, const QString &name)
{
    ProjectNode *node = m_model->addNode(parent, kind, name);
    // Projects, folders and files count lines for every feature.
    if (m_features && kind >= ProjectNode::Project && kind <= ProjectNode::File)
        node->featureLines.grow(int(m_features->size()));
    return node;
}

void AnnotationsReader::readProject(const QDomElement &element, ProjectNode *parent)
{
    ProjectNode *node = addNode(parent, ProjectNode::Project,
                                element.attribute(QStringLiteral("name")));
    readChildren(element, node);
}

void AnnotationsReader::readFolder(const QDomElement &element, ProjectNode *parent)
{
    ProjectNode *node = addNode(parent, ProjectNode::Folder,
                                element.attribute(QStringLiteral("name")));
    readChildren(element, node);
}

void AnnotationsReader::readChildren(const QDomElement &element, ProjectNode *node)
{
    for (QDomNode child = element.firstChild(); !child.isNull(); child = child.nextSibling()) {
        const QDomElement childElement = child.toElement();
        if (childElement.isNull())
            continue;
        const QString tag = childElement.tagName();
        if (tag == QLatin1String("folder"))
            readFolder(childElement, node);
        else if (tag == QLatin1String("file"))
            readFile(childElement, node);
        else if (tag == QLatin1String("feature"))
            readFeature(childElement, node);
    }
}

void AnnotationsReader::readFile(const QDomElement &element, ProjectNode *parent)
{
    const QString name = element.attribute(QStringLiteral("name"));
    if (!ProjectModel::isSourceName(name))
        return;

    ProjectNode *file = addNode(parent, ProjectNode::File, name);
    file->length = element.attribute(QStringLiteral("length")).toInt();

    for (QDomNode node = element.firstChild(); !node.isNull(); node = node.nextSibling()) {
        const QDomElement child = node.toElement();
        if (child.isNull())
            continue;
        if (child.tagName() == QLatin1String("fragment"))
            readFragment(child, file);
        else if (child.tagName() == QLatin1String("feature"))
            readFeature(child, file);
    }

    // Counted once all fragments are in (per fragment, a file of thousands
    // of fragments took seconds). A file whose fragments name no known
    // feature has no annotated line: all of it is unannotated, as for a file
    // without fragments.
    if (file->fragments.isEmpty())
        file->unannotatedLines = file->length;
    else
        file->computeUnannotatedLines(file->length);
}

// Fragment nodes and the feature nodes under them are only transient: pruning
// removes every one whose name is not that of a source file. So only the
// nodes that would stay are made at all (a feature text such as "X.java",
// with its fragment node), which spares thousands of nodes on large projects.
void AnnotationsReader::readFragment(const QDomElement &element, ProjectNode *file)
{
    ProjectNode *fragmentNode = nullptr;
    for (QDomNode node = element.firstChild(); !node.isNull(); node = node.nextSibling()) {
        const QDomElement child = node.toElement();
        if (child.isNull() || child.tagName() != QLatin1String("feature"))
            continue;
        const QString text = child.text();
        if (ProjectModel::isSourceName(text)) {
            if (!fragmentNode)
                fragmentNode = addNode(file, ProjectNode::FragmentElement,
                                       QStringLiteral("fragment"));
            addNode(fragmentNode, ProjectNode::FeatureElement, text);
        }
        addRecords(text, element, file);
    }
}

void AnnotationsReader::readFeature(const QDomElement &element, ProjectNode *parent)
{
    // A feature of a project, folder or file gives no record.
    printLine(stdout, QStringLiteral("TODO: Feature assigned to Project, File oder Folder"));
    const QString text = element.text();
    if (ProjectModel::isSourceName(text))
        addNode(parent, ProjectNode::FeatureElement, text);
}

void AnnotationsReader::addRecords(const QString &text, const QDomElement &fragment,
                                   ProjectNode *file)
{
    Fragment record;
    record.startLine = fragment.attribute(QStringLiteral("startline")).toInt();
    const int end = fragment.attribute(QStringLiteral("endline")).toInt();
    record.lineSpan = clampedDifference(end, record.startLine);
    record.featureCount = fragment.childNodes().count();

    if (isPlainName(text)) {
        record.feature = m_matcher.featureByName(text);
        if (record.feature)
            file->addFragment(record);
        return;
    }
    record.expression = text;
    for (Feature *feature : m_matcher.featuresInExpression(text)) {
        record.feature = feature;
        file->addFragment(record);
    }
}
