#pragma once

#include "import/conditionalscanner.h"
#include "import/featuregroups.h"
#include "import/projectfilter.h"

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
    // Which files and features to take (see ProjectFilter), in order.
    QList<ProjectFilter::Step> filters;
    // Features sharing a prefix hang under an inner feature of that name.
    bool groupByPrefix = false;
    // "#if 0" blocks are fragments of the feature "if_0".
    bool deadCodeAsFeature = true;
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
    QList<ProjectFilter::StepResult> filterResults; // per filter, what it removed
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

// model.m for feature trees: one statement per inner feature, in pre-order,
// one child a line; the first tree's root is the root feature.
QByteArray featureModelText(const std::vector<FeatureNode> &trees);

// The feature tree of an import: a root named after the project folder and
// the features under it, grouped by prefix when asked for.
FeatureNode importedFeatureTree(const QString &projectFolder, const QStringList &features,
                                bool groupByPrefix);

// A file of annotations.xml: its name, its length in lines and its fragments.
struct File
{
    QString name;
    int length = 0;
    QList<ConditionalScanner::Fragment> fragments;
    // Per fragment (by its index), further feature elements after the one of
    // its expression: a hand-written fragment may name several features.
    QList<QStringList> moreFeatures;
};

// A folder of annotations.xml: its subfolders first, then its files, unless
// `order` says otherwise.
struct Folder
{
    QString name;
    std::vector<std::unique_ptr<Folder>> folders;
    std::vector<File> files;
    // When not empty, one entry per folder and file in the order they are
    // written: true for the next file, false for the next folder.
    std::vector<bool> order;
};

// Writes annotations.xml: a project element called projectName holding what
// root holds (root's own name is not written). False on a write error.
bool writeProjectFile(QIODevice *device, const QString &projectName, const Folder &root);

} // namespace ProjectImport
