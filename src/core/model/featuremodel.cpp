#include "featuremodel.h"

#include <QHash>

#include <vector>

namespace {

// Where each item stands: its place among its siblings and its depth.
struct Standing
{
    std::vector<int> places;
    std::vector<int> depths;
};

// Whether item a comes before item b in pre-order: an ancestor before its
// descendants, otherwise the earlier of the two ancestors that are
// siblings.
bool comesBefore(const FeatureTree &tree, const Standing &standing, int a, int b)
{
    const auto parent = [&tree](int item) { return tree.items.at(item).parent; };
    const auto depth = [&standing](int item) { return standing.depths.at(std::size_t(item)); };
    int aUp = a;
    int bUp = b;
    while (depth(aUp) > depth(bUp))
        aUp = parent(aUp);
    while (depth(bUp) > depth(aUp))
        bUp = parent(bUp);
    if (aUp == bUp)
        return depth(a) < depth(b);
    while (parent(aUp) != parent(bUp)) {
        aUp = parent(aUp);
        bUp = parent(bUp);
    }
    return standing.places.at(std::size_t(aUp)) < standing.places.at(std::size_t(bUp));
}

// Of several items of the same name, the one the tree lists first.
int firstInPreOrder(const FeatureTree &tree, const Standing &standing,
                    const QList<int> &candidates)
{
    int first = candidates.first();
    for (qsizetype i = 1; i < candidates.size(); ++i) {
        if (comesBefore(tree, standing, candidates.at(i), first))
            first = candidates.at(i);
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
    Standing standing;
    for (int s = 0; s < int(statements.size()); ++s) {
        const FeatureStatement &statement = statements.at(s);
        const QList<int> candidates = byName.value(statement.head);
        int head = -1;
        if (candidates.size() == 1) {
            head = candidates.first();
        } else if (candidates.size() > 1) {
            head = firstInPreOrder(tree, standing, candidates);
        }
        tree.newTop.append(head < 0);
        if (head < 0) {
            head = int(tree.items.size());
            tree.items.append({statement.head, -1, {}, s, -1});
            standing.places.push_back(int(tree.topLevel.size()));
            standing.depths.push_back(0);
            tree.topLevel.append(head);
            byName[statement.head].append(head);
        }
        tree.heads.append(head);
        for (int c = 0; c < int(statement.children.size()); ++c) {
            const QString &name = statement.children.at(c);
            const int child = int(tree.items.size());
            tree.items.append({name, head, {}, s, c});
            standing.places.push_back(int(tree.items.at(head).children.size()));
            standing.depths.push_back(standing.depths.at(std::size_t(head)) + 1);
            tree.items[head].children.append(child);
            byName[name].append(child);
        }
    }
    return tree;
}
