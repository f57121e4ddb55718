#pragma once

#include "core/model/feature.h"
#include "core/model/featurematcher.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

class ProjectModel;
struct ProjectNode;

// Reads annotations.xml in the form the import writes it, in one pass over
// its bytes: UTF-8, projects, folders, files of sources with their
// fragments and feature texts, white space between them, the five named
// entities. That is the same project as AnnotationsReader reads, many times
// faster than through an XML reader (the project file of a kernel-sized
// product line is tens of megabytes). Anything else (comments, other
// elements, a feature outside a fragment, other encodings, anything not
// well-formed) it declines, and the file is left to AnnotationsReader.
class AnnotationsScanner
{
public:
    AnnotationsScanner(ProjectModel *model, FeatureList *features);

    // Fills the model (pruned, records copied up, as AnnotationsReader
    // does) and returns true; false, with the model unchanged, when the text
    // is not of that form.
    bool read(const QByteArray &text);

private:
    struct Tag;
    bool readTag(Tag *tag);
    bool readAttributeValue(QString *value);
    bool readText(QString *text);
    bool readContainer(ProjectNode *parent, const Tag &tag);
    bool readFile(ProjectNode *parent, const Tag &tag);
    bool readFragment(ProjectNode *file, const Tag &tag);
    bool skipSpace();
    bool atEnd() const { return m_at >= m_end; }
    void addRecords(const QString &text, int startLine, int endLine, int count,
                    ProjectNode *file);
    ProjectNode *addNode(ProjectNode *parent, int kind, const QString &name);

    ProjectModel *m_target;
    ProjectModel *m_model = nullptr;
    FeatureList *m_features;
    FeatureMatcher m_matcher;
    // The features of each expression text met so far: texts repeat.
    QHash<QString, QList<Feature *>> m_expressions;
    const char *m_at = nullptr;
    const char *m_end = nullptr;
};
