#pragma once

#include <QString>

// The project folder chosen at start-up. It is set once and every project file
// name (model, annotations, questions, study files, saved colours) is built
// from it by plain concatenation.
namespace ProjectFolder {

QString path();
void setPath(const QString &path);

// A file's path with every occurrence of the project folder removed; for files
// inside the project it begins with "/". This is what tabs and log entries show.
QString relativePath(const QString &fullPath);

} // namespace ProjectFolder
