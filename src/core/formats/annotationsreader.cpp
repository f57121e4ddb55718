#include "annotationsreader.h"

#include "core/formats/annotationsscanner.h"
#include "core/formats/diagnostics.h"
#include "core/model/featurematcher.h"
#include "core/model/projectmodel.h"

#include <QDomDocument>
#include <QFile>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <algorithm>
#include <cstdio>
#include <limits>

namespace {

// Element names are compared whole, prefix and all, as the DOM reading does;
// those with a prefix are left to it.
bool hasPrefix(const QXmlStreamReader &xml)
{
    return xml.qualifiedName().contains(QLatin1Char(':'));
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
        writeConsoleLine(stderr, QStringLiteral("Error: Cannot read file ") + QStringLiteral(": ")
                              + file.errorString());
        return false;
    }

    // The form the import writes is scanned in one pass over the bytes.
    if (AnnotationsScanner(m_model, m_features).read(file.readAll()))
        return true;
    file.seek(0);

    // Large project files are read without building a document tree first;
    // whatever that reading leaves aside is read through the DOM as always,
    // with its messages.
    m_pendingMessages = 0;
    if (readStream(&file)) {
        for (int i = 0; i < m_pendingMessages; ++i)
            writeConsoleLine(stdout,
                      QStringLiteral("TODO: Feature assigned to Project, File oder Folder"));
        m_model->copyFragmentsUp();
        m_model->pruneTree();
        return true;
    }
    file.seek(0);

    QDomDocument document;
    QString message;
    int line = 0;
    int column = 0;
    if (!document.setContent(&file, false, &message, &line, &column)) {
        writeConsoleLine(stderr, QStringLiteral("Error: Parse error at line ") + QString::number(line)
                              + QStringLiteral(", ") + QStringLiteral("column ")
                              + QString::number(column) + QStringLiteral(": ") + message);
        return false;
    }

    const QDomElement root = document.documentElement();
    if (root.tagName() != QLatin1String("project")) {
        writeConsoleLine(stderr, QStringLiteral("Error: File is not a project file"));
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
    writeConsoleLine(stdout, QStringLiteral("TODO: Feature assigned to Project, File oder Folder"));
    const QString text = element.text();
    if (ProjectModel::isSourceName(text))
        addNode(parent, ProjectNode::FeatureElement, text);
}

void AnnotationsReader::addRecords(const QString &text, const QDomElement &fragment,
                                   ProjectNode *file)
{
    addRecords(text, fragment.attribute(QStringLiteral("startline")).toInt(),
               fragment.attribute(QStringLiteral("endline")).toInt(),
               fragment.childNodes().count(), file);
}

void AnnotationsReader::addRecords(const QString &text, int startLine, int endLine, int count,
                                   ProjectNode *file)
{
    Fragment record;
    record.startLine = startLine;
    record.lineSpan = clampedDifference(endLine, startLine);
    record.featureCount = count;

    if (FeatureMatcher::isPlainName(text)) {
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

bool AnnotationsReader::readStream(QIODevice *device)
{
    ProjectModel read;
    ProjectModel *target = m_model;
    m_model = &read;
    QXmlStreamReader xml(device);
    xml.setNamespaceProcessing(false);
    bool ok = true;
    bool root = false;
    while (ok && !xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartDocument:
        case QXmlStreamReader::EndDocument:
        case QXmlStreamReader::Comment:
        case QXmlStreamReader::ProcessingInstruction:
            break;
        case QXmlStreamReader::Characters:
            ok = xml.isWhitespace();
            break;
        case QXmlStreamReader::StartElement:
            ok = !root && xml.qualifiedName() == QLatin1String("project");
            root = true;
            if (ok)
                ok = streamContainer(xml, nullptr);
            break;
        default: // a document type declaration, an entity, an error
            ok = false;
            break;
        }
    }
    ok = ok && root && !xml.hasError();
    m_model = target;
    if (ok)
        *m_model = std::move(read);
    return ok;
}

namespace {

// Reads the children of the element the reader is at, up to its end tag;
// every child element goes to childElement, which names its tag. False when
// the content is anything the document reader would read differently.
template <typename ChildElement>
bool streamChildren(QXmlStreamReader &xml, ChildElement childElement)
{
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::EndElement:
            return true;
        case QXmlStreamReader::StartElement:
            if (hasPrefix(xml) || !childElement(xml.name()))
                return false;
            break;
        case QXmlStreamReader::Characters:
        case QXmlStreamReader::Comment:
        case QXmlStreamReader::ProcessingInstruction:
            break;
        default:
            return false;
        }
    }
    return false;
}

} // namespace

