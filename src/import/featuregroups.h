#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

#include <vector>

// A feature of a feature model with the features below it; one without
// children is a leaf, a feature that fragments name and colours are given to.
struct FeatureNode
{
    QString name;
    std::vector<FeatureNode> children;

    bool isLeaf() const { return children.empty(); }
    // The leaves below, in order (the node itself when it is one).
    QStringList leaves() const;
};

namespace FeatureGroups {

// Hangs the leaves among nodes that share a prefix up to an "_" ("HAVE_",
// "USE_", "CURL_DISABLE_") under an inner feature of that name, when at
// least minMembers do, and so on inside each group, so that the tree gets
// levels that can be folded. A group takes the longest prefix its members
// share; an inner feature never has fewer than minMembers children (a group
// that would is flat). A prefix holds a letter or digit and is never a whole
// name. Inner features are named apart from every name in `taken`, which
// gets their names. Inner nodes among `nodes` stay as they are; a group
// stands where its first member stood.
std::vector<FeatureNode> groupByPrefix(const std::vector<FeatureNode> &nodes,
                                       QSet<QString> *taken, int minMembers = 3);

// The same for every inner node of a tree, its own children first.
void groupTree(FeatureNode *root, QSet<QString> *taken, int minMembers = 3);

} // namespace FeatureGroups
