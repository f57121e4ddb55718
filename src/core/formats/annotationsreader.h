#pragma once

#include "core/model/feature.h"
#include "core/model/featurematcher.h"
#include "core/model/fragment.h"

#include <QHash>
#include <QString>

#include <functional>
#include <vector>

struct AnnotationsFile;
class ProjectModel;
struct ProjectNode;

// Puts annotations.xml into a ProjectModel: one node per project, folder and
// source file, the fragment records of every file (copied to its ancestors,
// or left for them to gather) and the unannotated lines of every file. Needs
// no widgets.
class AnnotationsReader
{
public:
    AnnotationsReader(ProjectModel *model, FeatureList *features);

    // Reads and prunes the project; false, with one line on standard error
    // and nothing added to the model, when the file cannot be read, is no
    // XML or is no project file. Into a model without nodes, the nodes are
    // made while the file is read, with the same result.
    bool readProjectFile(const QString &path);
    // Called by readProjectFile() with the file as soon as all of it is read
    // (before all of its nodes are made), also when it could not be read.
    void setWhenRead(std::function<void(const AnnotationsFile &file)> whenRead)
    {
        m_whenRead = std::move(whenRead);
    }
    // The same for a file already read (AnnotationsFile::parse of its bytes).
    bool readProject(const AnnotationsFile &file);

    const FeatureMatcher &matcher() const { return m_matcher; }
    // Whether the nodes above the files get copies of their records as the
    // project is read (ProjectModel::copyFragmentsUp(), the default), or are
    // left to gather them when asked (ProjectModel::releaseAncestorRecords()).
    void setCopyRecordsUp(bool copy) { m_copyRecordsUp = copy; }

private:
    // Where following a file that is being read has got to.
    struct Following
    {
        int next = 0;                       // the first element not yet taken
        bool readOver = false;              // all of them whole
        bool finished = false;              // all of them taken
        QHash<int, ProjectNode *> containers; // the nodes of the project and folders
    };
    void follow(const AnnotationsFile &file, int whole, Following *following);
    void finishProject();
    void addFile(const AnnotationsFile &file, int index, ProjectNode *parent);
    void addFragment(const AnnotationsFile &file, int index, ProjectNode *fileNode);
    void addFeatureOutsideFragment(const QString &text, ProjectNode *parent);
    // The records of a feature text over the lines given, into m_records.
    void addRecords(const QString &text, int startLine, int endLine, int count);
    ProjectNode *addNode(ProjectNode *parent, int kind, const QString &name);

    ProjectModel *m_model;
    FeatureList *m_features;
    FeatureMatcher m_matcher;
    bool m_copyRecordsUp = true;
    std::vector<Fragment> m_records; // a file's records, gathered before they are put in
    std::function<void(const AnnotationsFile &)> m_whenRead;
};
