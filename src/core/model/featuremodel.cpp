#include "featuremodel.h"

#include <QHash>

QString stripFeatureModelText(const QString &text)
{
    QString stripped;
    stripped.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '[':
        case ']':
        case '\n':
        case '\r':
        case '\t':
        case ' ':
            break;
        default:
            stripped.append(c);
        }
    }
    return stripped;
}

QList<FeatureStatement> parseFeatureModel(const QString &text)
{
    QList<FeatureStatement> statements;
    const QString stripped = stripFeatureModelText(text);
    const QStringList parts = stripped.split(QLatin1Char(';'), Qt::KeepEmptyParts);
    for (const QString &part : parts) {
        if (part.isEmpty())
            continue;
        // Every single colon separates; whatever follows a second colon is dropped.
        const QStringList pieces = part.split(QLatin1Char(':'), Qt::KeepEmptyParts);
        FeatureStatement statement;
        statement.head = pieces.at(0);
        if (pieces.size() > 1)
            statement.children = pieces.at(1).split(QLatin1Char('|'), Qt::KeepEmptyParts);
        statements.append(statement);
    }
    return statements;
}

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
