#pragma once

#include "core/model/feature.h"
#include "core/model/projectnode.h"

#include <QList>
#include <QString>

#include <deque>
#include <memory>

class LinesAhead;

// A project as annotations.xml describes it, without any widget: the tree of
// projects, folders and source files with their fragment records, line
// counts and per-feature line counts. The structure trees show its nodes.
class ProjectModel
{
public:
    // A new node, the last child of `parent` (a top-level node without one).
    // Nodes keep their address for the model's lifetime.
    ProjectNode *addNode(ProjectNode *parent, int kind, const QString &name);
    const QList<ProjectNode *> &topLevelNodes() const { return m_topLevel; }
    bool isEmpty() const { return m_topLevel.isEmpty(); }

    // Gives every node above the files copies of the records of the files
    // below it, in the order they were added (file by file, in document
    // order), without expressions.
    void copyFragmentsUp();
    // Lets go of those copies (a view that needs them seldom): each node
    // above the files gathers them again when asked (gatherRecords()).
    void releaseAncestorRecords();
    // Removes every node without children that is not named like a source
    // file, until none is left: element nodes, then folders left empty, and
    // a project without any source file altogether.
    void pruneTree();
    // Line counts of the leaves from the files on disk below `folderPath`,
    // and of every other node as the sum over its children.
    void computeLineCounts(const QString &folderPath);
    // Starts counting the lines of these files below `folderPath` on a thread
    // of its own, while the tree is built: computeLineCounts() on the same
    // folder takes the counts from there.
    void countLinesAhead(const QString &folderPath, const QStringList &relativePaths);
    // Unannotated lines of the nodes above the leaves, and every node's
    // lines per feature, features of the same name counting alike.
    void computeTotals(const FeatureList &features);

    // Nodes in pre-order, top-level nodes in order.
    QList<ProjectNode *> preOrder() const;
    // The node's path below the project folder: the names of its ancestors
    // but the top-level one, and its own, joined by "/".
    static QString relativePath(const ProjectNode *node);
    // Bytes held by all nodes' per-feature line counts.
    qint64 featureLinesMemory() const;

    static bool isSourceName(const QString &name);
    // Lines of a file: 0 for a missing or unreadable one; a last line without
    // a line end counts.
    static int countFileLines(const QString &path);

private:
    std::deque<ProjectNode> m_nodes;
    QList<ProjectNode *> m_topLevel;
    std::shared_ptr<LinesAhead> m_linesAhead;
};
