#include "featuregroups.h"

#include <QHash>

#include <algorithm>

QStringList FeatureNode::leaves() const
{
    if (isLeaf())
        return {name};
    QStringList names;
    for (const FeatureNode &child : children)
        names += child.leaves();
    return names;
}

namespace FeatureGroups {

namespace {

// The shortest prefix of a name longer than `after` characters that ends in
// "_", holds a letter or digit and is not the whole name; empty when none.
QString nextPrefix(const QString &name, qsizetype after)
{
    bool word = false;
    for (qsizetype i = 0; i + 1 < name.size(); ++i) {
        const QChar c = name.at(i);
        if (c.isLetterOrNumber())
            word = true;
        else if (c == QLatin1Char('_') && word && i + 1 > after)
            return name.left(i + 1);
    }
    return QString();
}

// The longest prefix ending in "_" that all members share and that none of
// them is; `shortest` when there is no longer one.
QString sharedPrefix(const QStringList &members, const QString &shortest)
{
    QString common = members.first();
    for (const QString &member : members) {
        qsizetype k = 0;
        while (k < common.size() && k < member.size() && common.at(k) == member.at(k))
            ++k;
        common.truncate(k);
    }
    for (qsizetype end = common.size() - 1; end >= shortest.size(); --end) {
        if (common.at(end) != QLatin1Char('_'))
            continue;
        const QString candidate = common.left(end + 1);
        if (!members.contains(candidate))
            return candidate;
    }
    return shortest;
}

std::vector<FeatureNode> groupLevel(const std::vector<FeatureNode> &nodes, qsizetype after,
                                    QSet<QString> *taken, int minMembers);

FeatureNode makeGroup(const QStringList &members, const QString &prefix, QSet<QString> *taken,
                      int minMembers)
{
    FeatureNode group;
    const QString shared = sharedPrefix(members, prefix);
    std::vector<FeatureNode> leaves;
    for (const QString &member : members)
        leaves.push_back({member, {}});
    group.children = groupLevel(leaves, shared.size(), taken, minMembers);
    if (group.children.size() < size_t(std::max(minMembers, 1)))
        group.children = leaves;
    group.name = shared;
    while (taken->contains(group.name))
        group.name += QLatin1Char('_');
    taken->insert(group.name);
    return group;
}

std::vector<FeatureNode> groupLevel(const std::vector<FeatureNode> &nodes, qsizetype after,
                                    QSet<QString> *taken, int minMembers)
{
    QHash<QString, QStringList> members;
    for (const FeatureNode &node : nodes) {
        const QString prefix = node.isLeaf() ? nextPrefix(node.name, after) : QString();
        if (!prefix.isEmpty())
            members[prefix].append(node.name);
    }
    std::vector<FeatureNode> result;
    QSet<QString> placed;
    for (const FeatureNode &node : nodes) {
        const QString prefix = node.isLeaf() ? nextPrefix(node.name, after) : QString();
        if (prefix.isEmpty() || members.value(prefix).size() < minMembers) {
            result.push_back(node);
            continue;
        }
        // The group stands where its first member stood.
        if (placed.contains(prefix))
            continue;
        placed.insert(prefix);
        result.push_back(makeGroup(members.value(prefix), prefix, taken, minMembers));
    }
    return result;
}

} // namespace

std::vector<FeatureNode> groupByPrefix(const std::vector<FeatureNode> &nodes,
                                       QSet<QString> *taken, int minMembers)
{
    return groupLevel(nodes, 0, taken, std::max(minMembers, 2));
}

void groupTree(FeatureNode *root, QSet<QString> *taken, int minMembers)
{
    for (FeatureNode &child : root->children) {
        if (!child.isLeaf())
            groupTree(&child, taken, minMembers);
    }
    root->children = groupByPrefix(root->children, taken, minMembers);
}

} // namespace FeatureGroups
