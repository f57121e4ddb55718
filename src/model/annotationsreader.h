#pragma once

#include "model/feature.h"
#include "model/featurematcher.h"

#include <QString>

class ProjectModel;
struct ProjectNode;
class QDomElement;

// Reads annotations.xml into a ProjectModel: one node per project, folder
// and source file, the fragment records of every file (copied to its
// ancestors) and the unannotated lines of every file. Needs no widgets.
class AnnotationsReader
{
public:
    AnnotationsReader(ProjectModel *model, FeatureList *features);

    // Reads and prunes the project; false, with one line on standard error
    // and nothing added to the model, when the file cannot be read, is no
    // XML or is no project file.
    bool readProjectFile(const QString &path);

    const FeatureMatcher &matcher() const { return m_matcher; }

private:
    void readProject(const QDomElement &element, ProjectNode *parent);
    void readFolder(const QDomElement &element, ProjectNode *parent);
    void readChildren(const QDomElement &element, ProjectNode *node);
    void readFile(const QDomElement &element, ProjectNode *parent);
    void readFragment(const QDomElement &element, ProjectNode *file);
    void readFeature(const QDomElement &element, ProjectNode *parent);
    void addRecords(const QString &text, const QDomElement &fragment, ProjectNode *file);
    ProjectNode *addNode(ProjectNode *parent, int kind, const QString &name);

    ProjectModel *m_model;
    FeatureList *m_features;
    FeatureMatcher m_matcher;
};
