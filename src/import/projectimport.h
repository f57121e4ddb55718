#pragma once

#include "import/conditionalscanner.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class Diagnostics;
class QIODevice;

// Turns a tree of C and Java sources whose features are preprocessor
// conditionals into a project folder: copies every ".java", ".c" and ".h"
// file byte for byte, keeping the folder tree, and writes model.m (one root
// named after the project folder, every feature a leaf under it) and
// annotations.xml (one fragment per branch of a conditional, see
// ConditionalScanner). The source tree is only read; symbolic links are
// followed only where they lead to somewhere inside it.
namespace ProjectImport {

struct Options
{
    bool overwrite = false; // replace an existing model.m or annotations.xml
    // Called after every file with the number of files done so far.
    std::function<void(int files)> progress;
};

struct Summary
{
    int files = 0;
    qint64 lines = 0;
    int fragments = 0;
    int features = 0;
    bool failed = false; // a file could not be read or written
    // The sources were walked; false when the import was refused before it
    // copied anything (the project files exist, a folder cannot be made).
    bool started = false;
};

// Reports unbalanced directives as warnings ("path:line: warning: ..."),
// files that cannot be read or written as errors.
Summary run(const QString &sourceDir, const QString &projectFolder, const Options &options,
            Diagnostics &diagnostics);

// The root feature's name for a project folder: its last path part with
// every character that may not stand in a feature name replaced, and made
// different from every feature name.
QString rootFeatureName(const QString &projectFolder, const QStringList &features);

// model.m for a root and its leaves, one leaf a line.
QByteArray featureModelText(const QString &root, const QStringList &features);

// A file of annotations.xml: its name, its length in lines and its fragments.
struct File
{
    QString name;
    int length = 0;
    QList<ConditionalScanner::Fragment> fragments;
};

// A folder of annotations.xml: its subfolders first, then its files.
struct Folder
{
    QString name;
    std::vector<std::unique_ptr<Folder>> folders;
    std::vector<File> files;
};

// Writes annotations.xml: a project element called projectName holding what
// root holds (root's own name is not written). False on a write error.
bool writeProjectFile(QIODevice *device, const QString &projectName, const Folder &root);

} // namespace ProjectImport
