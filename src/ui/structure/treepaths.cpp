#include "treepaths.h"

#include <QTreeWidget>
#include <QTreeWidgetItem>

#include <vector>

QString projectRelativePath(const QTreeWidgetItem *item)
{
    QString path = QLatin1Char('/') + item->text(0);
    for (const QTreeWidgetItem *ancestor = item->parent(); ancestor && ancestor->parent();
         ancestor = ancestor->parent())
        path.prepend(QLatin1Char('/') + ancestor->text(0));
    return path.mid(1);
}

QString projectFilePath(const QString &folderPath, const QTreeWidgetItem *item)
{
    return folderPath + QLatin1Char('/') + projectRelativePath(item);
}

void forEachFilePath(QTreeWidgetItem *root, const QString &folderPath,
                     const std::function<void(QTreeWidgetItem *row, const QString &path)> &take)
{
    // A row with the path its label is appended to: the folder for the
    // top-level rows and their children (the project's name is no folder).
    struct Step
    {
        QTreeWidgetItem *row;
        QString above;
    };
    std::vector<Step> stack;
    const auto pushChildren = [&stack](QTreeWidgetItem *row, const QString &above) {
        for (int i = row->childCount() - 1; i >= 0; --i)
            stack.push_back({row->child(i), above});
    };
    const QTreeWidget *tree = root->treeWidget();
    if (tree && root == tree->invisibleRootItem())
        pushChildren(root, folderPath);
    else
        stack.push_back({root, folderPath});
    while (!stack.empty()) {
        const Step step = std::move(stack.back());
        stack.pop_back();
        const QString label = step.row->text(0);
        if (step.row->childCount() == 0)
            take(step.row, step.above + QLatin1Char('/') + label);
        else
            pushChildren(step.row, step.row->parent() ? step.above + QLatin1Char('/') + label
                                                      : folderPath);
    }
}
