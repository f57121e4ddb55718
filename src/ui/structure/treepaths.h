#pragma once

#include <QString>

class QTreeWidgetItem;

// The path of a structure-tree row below the project folder: the labels of its
// ancestors (all but the top-level project row, whose name is not a folder on
// disk) and its own label, joined by "/", e.g. "src/x/A.java".
QString projectRelativePath(const QTreeWidgetItem *item);

// The project folder + "/" + projectRelativePath(item).
QString projectFilePath(const QString &folderPath, const QTreeWidgetItem *item);
