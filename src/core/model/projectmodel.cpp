#include "projectmodel.h"

#include <QFile>
#include <QHash>
#include <QTextStream>

#include <algorithm>
#include <limits>
#include <vector>

namespace {

int clampToInt(qint64 value)
{
    return int(std::clamp<qint64>(value, std::numeric_limits<int>::min(),
                                  std::numeric_limits<int>::max()));
}

} // namespace

ProjectNode *ProjectModel::addNode(ProjectNode *parent, int kind, const QString &name)
{
    ProjectNode &node = m_nodes.emplace_back();
    node.kind = kind;
    node.name = name;
    node.parent = parent;
    if (parent)
        parent->children.append(&node);
    else
        m_topLevel.append(&node);
    return &node;
}

bool ProjectModel::isSourceName(const QString &name)
{
    return name.endsWith(QLatin1String(".java")) || name.endsWith(QLatin1String(".c"))
        || name.endsWith(QLatin1String(".h"));
}

void ProjectModel::pruneTree()
{
    // A node stays if it is named like a source file or keeps a child. One
    // post-order pass reaches the same end as repeated passes that remove
    // empty leaves. Removed nodes stay allocated; nothing refers to them.
    struct Visit
    {
        ProjectNode *node;
        bool childrenDone;
    };
    std::vector<Visit> stack;
    for (auto it = m_topLevel.crbegin(); it != m_topLevel.crend(); ++it)
        stack.push_back({*it, false});
    while (!stack.empty()) {
        const Visit visit = stack.back();
        stack.pop_back();
        ProjectNode *node = visit.node;
        if (!visit.childrenDone) {
            stack.push_back({node, true});
            for (auto it = node->children.crbegin(); it != node->children.crend(); ++it)
                stack.push_back({*it, false});
            continue;
        }
        if (!node->children.isEmpty() || isSourceName(node->name))
            continue;
        QList<ProjectNode *> &siblings = node->parent ? node->parent->children : m_topLevel;
        siblings.removeOne(node);
    }
}

void ProjectModel::copyFragmentsUp()
{
    const QList<ProjectNode *> nodes = preOrder();
    // Children come before their parents in reverse pre-order; every list is
    // filled once, at its final size (appending record by record to every
    // ancestor reallocated lists of tens of thousands of records over and
    // over).
    for (auto it = nodes.crbegin(); it != nodes.crend(); ++it) {
        ProjectNode *node = *it;
        if (node->kind == ProjectNode::File || node->children.isEmpty())
            continue;
        node->fragments.clear();
        qsizetype count = 0;
        int withRecords = 0;
        const ProjectNode *source = nullptr;
        for (const ProjectNode *child : std::as_const(node->children)) {
            if (child->fragments.isEmpty())
                continue;
            ++withRecords;
            source = child;
            count += child->fragments.size();
        }
        if (withRecords == 1 && source->kind != ProjectNode::File) {
            node->fragments = source->fragments; // the same records: shared
        } else {
            node->fragments.reserve(count);
            for (const ProjectNode *child : std::as_const(node->children)) {
                for (Fragment record : child->fragments) {
                    record.expression.clear();
                    node->fragments.append(record);
                }
            }
        }
        // Nothing sorts the lists above the files: both hold the same.
        node->sortedFragments = node->fragments;
    }
}

QList<ProjectNode *> ProjectModel::preOrder() const
{
    QList<ProjectNode *> nodes;
    std::vector<ProjectNode *> stack(m_topLevel.crbegin(), m_topLevel.crend());
    while (!stack.empty()) {
        ProjectNode *node = stack.back();
        stack.pop_back();
        nodes.append(node);
        for (auto it = node->children.crbegin(); it != node->children.crend(); ++it)
            stack.push_back(*it);
    }
    return nodes;
}

QString ProjectModel::relativePath(const ProjectNode *node)
{
    QString path = node->name;
    for (const ProjectNode *up = node->parent; up && up->parent; up = up->parent)
        path.prepend(up->name + QLatin1Char('/'));
    return path;
}

void ProjectModel::computeLineCounts(const QString &folderPath)
{
    const QList<ProjectNode *> nodes = preOrder();
    for (ProjectNode *node : nodes)
        if (node->children.isEmpty())
            node->lineCount = countFileLines(folderPath + QLatin1Char('/') + relativePath(node));
    // Children come before their parents in reverse pre-order.
    for (auto it = nodes.crbegin(); it != nodes.crend(); ++it) {
        ProjectNode *node = *it;
        if (node->children.isEmpty())
            continue;
        qint64 sum = 0;
        for (const ProjectNode *child : std::as_const(node->children))
            sum += child->lineCount;
        node->lineCount = clampToInt(sum);
    }
}

void ProjectModel::computeTotals(const FeatureList &features)
{
    QHash<QString, QList<int>> idsByName;
    for (int k = 0; k < features.size(); ++k)
        idsByName[features.at(k).name()].append(k);

    QHash<int, qint64> sums;
    for (ProjectNode *node : preOrder()) {
        if (!node->children.isEmpty())
            continue;
        for (ProjectNode *up = node->parent; up; up = up->parent)
            up->unannotatedLines += node->unannotatedLines;

        // Records of a same-named feature count too.
        sums.clear();
        for (const Fragment &record : std::as_const(node->fragments)) {
            if (!record.feature)
                continue;
            const auto named = idsByName.constFind(record.feature->name());
            if (named == idsByName.constEnd())
                continue;
            for (int k : *named)
                sums[k] += record.coveredLines();
        }
        node->featureLines.clear();
        for (auto it = sums.cbegin(); it != sums.cend(); ++it) {
            const int lines = clampToInt(it.value());
            node->featureLines.set(it.key(), lines);
            for (ProjectNode *up = node->parent; up; up = up->parent)
                up->featureLines.add(it.key(), lines);
        }
    }
}

qint64 ProjectModel::featureLinesMemory() const
{
    qint64 bytes = 0;
    for (const ProjectNode &node : m_nodes)
        bytes += node.featureLines.memoryUsed();
    return bytes;
}

int ProjectModel::countFileLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return 0;

    // Text with a UTF-16 or UTF-32 byte order mark is left to the text
    // stream, which decodes it; in anything else a line ends at a '\n' byte,
    // as the text stream would find it.
    char head[4] = {};
    const qint64 headSize = file.read(head, sizeof head);
    const QByteArray start(head, int(std::max<qint64>(0, headSize)));
    if (start.startsWith("\xFF\xFE") || start.startsWith("\xFE\xFF")
        || start.startsWith(QByteArray("\x00\x00\xFE\xFF", 4))) {
        file.close();
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            return 0;
        QTextStream stream(&file);
        int lines = 0;
        while (!stream.atEnd()) {
            stream.readLine();
            ++lines;
        }
        return lines;
    }

    qint64 lines = 0;
    char last = '\n';
    std::vector<char> buffer(1 << 16);
    std::copy(start.begin(), start.end(), buffer.begin());
    qint64 size = start.size();
    do {
        lines += std::count(buffer.begin(), buffer.begin() + size, '\n');
        if (size > 0)
            last = buffer[size - 1];
        size = file.read(buffer.data(), qint64(buffer.size()));
    } while (size > 0);
    if (last != '\n')
        ++lines; // a last line without a line end
    return int(std::min<qint64>(lines, std::numeric_limits<int>::max()));
}