// A project or folder element (the reader is at its start): its row and what
// is inside it.
bool AnnotationsReader::streamContainer(QXmlStreamReader &xml, ProjectNode *parent)
{
    const QString name = xml.attributes().value(QLatin1String("name")).toString();
    ProjectNode *node = addNode(parent, parent ? ProjectNode::Folder : ProjectNode::Project,
                                name);
    return streamChildren(xml, [&](QStringView tag) {
        if (tag == QLatin1String("folder"))
            return streamContainer(xml, node);
        if (tag == QLatin1String("file"))
            return streamFile(xml, node);
        if (tag == QLatin1String("feature"))
            return streamFeature(xml, node);
        return streamSkip(xml);
    });
}

bool AnnotationsReader::streamFile(QXmlStreamReader &xml, ProjectNode *parent)
{
    const QXmlStreamAttributes attributes = xml.attributes();
    const QString name = attributes.value(QLatin1String("name")).toString();
    if (!ProjectModel::isSourceName(name))
        return streamSkip(xml);
    ProjectNode *file = addNode(parent, ProjectNode::File, name);
    file->length = attributes.value(QLatin1String("length")).toString().toInt();
    const bool ok = streamChildren(xml, [&](QStringView tag) {
        if (tag == QLatin1String("fragment"))
            return streamFragment(xml, file);
        if (tag == QLatin1String("feature"))
            return streamFeature(xml, file);
        return streamSkip(xml);
    });
    if (!ok)
        return false;
    if (file->fragments.isEmpty())
        file->unannotatedLines = file->length;
    else
        file->computeUnannotatedLines(file->length);
    return true;
}

// A fragment's records need the number of its child nodes, so its feature
// texts are gathered first. Only elements and white space (which the DOM
// drops) are taken as its content here.
bool AnnotationsReader::streamFragment(QXmlStreamReader &xml, ProjectNode *file)
{
    const QXmlStreamAttributes attributes = xml.attributes();
    const int start = attributes.value(QLatin1String("startline")).toString().toInt();
    const int end = attributes.value(QLatin1String("endline")).toString().toInt();
    QStringList texts;
    int children = 0;
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::EndElement: {
            ProjectNode *fragmentNode = nullptr;
            for (const QString &text : std::as_const(texts)) {
                if (ProjectModel::isSourceName(text)) {
                    if (!fragmentNode)
                        fragmentNode = addNode(file, ProjectNode::FragmentElement,
                                               QStringLiteral("fragment"));
                    addNode(fragmentNode, ProjectNode::FeatureElement, text);
                }
                addRecords(text, start, end, children, file);
            }
            return true;
        }
        case QXmlStreamReader::StartElement: {
            ++children;
            bool ok = !hasPrefix(xml);
            if (!ok) {
            } else if (xml.name() == QLatin1String("feature")) {
                QString text;
                ok = streamText(xml, &text);
                texts.append(text);
            } else {
                ok = streamSkip(xml);
            }
            if (!ok)
                return false;
            break;
        }
        case QXmlStreamReader::Characters:
            if (!xml.isWhitespace() || xml.isCDATA())
                return false;
            break;
        default:
            return false;
        }
    }
    return false;
}

bool AnnotationsReader::streamFeature(QXmlStreamReader &xml, ProjectNode *parent)
{
    ++m_pendingMessages;
    QString text;
    if (!streamText(xml, &text))
        return false;
    if (ProjectModel::isSourceName(text))
        addNode(parent, ProjectNode::FeatureElement, text);
    return true;
}

// The text of an element that holds plain text only (one piece, or pieces
// none of which is white space alone, which the DOM would drop).
bool AnnotationsReader::streamText(QXmlStreamReader &xml, QString *text)
{
    int pieces = 0;
    bool blank = false;
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::EndElement:
            if (blank && pieces > 1)
                return false;
            if (blank)
                text->clear();
            return true;
        case QXmlStreamReader::Characters:
            if (xml.isCDATA())
                return false;
            ++pieces;
            blank = blank || xml.isWhitespace();
            text->append(xml.text());
            break;
        default:
            return false;
        }
    }
    return false;
}

// An element that is not read: skipped with everything inside it.
bool AnnotationsReader::streamSkip(QXmlStreamReader &xml)
{
    int depth = 1;
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            ++depth;
            break;
        case QXmlStreamReader::EndElement:
            if (--depth == 0)
                return true;
            break;
        case QXmlStreamReader::Characters:
        case QXmlStreamReader::Comment:
        case QXmlStreamReader::ProcessingInstruction:
            break;
        default:
            return false;
        }
    }
    return false;
}
