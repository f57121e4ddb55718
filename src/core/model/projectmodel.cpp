#include "projectmodel.h"

#include "core/model/bytecount.h"
#include "core/model/linesahead.h"
#include "core/model/parallelfor.h"

#include <QFile>
#include <QHash>
#include <QTextStream>

#include <algorithm>
#include <limits>
#include <vector>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

// A file read as it is, without the checks and buffers of QFile: counting
// the lines of tens of thousands of files is mostly opening them.
class PlainFile
{
public:
    explicit PlainFile(const QString &path)
#ifdef Q_OS_UNIX
        : m_descriptor(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC))
#else
        : m_file(path)
#endif
    {
#ifndef Q_OS_UNIX
        m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
#endif
    }
    ~PlainFile()
    {
#ifdef Q_OS_UNIX
        if (m_descriptor >= 0)
            ::close(m_descriptor);
#endif
    }
    PlainFile(const PlainFile &) = delete;
    PlainFile &operator=(const PlainFile &) = delete;

#ifdef Q_OS_UNIX
    bool isOpen() const { return m_descriptor >= 0; }
    // Bytes read, 0 at the end, -1 at an error (a folder, for one).
    qint64 read(char *data, qint64 size)
    {
        for (;;) {
            const ssize_t read = ::read(m_descriptor, data, std::size_t(size));
            if (read >= 0 || errno != EINTR)
                return read;
        }
    }

private:
    int m_descriptor;
#else
    bool isOpen() const { return m_file.isOpen(); }
    qint64 read(char *data, qint64 size) { return m_file.read(data, size); }

private:
    QFile m_file;
#endif
};

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
    // Asked for every feature text of a project: the last character settles
    // most names at once.
    const qsizetype size = name.size();
    if (size < 2)
        return false;
    switch (name.at(size - 1).unicode()) {
    case u'c':
    case u'h':
        return name.at(size - 2) == u'.';
    case u'a':
        return name.endsWith(QLatin1String(".java"));
    default:
        return false;
    }
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

void ProjectModel::releaseAncestorRecords()
{
    for (ProjectNode &node : m_nodes) {
        if (node.kind == ProjectNode::File || node.children.isEmpty() || node.recordsPending)
            continue;
        node.fragments = QList<Fragment>();
        node.sortedFragments = QList<Fragment>();
        node.recordsPending = true;
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

void ProjectModel::countLinesAhead(const QString &folderPath, const QStringList &relativePaths)
{
    m_linesAhead = std::make_shared<LinesAhead>(folderPath, relativePaths);
}

void ProjectModel::computeLineCounts(const QString &folderPath)
{
    QHash<QString, int> counted;
    if (m_linesAhead && m_linesAhead->folderPath() == folderPath)
        counted = m_linesAhead->take();
    m_linesAhead.reset();

    const QList<ProjectNode *> nodes = preOrder();
    std::vector<ProjectNode *> leaves;
    for (ProjectNode *node : nodes)
        if (node->children.isEmpty())
            leaves.push_back(node);
    // Reading the files is most of the work, and each is counted on its
    // own: the processor's cores share them.
    parallelFor(leaves.size(), 64, [&] {
        return [&](std::size_t i) {
            const QString path = relativePath(leaves[i]);
            const auto ahead = counted.constFind(path);
            leaves[i]->lineCount = ahead != counted.constEnd()
                ? *ahead
                : countFileLines(folderPath + QLatin1Char('/') + path);
        };
    });
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
    // A record counts for every feature named as its own: the ids by the
    // place of its feature in the list, where records point to (by name
    // for any other feature).
    std::vector<const QList<int> *> sameNamed(std::size_t(features.size()));
    for (int k = 0; k < features.size(); ++k)
        sameNamed[std::size_t(k)] = &*idsByName.constFind(features.at(k).name());
    const auto idsOf = [&](const Feature *feature) -> const QList<int> * {
        const int index = featureIndex(features, feature);
        if (index >= 0)
            return sameNamed[std::size_t(index)];
        const auto named = idsByName.constFind(feature->name());
        return named == idsByName.constEnd() ? nullptr : &*named;
    };

    const QList<ProjectNode *> nodes = preOrder();
    std::vector<std::pair<int, qint64>> lines; // (id, lines of one record)
    for (ProjectNode *node : nodes) {
        if (!node->children.isEmpty())
            continue;
        for (ProjectNode *up = node->parent; up; up = up->parent)
            up->unannotatedLines += node->unannotatedLines;

        lines.clear();
        for (const Fragment &record : std::as_const(node->fragments)) {
            if (!record.feature)
                continue;
            if (const QList<int> *ids = idsOf(record.feature))
                for (int k : *ids)
                    lines.emplace_back(k, record.coveredLines());
        }
        // Summed per id, in id order.
        std::sort(lines.begin(), lines.end(),
                  [](const auto &a, const auto &b) { return a.first < b.first; });
        node->featureLines.clear();
        for (std::size_t i = 0; i < lines.size();) {
            const int id = lines[i].first;
            qint64 sum = 0;
            for (; i < lines.size() && lines[i].first == id; ++i)
                sum += lines[i].second;
            node->featureLines.set(id, clampToInt(sum));
        }
    }
    // Every other node holds the sums over its children, which come before
    // it in reverse pre-order; merged list by list, not entry by entry
    // (entries inserted one at a time into a folder's thousands made large
    // projects quadratic).
    for (auto it = nodes.crbegin(); it != nodes.crend(); ++it) {
        ProjectNode *node = *it;
        if (node->children.isEmpty())
            continue;
        node->featureLines.clear();
        for (const ProjectNode *child : std::as_const(node->children))
            node->featureLines.addAll(child->featureLines);
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
    PlainFile file(path);
    if (!file.isOpen())
        return 0;

    // One buffer per thread for all the files it reads (clearing a new one
    // for every file cost more than counting).
    thread_local std::vector<char> buffer(std::size_t(1) << 16);
    qint64 size = std::max<qint64>(0, file.read(buffer.data(), qint64(buffer.size())));
    // Text with a UTF-16 or UTF-32 byte order mark is left to the text
    // stream, which decodes it; in anything else a line ends at a '\n' byte,
    // as the text stream would find it.
    const QByteArrayView start(buffer.data(), std::min<qint64>(size, 4));
    if (start.startsWith("\xFF\xFE") || start.startsWith("\xFE\xFF")
        || start.startsWith(QByteArrayView("\x00\x00\xFE\xFF", 4))) {
        QFile text(path);
        if (!text.open(QIODevice::ReadOnly | QIODevice::Text))
            return 0;
        QTextStream stream(&text);
        int lines = 0;
        while (!stream.atEnd()) {
            stream.readLine();
            ++lines;
        }
        return lines;
    }

    qint64 lines = 0;
    char last = '\n';
    while (size > 0) {
        lines += countByte(buffer.data(), std::size_t(size), '\n');
        last = buffer[std::size_t(size) - 1];
        size = file.read(buffer.data(), qint64(buffer.size()));
    }
    if (last != '\n')
        ++lines; // a last line without a line end
    return int(std::min<qint64>(lines, std::numeric_limits<int>::max()));
}
