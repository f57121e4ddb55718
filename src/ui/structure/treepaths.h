#pragma once

#include <QString>

#include <functional>

class QTreeWidgetItem;

// The path of a structure-tree row below the project folder: the labels of its
// ancestors (all but the top-level project row, whose name is not a folder on
// disk) and its own label, joined by "/", e.g. "src/x/A.java".
QString projectRelativePath(const QTreeWidgetItem *item);

// The project folder + "/" + projectRelativePath(item).
QString projectFilePath(const QString &folderPath, const QTreeWidgetItem *item);

// Every row without children below `root` (a tree's invisible root, or a
// top-level row) and its projectFilePath, in one walk down the tree: each
// folder's path is made once, not once for every file below it.
void forEachFilePath(QTreeWidgetItem *root, const QString &folderPath,
                     const std::function<void(QTreeWidgetItem *row, const QString &path)> &take);
