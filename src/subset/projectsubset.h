#pragma once

#include "import/featuregroups.h"
#include "import/projectfilter.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <vector>

class Diagnostics;
struct FeatureTree;

// "featurehue subset": a slice of a project folder that exists already
// (written by hand or imported) in a new folder. The chosen sources are
// copied, model.m and annotations.xml are written for what the filters
// leave, and the study's own files come along: questions.txt with its
// pictures, study.json with the colour assignments it names,
// participants.csv and answer-key.csv. The project folder is only read.
namespace ProjectSubset {

struct Options
{
    QList<ProjectFilter::Step> filters;
    bool groupByPrefix = false;
    bool overwrite = false; // replace project and study files in the new folder
};

struct Summary
{
    int files = 0;
    int fragments = 0;
    int features = 0;
    int studyFiles = 0;
    bool failed = false;
    QList<ProjectFilter::StepResult> filterResults;
};

Summary run(const QString &projectFolder, const QString &outFolder, const Options &options,
            Diagnostics &diagnostics);

// The feature tree without the removed leaves. An inner feature left without
// children goes too, so that it does not turn into a leaf; the first tree's
// root always stays.
std::vector<FeatureNode> reducedModel(const FeatureTree &tree, const QSet<QString> &removed);

// The study files of a folder besides the project (relative paths of those
// that exist): questions.txt and the pictures its questions show from the
// folder, study.json and the colour assignments its conditions name,
// participants.csv and answer-key.csv.
QStringList studyFiles(const QString &folder);

} // namespace ProjectSubset
