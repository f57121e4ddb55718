#include "featuremodel.h"

#include <QHash>

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
    for (int s = 0; s < int(statements.size()); ++s) {
        const FeatureStatement &statement = statements.at(s);
        const QList<int> candidates = byName.value(statement.head);
        int head = -1;
        if (candidates.size() == 1) {
            head = candidates.first();
        } else if (candidates.size() > 1) {
            for (int item : tree.preOrder()) {
                if (candidates.contains(item)) {
                    head = item;
                    break;
                }
            }
        }
        tree.newTop.append(head < 0);
        if (head < 0) {
            head = int(tree.items.size());
            tree.items.append({statement.head, -1, {}, s, -1});
            tree.topLevel.append(head);
            byName[statement.head].append(head);
        }
        tree.heads.append(head);
        for (int c = 0; c < int(statement.children.size()); ++c) {
            const QString &name = statement.children.at(c);
            const int child = int(tree.items.size());
            tree.items.append({name, head, {}, s, c});
            tree.items[head].children.append(child);
            byName[name].append(child);
        }
    }
    return tree;
}
