#include "annotationsreader.h"

#include "core/formats/annotationsfile.h"
#include "core/formats/diagnostics.h"
#include "core/model/featurematcher.h"
#include "core/model/projectmodel.h"

#include <algorithm>
#include <cstdio>
#include <limits>

namespace {

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
    // Into a model without nodes, the project is put while the file is read
    // (the bytes on one thread, the nodes on this one).
    if (!m_model->isEmpty()) {
        const AnnotationsFile file = AnnotationsFile::read(path);
        if (m_whenRead)
            m_whenRead(file);
        return readProject(file);
    }
    Following following;
    const AnnotationsFile file = AnnotationsFile::read(
        path, [this, &following](const AnnotationsFile &read, int whole, bool finished) {
            // As soon as the reading is over, before the rest is followed.
            if (finished && !following.readOver && m_whenRead)
                m_whenRead(read);
            following.readOver = finished;
            follow(read, whole, &following);
            following.finished = finished;
        });
    if (following.finished) {
        finishProject();
        return true;
    }
    // The bytes gave up: the file was read again, and all of it is put in
    // afresh.
    *m_model = ProjectModel();
    if (m_whenRead)
        m_whenRead(file);
    return readProject(file);
}

// The elements are taken in document order (each followed by everything it
// holds): a folder's node is made as its start tag is read, before what it
// holds; a file's, with its records, once it is whole; a feature of a
// folder once it is whole; anything else is passed over.
void AnnotationsReader::follow(const AnnotationsFile &file, int whole, Following *following)
{
    while (following->next < whole) {
        const int index = following->next;
        const AnnotationsFile::Element &element = file.elements.at(index);
        ProjectNode *parent = following->containers.value(element.parent);
        int last = index;
        switch (element.kind) {
        case AnnotationsFile::Kind::Project:
        case AnnotationsFile::Kind::Folder:
            following->containers.insert(
                index, addNode(parent, parent ? ProjectNode::Folder : ProjectNode::Project,
                               element.name));
            following->next = index + 1;
            continue;
        case AnnotationsFile::Kind::File:
            addFile(file, index, parent);
            break;
        case AnnotationsFile::Kind::Feature:
            addFeatureOutsideFragment(element.name, parent);
            break;
        default:
            break;
        }
        // Past everything it holds: its last descendant comes last.
        while (file.elements.at(last).lastChild >= 0)
            last = file.elements.at(last).lastChild;
        following->next = last + 1;
    }
}

void AnnotationsReader::finishProject()
{
    if (m_copyRecordsUp)
        m_model->copyFragmentsUp();
    else
        m_model->releaseAncestorRecords();
    m_model->pruneTree();
}

bool AnnotationsReader::readProject(const AnnotationsFile &file)
{
    switch (file.status) {
    case AnnotationsFile::Status::CannotOpen:
        writeConsoleLine(stderr, QStringLiteral("Error: Cannot read file ") + QStringLiteral(": ")
                                     + file.error);
        return false;
    case AnnotationsFile::Status::ParseError:
        writeConsoleLine(stderr, QStringLiteral("Error: Parse error at line ")
                                     + QString::number(file.errorLine) + QStringLiteral(", ")
                                     + QStringLiteral("column ")
                                     + QString::number(file.errorColumn) + QStringLiteral(": ")
                                     + file.error);
        return false;
    case AnnotationsFile::Status::NotAProject:
        writeConsoleLine(stderr, QStringLiteral("Error: File is not a project file"));
        return false;
    case AnnotationsFile::Status::Read:
        break;
    }
    // The elements of a file read whole, followed as they are while it is
    // read.
    Following following;
    follow(file, int(file.elements.size()), &following);
    finishProject();
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

void AnnotationsReader::addFile(const AnnotationsFile &file, int index, ProjectNode *parent)
{
    const AnnotationsFile::Element &element = file.elements.at(index);
    if (!ProjectModel::isSourceName(element.name))
        return;
    ProjectNode *fileNode = addNode(parent, ProjectNode::File, element.name);
    fileNode->length = AnnotationsFile::number(file.value(element.length));
    // The records are gathered first and put in with room for all of them
    // at once (a fragment of several features gives more than one).
    m_records.clear();
    for (int child : file.children(index)) {
        const AnnotationsFile::Element &childElement = file.elements.at(child);
        if (childElement.kind == AnnotationsFile::Kind::Fragment)
            addFragment(file, child, fileNode);
        else if (childElement.kind == AnnotationsFile::Kind::Feature)
            addFeatureOutsideFragment(childElement.name, fileNode);
    }
    fileNode->fragments.reserve(qsizetype(m_records.size()));
    fileNode->sortedFragments.reserve(qsizetype(m_records.size()));
    for (const Fragment &record : m_records)
        fileNode->addFragment(record);

    // Counted once all fragments are in (per fragment, a file of thousands
    // of fragments took seconds). A file whose fragments name no known
    // feature has no annotated line: all of it is unannotated, as for a file
    // without fragments.
    if (fileNode->fragments.isEmpty())
        fileNode->unannotatedLines = fileNode->length;
    else
        fileNode->computeUnannotatedLines(fileNode->length);
}

// Fragment nodes and the feature nodes under them are only transient: pruning
// removes every one whose name is not that of a source file. So only the
// nodes that would stay are made at all (a feature text such as "X.java",
// with its fragment node), which spares thousands of nodes on large projects.
void AnnotationsReader::addFragment(const AnnotationsFile &file, int index, ProjectNode *fileNode)
{
    const AnnotationsFile::Element &element = file.elements.at(index);
    const int start = AnnotationsFile::number(file.value(element.startLine));
    const int end = AnnotationsFile::number(file.value(element.endLine));
    ProjectNode *fragmentNode = nullptr;
    for (int child : file.children(index)) {
        const AnnotationsFile::Element &feature = file.elements.at(child);
        if (feature.kind != AnnotationsFile::Kind::Feature)
            continue;
        if (ProjectModel::isSourceName(feature.name)) {
            if (!fragmentNode)
                fragmentNode = addNode(fileNode, ProjectNode::FragmentElement,
                                       QStringLiteral("fragment"));
            addNode(fragmentNode, ProjectNode::FeatureElement, feature.name);
        }
        addRecords(feature.name, start, end, element.childNodes);
    }
}

void AnnotationsReader::addFeatureOutsideFragment(const QString &text, ProjectNode *parent)
{
    // A feature of a project, folder or file gives no record.
    writeConsoleLine(stdout, QStringLiteral("TODO: Feature assigned to Project, File oder Folder"));
    if (ProjectModel::isSourceName(text))
        addNode(parent, ProjectNode::FeatureElement, text);
}

void AnnotationsReader::addRecords(const QString &text, int startLine, int endLine, int count)
{
    Fragment record;
    record.startLine = startLine;
    record.lineSpan = clampedDifference(endLine, startLine);
    record.featureCount = count;

    if (FeatureMatcher::isPlainName(text)) {
        record.feature = m_matcher.featureByName(text);
        if (record.feature)
            m_records.push_back(record);
        return;
    }
    record.expression = text;
    for (Feature *feature : m_matcher.featuresInExpression(text)) {
        record.feature = feature;
        m_records.push_back(record);
    }
}
