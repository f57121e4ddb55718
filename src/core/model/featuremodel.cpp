#include "featuremodel.h"

#include <QHash>

#include <algorithm>
#include <vector>

namespace {

// Where an item stands in pre-order: its place among its siblings and those
// of its ancestors, from the top down. An earlier item has the smaller key
// (an ancestor's key is the start of its descendants').
std::vector<int> preOrderKey(const FeatureTree &tree, const std::vector<int> &places, int item)
{
    std::vector<int> key;
    for (int up = item; up >= 0; up = tree.items.at(up).parent)
        key.push_back(places.at(std::size_t(up)));
    std::reverse(key.begin(), key.end());
    return key;
}

// Of several items of the same name, the one the tree lists first.
int firstInPreOrder(const FeatureTree &tree, const std::vector<int> &places,
                    const QList<int> &candidates)
{
    int first = candidates.first();
    std::vector<int> firstKey = preOrderKey(tree, places, first);
    for (qsizetype i = 1; i < candidates.size(); ++i) {
        std::vector<int> key = preOrderKey(tree, places, candidates.at(i));
        if (key < firstKey) {
            first = candidates.at(i);
            firstKey = std::move(key);
        }
    }
    return first;
}

} // namespace

QList<int> FeatureTree::preOrder() const
{
    QList<int> order;
    order.reserve(items.size());
    QList<int> stack(topLevel.rbegin(), topLevel.rend());
    while (!stack.isEmpty()) {
        const int item = stack.takeLast();
        order.append(item);
        const QList<int> &children = items.at(item).children;
        for (auto it = children.rbegin(); it != children.rend(); ++it)
            stack.append(*it);
    }
    return order;
}

QStringList FeatureTree::leafNames() const
{
    if (items.isEmpty())
        return {QStringLiteral("empty")};
    QStringList names;
    for (int item : preOrder()) {
        if (items.at(item).children.isEmpty())
            names.append(items.at(item).name);
    }
    return names;
}

FeatureTree buildFeatureTree(const QList<FeatureStatement> &statements)
{
    FeatureTree tree;
    QHash<QString, QList<int>> byName;
    std::vector<int> places; // per item, its place among its siblings
    for (int s = 0; s < int(statements.size()); ++s) {
        const FeatureStatement &statement = statements.at(s);
        const QList<int> candidates = byName.value(statement.head);
        int head = -1;
        if (candidates.size() == 1) {
            head = candidates.first();
        } else if (candidates.size() > 1) {
            head = firstInPreOrder(tree, places, candidates);
        }
        tree.newTop.append(head < 0);
        if (head < 0) {
            head = int(tree.items.size());
            tree.items.append({statement.head, -1, {}, s, -1});
            places.push_back(int(tree.topLevel.size()));
            tree.topLevel.append(head);
            byName[statement.head].append(head);
        }
        tree.heads.append(head);
        for (int c = 0; c < int(statement.children.size()); ++c) {
            const QString &name = statement.children.at(c);
            const int child = int(tree.items.size());
            tree.items.append({name, head, {}, s, c});
            places.push_back(int(tree.items.at(head).children.size()));
            tree.items[head].children.append(child);
            byName[name].append(child);
        }
    }
    return tree;
}
