#pragma once

#include "core/model/feature.h"
#include "core/model/featurematcher.h"

#include <QString>

class ProjectModel;
struct ProjectNode;
class QDomElement;
class QIODevice;
class QXmlStreamReader;

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
    // The common case read in one pass without a document tree; false (the
    // model left unchanged) for anything it leaves to the DOM: errors,
    // document type declarations, entities, comments, processing
    // instructions or character data sections inside fragments and features.
    bool readStream(QIODevice *device);
    bool streamContainer(QXmlStreamReader &xml, ProjectNode *node);
    bool streamFile(QXmlStreamReader &xml, ProjectNode *parent);
    bool streamFragment(QXmlStreamReader &xml, ProjectNode *file);
    bool streamFeature(QXmlStreamReader &xml, ProjectNode *parent);
    static bool streamText(QXmlStreamReader &xml, QString *text);
    static bool streamSkip(QXmlStreamReader &xml);
    void addRecords(const QString &text, int startLine, int endLine, int count,
                    ProjectNode *file);

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
    // Messages about features outside fragments, written once the one-pass
    // reading has succeeded (the DOM reading writes its own).
    int m_pendingMessages = 0;
};
