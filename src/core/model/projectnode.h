#pragma once

#include "core/model/featurelinecounts.h"
#include "core/model/fragment.h"

#include <QList>
#include <QString>

// One project, folder or file of a project model (and, while reading, a
// fragment or feature element), with the data of its subtree.
struct ProjectNode
{
    // Kinds as the structure-tree rows number them.
    enum Kind { None = 0, Project = 1, Folder = 2, File = 3, FeatureElement = 4,
                FragmentElement = 5 };

    int kind = None;
    QString name;
    ProjectNode *parent = nullptr;
    QList<ProjectNode *> children;
    // Files: their length in lines as the project file gives it.
    int length = 0;
    // Files: lines on disk; others: the sum over the children.
    int lineCount = 0;
    // Files: lines in no fragment; others: the sum over the leaves below.
    int unannotatedLines = 0;
    // Every fragment record of the subtree, in the order they were added,
    // and the same records by start line. The expression is kept only in
    // the file's own fragments.
    QList<Fragment> fragments;
    QList<Fragment> sortedFragments;
    FeatureLineCounts featureLines;
    // Nodes above the files: the two lists above are left empty until
    // gatherRecords() fills them (ProjectModel::releaseAncestorRecords()).
    bool recordsPending = false;

    // Files: a record of the file's own; the ancestors get their copies from
    // ProjectModel::copyFragmentsUp().
    void addFragment(const Fragment &fragment);
    // Files: how many of the file's `length` lines lie in no fragment.
    void computeUnannotatedLines(int length);
    void sortFragments();
    // Fills the lists of a node whose records are pending with the records
    // of the files below it, as ProjectModel::copyFragmentsUp() does.
    void gatherRecords();
};
